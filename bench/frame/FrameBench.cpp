// What one frame of the game costs. Runs the real game (start screen, then a battle) on an
// offscreen GL context through the fake platform, with a fixed random seed, a clock that moves
// exactly 16 ms per frame and scripted play: thrust all the time, turns left and right, and a
// volley every 200 ms. Each frame is timed in wall-clock time, split into the task pass, the
// particles and present+clear (each part ends with glFinish, so the software rasteriser's work
// is counted where it was asked for). A second run draws only the floor every frame pays:
// clear, sky and ground.
//
//   quenbrill-bench-frame [--frames N] [--seed S]
//
// Reads ZabroData.arc from the working directory, or else from the build folder.
#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "../BenchSupport.h"
#include "entities/Particles.h"
#include "entities/TieFighter.h"
#include "entities/XWing.h"
#include "game/Application.h"
#include "game/MainWindow.h"
#include "math/DampedValue.h"
#include "math/View.h"
#include "platform/FakePlatform.h"
#include "platform/Platform.h"
#include "render/RenderState.h"
#include "shell/Input.h"
#include "shell/Services.h"
#include "shell/TaskList.h"
#include "shell/Window.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

struct Series {
    const char* name;
    std::vector<double> ms;
};

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    size_t k = static_cast<size_t>(p * static_cast<double>(v.size()) + 0.999999);
    if (k < 1) k = 1;
    if (k > v.size()) k = v.size();
    return v[k - 1];
}

double Median(const std::vector<double>& v) { return Percentile(v, 0.5); }

void Print(const Series& s) {
    std::printf("  %-18s %9.3f %9.3f\n", s.name, Median(s.ms), Percentile(s.ms, 0.99));
}

// Handles what the platform queued, as the main loop does between frames.
void PumpMessages() {
    plat::Message msg;
    while (plat::PeekMessage(&msg, true)) {
        plat::TranslateMessage(msg);
        plat::DispatchMessage(msg);
    }
}

MainWindow* TheWindow() {
    for (int32_t i = 0; i < WindowList::Capacity(); ++i)
        if (auto* w = dynamic_cast<MainWindow*>(WindowList::At(i))) return w;
    return nullptr;
}

