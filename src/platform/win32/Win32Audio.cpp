// SPDX-License-Identifier: MIT
// The native wave-out device. Buffers are queued with waveOutWrite; the device signals an
// event whenever one is done, and a worker thread of ours hands the finished buffers back in
// order and calls the done procedure, which may queue the next one. Nothing runs inside the
// driver's own callback, where wave functions must not be called.
#include <windows.h>
#include <mmsystem.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/Detail.h"
#include "platform/Platform.h"

namespace plat {
namespace {

struct Device {
    std::mutex lock;  // guards everything below
    std::condition_variable idle;
    HWAVEOUT out = nullptr;
    HANDLE doneEvent = nullptr;
    std::thread worker;
    bool stopping = false;
    int holds = 0;  // resets in progress: no notification may start
    bool notifying = false;  // the done procedure is running on the worker
    AudioDoneProc done = nullptr;
    void* user = nullptr;
    std::deque<std::unique_ptr<WAVEHDR>> queue;  // in the order written
};

Device gDevice;

bool OnWorker() { return gDevice.worker.get_id() == std::this_thread::get_id(); }

void Work()
{
    Device& d = gDevice;
    for (;;) {
        WaitForSingleObject(d.doneEvent, INFINITE);
        std::unique_lock<std::mutex> guard(d.lock);
        if (d.stopping) return;
        // Buffers finish in the order queued: hand back every finished one at the front.
        while (!d.stopping && d.holds == 0 && !d.queue.empty() &&
               (d.queue.front()->dwFlags & WHDR_DONE)) {
            waveOutUnprepareHeader(d.out, d.queue.front().get(), sizeof(WAVEHDR));
            d.queue.pop_front();
            AudioDoneProc done = d.done;
            void* user = d.user;
            d.notifying = true;
            guard.unlock();
            if (done) done(user);  // may queue the next buffer
            guard.lock();
            d.notifying = false;
            d.idle.notify_all();
        }
        if (d.stopping) return;
    }
}

// Stops the device and forgets every buffer. Waits for a running notification unless it is
// the caller. Called with the lock held.
void Flush(std::unique_lock<std::mutex>& guard)
{
    Device& d = gDevice;
    ++d.holds;
    if (!OnWorker()) d.idle.wait(guard, [&] { return !d.notifying; });
    if (d.out) {
        waveOutReset(d.out);  // hands every queued buffer back as done
        for (auto& h : d.queue) waveOutUnprepareHeader(d.out, h.get(), sizeof(WAVEHDR));
    }
    d.queue.clear();
    --d.holds;
}

}  // namespace

bool AudioOpen(int rate, AudioDoneProc done, void* user)
{
    Device& d = gDevice;
    std::lock_guard<std::mutex> guard(d.lock);
    if (d.out) {
        detail::SetError("audio device already open");
        return false;
    }
    if (rate <= 0) {
        detail::SetError("bad audio rate");
        return false;
    }
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!event) {
        detail::SetError("cannot create the audio event");
        return false;
    }
    HWAVEOUT out = nullptr;
    MMRESULT r = waveOutOpen(&out, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(event), 0,
                             CALLBACK_EVENT);
    if (r != MMSYSERR_NOERROR) {
        CloseHandle(event);
        std::string text = "no wave-out device (waveOutOpen error " + std::to_string(r) + ")";
        detail::SetError(text.c_str());
        return false;
    }
    d.out = out;
    d.doneEvent = event;
    d.done = done;
    d.user = user;
    d.stopping = false;
    d.queue.clear();
    d.worker = std::thread(Work);
    return true;
}

bool AudioQueue(const void* data, size_t bytes)
{
    Device& d = gDevice;
    std::lock_guard<std::mutex> guard(d.lock);
    if (!d.out || d.stopping || !data || bytes == 0 || bytes > 0xFFFFFFFFu) return false;
    auto header = std::make_unique<WAVEHDR>();
    header->lpData = static_cast<LPSTR>(const_cast<void*>(data));
    header->dwBufferLength = static_cast<DWORD>(bytes);
    if (waveOutPrepareHeader(d.out, header.get(), sizeof(WAVEHDR)) != MMSYSERR_NOERROR)
        return false;
    if (waveOutWrite(d.out, header.get(), sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
        waveOutUnprepareHeader(d.out, header.get(), sizeof(WAVEHDR));
        return false;
    }
    d.queue.push_back(std::move(header));
    return true;
}

void AudioReset()
{
    std::unique_lock<std::mutex> guard(gDevice.lock);
    if (gDevice.out) Flush(guard);
}

void AudioClose()
{
    Device& d = gDevice;
    std::thread worker;
    {
        std::unique_lock<std::mutex> guard(d.lock);
        if (!d.out) return;
        Flush(guard);
        d.stopping = true;  // nothing can be queued and no notification starts any more
        SetEvent(d.doneEvent);
        worker = std::move(d.worker);
    }
    if (worker.joinable()) {
        if (worker.get_id() == std::this_thread::get_id())
            worker.detach();  // closed from a notification
        else worker.join();
    }
    std::lock_guard<std::mutex> guard(d.lock);
    waveOutClose(d.out);
    CloseHandle(d.doneEvent);
    d.out = nullptr;
    d.doneEvent = nullptr;
    d.done = nullptr;
    d.user = nullptr;
}

}  // namespace plat
