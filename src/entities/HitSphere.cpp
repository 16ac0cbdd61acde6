// SPDX-License-Identifier: MIT
#include "entities/HitSphere.h"

#include <GL/gl.h>

#include <cmath>
#include <vector>

#include "entities/EntityDrawing.h"
#include "math/View.h"
#include "render/DrawBatch.h"
#include "render/RenderState.h"
#include "render/SkyDome.h"
#include "render/ViewVolume.h"

namespace {

std::function<void(const HitSphereCall&)> sphereObserver;

// The sines and cosines a sphere of n bands each way and `sectors` slices needs, worked out
// once for the sizes last asked for (every hit sphere of the game has the same).
struct SphereTable {
    int32_t bands = 0, sectors = 0;
    std::vector<double> ring;  // per latitude step j (from -bands): sqrt(1 - (j / bands)^2)
    std::vector<double> cosA, sinA, cosB, sinB;  // per slice: its two longitudes

    void Make(int32_t n, int32_t count)
    {
        if (n == bands && count == sectors) return;
        bands = n;
        sectors = count;
        ring.clear();
        for (int32_t j = -n; j <= n; ++j) {
            const double level = static_cast<double>(j) / n;
            ring.push_back(std::sqrt(std::fmax(0.0, 1.0 - level * level)));
        }
        cosA.clear();
        sinA.clear();
        cosB.clear();
        sinB.clear();
        const float step = 360.0f / static_cast<float>(count);
        for (int32_t s = 0; s < count; ++s) {
            const float a = -step * static_cast<float>(s);
            const float b = a - step;
            cosA.push_back(std::cos(a * static_cast<double>(DEG_TO_RAD)));
            sinA.push_back(std::sin(a * static_cast<double>(DEG_TO_RAD)));
            cosB.push_back(std::cos(b * static_cast<double>(DEG_TO_RAD)));
            sinB.push_back(std::sin(b * static_cast<double>(DEG_TO_RAD)));
        }
    }
};

// The point at latitude step j whose longitude has cosine cb and sine sb, appended to xyz.
void SphereVertex(std::vector<float>& xyz, const Vector3D& c, float radius, const SphereTable& t,
                  int32_t j, double cb, double sb)
{
    const int64_t level = static_cast<int64_t>(j) + t.bands;  // 0 at the lowest step
    const double ring = radius * t.ring[static_cast<size_t>(level)];
    xyz.push_back(static_cast<float>(c.x + ring * cb));
    xyz.push_back(static_cast<float>(c.y + j * static_cast<double>(radius) / t.bands));
    xyz.push_back(static_cast<float>(c.z + ring * sb));
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

int32_t HitSphereFirstBand(const Vector3D& c, float r, int32_t n, const Vector3D& eye)
{
    // The bands left out would only be rasterised to fail the depth test. The band next to the
    // ground stays: along the line where the sphere meets the ground the depth test decides by
    // the last bits.
    Vector3D a, b;
    if (!GroundInDepth(&a, &b) || a.y != b.y || !(r > 0.0f)) return -n;
    const double ground = a.y;
    const double band = static_cast<double>(r) / n;
    int32_t first = -n;
    // Band i runs from c.y + i r / n up to c.y + (i + 1) r / n.
    while (first < n && c.y + (first + 1) * band <= ground - band) ++first;
    if (first == -n) return -n;
    // The eye above the ground, far enough for the near plane (1.5 units before the eye, and
    // less than that to the side) never to cut the ground in front of what it hides.
    const double above = eye.y - ground;
    if (!(above > 2.0 * FrustumParams.near + 1.0)) return -n;
    // Every line from the eye to a hidden point meets the ground plane between the two: within
    // the convex hull of the hidden part's box and that box drawn toward the eye by the
    // fraction of the way at which the lowest point's line meets the ground. Both boxes inside
    // the ground square (the square is convex): the ground is there to hide it.
    const double tLowest = above / (eye.y - (c.y - r));
    const double lo[2] = {std::fmin(a.x, b.x), std::fmin(a.z, b.z)};
    const double hi[2] = {std::fmax(a.x, b.x), std::fmax(a.z, b.z)};
    const double centre[2] = {c.x, c.z};
    const double from[2] = {eye.x, eye.z};
    for (int axis = 0; axis < 2; ++axis) {
        const double boxLo = centre[axis] - r, boxHi = centre[axis] + r;
        const double nearLo = from[axis] + tLowest * (boxLo - from[axis]);
        const double nearHi = from[axis] + tLowest * (boxHi - from[axis]);
        if (!(std::fmin(boxLo, nearLo) > lo[axis] + 1.0 &&
              std::fmax(boxHi, nearHi) < hi[axis] - 1.0))
            return -n;
    }
    return first;
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
    static SphereTable table;
    table.Make(bands, sectors);
    xyz.clear();
    for (int32_t i = HitSphereFirstBand(centre, radius, bands, CameraEye); i < bands; ++i) {
        for (size_t s = 0; s < static_cast<size_t>(sectors); ++s) {
            SphereVertex(xyz, centre, radius, table, i, table.cosA[s], table.sinA[s]);
            SphereVertex(xyz, centre, radius, table, i, table.cosB[s], table.sinB[s]);
            SphereVertex(xyz, centre, radius, table, i + 1, table.cosB[s], table.sinB[s]);
            SphereVertex(xyz, centre, radius, table, i + 1, table.cosA[s], table.sinA[s]);
        }
    }
    DrawGlowQuads(xyz.data(), xyz.size() / 3, red, green, blue, alpha);
}
