// SPDX-License-Identifier: MIT
#include "entities/Particles.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <new>

#include "entities/EntityDrawing.h"
#include "math/View.h"
#include "render/Model.h"
#include "render/RenderState.h"
#include "render/ViewVolume.h"
#include "shell/DynArray.h"
#include "shell/Services.h"

namespace {

bool running = false;
int32_t texture = 0;
Particle* records = nullptr;
int32_t count = 0;
int32_t capacity = 0;
DynArray<ParticlePreset> presets;

const int32_t kPoolStep = 100;
const double kTwoPi = 6.283185307179586;

float Mix(float from, float to, float t) { return from * (1.0f - t) + to * t; }

bool IsZero(const Vector3D& v) { return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f; }

// One random nudge of a direction component: up to 2 x jitter either way.
float Jitter(float jitter)
{
    float j = (static_cast<float>(std::rand()) / static_cast<float>(RAND_MAX)) * jitter * 2.0f;
    return (std::rand() % 2 == 0) ? -j : j;
}

}  // namespace

void StartParticles(int32_t textureName)
{
    delete[] records;
    records = new Particle[kPoolStep];
    texture = textureName;
    count = 0;
    capacity = kPoolStep;
    running = true;
}

void AddParticlePreset(const ParticlePreset& preset) { presets.Append(preset); }

void AddGameParticlePresets()
{
    ParticlePreset trail;
    trail.speed = 0.0f;
    trail.rise = 0.0f;
    trail.sizeScale = 30.0f;
    trail.period = 1000;
    trail.startRed = 1.0f;
    trail.startGreen = 0.0f;
    trail.startBlue = 0.006667f;
    trail.startSize = 0.196667f;
    trail.startAlpha = 0.996667f;
    trail.endRed = 1.0f;
    trail.endGreen = 1.0f;
    trail.endBlue = 0.0f;
    trail.endSize = 0.106667f;
    trail.endAlpha = 0.7f;
    trail.jitter = 0.0f;
    AddParticlePreset(trail);

    ParticlePreset fire;
    fire.speed = 0.0f;
    fire.rise = 0.01f;
    fire.sizeScale = 54.333332f;
    fire.period = 1000;
    fire.startRed = 1.0f;
    fire.startGreen = 1.0f;
    fire.startBlue = 0.5f;
    fire.startSize = 0.386667f;
    fire.startAlpha = 1.0f;
    fire.endRed = 1.0f;
    fire.endGreen = 0.0f;
    fire.endBlue = 0.0f;
    fire.endSize = 0.5f;
    fire.endAlpha = 0.5f;
    fire.jitter = 0.0f;
    AddParticlePreset(fire);

    ParticlePreset enemyTrail = trail;  // green instead of red at the start
    enemyTrail.startRed = 0.0f;
    enemyTrail.startGreen = 1.0f;
    AddParticlePreset(enemyTrail);
}

void StopParticles()
{
    if (!running) return;
    delete[] records;
    records = nullptr;
    count = 0;
    capacity = 0;
    presets.Clear();
    running = false;
}

bool ParticlesRunning() { return running; }

void EmitParticle(const Particle& particle)
{
    if (!running) return;
    Particle p = particle;
    p.alive = true;
    p.birthTime = static_cast<int32_t>(GetTicks());
    if (!IsZero(p.direction)) Normalize(p.direction);

    if (count == capacity) {
        for (int32_t i = 0; i < capacity; ++i) {
            if (!records[i].alive) {
                records[i] = p;
                return;
            }
        }
        Particle* grown = new (std::nothrow) Particle[capacity + kPoolStep];
        if (!grown) return;  // no room: the particle is dropped
        for (int32_t i = 0; i < count; ++i) grown[i] = records[i];
        delete[] records;
        records = grown;
        capacity += kPoolStep;
    }
    records[count] = p;
    ++count;
}

