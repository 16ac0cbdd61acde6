// SPDX-License-Identifier: MIT
#include "render/SkyDome.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>

#include "math/View.h"
#include "render/DrawBatch.h"
#include "render/RenderState.h"

namespace {

// One sphere corner at longitude `angle` degrees and level i of n bands per hemisphere.
void SphereCorner(float radius, int n, float angle, int level)
{
    const float frac = static_cast<float>(std::abs(level)) / static_cast<float>(n);
    const float ring =
        radius * static_cast<float>(std::sqrt(1.0 - static_cast<double>(frac) * frac));
    const double rad = static_cast<double>(angle * DEG_TO_RAD);
    glTexCoord2f(angle / 360.0f, 1.0f - static_cast<float>(level) / static_cast<float>(n));
    glVertex3f(ring * static_cast<float>(std::cos(rad)), level * radius / n,
               ring * static_cast<float>(std::sin(rad)));
}

// The sky and the ground are opaque: while they are drawn the alpha test, which would pass
// every texel, is switched off (it costs the software rasteriser time for nothing).
class OpaqueDrawing {
public:
    OpaqueDrawing() : alphaTest(glIsEnabled(GL_ALPHA_TEST) == GL_TRUE)
    {
        if (alphaTest) glDisable(GL_ALPHA_TEST);
    }
    ~OpaqueDrawing()
    {
        if (alphaTest) glEnable(GL_ALPHA_TEST);
    }
    OpaqueDrawing(const OpaqueDrawing&) = delete;
    OpaqueDrawing& operator=(const OpaqueDrawing&) = delete;

private:
    bool alphaTest;
};

}  // namespace

uint32_t PickListName(int (*next)())
{
    // rand can give 0, which is no list name: draw again so the sky is never silently missing.
    uint32_t name = 0;
    while (name == 0) name = static_cast<uint32_t>(next());
    return name;
}

SkyDome::SkyDome(float radius_, int sectors_, int bands_, int texture)
    : sectors(sectors_ < 3 ? 3 : sectors_),
      bands(bands_ < 3 ? 3 : bands_),
      listName(0),
      radius(radius_)
{
    listName = PickListName(rand);
    if (glIsList(listName)) glDeleteLists(listName, 1);

    glNewList(listName, GL_COMPILE);
    // The depth test is Draw's and DrawBehind's to set: the list serves both.
    glDisable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
    glDepthMask(GL_FALSE);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
    const float step = 360.0f / sectors;
    glBegin(GL_QUADS);
    for (int k = -bands; k < bands; ++k) {
        for (int j = 0; j < sectors; ++j) {
            const float lon = -j * step;
            SphereCorner(radius, bands, lon, k);
            SphereCorner(radius, bands, lon - step, k);
            SphereCorner(radius, bands, lon - step, k + 1);
            SphereCorner(radius, bands, lon, k + 1);
        }
    }
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_CULL_FACE);
    glDepthMask(GL_TRUE);
    glEndList();
}

SkyDome::~SkyDome()
{
    if (glIsList(listName)) glDeleteLists(listName, 1);
}

void SkyDome::Draw(const Vector3D& position)
{
    FlushDrawBatch();
    // The game makes the sphere exactly as large as the far plane, so straight ahead it lies on
    // the far plane, where a 16-bit depth buffer rounds it to the cleared depth and GL_LESS
    // would cut a hole into it. It is the background and writes no depth: test none either.
    glDisable(GL_DEPTH_TEST);
    OpaqueDrawing opaque;
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    glCallList(listName);
    glPopMatrix();
    glEnable(GL_DEPTH_TEST);
}

void SkyDome::DrawBehind(const Vector3D& position)
{
    FlushDrawBatch();
    // Every pixel of the sphere at exactly the cleared depth: it passes where nothing has been
    // drawn yet and nowhere else, whatever its own distance.
    glDepthRange(1.0, 1.0);
    glDepthFunc(GL_LEQUAL);
    OpaqueDrawing opaque;
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    glCallList(listName);
    glPopMatrix();
    glDepthFunc(GL_LESS);
    glDepthRange(0.0, 1.0);
}

void DrawGround(const Vector3D& a, const Vector3D& b, int texture)
{
    FlushDrawBatch();
    OpaqueDrawing opaque;
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
    glBegin(GL_QUADS);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(a.x, a.y, a.z);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(a.x, b.y, b.z);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(b.x, b.y, b.z);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(b.x, a.y, a.z);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

bool GroundBeforeSky(const Vector3D& eye, const Vector3D& a, const Vector3D& b, int depthBits)
{
    const double n = FrustumParams.near, f = FrustumParams.far;
    if (!(f > n && n > 0.0) || depthBits <= 0 || depthBits > 32) return false;
    // The farthest point of a square from any eye is one of its corners; its depth along the
    // view is no more than that distance, and window depth grows with it.
    const Vector3D corners[4] = {a, Vector3D{a.x, b.y, b.z}, b, Vector3D{b.x, a.y, a.z}};
    double farthest = 0.0;
    for (const Vector3D& c : corners) {
        const double d = Distance(eye, c);
        if (!(d <= farthest)) farthest = d;  // a distance that is not a number stays
    }
    if (!(farthest < f)) return false;  // and not a number
    if (farthest <= n) return true;  // all of it in front of the near plane: none is drawn
    const double depth = f * (farthest - n) / (farthest * (f - n));
    // Two steps of the buffer below the cleared value, so no rounding can reach it.
    return depth <= 1.0 - 2.0 / (std::ldexp(1.0, depthBits) - 1.0);
}

namespace {

// The last ground DrawSkyAndGround drew: its corners and when.
struct GroundDrawn {
    Vector3D a, b;
    uint32_t context = 0;
    uint32_t clears = 0;
} gGround;

}  // namespace

bool GroundInDepth(Vector3D* a, Vector3D* b)
{
    if (gGround.context == 0 || gGround.context != GLContextSerial() ||
        gGround.clears != DepthClears())
        return false;
    *a = gGround.a;
    *b = gGround.b;
    return true;
}

void DrawSkyAndGround(SkyDome* sky, const Vector3D& eye, const Vector3D& a, const Vector3D& b,
                      int groundTexture)
{
    gGround = GroundDrawn{a, b, GLContextSerial(), DepthClears()};
    static uint32_t bitsContext = 0;
    static GLint depthBits = 0;
    if (bitsContext != GLContextSerial()) {
        bitsContext = GLContextSerial();
        glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    }
    if (sky && GroundBeforeSky(eye, a, b, depthBits)) {
        DrawGround(a, b, groundTexture);
        sky->DrawBehind(eye);
        return;
    }
    if (sky) sky->Draw(eye);
    DrawGround(a, b, groundTexture);
}
