// SPDX-License-Identifier: MIT
#include "entities/XWing.h"

#include <cstdio>

#include "assets/SoundOutput.h"
#include "entities/Explosion.h"
#include "entities/GameModels.h"
#include "entities/Laser.h"
#include "entities/Particles.h"
#include "shell/Input.h"
#include "shell/Services.h"

namespace {

const int32_t kFireButton = 2;  // A, joystick button 1
const int32_t kViewButton = 8;  // Space, joystick button 9

}  // namespace

XWing::XWing(const Vector3D& where, float heading)
{
    hitPoints = 1000;
    team = TEAM_PLAYER;
    Spawn(where, heading, &XWingModel);
    forwardSpeed.Configure(0.0005f, 4.0f, 0.15f);
    turnRate.Configure(0.0008f, 2.0f, 0.15f);
    weaponSound = CopyBankSound(0);
    CameraTarget = this;
}

XWing::~XWing()
{
    delete weaponSound;
    new Explosion(position, 100.0f, 0, 1);
}

void XWing::Update()
{
    if (gInput.axisY == -1) forwardSpeed.input += 1;
    else if (gInput.axisY == 1) forwardSpeed.input -= 1;

    if (gInput.axisX == -1) turnRate.input -= 1;
    else if (gInput.axisX == 1) turnRate.input += 1;

    if (gInput.buttons[kFireButton]) FireVolley();

    Move();  // a blocked step leaves the ship where it was

    if (gInput.buttons[kViewButton]) StepCameraMode();

    DrawHitSphereSince(*this, wasHit, hitTime);
}

void XWing::OnHit(int32_t)
{
    hitTime = GetTicks();
    wasHit = true;
}

void XWing::FireVolley()
{
    PlaySoundAt(weaponSound, position, 1000.0f, nullptr, 0);
    // The model still holds last frame's placement: the bolts leave where the guns were then.
    for (int32_t i = 0; i < 4; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "W%d", static_cast<int>(i));
        int32_t gun = FindPart(name);
        if (gun == -1) continue;
        Vector3D muzzle{0.0f, 0.0f, 0.0f};
        Vector3D direction;
        Vector3D gunUp;
        if (!model.PartPointToWorld(gun, muzzle) || !model.GetPartDirections(gun, direction, gunUp))
            continue;
        new Laser(muzzle, direction, PRESET_PLAYER_TRAIL, this);
    }
}
