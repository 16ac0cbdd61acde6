// The software mixer and the audio device. The device plays 16-bit stereo at 44100 frames per
// second from two 100 ms buffers; each time it hands one back, the mixer refills it from the
// active voices (on the audio thread) and queues it again. Each playing Sound holds one voice.
// One lock guards the voice table, the sounds' playing flags and gains and the buffers: it is
// held while one buffer is mixed and while a voice is added or released.
#pragma once

#include <cstdint>
#include <mutex>

#include "assets/Sound.h"
#include "math/Vector.h"
#include "shell/DynArray.h"

// One slot of the voice table.
struct Voice {
    Sound* sound = nullptr;          // not owned
    const int16_t* cursor = nullptr; // next sample to mix
    float remaining = 0.0f;          // samples still to play
    bool active = false;
};

const int kMixRate = 44100;
const int kMixBufferFrames = 4410;                  // 100 ms
const int kMixBufferValues = kMixBufferFrames * 2;  // left, right
const int kMixBufferBytes = kMixBufferValues * 2;   // 17640

// The loaded sounds, owned by the bank: index 0 the weapon sound, 1 the explosion sound.
extern DynArray<Sound*> SoundBank;

// Starts the mixer with 4 free voices and opens the device. False (and the game stays
// silent: sounds are marked playing but never mixed) when there is no device.
bool InitSound();
// Destroys the bank's sounds, frees the voices and closes the device.
void ShutdownSound();

// Opens the device and queues two mixed buffers. False when the device cannot be opened.
bool OpenDevice();
// Stops the device; from the moment it begins no refill queues another buffer.
void CloseDevice();
// Refills the next buffer and queues it; the device's done notification calls it.
void SubmitBuffer();

// Mixes the active voices into count 16-bit values (count / 2 stereo frames, left first):
// sums sample x gain per channel, clamps to the 16-bit range and truncates toward zero.
// Writes nothing while the mixer is not started.
void Mix(int16_t* out, int count);

// Plays sound at a world position heard from the camera: within range it is panned by the
// position's side of the line of sight, given volume 1 - distance / range and restarted from
// its beginning; beyond range it is left alone. In either case the noise listener is then
// told (the game objects near the position hear it). exclude and value are only passed on.
void PlaySoundAt(Sound* sound, const Vector3D& position, float range, void* exclude, int32_t value);

// Receives every PlaySoundAt after the sound part, whether or not the sound was in range.
using NoiseListener = void (*)(const Vector3D& position, float range, void* exclude, int32_t value);
void SetNoiseListener(NoiseListener listener);

// State for tests and diagnostics (each read takes the lock).
bool SoundEnabled();
bool SoundDeviceOpen();
int32_t VoiceCapacity();
Voice VoiceAt(int32_t slot);   // a copy; an inactive empty voice for a slot out of range

// ---- used by Sound's operations ---------------------------------------------------------

std::mutex& MixerMutex();
struct MixerLock {
    MixerLock() : guard(MixerMutex()) {}
    std::lock_guard<std::mutex> guard;
};
// The caller holds a MixerLock. Adding does nothing while the mixer is not started.
void AddVoiceLocked(Sound* sound);
void ReleaseVoiceLocked(Sound* sound);
// Releases every voice that refers to sound (taking the lock); the destructor calls it.
void ForgetSound(Sound* sound);
