// SPDX-License-Identifier: MIT
// The three models of the game, authored facing -z with +y up (shown at scale 0.1).
#pragma once

#include "Mesh.h"

namespace mediagen {

MeshModel MakePlayerShip();  // "Media\XWing.bin": guns W0-W3, eye marker V
MeshModel MakeEnemyFighter();  // "Media\TieFighter.bin": guns W0-W1
MeshModel MakeFactory();  // "Media\Factory.bin": stands on y = 0

}  // namespace mediagen
