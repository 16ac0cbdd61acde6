// SPDX-License-Identifier: MIT
#include "assets/Mixer.h"

#include <cmath>
#include <cstddef>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/Platform.h"

namespace {

std::mutex gMixerMutex;

// Everything below is guarded by gMixerMutex.
bool soundEnabled = false;  // while false no voice is added and nothing is mixed
Voice* voiceTable = nullptr;
int32_t voiceCapacity = 0;  // 4 at start, doubled whenever every slot is busy
bool deviceOpen = false;
bool refillAllowed = false;  // cleared the moment CloseDevice begins
int16_t* buffers[2] = {nullptr, nullptr};
int32_t nextBuffer = 0;

int16_t ToSample(float v)
{
    if (v != v) return 0;  // a gain that is not a number must not reach the integer conversion
    if (v < -32768.0f) v = -32768.0f;
    if (v > 32767.0f) v = 32767.0f;
    return int16_t(v);  // truncates toward zero: -1.5 becomes -1
}

void EndVoice(Voice& v)
{
    v.active = false;
    v.sound->playing = false;
}

// Adds n samples times the gains to the sums of n frames. Eight at a time where the processor
// has SSE2: the same multiplications and additions of single floats, so the same sums.
void AddSamples(const int16_t* x, float* left, float* right, int n, float leftGain, float rightGain)
{
    int f = 0;
#if defined(__SSE2__)
    const __m128 lg = _mm_set1_ps(leftGain);
    const __m128 rg = _mm_set1_ps(rightGain);
    for (; f + 8 <= n; f += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + f));
        // Each 16-bit sample into the high half of a 32-bit lane, then shifted down with sign.
        const __m128 lo = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpacklo_epi16(v, v), 16));
        const __m128 hi = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpackhi_epi16(v, v), 16));
        _mm_storeu_ps(left + f, _mm_add_ps(_mm_loadu_ps(left + f), _mm_mul_ps(lo, lg)));
        _mm_storeu_ps(left + f + 4, _mm_add_ps(_mm_loadu_ps(left + f + 4), _mm_mul_ps(hi, lg)));
        _mm_storeu_ps(right + f, _mm_add_ps(_mm_loadu_ps(right + f), _mm_mul_ps(lo, rg)));
        _mm_storeu_ps(right + f + 4, _mm_add_ps(_mm_loadu_ps(right + f + 4), _mm_mul_ps(hi, rg)));
    }
#endif
    for (; f < n; ++f) {
        float s = x[f];
        left[f] += s * leftGain;
        right[f] += s * rightGain;
    }
}

// Plays voice v into the sums of up to `frames` frames: one sample per frame at the rate 1.0
// every sound has, otherwise as many whole samples as the rate passes. Stops at the voice's
// end (which it then ends) and returns the frames it filled.
int MixVoice(Voice& v, float* left, float* right, int frames)
{
    MixerSource* s = v.sound;
    const int16_t* end = s->samples + s->sampleCount;
    // The sources' gains change only under the lock this mixing holds.
    const float leftGain = s->leftGain;
    const float rightGain = s->rightGain;
    int f = 0;
    if (s->rate == 1.0f && v.remaining >= 1.0 && v.remaining <= 2147483647.0 &&
        v.remaining == std::floor(v.remaining)) {
        // A whole count left at rate 1: each frame takes the next sample and counts one off.
        double room = double(end - v.cursor);
        double n = std::fmin(double(frames), std::fmin(v.remaining, room));
        const int count = n > 0.0 ? int(n) : 0;
        AddSamples(v.cursor, left, right, count, leftGain, rightGain);
        f = count;
        v.cursor += count;
        v.remaining -= double(count);
        if (!(v.remaining > 0.0) || v.cursor >= end) EndVoice(v);
        return f;
    }
    for (; f < frames; ++f) {
        if (v.cursor >= end) {
            EndVoice(v);
            break;
        }
        float x = *v.cursor;
        left[f] += x * leftGain;
        right[f] += x * rightGain;
        // Advance by whole samples passed; at rate 1.0 exactly one. remaining is a double,
        // so the count steps by exactly 1 however long the sound (a float stops moving at
        // 2^24 samples).
        double next = v.remaining - double(s->rate);
        double step = std::floor(v.remaining) - std::floor(next);
        double room = double(end - v.cursor);
        if (!(step >= 0.0)) step = 0.0;
        if (step > room) step = room;
        v.cursor += ptrdiff_t(step);
        v.remaining = next;
        if (!(v.remaining > 0.0) || v.cursor >= end) {
            EndVoice(v);
            ++f;
            break;
        }
    }
    return f;
}

