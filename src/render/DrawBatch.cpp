// SPDX-License-Identifier: MIT
#include "render/DrawBatch.h"

#include <GL/gl.h>

#include <vector>

#include "render/ModelRenderer.h"
#include "render/Texture.h"

namespace {

// What waits, in the order it was asked for: runs of ships (counted in the model renderer's
// list) and runs of glows (counted in corners), each ending where the other kind began.
struct Run {
    bool glow;
    size_t end;  // ships, or corners, asked for up to the end of the run
};

struct Batch {
    bool open = false;
    bool flushing = false;  // sending: the state switches below must not flush again
    std::vector<float> xyz;  // the waiting glows' corners
    std::vector<GLubyte> rgba;  // and each corner's colour
    std::vector<Run> runs;  // closed runs; the open one ends with what waits now

    void Clear()
    {
        xyz.clear();
        rgba.clear();
        runs.clear();
    }
    // Closes the run of the other kind, if one is open, before something of this kind.
    void Switch(bool glow)
    {
        const size_t ships = WaitingModels();
        const size_t corners = xyz.size() / 3;
        const size_t shipsClosed = ClosedUpTo(false), cornersClosed = ClosedUpTo(true);
        if (glow && ships > shipsClosed) runs.push_back(Run{false, ships});
        if (!glow && corners > cornersClosed) runs.push_back(Run{true, corners});
    }
    size_t ClosedUpTo(bool glow) const
    {
        for (size_t i = runs.size(); i-- > 0;)
            if (runs[i].glow == glow) return runs[i].end;
        return 0;
    }
};

Batch gBatch;

// Sends the runs in order. Glows are quads whose corners each carry their colour (a glow's
// corners share one), so a run of them is one draw. What each kind needs is switched on at its
// run and off after it; what both use (the corner array) stays on throughout.
void SendRuns()
{
    glPushMatrix();
    glEnableClientState(GL_VERTEX_ARRAY);
    bool colourArray = false;
    bool rampBound = false;
    bool blendSet = false;
    size_t ships = 0, corners = 0;
    for (const Run& run : gBatch.runs) {
        if (!colourArray) {
            glEnableClientState(GL_COLOR_ARRAY);
            colourArray = true;
        }
        if (run.glow) {
            // Added to what is there, both faces, writing no depth. An alpha test may stay on:
            // a fragment it stops has alpha 0, and would add nothing.
            glDisable(GL_CULL_FACE);
            glEnable(GL_BLEND);
            if (!blendSet) glBlendFunc(GL_SRC_ALPHA, GL_ONE);
            blendSet = true;
            glDepthMask(GL_FALSE);
            glVertexPointer(3, GL_FLOAT, 0, gBatch.xyz.data());
            glColorPointer(4, GL_UNSIGNED_BYTE, 0, gBatch.rgba.data());
            glDrawArrays(GL_QUADS, static_cast<GLint>(corners),
                         static_cast<GLsizei>(run.end - corners));
            glDepthMask(GL_TRUE);
            glDisable(GL_BLEND);
            glEnable(GL_CULL_FACE);
            corners = run.end;
        } else {
            glEnable(GL_TEXTURE_1D);
            if (!rampBound) glBindTexture(GL_TEXTURE_1D, RAMP_TEXTURE);
            rampBound = true;
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            DrawWaitingFills(ships, run.end);
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
            glDisableClientState(GL_COLOR_ARRAY);
            colourArray = false;
            // The outlines: black whatever the ramp's texel, over the fills' own depth.
            glColor3f(0.0f, 0.0f, 0.0f);
            glDepthFunc(GL_LEQUAL);
            DrawWaitingOutlines(ships, run.end);
            glDepthFunc(GL_LESS);
            glDisable(GL_TEXTURE_1D);
            // The ships loaded matrices of their own: glows are placed in the caller's.
            if (&run != &gBatch.runs.back()) {
                glPopMatrix();
                glPushMatrix();
            }
            ships = run.end;
        }
    }
    if (colourArray) glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glPopMatrix();
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
    // The open run is whichever kind was asked for last: close it too.
    gBatch.Switch(true);
    gBatch.Switch(false);
    if (gBatch.runs.empty()) return;
    gBatch.flushing = true;
    SendRuns();
    DropWaitingModels();
    gBatch.Clear();
    gBatch.flushing = false;
}

void NoteWaitingModel() { gBatch.Switch(false); }

void EndDrawBatch()
{
    FlushDrawBatch();
    gBatch.open = false;
}

bool InDrawBatch() { return gBatch.open; }

void DropDrawBatch()
{
    DropWaitingModels();
    gBatch.Clear();
}

void DrawGlowQuads(const float* xyz, size_t corners, int red, int green, int blue, int alpha)
{
    if (corners == 0) return;
    gBatch.Switch(true);
    gBatch.xyz.insert(gBatch.xyz.end(), xyz, xyz + 3 * corners);
    AddColour(gBatch.rgba, corners, red, green, blue, alpha);
    if (!gBatch.open) FlushDrawBatch();
}
