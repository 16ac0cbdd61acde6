// SPDX-License-Identifier: MIT
#include "render/DrawBatch.h"

#include <GL/gl.h>

#include <vector>

#include "render/ModelRenderer.h"
#include "render/RenderState.h"

namespace {

struct Batch {
    bool open = false;
    bool flushing = false;  // sending: the state switches below must not flush again
    std::vector<float> xyz;  // the waiting glows' corners
    std::vector<GLubyte> rgba;  // and each corner's colour
};

Batch gBatch;

// Glowing quads: every corner with its own colour (each glow's corners share one), so that
// any number of glows go to GL as one draw.
void DrawGlows(const float* xyz, const GLubyte* rgba, size_t corners)
{
    BeginBlend(1);
    glDisable(GL_CULL_FACE);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, xyz);
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, rgba);
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(corners));
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_CULL_FACE);
    EndBlend();
}

// Appends `corners` copies of the colour to rgba.
void AddColour(std::vector<GLubyte>& rgba, size_t corners, int red, int green, int blue, int alpha)
{
    const GLubyte c[4] = {static_cast<GLubyte>(red), static_cast<GLubyte>(green),
                          static_cast<GLubyte>(blue), static_cast<GLubyte>(alpha)};
    for (size_t i = 0; i < corners; ++i) rgba.insert(rgba.end(), c, c + 4);
}

}  // namespace

void BeginDrawBatch() { gBatch.open = true; }

void FlushDrawBatch()
{
    if (gBatch.flushing) return;
    gBatch.flushing = true;
    if (!gBatch.xyz.empty())
        DrawGlows(gBatch.xyz.data(), gBatch.rgba.data(), gBatch.xyz.size() / 3);
    DrawWaitingModels();
    gBatch.xyz.clear();
    gBatch.rgba.clear();
    gBatch.flushing = false;
}

void EndDrawBatch()
{
    FlushDrawBatch();
    gBatch.open = false;
}

bool InDrawBatch() { return gBatch.open; }

void DropDrawBatch()
{
    DropWaitingModels();
    gBatch.xyz.clear();
    gBatch.rgba.clear();
}

void DrawGlowQuads(const float* xyz, size_t corners, int red, int green, int blue, int alpha)
{
    if (corners == 0) return;
    if (gBatch.open) {
        gBatch.xyz.insert(gBatch.xyz.end(), xyz, xyz + 3 * corners);
        AddColour(gBatch.rgba, corners, red, green, blue, alpha);
        return;
    }
    FlushDrawBatch();
    static std::vector<GLubyte> rgba;
    rgba.clear();
    AddColour(rgba, corners, red, green, blue, alpha);
    DrawGlows(xyz, rgba.data(), corners);
}
