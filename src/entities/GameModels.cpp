// SPDX-License-Identifier: MIT
#include "entities/GameModels.h"

Model XWingModel;
Model TieFighterModel;
Model FactoryModel;
