// SPDX-License-Identifier: MIT
// Drawing that waits to go to GL together. Between BeginDrawBatch and EndDrawBatch (the game's
// task pass) the ships DrawInstance is asked for and the glowing quads of DrawGlowQuads are
// kept, and sent when the batch is flushed: every glow, then every ship's fill, then every
// ship's outline. A software rasteriser pays for each change of state, and ship by ship the
// state changed a dozen times.
//
// The glow writes no depth, so a solid ship drawn after it covers it: a hit ship, drawn after
// its own hit sphere, shows untouched inside it. Sending the glows first keeps that for every
// ship of the batch (a ship that came before another's glow is no longer tinted by it, which
// only the order of the task list decided). Whatever else draws, moves the camera or changes
// the state the waiting drawing depends on flushes the batch first (the render module's entry
// points do so), so everything else keeps its order. Outside a batch both draw at once.
#pragma once

#include <cstddef>

void BeginDrawBatch();
void FlushDrawBatch();  // sends what waits; harmless outside a batch
void EndDrawBatch();  // flushes, and from then on everything draws at once
bool InDrawBatch();
void DropDrawBatch();  // forgets what waits (the context it was meant for is gone)

// Quads (four corners of x, y, z each, `corners` in all) in one colour (0-255 each), added to
// what is drawn (source alpha, one), depth-tested without writing depth, both faces.
void DrawGlowQuads(const float* xyz, size_t corners, int red, int green, int blue, int alpha);
