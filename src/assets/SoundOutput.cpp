#include "assets/SoundOutput.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <new>

#include "math/View.h"
#include "platform/Platform.h"

DynArray<Sound*> SoundBank;

namespace {

std::mutex gMixerMutex;

// Everything below is guarded by gMixerMutex.
bool soundEnabled = false;       // while false no voice is added and nothing is mixed
Voice* voiceTable = nullptr;
int32_t voiceCapacity = 0;       // 4 at start, doubled whenever every slot is busy
bool deviceOpen = false;
bool refillAllowed = false;      // cleared the moment CloseDevice begins
int16_t* buffers[2] = {nullptr, nullptr};
int32_t nextBuffer = 0;

// Game thread only.
NoiseListener noiseListener = nullptr;

int16_t ToSample(float v)
{
    if (v != v)
        return 0;   // a gain that is not a number must not reach the integer conversion
    if (v < -32768.0f)
        v = -32768.0f;
    if (v > 32767.0f)
        v = 32767.0f;
    return int16_t(v);   // truncates toward zero: -1.5 becomes -1
}

void EndVoice(Voice& v)
{
    v.active = false;
    v.sound->playing = false;
}

void MixLocked(int16_t* out, int count)
{
    if (!soundEnabled || !out)
        return;
    for (int frame = 0; frame + 1 < count; frame += 2) {
        float left = 0.0f;
        float right = 0.0f;
        for (int32_t i = 0; i < voiceCapacity; ++i) {
            Voice& v = voiceTable[i];
            if (!v.active)
                continue;
            Sound* s = v.sound;
            const int16_t* end = s->samples + s->sampleCount;
            if (v.cursor >= end) {
                EndVoice(v);
                continue;
            }
            float x = *v.cursor;
            left += x * s->leftGain;
            right += x * s->rightGain;
            // Advance by whole samples passed; at rate 1.0 exactly one.
            float next = v.remaining - s->rate;
            float step = std::floor(v.remaining) - std::floor(next);
            float room = float(end - v.cursor);
            if (!(step >= 0.0f))
                step = 0.0f;
            if (step > room)
                step = room;
            v.cursor += ptrdiff_t(step);
            v.remaining = next;
            if (!(v.remaining > 0.0f) || v.cursor >= end)
                EndVoice(v);
        }
        out[frame] = ToSample(left);
        out[frame + 1] = ToSample(right);
    }
}

void SubmitBufferLocked()
{
    if (!refillAllowed)
        return;
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

std::mutex& MixerMutex()
{
    return gMixerMutex;
}

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
    if (!plat::AudioOpen(kMixRate, OnBufferDone, nullptr))
        return false;

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
        if (!deviceOpen)
            return;
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

bool InitSound()
{
    CloseDevice();
    {
        std::lock_guard<std::mutex> lock(gMixerMutex);
        delete[] voiceTable;
        soundEnabled = true;
        voiceTable = new Voice[4];
        voiceCapacity = 4;
    }
    if (OpenDevice()) {
        SoundBank.Clear();
        return true;
    }
    std::lock_guard<std::mutex> lock(gMixerMutex);
    soundEnabled = false;
    return false;
}

void ShutdownSound()
{
    for (int32_t i = 0; i < SoundBank.Count(); ++i)
        delete SoundBank[i];
    SoundBank.Clear();
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

void AddVoiceLocked(Sound* sound)
{
    if (!soundEnabled || !sound)
        return;
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
        if (!table)
            return;
        for (int32_t i = 0; i < voiceCapacity; ++i)
            table[i] = voiceTable[i];
        delete[] voiceTable;
        voiceTable = table;
        slot = voiceCapacity;
        voiceCapacity = capacity;
    }
    Voice& v = voiceTable[slot];
    v.sound = sound;
    v.cursor = sound->samples;
    v.remaining = float(sound->sampleCount);
    v.active = true;
}

void ReleaseVoiceLocked(Sound* sound)
{
    if (!soundEnabled)
        return;
    for (int32_t i = 0; i < voiceCapacity; ++i) {
        if (voiceTable[i].active && voiceTable[i].sound == sound) {
            voiceTable[i].active = false;
            return;
        }
    }
}

void ForgetSound(Sound* sound)
{
    std::lock_guard<std::mutex> lock(gMixerMutex);
    for (int32_t i = 0; i < voiceCapacity; ++i) {
        if (voiceTable[i].active && voiceTable[i].sound == sound)
            voiceTable[i].active = false;
    }
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
    if (noiseListener)
        noiseListener(position, range, exclude, value);
}

void SetNoiseListener(NoiseListener listener)
{
    noiseListener = listener;
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
    if (slot < 0 || slot >= voiceCapacity)
        return Voice();
    return voiceTable[slot];
}
