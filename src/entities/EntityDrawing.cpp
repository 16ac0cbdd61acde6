// SPDX-License-Identifier: MIT
#include "entities/EntityDrawing.h"

namespace {
bool drawing = true;
}

void SetEntityDrawing(bool on) { drawing = on; }

bool EntityDrawing() { return drawing; }
