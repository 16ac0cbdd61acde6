// SPDX-License-Identifier: MIT
// The head-up display of --hud, an extra the game does without by default: a crosshair where
// the guns aim, a lead mark on the fighter nearest it (where to aim so that a volley meets
// it), a bar with the hull's strength, a line once the ship is gone, and an arrow back toward
// the battlefield while the ship is outside it. Drawn over the finished picture of a play
// frame in picture pixels (640 x 480, scaled with the picture) with the overlay and the
// game's font.
#pragma once

#include <cstdint>

#include "math/Vector.h"

// Where a bolt fired now from `from`, standing still for delayMs and then flying boltSpeed
// units per ms, meets a target now at `at` moving by `velocity` units per ms. *meetMs is the
// time from now. False when the bolt never catches it.
bool LeadPoint(const Vector3D& from, float boltSpeed, float delayMs, const Vector3D& at,
               const Vector3D& velocity, Vector3D* meet, float* meetMs);

// What the HUD shows, in picture pixels.
struct HudView {
    bool ship = false;  // the player's ship is running; otherwise only the line about it
    float hull = 0.0f;  // hit points left, 0 to 1
    bool crosshair = false;  // the aim point lies in the picture
    float crossX = 0.0f, crossY = 0.0f;
    bool lead = false;  // a fighter is marked
    float leadX = 0.0f, leadY = 0.0f;
    bool inReach = false;  // a volley fired now reaches the marked fighter in its lifetime
    bool outside = false;  // the ship is beyond the battlefield's edge
    float backBearing = 0.0f;  // degrees from the heading toward the field, + to the right
};

// Reads the running entities and the camera of the frame.
HudView ComputeHud();
// Draws a computed view over the picture (leaves the render state as it found it).
void DrawHud(const HudView& view);

// The HUD's flat colours, for whoever reads the picture.
struct HudColour {
    uint8_t r, g, b;
};
constexpr HudColour kHudCrosshair{255, 255, 0};
constexpr HudColour kHudLead{255, 0, 255};  // the marked fighter is out of reach
constexpr HudColour kHudLeadInReach{255, 40, 40};
constexpr HudColour kHudArrow{255, 150, 0};

// Aim points farther than this (units) are not marked; the crosshair without a mark stands
// this far ahead.
constexpr float kHudLeadRange = 600.0f;
constexpr float kHudAimDistance = 250.0f;
