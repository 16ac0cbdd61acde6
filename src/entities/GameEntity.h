// SPDX-License-Identifier: MIT
// The base of every object of the 3D world: a task on gExecutor that each pass checks its
// death, runs its class's Update, places the camera when it is the one followed, and draws its
// model. It also holds what the classes share: inertial motion through four damped values,
// sphere collision, area damage, telling nearby entities about sounds, part lookup by name,
// the collision radius from the model, and the camera follow with its three views.
#pragma once

#include <cstdint>

#include "entities/Nearby.h"
#include "math/DampedValue.h"
#include "math/Vector.h"
#include "render/Model.h"
#include "shell/TaskList.h"

class Sound;

// The kind every 3D game object carries at kind index 0.
extern const char* const kGameEntityKind;

enum : int32_t {
    TEAM_PLAYER = 0,  // the player ship and every bolt
    TEAM_FIGHTER = 1,
    TEAM_FACTORY = 2,
};

class GameEntity3D : public Executable {
public:
    // Joins gExecutor; runs from the next pass on.
    GameEntity3D();
    // Stops the camera following this entity.
    ~GameEntity3D() override;

    // Death check, the downward push, Update, the camera step, then the model is drawn.
    void Run() override;

    virtual void Update() {}
    virtual void OnMoved(const Vector3D& /*previousPosition*/) {}  // after an unblocked Move
    virtual void BeforeDraw() {}
    virtual void OnNoise(const Vector3D& /*position*/, int32_t /*value*/) {}  // a sound in range
    virtual void OnHit(int32_t /*damage*/) {}  // after hitPoints was lowered

    // Turns by turnRate, steps by the speeds over the last frame time. When the new place
    // collides with another running entity the step (not the turn) is undone: false.
    bool Move();
    // Index of the first model object whose name holds every character of name, or -1.
    int32_t FindPart(const char* name) const;
    // The mean reach of the attached model along +x and +z at the instance's current place;
    // 1 when there is no model or it has no points.
    void ComputeRadius();

    NearbySlot nearby;  // its place in the grid that finds what is near (entities/Nearby.h)
    Vector3D position{0.0f, 0.0f, 0.0f};
    Vector3D forward{1.0f, 0.0f, 0.0f};  // not kept unit: uses normalise a copy
    Vector3D up{0.0f, 1.0f, 0.0f};
    DampedValue forwardSpeed;  // units per ms along forward
    DampedValue sideSpeed;  // units per ms along forward turned 90 degrees about y
    DampedValue verticalSpeed;  // units per ms along world y
    DampedValue turnRate;  // degrees per ms about up
    int32_t hitPoints = 1;  // below 1 at the start of a Run: the entity finishes
    int32_t team = TEAM_PLAYER;
    float radius = 1.0f;  // collision sphere
    bool hidden = false;  // model not drawn
    bool noCollide = false;  // neither blocks nor is blocked
    ModelInstance model;
    const uint32_t serial;  // unique among all entities ever made, never 0
    uint32_t shooter = 0;  // serial of the entity that fired this bolt; 0: none
    uint32_t blockedBy = 0;  // serial of the entity that blocked the last Move; 0: none
    uint32_t lastHitBy = 0;  // serial of the shooter whose bolt last hurt it; 0: none

protected:
    // Copies position, forward and up into the model instance.
    void PlaceModel();
    // Puts a new ship or building at where, level and facing heading degrees about y from +x,
    // with its shared model at the game's scale of 0.1, its radius and the model placed (so a
    // shot in the very first pass leaves from the guns, not from the world origin).
    void Spawn(const Vector3D& where, float heading, Model* shape);

private:
    void CameraStep();
};

// The entity behind a task when it is a running 3D game object, else none. Tells the kind by
// its number (Executable::FirstKindNumber), not by comparing names.
GameEntity3D* RunningEntity(Executable* task);

// True when neither has noCollide, neither fired the other and their spheres overlap
// (touching is not colliding).
bool Collides(const GameEntity3D& a, const GameEntity3D& b);

// The running entity with this serial, or none (it may have been destroyed meanwhile).
GameEntity3D* FindRunningEntity(uint32_t serial);

// Every running entity other than exclude whose centre lies closer than radius plus its own
// radius loses damage hitPoints and gets OnHit. Team-blind; damage 0 does nothing. source
// (a shooter's serial, or 0) is kept in lastHitBy of everyone hurt.
void AreaDamage(const Vector3D& centre, float radius, int32_t damage, GameEntity3D* exclude,
                uint32_t source = 0);

// The entity half of PlaySoundAt (assets/SoundOutput.h), installed as its noise listener
// whenever an entity is made: every running entity other than exclude (a GameEntity3D*)
// within range of the position gets OnNoise, whether or not the sound reached the camera.
void TellEntitiesOfNoise(const Vector3D& position, float range, void* exclude, int32_t value);

// A new copy of SoundBank entry index (sharing its samples), owned by the caller; none when
// the bank has no such entry (no sound loaded: the object stays silent).
Sound* CopyBankSound(int32_t index);

// The hit sphere of a ship or factory hit at hitTime: twice the collision radius (for a big
// entity the collision radius and a rim of 8 units), green, fading from alpha 255 to 0 over the
// second after the hit. Nothing when never hit, and nothing while the camera is inside it.
void DrawHitSphereSince(const GameEntity3D& entity, bool wasHit, uint32_t hitTime);

// ---- camera follow ----------------------------------------------------------------------

enum : int32_t {
    CAMERA_CHASE = 0,
    CAMERA_FROM_MODEL = 1,  // from the model's "V" part
    CAMERA_ABOVE = 2,
};

// The entity the camera follows, or none; cleared when that entity is destroyed.
extern GameEntity3D* CameraTarget;
extern int32_t CameraMode;
// The next view: chase, from the model, from above, chase again; any other mode stays.
void StepCameraMode();
// Degrees above the horizon of the chase camera; starts at 10, settles at 20.
extern float ChaseElevation;

// Puts the camera behind and above position, looking at it, with the heading at the top of
// the picture. elevation is clamped to [10, 89]: 72 units away at 10, 300 at 89.
void PlaceChaseCamera(const Vector3D& position, const Vector3D& forward, float elevation);
