// SPDX-License-Identifier: MIT
#include "assets/Mixer.h"

#include <cmath>
#include <cstddef>
#include <new>

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

void MixLocked(int16_t* out, int count)
{
    if (!soundEnabled || !out) return;
    for (int frame = 0; frame + 1 < count; frame += 2) {
        float left = 0.0f;
        float right = 0.0f;
        for (int32_t i = 0; i < voiceCapacity; ++i) {
            Voice& v = voiceTable[i];
            if (!v.active) continue;
            MixerSource* s = v.sound;
            const int16_t* end = s->samples + s->sampleCount;
            if (v.cursor >= end) {
                EndVoice(v);
                continue;
            }
            float x = *v.cursor;
            left += x * s->leftGain;
            right += x * s->rightGain;
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
            if (!(v.remaining > 0.0) || v.cursor >= end) EndVoice(v);
        }
        out[frame] = ToSample(left);
        out[frame + 1] = ToSample(right);
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
