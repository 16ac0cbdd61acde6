// SPDX-License-Identifier: MIT
// The three models the game's objects share: loaded once by the game at start-up, never owned
// by an entity. An empty model gives entities with radius 1 that draw nothing and have no parts.
#pragma once

#include "render/Model.h"

extern Model XWingModel;  // "Media\XWing.bin", the player ship
extern Model TieFighterModel;  // "Media\TieFighter.bin", the enemy fighter
extern Model FactoryModel;  // "Media\Factory.bin", the ground building
