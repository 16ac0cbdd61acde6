// SPDX-License-Identifier: MIT
// A small world for entity tests: the fake clock at 10 s, fixed 16 ms frames, scripted keys,
// drawing switched off, the particle system with the game's presets, and hand-made models in
// the three shared model slots (guns "W0"-"W3" and the eye "V" on the ship, "W0"-"W1" on the
// fighter). Frame() runs one frame in the game's order.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "entities/EntityDrawing.h"
#include "entities/Explosion.h"
#include "entities/Factory.h"
#include "entities/GameEntity.h"
#include "entities/GameModels.h"
#include "entities/HitSphere.h"
#include "entities/Laser.h"
#include "entities/Particles.h"
#include "entities/TieFighter.h"
#include "entities/XWing.h"
#include "math/DampedValue.h"
#include "math/Steering.h"
#include "assets/Sound.h"
#include "assets/SoundOutput.h"
#include "math/View.h"
#include "platform/FakePlatform.h"
#include "shell/Input.h"
#include "shell/Services.h"
#include "shell/TaskList.h"

namespace kit {

// An axis-aligned box object with outward flat normals, counter-clockwise from outside.
inline void AddBox(Model& m, int32_t obj, Vector3D lo, Vector3D hi)
{
    int32_t base = m.PointCount(obj);
    for (int i = 0; i < 8; ++i)
        m.AddPoint(obj, (i & 1) ? hi.x : lo.x, (i & 2) ? hi.y : lo.y, (i & 4) ? hi.z : lo.z);
    // Each face: four corners (bits x, y, z) counter-clockwise seen from outside, and its normal.
    const int faces[6][4] = {{0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4},
                             {2, 6, 7, 3}, {0, 2, 3, 1}, {4, 5, 7, 6}};
    const float normals[6][3] = {{-1, 0, 0}, {1, 0, 0},  {0, -1, 0},
                                 {0, 1, 0},  {0, 0, -1}, {0, 0, 1}};
    for (int f = 0; f < 6; ++f) {
        const int* c = faces[f];
        for (int t = 0; t < 2; ++t) {
            int32_t tri = m.AddTriangle(obj, base + c[0], base + c[t + 1], base + c[t + 2]);
            for (int corner = 0; corner < 3; ++corner)
                m.SetNormal(obj, tri, corner, normals[f][0], normals[f][1], normals[f][2]);
        }
    }
}

inline int32_t AddPart(Model& m, const char* name, int32_t parent, Vector3D pivot, float half)
{
    int32_t obj = m.AddObject();
    m.SetName(obj, name);
    if (parent >= 0) m.SetParent(obj, parent);
    m.SetPivot(obj, pivot.x, pivot.y, pivot.z);
    if (half > 0.0f) AddBox(m, obj, {-half, -half, -half}, {half, half, half});
    return obj;
}

// Hull 60 x 5 x 80 (radius 3.55 at scale 0.1), guns at four wingtips 2.5 units apart (so
// their bolts do not touch), eye marker.
inline void BuildShip(Model& m)
{
    m.Clear();
    int32_t hull = m.AddObject();
    m.SetName(hull, "Hull");
    m.SetColor(hull, 200, 200, 210);
    AddBox(m, hull, {-30, 0, -40}, {30, 5, 40});
    AddPart(m, "W0", hull, {30, -10, -40}, 1);
    AddPart(m, "W1", hull, {-30, -10, -40}, 1);
    AddPart(m, "W2", hull, {30, 15, -40}, 1);
    AddPart(m, "W3", hull, {-30, 15, -40}, 1);
    int32_t eye = AddPart(m, "V", hull, {0, 8, -10}, 0);
    m.SetColor(eye, 158, 0, 158);
}

// Cube of 40 (radius 2 at scale 0.1) with two guns at the front, 3 units apart.
inline void BuildFighter(Model& m)
{
    m.Clear();
    int32_t body = m.AddObject();
    m.SetName(body, "Cockpit");
    m.SetColor(body, 90, 90, 100);
    AddBox(m, body, {-20, -20, -20}, {20, 20, 20});
    AddPart(m, "W0", body, {15, -5, -20}, 1);
    AddPart(m, "W1", body, {-15, -5, -20}, 1);
}

// A hall 200 x 80 x 200 standing on the ground (radius 10 at scale 0.1).
inline void BuildFactory(Model& m)
{
    m.Clear();
    int32_t hall = m.AddObject();
    m.SetName(hall, "Hall");
    m.SetColor(hall, 150, 120, 90);
    AddBox(m, hall, {-100, 0, -100}, {100, 80, 100});
}

// An entity without a model that counts what happens to it.
class Probe : public GameEntity3D {
public:
    explicit Probe(Vector3D where, float r = 1.0f, int32_t side = TEAM_PLAYER)
    {
        position = where;
        radius = r;
        team = side;
        hitPoints = 100000;
    }
    void Update() override { ++updates; }
    void BeforeDraw() override { ++draws; }
    void OnMoved(const Vector3D& previous) override
    {
        ++moves;
        lastPrevious = previous;
    }
    void OnNoise(const Vector3D& where, int32_t value) override
    {
        ++noises;
        lastNoise = where;
        lastNoiseValue = value;
    }
    void OnHit(int32_t damage) override
    {
        ++hits;
        lastDamage = damage;
    }
    int updates = 0, draws = 0, moves = 0, noises = 0, hits = 0;
    int32_t lastDamage = 0, lastNoiseValue = 0;
    Vector3D lastPrevious, lastNoise;
};

template <typename T>
std::vector<T*> Tasks(bool runningOnly = true)
{
    std::vector<T*> found;
    TaskIterator cursor(gExecutor.Tasks());
    while (Executable* task = cursor.Next()) {
        if (runningOnly && task->GetState() != TASK_RUNNING) continue;
        if (T* t = dynamic_cast<T*>(task)) found.push_back(t);
    }
    return found;
}

inline int TaskCount()
{
    int n = 0;
    TaskIterator cursor(gExecutor.Tasks());
    while (cursor.Next()) ++n;
    return n;
}

inline bool Listed(const Executable* task) { return gExecutor.Contains(task); }

// A WAV file in memory: 8-bit mono at 44100 Hz with `samples` samples of a square wave.
inline std::vector<uint8_t> MakeWav(int samples)
{
    std::vector<uint8_t> w;
    auto u32 = [&w](uint32_t v) {
        for (int i = 0; i < 4; ++i) w.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto u16 = [&w](uint16_t v) {
        w.push_back(static_cast<uint8_t>(v));
        w.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto tag = [&w](const char* t) { w.insert(w.end(), t, t + 4); };
    tag("RIFF");
    u32(36 + static_cast<uint32_t>(samples));
    tag("WAVE");
    tag("fmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(44100);
    u32(44100);
    u16(1);
    u16(8);
    tag("data");
    u32(static_cast<uint32_t>(samples));
    for (int i = 0; i < samples; ++i) w.push_back((i / 10) % 2 ? 200 : 56);
    return w;
}

// Fills the sound bank with a weapon sound (index 0) and an explosion sound (index 1).
inline void LoadTestSounds()
{
    std::vector<uint8_t> weapon = MakeWav(400);
    std::vector<uint8_t> boom = MakeWav(800);
    SoundBank.Append(new Sound(weapon.data(), weapon.size()));
    SoundBank.Append(new Sound(boom.data(), boom.size()));
}

inline void FreeSounds()
{
    for (int32_t i = 0; i < SoundBank.Count(); ++i) delete SoundBank[i];
    SoundBank.Clear();
}

// An empty world on the fake clock at ticks: no tasks, no steering requests, drawing off, the
// camera at the origin following nobody, and fresh particles with the game's presets.
inline void ResetEntityWorld(uint32_t ticks)
{
    plat::fake::Reset();
    plat::fake::SetTicks(ticks);
    SetEntityDrawing(false);
    gExecutor.ClearTasks();
    ClearSteeringRequests();
    CameraTarget = nullptr;
    CameraMode = CAMERA_CHASE;
    ChaseElevation = 10.0f;
    CameraEye = {0, 0, 0};
    CameraDirection = {1, 0, 0};
    CameraUp = {0, 1, 0};
    StopParticles();
    StartParticles(3);
    AddGameParticlePresets();
}

class World : public ::testing::Test {
protected:
    static constexpr uint32_t kStart = 10000;

    void SetUp() override
    {
        ResetEntityWorld(kStart);
        BuildShip(XWingModel);
        BuildFighter(TieFighterModel);
        BuildFactory(FactoryModel);
        gInput = InputState();
        ToggleOnePress(2);
        ToggleOnePress(8);
        SetFrameTime(16);
        ResetDampedValueClock();
        UpdateDampedValues();
        std::srand(1);
    }

    void TearDown() override
    {
        gExecutor.ClearTasks();
        FreeSounds();
        ClearSteeringRequests();
        StopParticles();
        SetHitSphereObserver(nullptr);
        CameraTarget = nullptr;
        XWingModel.Clear();
        TieFighterModel.Clear();
        FactoryModel.Clear();
        SetEntityDrawing(true);
        plat::fake::Reset();
    }

    // One frame as the game runs it: input, damped values, the task pass, the particles; then
    // the clock moves on by ms and that becomes the frame time of the next frame.
    static void Frame(uint32_t ms = 16)
    {
        ReadInput();
        UpdateDampedValues();
        gExecutor.Run();
        TickParticles();
        plat::fake::AdvanceTicks(ms);
        SetFrameTime(static_cast<int32_t>(ms));
    }

    static void Frames(int n, uint32_t ms = 16)
    {
        for (int i = 0; i < n; ++i) Frame(ms);
    }

    static void Key(int virtualKey, bool down) { plat::fake::SetKeyDown(virtualKey, down); }
};

}  // namespace kit