bool FileExists(const char* name) {
    FILE* f = std::fopen(name, "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

// The keys of play frame f (16 ms each): thrust always; a 3 s turning cycle of left, straight,
// right, straight; a volley whenever the clock passes a multiple of 200 ms.
void ScriptKeys(int f) {
    plat::fake::SetKeyDown(plat::VK_UP_KEY, true);
    const int phase = f % 192;
    plat::fake::SetKeyDown(plat::VK_LEFT_KEY, phase < 48);
    plat::fake::SetKeyDown(plat::VK_RIGHT_KEY, phase >= 96 && phase < 144);
    if ((f * 16) / 200 != ((f + 1) * 16) / 200) plat::fake::TapKey('A');
}

}  // namespace

int main(int argc, char** argv) {
    int frames = 3000;
    unsigned seed = 1234;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
            frames = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc) {
            seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else {
            std::fprintf(stderr, "usage: %s [--frames N] [--seed S]\n", argv[0]);
            return 2;
        }
    }
    if (!FileExists("ZabroData.arc") && FileExists(QB_BUILD_DIR "/ZabroData.arc")) {
        if (!bench::ChangeDirectory(QB_BUILD_DIR)) std::perror(QB_BUILD_DIR);
    }

    const Clock::time_point start = Clock::now();
    plat::fake::Reset();
    plat::fake::SetCalendarTime(seed);
    SeedRandom();
    ForgetKeyPresses();
    if (!InitApplication()) {
        const char* why = StartupFailure();
        std::fprintf(stderr, "quenbrill-bench-frame: %s\n", why ? why : "start-up failed");
        return 1;
    }
    MainWindow* window = TheWindow();
    if (!window) {
        std::fprintf(stderr, "quenbrill-bench-frame: no game window\n");
        return 1;
    }

    // The first frame: the start screen, presented. Enter is tapped during it, so the battle
    // begins at its end.
    PumpMessages();
    plat::fake::TapKey(plat::VK_RETURN_KEY);
    ReadInput();
    UpdateDampedValues();
    gExecutor.Run();
    window->Frame();
    glFinish();
    const double firstFrameMs = Ms(start, Clock::now());
    plat::fake::AdvanceTicks(16);
    SetFrameTime(16);
    if (window->GameState() != GAME_PLAYING) {
        std::fprintf(stderr, "quenbrill-bench-frame: the battle did not start\n");
        return 1;
    }

    Series task{"task pass", {}}, particles{"particles", {}}, present{"present+clear", {}},
        background{"sky+ground", {}}, whole{"whole frame", {}};
    int maxParticles = 0;
    struct CameraPlace {
        Vector3D eye, direction, up;
    };
    std::vector<CameraPlace> cameras;   // where each frame's sky and ground were seen from
    for (int f = 0; f < frames; ++f) {
        ScriptKeys(f);
        const Clock::time_point t0 = Clock::now();
        PumpMessages();
        ReadInput();
        UpdateDampedValues();
        gExecutor.Run();
        glFinish();
        const Clock::time_point t1 = Clock::now();
        // Counted before the tick, which retires the one-frame bolt trails once drawn.
        maxParticles = std::max(maxParticles, LiveParticleCount());
        window->TickPlayParticles();
        glFinish();
        const Clock::time_point t2 = Clock::now();
        window->PresentAndClear();
        glFinish();
        const Clock::time_point t3 = Clock::now();
        cameras.push_back(CameraPlace{CameraEye, CameraDirection, CameraUp});
        window->DrawBackground();
        glFinish();
        const Clock::time_point t4 = Clock::now();
        plat::fake::AdvanceTicks(16);
        SetFrameTime(16);
        task.ms.push_back(Ms(t0, t1));
        particles.ms.push_back(Ms(t1, t2));
        present.ms.push_back(Ms(t2, t3));
        background.ms.push_back(Ms(t3, t4));
        whole.ms.push_back(Ms(t0, t4));
    }
    int fighters = 0, tasks = 0;
    bool player = false;
    TaskIterator* it = gExecutor.Begin();
    while (Executable* t = it->Next()) {
        ++tasks;
        if (dynamic_cast<TieFighter*>(t)) ++fighters;
        if (dynamic_cast<XWing*>(t)) player = true;
    }
    delete it;

    // The floor: what a frame costs with nothing in it but the clear, the sky and the ground,
    // seen from the same camera places as the frames above and finished at the same points.
    Series floorPresent{"present+clear", {}}, floorBackground{"sky+ground", {}},
        floorWhole{"whole frame", {}};
    for (int f = 0; f < frames; ++f) {
        CameraEye = cameras[static_cast<size_t>(f)].eye;
        CameraDirection = cameras[static_cast<size_t>(f)].direction;
        CameraUp = cameras[static_cast<size_t>(f)].up;
        ApplyCamera();
        const Clock::time_point t0 = Clock::now();
        window->PresentAndClear();
        glFinish();
        const Clock::time_point t1 = Clock::now();
        window->DrawBackground();
        glFinish();
        const Clock::time_point t2 = Clock::now();
        floorPresent.ms.push_back(Ms(t0, t1));
        floorBackground.ms.push_back(Ms(t1, t2));
        floorWhole.ms.push_back(Ms(t0, t2));
    }

    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    std::printf("quenbrill frame benchmark: %d frames of play, seed %u, 16 ms per frame\n", frames,
                seed);
    std::printf("renderer: %s\n", renderer ? renderer : "?");
    std::printf("start-up to first presented frame: %.1f ms\n", firstFrameMs);
    std::printf("  %-18s %9s %9s   (wall ms per frame)\n", "", "median", "p99");
    Print(task);
    Print(particles);
    Print(present);
    Print(background);
    Print(whole);
    std::printf("floor (clear + sky + ground only), %d frames:\n", frames);
    Print(floorPresent);
    Print(floorBackground);
    Print(floorWhole);
    std::printf("full frame / floor: median %.2fx, p99 %.2fx\n",
                Median(whole.ms) / std::max(1e-9, Median(floorWhole.ms)),
                Percentile(whole.ms, 0.99) / std::max(1e-9, Percentile(floorWhole.ms, 0.99)));
    std::printf("at the end: %d tasks, %d fighters, player ship %s; most live particles %d\n",
                tasks, fighters, player ? "flying" : "destroyed", maxParticles);

    delete window;   // as Escape would
    gExecutor.ClearTasks();
    std::printf("peak memory (max resident set): %ld KB\n", bench::PeakResidentKB());
    return 0;
}
