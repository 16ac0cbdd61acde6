// SPDX-License-Identifier: MIT
#include "game/Hud.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "entities/GameEntity.h"
#include "entities/Laser.h"
#include "entities/TieFighter.h"
#include "entities/XWing.h"
#include "math/View.h"
#include "render/Overlay.h"
#include "render/RenderState.h"
#include "shell/Services.h"
#include "shell/TaskList.h"

namespace {

const float kFieldEdge = 1000.0f;  // the battlefield runs from -1000 to 1000 in x and z
const float kShipHitPoints = 1000.0f;

// A point of the world in picture pixels; false behind the eye or outside the picture.
bool OnPicture(const Vector3D& world, float* x, float* y)
{
    Vector3D p = world, screen;
    ProjectToScreen(p, screen);
    if (screen.z >= -FrustumParams.near) return false;
    // The picture's pixels, as the overlay draws in them (the window may show it bigger).
    *x = screen.x;
    *y = screen.y;
    return *x >= 0.0f && *x < static_cast<float>(ViewportWidth) && *y >= 0.0f &&
           *y < static_cast<float>(ViewportHeight);
}

XWing* RunningShip()
{
    TaskIterator cursor(gExecutor.Tasks());
    while (Executable* task = cursor.Next())
        if (auto* ship = dynamic_cast<XWing*>(RunningEntity(task))) return ship;
    return nullptr;
}

// ---- drawing, in picture pixels between Begin2D and End2D ------------------------------

void Colour(const HudColour& c) { glColor3ub(c.r, c.g, c.b); }

const HudColour kBlack{0, 0, 0};

void Box(float x0, float y0, float x1, float y1)
{
    glBegin(GL_QUADS);
    glVertex2f(x0, y0);
    glVertex2f(x0, y1);
    glVertex2f(x1, y1);
    glVertex2f(x1, y0);
    glEnd();
}

// Four arms round (x, y) with a gap in the middle, so the target shows through.
void DrawCrosshair(float x, float y)
{
    const float gap = 4.0f, arm = 9.0f, half = 1.0f;
    for (int pass = 0; pass < 2; ++pass) {
        const float e = pass == 0 ? 1.0f : 0.0f;  // the black edge first, then the colour
        Colour(pass == 0 ? kBlack : kHudCrosshair);
        Box(x - gap - arm - e, y - half - e, x - gap + e, y + half + e);
        Box(x + gap - e, y - half - e, x + gap + arm + e, y + half + e);
        Box(x - half - e, y - gap - arm - e, x + half + e, y - gap + e);
        Box(x - half - e, y + gap - e, x + half + e, y + gap + arm + e);
    }
}

// A hollow square round (x, y); a dot in the middle once a volley can reach.
void DrawLeadMark(float x, float y, bool inReach)
{
    const HudColour& c = inReach ? kHudLeadInReach : kHudLead;
    const float r = 8.0f, w = 2.0f;
    for (int pass = 0; pass < 2; ++pass) {
        const float e = pass == 0 ? 1.0f : 0.0f;
        Colour(pass == 0 ? kBlack : c);
        Box(x - r - e, y - r - e, x + r + e, y - r + w + e);
        Box(x - r - e, y + r - w - e, x + r + e, y + r + e);
        Box(x - r - e, y - r - e, x - r + w + e, y + r + e);
        Box(x + r - w - e, y - r - e, x + r + e, y + r + e);
        if (inReach) Box(x - 1.5f - e, y - 1.5f - e, x + 1.5f + e, y + 1.5f + e);
    }
}

// Text with a black shadow, so that it reads on sky and ground alike.
void ShadowedText(int x, int y, const char* text, const HudColour& c, bool centred)
{
    DrawText(x + 2, y + 2, text, 0, 0, 0, centred, 1.0f);
    DrawText(x, y, text, c.r, c.g, c.b, centred, 1.0f);
}

// The bar of the hull's strength; its label goes with the texts.
void DrawHullBar(float hull)
{
    const float x0 = 92.0f, y0 = 453.0f, width = 160.0f, height = 12.0f;
    const HudColour fill = hull > 0.5f    ? HudColour{80, 220, 80}
                           : hull > 0.25f ? HudColour{240, 200, 40}
                                          : HudColour{240, 50, 40};
    Colour(kBlack);
    Box(x0 - 2.0f, y0 - 2.0f, x0 + width + 2.0f, y0 + height + 2.0f);
    Colour(HudColour{60, 60, 60});
    Box(x0, y0, x0 + width, y0 + height);
    if (hull > 0.0f) {
        Colour(fill);
        Box(x0, y0, x0 + width * std::min(1.0f, hull), y0 + height);
    }
}

// An arrowhead round (cx, cy) pointing bearing degrees to the right of straight up: its tip is
// the point farthest from its middle.
void DrawArrow(float cx, float cy, float bearing)
{
    const double a = bearing * static_cast<double>(DEG_TO_RAD);
    const float s = static_cast<float>(std::sin(a)), c = static_cast<float>(std::cos(a));
    // Pointing up: the tip, the right barb, the notch, the left barb.
    const float shape[4][2] = {{0, -28}, {16, 16}, {0, 6}, {-16, 16}};
    const int triangles[2][3] = {{0, 1, 2}, {0, 2, 3}};
    glBegin(GL_TRIANGLES);
    for (int pass = 0; pass < 2; ++pass) {
        const float grow = pass == 0 ? 1.15f : 1.0f;  // the black edge behind
        Colour(pass == 0 ? kBlack : kHudArrow);
        for (const auto& t : triangles)
            for (int i : t) {
                const float x = shape[i][0] * grow, y = shape[i][1] * grow;
                glVertex2f(cx + x * c - y * s, cy + x * s + y * c);
            }
    }
    glEnd();
}

}  // namespace

