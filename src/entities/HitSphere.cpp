// SPDX-License-Identifier: MIT
#include "entities/HitSphere.h"

#include <GL/gl.h>

#include <cmath>
#include <vector>

#include "entities/EntityDrawing.h"
#include "render/RenderState.h"
#include "render/ViewVolume.h"

namespace {

std::function<void(const HitSphereCall&)> sphereObserver;

// The point at latitude step j of n and longitude b (degrees) on the sphere, appended to xyz.
void SphereVertex(std::vector<float>& xyz, const Vector3D& c, float radius, int32_t j, int32_t n,
                  float b)
{
    double level = static_cast<double>(j) / n;
    double ring = radius * std::sqrt(std::fmax(0.0, 1.0 - level * level));
    double angle = b * static_cast<double>(DEG_TO_RAD);
    xyz.push_back(static_cast<float>(c.x + ring * std::cos(angle)));
    xyz.push_back(static_cast<float>(c.y + j * static_cast<double>(radius) / n));
    xyz.push_back(static_cast<float>(c.z + ring * std::sin(angle)));
}

}  // namespace

void PrepareHitSphereDrawing()
{
    static uint32_t prepared = 0;
    if (!EntityDrawing() || !HasGLContext() || prepared == GLContextSerial()) return;
    prepared = GLContextSerial();
    // One small triangle in the middle of the window, drawn exactly as a hit sphere is but
    // with alpha 0: the additive blend adds nothing and no depth is written.
    BeginBlend(1);
    glDisable(GL_CULL_FACE);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glColor4ub(45, 117, 34, 0);
    glBegin(GL_QUADS);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(0.01f, 0.0f, 0.0f);
    glVertex3f(0.01f, 0.01f, 0.0f);
    glVertex3f(0.0f, 0.01f, 0.0f);
    glEnd();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_CULL_FACE);
    EndBlend();
}

void SetHitSphereObserver(std::function<void(const HitSphereCall&)> observer)
{
    sphereObserver = std::move(observer);
}

int HitSphereAlpha(uint32_t elapsed)
{
    return static_cast<int>(255.0f - (static_cast<float>(elapsed) / 1000.0f) * 255.0f);
}

void DrawHitSphere(const Vector3D& centre, float radius, int32_t bands, int32_t sectors, int red,
                   int green, int blue, int alpha)
{
    if (sphereObserver) {
        HitSphereCall call;
        call.centre = centre;
        call.radius = radius;
        call.bands = bands;
        call.sectors = sectors;
        call.red = red;
        call.green = green;
        call.blue = blue;
        call.alpha = alpha;
        sphereObserver(call);
    }
    // Zero bands or sectors would divide by zero: there is no sphere to draw.
    if (!EntityDrawing() || bands <= 0 || sectors <= 0) return;
    // Out of sight: nothing of it would reach the screen.
    if (SphereOutside(SceneViewVolume(), centre, std::fabs(radius), 1.0f)) return;

    // The quads go to GL in one array.
    static std::vector<float> xyz;
    xyz.clear();
    float step = 360.0f / static_cast<float>(sectors);
    for (int32_t i = -bands; i < bands; ++i) {
        for (int32_t s = 0; s < sectors; ++s) {
            float a = -step * static_cast<float>(s);
            SphereVertex(xyz, centre, radius, i, bands, a);
            SphereVertex(xyz, centre, radius, i, bands, a - step);
            SphereVertex(xyz, centre, radius, i + 1, bands, a - step);
            SphereVertex(xyz, centre, radius, i + 1, bands, a);
        }
    }
    BeginBlend(1);
    glDisable(GL_CULL_FACE);
    glColor4ub(static_cast<GLubyte>(red), static_cast<GLubyte>(green), static_cast<GLubyte>(blue),
               static_cast<GLubyte>(alpha));
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, xyz.data());
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(xyz.size() / 3));
    glDisableClientState(GL_VERTEX_ARRAY);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_CULL_FACE);
    EndBlend();
}
