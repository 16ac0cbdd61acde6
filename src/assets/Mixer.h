// SPDX-License-Identifier: MIT
// The software mixer and the audio device. The device plays 16-bit stereo at 44100 frames per
// second from two 100 ms buffers; each time it hands one back, the mixer refills it from the
// active voices (on the audio thread) and queues it again. A voice plays one MixerSource: a
// block of 16-bit mono samples and the two gains its owner sets. The mixer knows nothing else
// about its sources. One lock guards the voice table, the sources' playing flags and gains and
// the buffers: it is held while one buffer is mixed and while a voice is added or released.
#pragma once

#include <cstdint>
#include <mutex>

// What a voice plays. The owner keeps it (and its samples) alive while a voice refers to it and
// changes playing and the gains only under the mixer lock.
struct MixerSource {
    int16_t* samples = nullptr;
    int32_t sampleCount = 0;
    bool playing = false;  // set by the owner; cleared by the mixer after the last sample
    float rate = 1.0f;  // source samples per output frame
    float leftGain = 1.0f;
    float rightGain = 1.0f;
};

// One slot of the voice table.
struct Voice {
    MixerSource* sound = nullptr;  // not owned
    const int16_t* cursor = nullptr;  // next sample to mix
    double remaining = 0.0;  // samples still to play; exact for every 32-bit count
    bool active = false;
};

const int kMixRate = 44100;
const int kMixBufferFrames = 4410;  // 100 ms
const int kMixBufferValues = kMixBufferFrames * 2;  // left, right
const int kMixBufferBytes = kMixBufferValues * 2;  // 17640

// Starts the mixer with 4 free voices and opens the device. False when there is no device; the
// mixer then stays stopped (no voice is added, nothing is mixed).
bool StartMixer();
// Frees the voices and closes the device; the mixer is stopped afterwards.
void StopMixer();

// Opens the device and queues two mixed buffers. False when the device cannot be opened.
bool OpenDevice();
// Stops the device; from the moment it begins no refill queues another buffer.
void CloseDevice();
// Refills the next buffer and queues it; the device's done notification calls it.
void SubmitBuffer();

// Mixes the active voices into count 16-bit values (count / 2 stereo frames, left first):
// sums sample x gain per channel, clamps to the 16-bit range and truncates toward zero. Each
// sample of a source is played exactly once. Writes nothing while the mixer is stopped.
void Mix(int16_t* out, int count);

// State for tests and diagnostics (each read takes the lock).
bool SoundEnabled();
bool SoundDeviceOpen();
int32_t VoiceCapacity();
Voice VoiceAt(int32_t slot);  // a copy; an inactive empty voice for a slot out of range

std::mutex& MixerMutex();
struct MixerLock {
    MixerLock() : guard(MixerMutex()) {}
    std::lock_guard<std::mutex> guard;
};
// The caller holds a MixerLock. Adding does nothing while the mixer is stopped; the voice
// starts at the source's first sample.
void AddVoiceLocked(MixerSource* source);
// Releases the first active voice playing source.
void ReleaseVoiceLocked(MixerSource* source);
// Releases every voice that refers to source (taking the lock); call it before the source goes.
void ForgetSource(MixerSource* source);