// Stores n frames of sums as 16-bit values, left then right, each as ToSample makes it.
void StoreSamples(const float* left, const float* right, int16_t* out, int n)
{
    int f = 0;
#if defined(__SSE2__)
    const __m128 low = _mm_set1_ps(-32768.0f);
    const __m128 high = _mm_set1_ps(32767.0f);
    auto convert = [&](const float* v) {
        __m128 x = _mm_loadu_ps(v);
        x = _mm_and_ps(x, _mm_cmpord_ps(x, x));  // not a number: 0
        return _mm_cvttps_epi32(_mm_min_ps(_mm_max_ps(x, low), high));
    };
    for (; f + 8 <= n; f += 8) {
        const __m128i l = _mm_packs_epi32(convert(left + f), convert(left + f + 4));
        const __m128i r = _mm_packs_epi32(convert(right + f), convert(right + f + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * f), _mm_unpacklo_epi16(l, r));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * f + 8), _mm_unpackhi_epi16(l, r));
    }
#endif
    for (; f < n; ++f) {
        out[2 * f] = ToSample(left[f]);
        out[2 * f + 1] = ToSample(right[f]);
    }
}

// Voice by voice over a run of frames rather than frame by frame over the voices: each frame's
// sums still add the voices in slot order, so the output is the same to the bit.
void MixLocked(int16_t* out, int count)
{
    if (!soundEnabled || !out) return;
    const int kChunk = 1024;
    float left[kChunk];
    float right[kChunk];
    const int frames = count / 2;
    for (int first = 0; first < frames; first += kChunk) {
        const int n = frames - first < kChunk ? frames - first : kChunk;
        for (int f = 0; f < n; ++f) left[f] = right[f] = 0.0f;
        for (int32_t i = 0; i < voiceCapacity; ++i) {
            Voice& v = voiceTable[i];
            if (v.active) MixVoice(v, left, right, n);
        }
        StoreSamples(left, right, out + 2 * first, n);
    }
}

void SubmitBufferLocked()
{
    if (!refillAllowed) return;
    int16_t* buffer = buffers[nextBuffer];
    MixLocked(buffer, kMixBufferValues);
    plat::AudioQueue(buffer, kMixBufferBytes);
    nextBuffer = 1 - nextBuffer;
}

// The device's done notification, on the audio thread: the buffer just returned is the one
// nextBuffer names, since buffers come back in the order they were queued.
void OnBufferDone(void*)
{
    std::lock_guard<std::mutex> lock(gMixerMutex);
    SubmitBufferLocked();
}

void FreeBuffersLocked()
{
    delete[] buffers[0];
    delete[] buffers[1];
    buffers[0] = buffers[1] = nullptr;
}

}  // namespace

std::mutex& MixerMutex() { return gMixerMutex; }

void Mix(int16_t* out, int count)
{
    std::lock_guard<std::mutex> lock(gMixerMutex);
    MixLocked(out, count);
}

void SubmitBuffer()
{
    std::lock_guard<std::mutex> lock(gMixerMutex);
    SubmitBufferLocked();
}

