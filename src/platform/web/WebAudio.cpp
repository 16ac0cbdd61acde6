// SPDX-License-Identifier: MIT
// The web backend's wave-out style device on Web Audio (library_quenbrill.js): an audio
// worklet plays the queued buffers in order and tells the main thread each time one is used
// up; the done procedure then runs on the main thread, between frames, like every other piece
// of the game in a browser. Each buffer is copied when it is queued.
#include <emscripten/emscripten.h>

#include "platform/Detail.h"
#include "platform/Platform.h"
#include "platform/web/WebInternal.h"

namespace plat {
namespace {

struct Device {
    bool open = false;
    AudioDoneProc done = nullptr;
    void* user = nullptr;
};

Device gDevice;

}  // namespace

bool AudioOpen(int rate, AudioDoneProc done, void* user)
{
    if (gDevice.open) {
        detail::SetError("audio device already open");
        return false;
    }
    if (rate <= 0) {
        detail::SetError("bad audio rate");
        return false;
    }
    if (!qb_audio_open(rate)) {
        detail::SetError("this browser has no Web Audio at that rate");
        return false;
    }
    gDevice.open = true;
    gDevice.done = done;
    gDevice.user = user;
    return true;
}

bool AudioQueue(const void* data, size_t bytes)
{
    if (!gDevice.open || !data) return false;
    return qb_audio_queue(data, bytes & ~static_cast<size_t>(3)) != 0;
}

void AudioReset()
{
    if (gDevice.open) qb_audio_reset();
}

void AudioClose()
{
    if (!gDevice.open) return;
    qb_audio_reset();
    qb_audio_close();
    gDevice = Device();
}

}  // namespace plat

// A queued buffer has been played to its end.
extern "C" EMSCRIPTEN_KEEPALIVE void qb_web_audio_done()
{
    if (plat::gDevice.open && plat::gDevice.done) plat::gDevice.done(plat::gDevice.user);
}
