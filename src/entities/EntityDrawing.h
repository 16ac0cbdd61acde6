// SPDX-License-Identifier: MIT
// Drawing switch of the entity layer. Tests without a GL context turn drawing off: the
// entities still do all their work (camera placement, particle bookkeeping, hit sphere
// alphas), only the GL calls are left out. The game itself never turns it off.
#pragma once

void SetEntityDrawing(bool on);  // default on
bool EntityDrawing();
