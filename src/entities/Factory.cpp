// SPDX-License-Identifier: MIT
#include "entities/Factory.h"

#include "entities/GameModels.h"
#include "shell/Services.h"

Factory::Factory(const Vector3D& where)
{
    hitPoints = 1000;
    team = TEAM_FACTORY;
    Spawn(where, 0.0f, &FactoryModel);
}

void Factory::Update() { DrawHitSphereSince(*this, wasHit, hitTime); }

void Factory::OnHit(int32_t)
{
    hitTime = GetTicks();
    wasHit = true;
}
