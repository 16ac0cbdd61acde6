// SPDX-License-Identifier: MIT
// The particle system: one global pool of camera-facing, additively blended, textured squares
// whose colour, size and transparency move from a start to an end state given by a preset.
// Bolts leave one single-frame particle per frame as their trail; explosions leave rising fire.
#pragma once

#include <cstdint>

#include "math/Vector.h"

enum : int8_t {
    PARTICLE_FADING = 0,  // lives one period of its preset, then dies
    PARTICLE_SINGLE_FRAME = 1,  // pulses with the global clock; dies once it has been drawn
};

struct Particle {
    int8_t kind = PARTICLE_FADING;
    int8_t preset = 0;
    Vector3D position;
    Vector3D direction;  // unit length or zero; made unit on emission
    float red = 0.0f, green = 0.0f, blue = 0.0f;
    float size = 0.0f;  // half the side of the square
    float alpha = 0.0f;
    int32_t birthTime = 0;
    bool alive = false;
};

struct ParticlePreset {
    float speed = 0.0f;  // units per ms along direction
    float rise = 0.0f;  // extra upward units per ms
    float sizeScale = 1.0f;
    int32_t period = 1000;  // ms: life of a fading particle, pulse of a single-frame one
    float startRed = 0.0f, startGreen = 0.0f, startBlue = 0.0f, startSize = 0.0f, startAlpha = 0.0f;
    float endRed = 0.0f, endGreen = 0.0f, endBlue = 0.0f, endSize = 0.0f, endAlpha = 0.0f;
    float jitter = 0.0f;  // random change of direction per frame
};

// The game's presets, by index.
enum : int8_t {
    PRESET_PLAYER_TRAIL = 0,
    PRESET_FIRE = 1,
    PRESET_ENEMY_TRAIL = 2,
};

// Room for 100 particles, drawn with the given texture name. Restarting drops the old pool.
void StartParticles(int32_t texture);
void AddParticlePreset(const ParticlePreset& preset);
// Adds the game's three presets: player bolt trail, explosion fire, enemy bolt trail.
void AddGameParticlePresets();
// Releases the pool and the presets.
void StopParticles();
bool ParticlesRunning();

// Stores a copy, alive and born now. Dead records are reused only once the pool is full;
// a full pool of live particles grows by 100. Ignored while stopped.
void EmitParticle(const Particle& particle);

// Ages, moves and colours every live particle (six rand() calls per moving particle).
void UpdateParticles();
// Draws every live particle facing the camera; single-frame ones die once drawn.
void DrawParticles();
// Update then draw, while running: once per frame, after the task pass.
void TickParticles();

// Pool state, for tests.
int32_t ParticleCount();  // records in use, dead ones included
int32_t ParticleCapacity();
int32_t LiveParticleCount();
const Particle* ParticleAt(int32_t index);  // none out of range
int32_t ParticlePresetCount();