void UpdateParticles()
{
    if (!running || presets.IsEmpty()) return;
    uint32_t now = GetTicks();
    float dt = static_cast<float>(GetFrameTime());
    for (int32_t i = 0; i < count; ++i) {
        Particle& p = records[i];
        if (!p.alive) continue;
        const ParticlePreset& q = presets[p.preset];

        float t;
        if (p.kind == PARTICLE_SINGLE_FRAME) {
            if (q.period > 0) {
                uint32_t intoPeriod = now % static_cast<uint32_t>(q.period);
                double phase = static_cast<double>(intoPeriod) / q.period;
                t = static_cast<float>((2.0 - std::cos(kTwoPi * phase)) / 2.0);
            } else {
                t = 1.0f;
            }
        } else {
            uint32_t age = now - static_cast<uint32_t>(p.birthTime);
            t = q.period > 0 ? static_cast<float>(age) / static_cast<float>(q.period) : 2.0f;
            if (t > 1.0f) {
                p.alive = false;
                continue;
            }
        }

        if (IsZero(p.direction)) {
            p.position.y += dt * q.rise;
        } else {
            p.direction.x += Jitter(q.jitter);
            p.direction.y += Jitter(q.jitter);
            p.direction.z += Jitter(q.jitter);
            Normalize(p.direction);
            p.position.x += p.direction.x * q.speed * dt;
            p.position.y += p.direction.y * (q.speed + q.rise) * dt;
            p.position.z += p.direction.z * q.speed * dt;
        }

        p.red = Mix(q.startRed, q.endRed, t);
        p.green = Mix(q.startGreen, q.endGreen, t);
        p.blue = Mix(q.startBlue, q.endBlue, t);
        p.alpha = Mix(q.startAlpha, q.endAlpha, t);
        p.size = Mix(q.startSize, q.endSize, t) * q.sizeScale;
    }
}

void DrawParticles()
{
    if (!running) return;
    if (!EntityDrawing()) {
        for (int32_t i = 0; i < count; ++i) {
            if (records[i].alive && records[i].kind == PARTICLE_SINGLE_FRAME)
                records[i].alive = false;
        }
        return;
    }

    // Turn the squares to face the camera: tilt up or down to the line of sight, then turn
    // about the vertical to its heading.
    Vector3D cd = CameraDirection;
    float tilt;
    Vector3D tiltAxis;
    float turn;
    if (cd.x == 0.0f && cd.z == 0.0f) {
        tilt = -90.0f;
        tiltAxis = {1.0f, 0.0f, 0.0f};
        turn = 0.0f;
    } else {
        Vector3D g{cd.x, 0.0f, cd.z};
        Vector3D a = cd;
        Vector3D b = g;
        tilt = -AngleBetween(a, b);
        tiltAxis = Cross(cd, g);
        turn = Heading(Vector2D{cd.x, cd.z}) + 270.0f;
    }

    const ViewVolume& view = SceneViewVolume();
    // The turn is the same for every square: its two axes, worked out once, span each of
    // them around its centre, and all squares go to GL as one batch.
    PartMatrix facing = PartMatrix::Identity();
    facing.Rotate(tilt, tiltAxis);
    facing.Rotate(turn, Vector3D{0.0f, 1.0f, 0.0f});
    const Vector3D across{facing.m[0], facing.m[1], facing.m[2]};
    const Vector3D upward{facing.m[4], facing.m[5], facing.m[6]};

    BeginBlend(1);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
    glBegin(GL_QUADS);
    for (int32_t i = 0; i < count; ++i) {
        Particle& p = records[i];
        if (!p.alive) continue;
        float s = p.size;
        // The square faces the camera, so it never reaches beyond this sphere.
        const bool seen = !SphereOutside(view, p.position, 1.415f * std::fabs(s), 1.0f);
        if (p.kind == PARTICLE_SINGLE_FRAME) p.alive = false;
        if (!seen) continue;
        const Vector3D a = across * s;
        const Vector3D b = upward * s;
        glColor4f(p.red, p.green, p.blue, p.alpha);
        const Vector3D corners[4] = {p.position + a + b, p.position - a + b, p.position - a - b,
                                     p.position + a - b};
        const float st[4][2] = {{1.0f, 0.0f}, {0.0f, 0.0f}, {0.0f, 1.0f}, {1.0f, 1.0f}};
        for (int c = 0; c < 4; ++c) {
            glTexCoord2f(st[c][0], st[c][1]);
            glVertex3f(corners[c].x, corners[c].y, corners[c].z);
        }
    }
    glEnd();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glDisable(GL_TEXTURE_2D);
    EndBlend();
}

void TickParticles()
{
    if (!running) return;
    UpdateParticles();
    DrawParticles();
}

int32_t ParticleCount() { return count; }

int32_t ParticleCapacity() { return capacity; }

int32_t LiveParticleCount()
{
    int32_t live = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (records[i].alive) ++live;
    }
    return live;
}

const Particle* ParticleAt(int32_t index)
{
    if (index < 0 || index >= count) return nullptr;
    return &records[index];
}

int32_t ParticlePresetCount() { return presets.Count(); }
