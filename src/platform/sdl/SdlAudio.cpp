// SPDX-License-Identifier: MIT
// The SDL backend's wave-out style device. SDL asks for sound on its audio thread; the callback
// copies from the queued buffers in order and calls the done procedure each time one is used
// up, so that the game can mix and queue the next one. Silence fills any gap.
#include <SDL.h>

#include <cstring>
#include <deque>
#include <mutex>

#include "platform/Platform.h"
#include "platform/SDLCommon.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#endif

namespace plat {
namespace {

#if !defined(_WIN32)
// While SDL looks for a device, the sound libraries it tries (ALSA above all) print their own
// errors on stderr, eight lines on a machine without a sound card, and SDL has no switch to keep
// them quiet. The game says in one line that it runs without sound, so stderr points at
// /dev/null for that moment.
class QuietStderr {
public:
    QuietStderr()
    {
        std::fflush(stderr);
        int null = open("/dev/null", O_WRONLY);
        if (null < 0) return;
        saved = dup(2);
        if (saved >= 0 && dup2(null, 2) < 0) {
            close(saved);
            saved = -1;
        }
        close(null);
    }
    ~QuietStderr()
    {
        if (saved < 0) return;
        std::fflush(stderr);
        dup2(saved, 2);
        close(saved);
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved = -1;
};
#else
struct QuietStderr {};  // no such chatter from the Windows audio drivers
#endif

struct Buffer {
    const uint8_t* data;
    size_t bytes;
};

struct Device {
    std::mutex lock;  // guards everything below
    SDL_AudioDeviceID id = 0;
    AudioDoneProc done = nullptr;
    void* user = nullptr;
    std::deque<Buffer> queue;
    size_t offset = 0;  // bytes of the oldest buffer already played
};

Device gDevice;

void Fill(void*, Uint8* stream, int len)
{
    size_t left = len > 0 ? static_cast<size_t>(len) : 0;
    while (left > 0) {
        AudioDoneProc done = nullptr;
        void* user = nullptr;
        {
            std::lock_guard<std::mutex> guard(gDevice.lock);
            if (gDevice.queue.empty()) break;
            const Buffer& b = gDevice.queue.front();
            size_t n = b.bytes - gDevice.offset;
            if (n > left) n = left;
            std::memcpy(stream, b.data + gDevice.offset, n);
            stream += n;
            left -= n;
            gDevice.offset += n;
            if (gDevice.offset >= b.bytes) {
                gDevice.queue.pop_front();
                gDevice.offset = 0;
                done = gDevice.done;
                user = gDevice.user;
            }
        }
        // Outside our lock: the done procedure queues the next buffer.
        if (done) done(user);
    }
    if (left > 0) std::memset(stream, 0, left);
}

}  // namespace

bool AudioOpen(int rate, AudioDoneProc done, void* user)
{
    {
        std::lock_guard<std::mutex> guard(gDevice.lock);
        if (gDevice.id) {
            detail::SetError("audio device already open");
            return false;
        }
    }
    if (rate <= 0) {
        detail::SetError("bad audio rate");
        return false;
    }
    int initialised;
    {
        QuietStderr quiet;
        initialised = SDL_InitSubSystem(SDL_INIT_AUDIO);
    }
    if (initialised != 0) {
        detail::SetSDLError("SDL audio");
        return false;
    }
    SDL_AudioSpec want = {};
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = Fill;
    SDL_AudioSpec have = {};
    // No changes allowed: SDL converts to whatever the hardware wants.
    SDL_AudioDeviceID id;
    {
        QuietStderr quiet;
        id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    }
    if (!id) {
        detail::SetSDLError("SDL audio");
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(gDevice.lock);
        gDevice.id = id;
        gDevice.done = done;
        gDevice.user = user;
        gDevice.queue.clear();
        gDevice.offset = 0;
    }
    SDL_PauseAudioDevice(id, 0);
    return true;
}

bool AudioQueue(const void* data, size_t bytes)
{
    std::lock_guard<std::mutex> guard(gDevice.lock);
    if (!gDevice.id || !data) return false;
    gDevice.queue.push_back({static_cast<const uint8_t*>(data), bytes});
    return true;
}

void AudioReset()
{
    SDL_AudioDeviceID id;
    {
        std::lock_guard<std::mutex> guard(gDevice.lock);
        id = gDevice.id;
    }
    if (!id) return;
    // Holding SDL's device lock means no callback is running; a notification that was running
    // may have queued a buffer, which goes too.
    SDL_LockAudioDevice(id);
    {
        std::lock_guard<std::mutex> guard(gDevice.lock);
        gDevice.queue.clear();
        gDevice.offset = 0;
    }
    SDL_UnlockAudioDevice(id);
}

void AudioClose()
{
    SDL_AudioDeviceID id;
    {
        std::lock_guard<std::mutex> guard(gDevice.lock);
        id = gDevice.id;
        gDevice.id = 0;  // from here on nothing can be queued
        gDevice.queue.clear();
        gDevice.offset = 0;
    }
    if (!id) return;
    SDL_CloseAudioDevice(id);  // waits for the audio thread to end
    {
        std::lock_guard<std::mutex> guard(gDevice.lock);
        gDevice.done = nullptr;
        gDevice.user = nullptr;
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

}  // namespace plat
