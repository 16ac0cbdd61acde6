// SPDX-License-Identifier: MIT
// A sound effect: 16-bit signed mono samples at 44100 per second, made from the bytes of a
// RIFF/WAVE file (PCM, 1 or 2 channels, 8 or 16 bits). Copies share one sample buffer through
// a hand-kept count, so every game object can hold its own Sound (own volume, pan and playing
// state) without duplicating samples. A Sound is what a mixer voice plays (Mixer.h); the
// mixer reads its samples and gains and knows nothing else of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "assets/Mixer.h"

// The most samples a sound may hold once converted: 60 seconds at 44100 per second. A slow
// rate stretches each sample many times over; this cap bounds what that can cost.
const int32_t kMaxSoundSamples = 60 * 44100;

class Sound : public MixerSource {
public:
    // Reads a whole WAV file held in memory (length bytes). The caller keeps the block.
    // When the bytes are not a WAV this program can play, the sound is not loaded and holds
    // no samples; Play then never makes it heard, and problem says why.
    Sound(const uint8_t* data, size_t length);
    // Shares the samples of other; volume, pan and playing start afresh.
    Sound(const Sound& other);
    Sound& operator=(const Sound&) = delete;
    // Releases its voice first when playing, then its share of the samples.
    ~Sound();

    // Starts the sound unless it is already playing (one Sound never takes two voices).
    void Play();
    // Stops it at once.
    void Stop();
    void SetVolume(float v);  // negative (or not a number) stores 0
    void SetPan(float p);  // clamped to [-1, 1]; -1 is all left, +1 all right
    // playing as the mixer sees it (the mixer clears it from the audio thread).
    bool IsPlaying() const;

    // From MixerSource: samples (shared by every copy), sampleCount, playing (written under
    // the mixer lock), rate, and leftGain / rightGain (change them only through the setters).
    int32_t* refCount = nullptr;  // copies sharing samples
    bool loaded = false;
    int32_t sampleRate = 0;  // 44100 after loading, unless the file's rate was higher
    int32_t bitsPerSample = 0;  // 16 after loading
    bool stereo = false;  // false after loading
    float volume = 1.0f;
    float pan = 0.0f;
    std::string problem;  // why the bytes were refused; empty when loaded

private:
    bool ParseWave(const uint8_t* data, size_t length);
    bool ConvertToMixerFormat();
    void RecomputeGains();
};