bool OpenDevice()
{
    CloseDevice();
    {
        std::lock_guard<std::mutex> lock(gMixerMutex);
        deviceOpen = false;
        nextBuffer = 0;
    }
    if (!plat::AudioOpen(kMixRate, OnBufferDone, nullptr)) return false;

    int16_t* first = new (std::nothrow) int16_t[kMixBufferValues]();
    int16_t* second = new (std::nothrow) int16_t[kMixBufferValues]();
    if (!first || !second) {
        delete[] first;
        delete[] second;
        plat::AudioClose();
        return false;
    }
    std::lock_guard<std::mutex> lock(gMixerMutex);
    buffers[0] = first;
    buffers[1] = second;
    // Both buffers are mixed and queued under the lock, so a notification for buffer 0
    // cannot refill before buffer 1 is queued.
    nextBuffer = 0;
    refillAllowed = true;
    SubmitBufferLocked();
    SubmitBufferLocked();
    deviceOpen = true;
    return true;
}

void CloseDevice()
{
    {
        std::lock_guard<std::mutex> lock(gMixerMutex);
        if (!deviceOpen) return;
        refillAllowed = false;
    }
    // Without the lock: a notification already running finishes (and queues nothing more),
    // and the backend waits for it before AudioClose returns.
    plat::AudioReset();
    plat::AudioClose();
    std::lock_guard<std::mutex> lock(gMixerMutex);
    FreeBuffersLocked();
    deviceOpen = false;
}

bool StartMixer()
{
    CloseDevice();
    {
        std::lock_guard<std::mutex> lock(gMixerMutex);
        delete[] voiceTable;
        soundEnabled = true;
        voiceTable = new Voice[4];
        voiceCapacity = 4;
    }
    if (OpenDevice()) return true;
    std::lock_guard<std::mutex> lock(gMixerMutex);
    soundEnabled = false;
    return false;
}

void StopMixer()
{
    {
        std::lock_guard<std::mutex> lock(gMixerMutex);
        delete[] voiceTable;
        voiceTable = nullptr;
        voiceCapacity = 0;
    }
    // Until the device is closed the refills mix silence.
    CloseDevice();
    std::lock_guard<std::mutex> lock(gMixerMutex);
    soundEnabled = false;
}

void AddVoiceLocked(MixerSource* source)
{
    if (!soundEnabled || !source) return;
    int32_t slot = -1;
    for (int32_t i = 0; i < voiceCapacity; ++i) {
        if (!voiceTable[i].active) {
            slot = i;
            break;
        }
    }
    if (slot < 0) {
        // Every slot is busy: twice the slots, the old ones first.
        int32_t capacity = voiceCapacity > 0 ? voiceCapacity * 2 : 4;
        Voice* table = new (std::nothrow) Voice[capacity];
        if (!table) return;
        for (int32_t i = 0; i < voiceCapacity; ++i) table[i] = voiceTable[i];
        delete[] voiceTable;
        voiceTable = table;
        slot = voiceCapacity;
        voiceCapacity = capacity;
    }
    Voice& v = voiceTable[slot];
    v.sound = source;
    v.cursor = source->samples;
    v.remaining = double(source->sampleCount);
    v.active = true;
}

void ReleaseVoiceLocked(MixerSource* source)
{
    if (!soundEnabled) return;
    for (int32_t i = 0; i < voiceCapacity; ++i) {
        if (voiceTable[i].active && voiceTable[i].sound == source) {
            voiceTable[i].active = false;
            return;
        }
    }
}

void ForgetSource(MixerSource* source)
{
    std::lock_guard<std::mutex> lock(gMixerMutex);
    for (int32_t i = 0; i < voiceCapacity; ++i) {
        if (voiceTable[i].active && voiceTable[i].sound == source) voiceTable[i].active = false;
    }
}

bool SoundEnabled()
{
    std::lock_guard<std::mutex> lock(gMixerMutex);
    return soundEnabled;
}

bool SoundDeviceOpen()
{
    std::lock_guard<std::mutex> lock(gMixerMutex);
    return deviceOpen;
}

int32_t VoiceCapacity()
{
    std::lock_guard<std::mutex> lock(gMixerMutex);
    return voiceCapacity;
}

Voice VoiceAt(int32_t slot)
{
    std::lock_guard<std::mutex> lock(gMixerMutex);
    if (slot < 0 || slot >= voiceCapacity) return Voice();
    return voiceTable[slot];
}
