// SPDX-License-Identifier: MIT
#include "assets/SoundOutput.h"

#include "math/View.h"

DynArray<Sound*> SoundBank;

namespace {

// Game thread only.
NoiseListener noiseListener = nullptr;

}  // namespace

bool InitSound()
{
    if (!StartMixer()) return false;
    SoundBank.Clear();
    return true;
}

void ShutdownSound()
{
    for (int32_t i = 0; i < SoundBank.Count(); ++i) delete SoundBank[i];
    SoundBank.Clear();
    StopMixer();
}

void PlaySoundAt(Sound* sound, const Vector3D& position, float range, void* exclude, int32_t value)
{
    if (sound) {
        float d = Distance(position, CameraEye);
        if (d <= range) {
            Vector3D toSound = position - CameraEye;
            Normalize(toSound);
            Vector3D right = Cross(CameraDirection, CameraUp);
            Normalize(right);
            sound->SetPan(Dot(toSound, right));
            // A range of 0 (heard only at the camera itself) gives volume 0, not 0 / 0.
            sound->SetVolume(range > 0.0f ? 1.0f - d / range : 0.0f);
            sound->Stop();
            sound->Play();
        }
    }
    if (noiseListener) noiseListener(position, range, exclude, value);
}

void SetNoiseListener(NoiseListener listener) { noiseListener = listener; }
