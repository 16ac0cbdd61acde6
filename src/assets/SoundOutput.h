// SPDX-License-Identifier: MIT
// Sound effects in the game: the bank of loaded sounds, starting and stopping the mixer with
// the game, and playing a sound at a place in the world. The mixer itself is in Mixer.h.
#pragma once

#include <cstdint>

#include "assets/Mixer.h"
#include "assets/Sound.h"
#include "math/Vector.h"
#include "shell/DynArray.h"

// The loaded sounds, owned by the bank: index 0 the weapon sound, 1 the explosion sound.
extern DynArray<Sound*> SoundBank;

// Starts the mixer with 4 free voices and opens the device. False (and the game stays
// silent: sounds are marked playing but never mixed) when there is no device.
bool InitSound();
// Destroys the bank's sounds, frees the voices and closes the device.
void ShutdownSound();

// Plays sound at a world position heard from the camera: within range it is panned by the
// position's side of the line of sight, given volume 1 - distance / range and restarted from
// its beginning; beyond range it is left alone. In either case the noise listener is then
// told (the game objects near the position hear it). exclude and value are only passed on.
void PlaySoundAt(Sound* sound, const Vector3D& position, float range, void* exclude, int32_t value);

// Receives every PlaySoundAt after the sound part, whether or not the sound was in range.
using NoiseListener = void (*)(const Vector3D& position, float range, void* exclude, int32_t value);
void SetNoiseListener(NoiseListener listener);