bool LeadPoint(const Vector3D& from, float boltSpeed, float delayMs, const Vector3D& at,
               const Vector3D& velocity, Vector3D* meet, float* meetMs)
{
    // |rel + velocity t| = boltSpeed (t - delay) for the first t >= delay.
    const Vector3D rel = at - from;
    const double s2 = static_cast<double>(boltSpeed) * boltSpeed;
    const double d = delayMs;
    const double a = Dot(velocity, velocity) - s2;
    const double b = 2.0 * (Dot(rel, velocity) + s2 * d);
    const double c = Dot(rel, rel) - s2 * d * d;
    double t = -1.0;
    if (std::fabs(a) < 1e-12) {
        if (b != 0.0) t = -c / b;
    } else {
        const double disc = b * b - 4.0 * a * c;
        if (disc < 0.0) return false;
        const double root = std::sqrt(disc);
        const double t1 = (-b - root) / (2.0 * a), t2 = (-b + root) / (2.0 * a);
        for (double r : {std::min(t1, t2), std::max(t1, t2)}) {
            if (r >= d) {
                t = r;
                break;
            }
        }
    }
    if (!(t >= d)) return false;
    *meet = at + velocity * static_cast<float>(t);
    *meetMs = static_cast<float>(t);
    return true;
}

HudView ComputeHud()
{
    HudView view;
    XWing* ship = RunningShip();
    if (!ship) return view;
    view.ship = true;
    view.hull = std::clamp(static_cast<float>(ship->hitPoints) / kShipHitPoints, 0.0f, 1.0f);

    const Vector3D from = ship->position;
    Vector3D nose = ship->forward;
    Normalize(nose);
    // A bolt of a volley fired in this frame first moves one frame later.
    const float delay = static_cast<float>(std::max<int32_t>(GetFrameTime(), 0));

    // The fighter whose meeting point lies nearest the line of the guns.
    float bestAngle = 1e9f, aimDistance = kHudAimDistance;
    TaskIterator cursor(gExecutor.Tasks());
    while (Executable* task = cursor.Next()) {
        GameEntity3D* e = RunningEntity(task);
        if (!e || e->team != TEAM_FIGHTER || e->hitPoints < 1) continue;
        Vector3D heading = e->forward;
        Normalize(heading);
        Vector3D meet;
        float meetMs = 0.0f;
        if (!LeadPoint(from, kBoltSpeed, delay, e->position, heading * e->forwardSpeed.value, &meet,
                       &meetMs))
            continue;
        Vector3D rel = meet - from;
        const float distance = Length(rel);
        float x = 0.0f, y = 0.0f;
        if (distance > kHudLeadRange || !OnPicture(meet, &x, &y)) continue;
        Vector3D line = nose;
        const float angle = AngleBetween(line, rel);
        if (angle < bestAngle) {
            bestAngle = angle;
            view.lead = true;
            view.leadX = x;
            view.leadY = y;
            view.inReach = meetMs + delay <= static_cast<float>(kBoltLifeMs);
            aimDistance = distance;
        }
    }
    // The crosshair at the marked fighter's range, so that the two meet when the aim is right.
    view.crosshair = OnPicture(from + nose * aimDistance, &view.crossX, &view.crossY);

    if (std::fabs(from.x) > kFieldEdge || std::fabs(from.z) > kFieldEdge) {
        view.outside = true;
        const float bx = std::clamp(from.x, -kFieldEdge, kFieldEdge) - from.x;
        const float bz = std::clamp(from.z, -kFieldEdge, kFieldEdge) - from.z;
        // Positive to the right: the way a positive turn rate turns the heading.
        const double cross = static_cast<double>(nose.x) * bz - static_cast<double>(nose.z) * bx;
        const double dot = static_cast<double>(nose.x) * bx + static_cast<double>(nose.z) * bz;
        view.backBearing = static_cast<float>(std::atan2(cross, dot) * RAD_TO_DEG);
    }
    return view;
}

void DrawHud(const HudView& view)
{
    Begin2D();
    glDisable(GL_TEXTURE_2D);
    if (view.ship) {
        if (view.lead) DrawLeadMark(view.leadX, view.leadY, view.inReach);
        if (view.crosshair) DrawCrosshair(view.crossX, view.crossY);
        if (view.outside) DrawArrow(320.0f, 74.0f, view.backBearing);
        DrawHullBar(view.hull);
    }
    glColor3f(1.0f, 1.0f, 1.0f);
    End2D();
    // The texts draw in a 2D mode of their own.
    const HudColour white{255, 255, 255};
    if (view.ship) ShadowedText(16, 451, "HULL", white, false);
    if (view.ship && view.outside) ShadowedText(320, 24, "BACK TO THE BATTLEFIELD", white, true);
    if (!view.ship) ShadowedText(320, 240, "SHIP DESTROYED - ESCAPE QUITS", white, true);
}
