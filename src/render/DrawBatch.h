// SPDX-License-Identifier: MIT
// Drawing that waits to go to GL together. Between BeginDrawBatch and EndDrawBatch (the game's
// task pass) the ships DrawInstance is asked for and the glowing quads of DrawGlowQuads are
// kept, and sent when the batch is flushed, in the order they were asked for: a run of ships
// goes as every fill of the run, then every outline, a run of glows as one draw. A software
// rasteriser pays for each change of state, and ship by ship the state changed a dozen times.
// Whatever else draws, moves the camera or changes the state the waiting drawing depends on
// flushes the batch first (the render module's entry points do so), so everything keeps its
// order. Outside a batch both draw at once.
#pragma once

#include <cstddef>

void BeginDrawBatch();
void FlushDrawBatch();  // sends what waits; harmless outside a batch
void EndDrawBatch();  // flushes, and from then on everything draws at once
bool InDrawBatch();
void DropDrawBatch();  // forgets what waits (the context it was meant for is gone)

// The model renderer, before a ship joins the batch (it keeps the ships; this keeps the order).
void NoteWaitingModel();

// Quads (four corners of x, y, z each, `corners` in all) in one colour (0-255 each), added to
// what is drawn (source alpha, one), depth-tested without writing depth, both faces.
void DrawGlowQuads(const float* xyz, size_t corners, int red, int green, int blue, int alpha);
