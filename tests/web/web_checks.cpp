// SPDX-License-Identifier: MIT
// The browser checks program (checks.html, run by run_checks.py in headless Chromium).
//   (no --scenes)  GoogleTest (the web backend and its GL subset), then the checks that need
//                  the browser's display frames: the frame loop, sound being played, the pass
//                  on a page that goes hidden, and the exit code the page hears.
//   --scenes       the scenes of the picture comparison (Scenes.h), each picture published to
//                  the page as Module.quenbrillScenes.
#include <emscripten/emscripten.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "PageControl.h"
#include "Scenes.h"
#include "platform/Platform.h"
#include "game/Application.h"
#include "platform/web/gl/Device.h"

// clang-format off
EM_JS(void, qb_checks_publish, (const char* name, const uint8_t* rgba), {
    Module.quenbrillScenes = Module.quenbrillScenes || [];
    Module.quenbrillScenes.push({ name: UTF8ToString(name), width: 640, height: 480,
                                  rgba: HEAPU8.slice(rgba, rgba + 640 * 480 * 4) });
});

// Between two display frames the page goes hidden, as a tab put in the background.
EM_JS(void, qb_checks_hide_soon, (), {
    setTimeout(() => {
        window.qbHiding = true;
        Object.defineProperty(document, 'hidden', { configurable: true, get: () => true });
        document.dispatchEvent(new Event('visibilitychange'));
        window.qbHiding = false;
    }, 0);
});

// True inside the browser's visibilitychange, not in a display frame.
EM_JS(int, qb_checks_hiding, (), { return window.qbHiding ? 1 : 0; });
// clang-format on

namespace {

// ---- the scenes -------------------------------------------------------------------------------

class WebSceneHost : public SceneHost {
public:
    void SetTicks(uint32_t ms) override { page::SetClock(ms, 0); }
    void Key(int key, bool down) override
    {
        const char* code = key == plat::VK_RETURN_KEY   ? "Enter"
                           : key == plat::VK_ESCAPE_KEY ? "Escape"
                           : key == plat::VK_SPACE_KEY  ? "Space"
                           : key == plat::VK_UP_KEY     ? "ArrowUp"
                           : key == 'A'                 ? "KeyA"
                                                        : "";
        page::Key(code, code, down);
    }
    void Capture(const char* name) override
    {
        std::vector<uint8_t> rgba(640 * 480 * 4);
        webgl::ReadPixels(0, 0, 640, 480, rgba.data(), true);
        qb_checks_publish(name, rgba.data());
    }
};

// ---- the checks on display frames -------------------------------------------------------------

struct Async {
    int failures = 0;
    int pass = 0;
    uint32_t firstTicks = 0, lastTicks = 0;
    int buffersDone = 0;
    int doneAfterClose = 0;
    bool closed = false;
    int closedAtPass = 0;
    int hiddenAtPass = 0;
    bool passWhileHiding = false;
    bool sawDeactivation = false;
    int16_t tone[4410 * 2];
    int exitCode = 0;
} gAsync;

void Check(bool ok, const char* what)
{
    if (ok) return;
    std::printf("async check failed: %s\n", what);
    ++gAsync.failures;
}

void OnBufferDone(void*)
{
    if (gAsync.closed) {
        ++gAsync.doneAfterClose;
        return;
    }
    ++gAsync.buffersDone;
    plat::AudioQueue(gAsync.tone, sizeof gAsync.tone);  // keeps two buffers queued
}

// One pass, called by the backend's RunLoop once per display frame.
bool AsyncFrame()
{
    Async& a = gAsync;
    plat::Message m;
    while (plat::PeekMessage(&m, true)) {
        if (m.message == plat::MSG_QUIT) return false;  // the exit code is the quit's
        if (m.message == plat::MSG_ACTIVATEAPP && m.wParam == 0) {
            a.sawDeactivation = true;
            if (qb_checks_hiding()) a.passWhileHiding = true;
        }
    }
    plat::WaitMessage();  // returns at once in a browser
    const uint32_t now = plat::Ticks();
    if (a.pass == 0) {
        plat::CreateNativeWindow(plat::WindowDesc(), nullptr);  // to be deactivated
        a.firstTicks = now;
        for (int i = 0; i < 4410; ++i)
            a.tone[2 * i] = a.tone[2 * i + 1] = static_cast<int16_t>((i % 100 < 50) ? 3000 : -3000);
        Check(plat::AudioOpen(44100, OnBufferDone, nullptr), "the audio device opens");
        plat::AudioQueue(a.tone, sizeof a.tone);
        plat::AudioQueue(a.tone, sizeof a.tone);
    }
    a.lastTicks = now;
    ++a.pass;
    // Sound: two buffers queued all the time, each refilled when the browser has played it.
    if (!a.closed && (a.buffersDone >= 6 || a.pass > 3000)) {
        std::printf("%d buffers of 100 ms played in %u ms over %d display frames\n", a.buffersDone,
                    a.lastTicks - a.firstTicks, a.pass);
        Check(a.buffersDone >= 6, "the browser plays the queued sound buffers");
        plat::AudioClose();
        a.closed = true;
        a.closedAtPass = a.pass;
        qb_checks_hide_soon();
    }
    if (a.closed && a.sawDeactivation && !a.hiddenAtPass) {
        a.hiddenAtPass = a.pass;
        Check(a.passWhileHiding, "a pass runs as the page goes hidden");
        page::SetHidden(false);
    }
    if (a.closed && a.pass >= a.closedAtPass + 30) {
        Check(a.doneAfterClose == 0, "no buffer is reported done after the device closed");
        Check(a.sawDeactivation, "the deactivation reached the loop");
        Check(a.lastTicks > a.firstTicks, "the clock moves between display frames");
        plat::PostQuit(a.exitCode + a.failures);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--scenes") == 0) {
        WebSceneHost host;
        const int result = PlayScenes(host, "/ZabroData.arc");
        page::SetClock(-1, -1);
        CloseRemainingWindows();
        return result;
    }
    bool async = true;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--no-frames") == 0) async = false;
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    if (!async) return result;
    std::printf("checks on display frames\n");
    gAsync.exitCode = result;
    // Back at once; the frames go on after main, and the page hears the loop's exit code.
    plat::RunLoop(&AsyncFrame);
    return 0;
}
