// SPDX-License-Identifier: MIT
#include "render/SkyDome.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>

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
    // The game makes the sphere exactly as large as the far plane, so straight ahead it lies on
    // the far plane, where a 16-bit depth buffer rounds it to the cleared depth and GL_LESS
    // would cut a hole into it. It is the background and writes no depth: test none either.
    glDisable(GL_DEPTH_TEST);
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
    glEnable(GL_DEPTH_TEST);
    glEndList();
}

SkyDome::~SkyDome()
{
    if (glIsList(listName)) glDeleteLists(listName, 1);
}

void SkyDome::Draw(const Vector3D& position)
{
    OpaqueDrawing opaque;
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    glCallList(listName);
    glPopMatrix();
}

void DrawGround(const Vector3D& a, const Vector3D& b, int texture)
{
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
