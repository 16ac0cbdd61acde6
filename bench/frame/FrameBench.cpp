// SPDX-License-Identifier: MIT
// What one frame of the game costs. Runs the real game (start screen, then a battle) on an
// offscreen GL context through the fake platform, with a fixed random seed, a clock that moves
// exactly 16 ms per frame and scripted play: thrust all the time, turns left and right, and a
// volley every 200 ms. Every other frame is split into the task pass, the particles and
// present+clear and the sky+ground (each part ends with glFinish, so the software rasteriser's
// work is counted where it was asked for); the frames between are finished only where the game
// has its picture drawn, at the present, and after the sky and ground, and give the whole
// frame. Both are timed in wall-clock time and in CPU time of the whole process (all threads:
// the rasteriser has threads of its own). On a loaded machine the CPU time is the steadier
// figure. GL calls are counted per frame where the build can count them. A second run draws
// only the floor every frame pays: clear, sky and ground.
//
//   quenbrill-bench-frame [--frames N] [--seed S] [--logic-only] [--slow-frames]
//
// --logic-only switches entity drawing off (ships, bolts, hit spheres, particles): the task
// pass then costs only the game logic. --slow-frames lists the split frames whose task pass
// took more than four times the median CPU time, with what the frame drew.
//
// Reads ZabroData.arc from the working directory, or else from the build folder.
#include <GL/gl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "BenchSystem.h"
#include "GlCallCount.h"
#include "entities/EntityDrawing.h"
#include "entities/HitSphere.h"
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

// One part of the frame, measured every frame: wall and CPU milliseconds.
struct Series {
    const char* name;
    std::vector<double> wall;
    std::vector<double> cpu;

    void Add(const BenchStamp& a, const BenchStamp& b)
    {
        wall.push_back(b.wallMs - a.wallMs);
        cpu.push_back(b.cpuMs - a.cpuMs);
    }
};

double Percentile(std::vector<double> v, double p)
{
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    size_t k = static_cast<size_t>(p * static_cast<double>(v.size()) + 0.999999);
    if (k < 1) k = 1;
    if (k > v.size()) k = v.size();
    return v[k - 1];
}

double Median(const std::vector<double>& v) { return Percentile(v, 0.5); }

void Print(const Series& s)
{
    std::printf("  %-16s %8.3f %8.3f   %8.3f %8.3f\n", s.name, Median(s.wall),
                Percentile(s.wall, 0.99), Median(s.cpu), Percentile(s.cpu, 0.99));
}

void PrintHeading()
{
    std::printf("  %-16s %8s %8s   %8s %8s\n", "ms per frame", "wall med", "wall p99", "cpu med",
                "cpu p99");
}

double Ratio(double a, double b) { return a / std::max(1e-9, b); }

// Handles what the platform queued, as the main loop does between frames.
void PumpMessages()
{
    plat::Message msg;
    while (plat::PeekMessage(&msg, true)) {
        plat::TranslateMessage(msg);
        plat::DispatchMessage(msg);
    }
}

MainWindow* TheWindow()
{
    for (int32_t i = 0; i < WindowList::Capacity(); ++i)
        if (auto* w = dynamic_cast<MainWindow*>(WindowList::At(i))) return w;
    return nullptr;
}

bool FileExists(const char* name)
{
    FILE* f = std::fopen(name, "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

// The keys of play frame f (16 ms each): thrust always; a 3 s turning cycle of left, straight,
// right, straight; a volley whenever the clock passes a multiple of 200 ms.
void ScriptKeys(int f)
{
    plat::fake::SetKeyDown(plat::VK_UP_KEY, true);
    const int phase = f % 192;
    plat::fake::SetKeyDown(plat::VK_LEFT_KEY, phase < 48);
    plat::fake::SetKeyDown(plat::VK_RIGHT_KEY, phase >= 96 && phase < 144);
    if ((f * 16) / 200 != ((f + 1) * 16) / 200) plat::fake::TapKey('A');
}

// GL calls of every entry point so far, to tell per frame which were made.
std::vector<uint64_t> GlEntrySnapshot()
{
    std::vector<uint64_t> calls(static_cast<size_t>(QbGlEntryCount()));
    for (int i = 0; i < QbGlEntryCount(); ++i) calls[static_cast<size_t>(i)] = QbGlEntryCalls(i);
    return calls;
}

// The entry points most called between two snapshots, per frame on average.
void PrintTopEntries(const std::vector<uint64_t>& before, const std::vector<uint64_t>& after,
                     int frames, int shown)
{
    std::vector<std::pair<uint64_t, int>> used;
    for (size_t i = 0; i < after.size(); ++i)
        if (after[i] > before[i]) used.push_back({after[i] - before[i], static_cast<int>(i)});
    std::sort(used.begin(), used.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    for (size_t i = 0; i < used.size() && static_cast<int>(i) < shown; ++i)
        std::printf("    %-22s %10.1f\n", QbGlEntryName(used[i].second),
                    static_cast<double>(used[i].first) / frames);
}

}  // namespace

int main(int argc, char** argv)
{
    int frames = 3000;
    unsigned seed = 1234;
    bool logicOnly = false;
    bool listSlow = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
            frames = std::max(2, std::atoi(argv[++i]));  // a split and a whole one
        } else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc) {
            seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else if (std::strcmp(argv[i], "--logic-only") == 0) {
            logicOnly = true;
        } else if (std::strcmp(argv[i], "--slow-frames") == 0) {
            listSlow = true;
        } else {
            std::fprintf(stderr,
                         "usage: %s [--frames N] [--seed S] [--logic-only] [--slow-frames]\n",
                         argv[0]);
            return 2;
        }
    }
    if (!FileExists("ZabroData.arc") && FileExists(QB_BUILD_DIR "/ZabroData.arc"))
        BenchChangeDir(QB_BUILD_DIR);

    const BenchStamp start = BenchNow();
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

    // The first frames: the start screen, presented. Enter is tapped before the first, so the
    // battle begins at the end of the second, the first that finds it let go.
    plat::fake::TapKey(plat::VK_RETURN_KEY);
    BenchStamp firstFrame{};
    for (int frame = 0; frame < 2; ++frame) {
        PumpMessages();
        ReadInput();
        UpdateDampedValues();
        gExecutor.Run();
        window->Frame();
        if (frame == 0) {
            glFinish();
            firstFrame = BenchNow();
        }
    }
    plat::fake::AdvanceTicks(16);
    SetFrameTime(16);
    if (window->GameState() != GAME_PLAYING) {
        std::fprintf(stderr, "quenbrill-bench-frame: the battle did not start\n");
        return 1;
    }
    if (logicOnly) SetEntityDrawing(false);

    // Split frames give the parts and their sum; whole frames are finished as the game has them
    // drawn. A finish the game does not make costs the rasteriser a pass of its own, so the
    // sum of the parts is more than a frame of the game costs.
    Series task{"task pass", {}, {}}, particles{"particles", {}, {}},
        present{"present+clear", {}, {}}, background{"sky+ground", {}, {}},
        parts{"sum of the parts", {}, {}}, whole{"whole frame", {}, {}};
    std::vector<int> splitFrames;  // the frame of each entry of the part series
    std::vector<double> glCalls;
    std::vector<int> liveTasks;
    std::vector<int> hitSpheres;  // asked for per frame, seen or not
    int spheres = 0;
    SetHitSphereObserver([&spheres](const HitSphereCall&) { ++spheres; });
    int maxParticles = 0;
    struct CameraPlace {
        Vector3D eye, direction, up;
    };
    std::vector<CameraPlace> cameras;  // where each frame's sky and ground were seen from
    const std::vector<uint64_t> playCallsBefore = GlEntrySnapshot();
    for (int f = 0; f < frames; ++f) {
        const bool split = f % 2 == 0;
        ScriptKeys(f);
        spheres = 0;
        const uint64_t calls0 = QbGlCallTotal();
        const BenchStamp t0 = BenchNow();
        PumpMessages();
        ReadInput();
        UpdateDampedValues();
        gExecutor.Run();
        if (split) glFinish();
        const BenchStamp t1 = BenchNow();
        // Counted before the tick, which retires the one-frame bolt trails once drawn.
        maxParticles = std::max(maxParticles, LiveParticleCount());
        window->TickPlayParticles();
        if (split) glFinish();
        const BenchStamp t2 = BenchNow();
        window->PresentAndClear();
        glFinish();
        const BenchStamp t3 = BenchNow();
        // Without entity drawing nothing places the camera in GL; the sky and ground are seen
        // from where the game would see them all the same.
        if (logicOnly) ApplyCamera();
        cameras.push_back(CameraPlace{CameraEye, CameraDirection, CameraUp});
        window->DrawBackground();
        glFinish();
        const BenchStamp t4 = BenchNow();
        // The glFinish calls are the benchmark's own, not the game's.
        const int finishes = QbGlCounting() ? (split ? 4 : 2) : 0;
        glCalls.push_back(static_cast<double>(QbGlCallTotal() - calls0 - finishes));
        plat::fake::AdvanceTicks(16);
        SetFrameTime(16);
        if (split) {
            task.Add(t0, t1);
            particles.Add(t1, t2);
            present.Add(t2, t3);
            background.Add(t3, t4);
            parts.Add(t0, t4);
            splitFrames.push_back(f);
        } else {
            whole.Add(t0, t4);
        }
        int n = 0;
        TaskIterator* it = gExecutor.Begin();
        while (it->Next()) ++n;
        delete it;
        liveTasks.push_back(n);
        hitSpheres.push_back(spheres);
    }
    SetHitSphereObserver(nullptr);
    const std::vector<uint64_t> playCallsAfter = GlEntrySnapshot();
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
    Series floorPresent{"present+clear", {}, {}}, floorBackground{"sky+ground", {}, {}},
        floorWhole{"whole frame", {}, {}};
    std::vector<double> floorCalls;
    for (int f = 0; f < frames; ++f) {
        CameraEye = cameras[static_cast<size_t>(f)].eye;
        CameraDirection = cameras[static_cast<size_t>(f)].direction;
        CameraUp = cameras[static_cast<size_t>(f)].up;
        ApplyCamera();
        const uint64_t calls0 = QbGlCallTotal();
        const BenchStamp t0 = BenchNow();
        // Where a play frame finishes its task pass and its particles, with nothing drawn.
        glFinish();
        glFinish();
        window->PresentAndClear();
        glFinish();
        const BenchStamp t1 = BenchNow();
        window->DrawBackground();
        glFinish();
        const BenchStamp t2 = BenchNow();
        floorCalls.push_back(
            static_cast<double>(QbGlCallTotal() - calls0 - (QbGlCounting() ? 4 : 0)));
        floorPresent.Add(t0, t1);
        floorBackground.Add(t1, t2);
        floorWhole.Add(t0, t2);
    }

    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    std::printf("quenbrill frame benchmark: %d frames of play, seed %u, 16 ms per frame%s\n",
                frames, seed, logicOnly ? ", logic only (entity drawing off)" : "");
    std::printf("renderer: %s\n", renderer ? renderer : "?");
    std::printf("start-up to first presented frame: %.1f ms wall, %.1f ms cpu\n",
                firstFrame.wallMs - start.wallMs, firstFrame.cpuMs - start.cpuMs);
    std::printf("split frames (each part finished apart), %zu:\n", splitFrames.size());
    PrintHeading();
    Print(task);
    Print(particles);
    Print(present);
    Print(background);
    Print(parts);
    std::printf("whole frames (finished as the game has them drawn), %zu:\n", whole.cpu.size());
    Print(whole);
    std::printf("floor (clear + sky + ground only), %d frames:\n", frames);
    Print(floorPresent);
    Print(floorBackground);
    Print(floorWhole);
    std::printf("whole frame / floor: cpu median %.2fx, p99 %.2fx; wall median %.2fx, p99 %.2fx\n",
                Ratio(Median(whole.cpu), Median(floorWhole.cpu)),
                Ratio(Percentile(whole.cpu, 0.99), Percentile(floorWhole.cpu, 0.99)),
                Ratio(Median(whole.wall), Median(floorWhole.wall)),
                Ratio(Percentile(whole.wall, 0.99), Percentile(floorWhole.wall, 0.99)));
    std::printf("sum of the parts / floor: cpu median %.2fx, p99 %.2fx\n",
                Ratio(Median(parts.cpu), Median(floorWhole.cpu)),
                Ratio(Percentile(parts.cpu, 0.99), Percentile(floorWhole.cpu, 0.99)));
    if (QbGlCounting()) {
        std::printf("GL calls per frame: play median %.0f, p99 %.0f, max %.0f; floor median %.0f\n",
                    Median(glCalls), Percentile(glCalls, 0.99), Percentile(glCalls, 1.0),
                    Median(floorCalls));
        std::printf("  most called in play, per frame on average:\n");
        PrintTopEntries(playCallsBefore, playCallsAfter, frames, 8);
    } else {
        std::printf("GL calls per frame: not counted in this build\n");
    }
    std::printf("at the end: %d tasks, %d fighters, player ship %s; most live particles %d\n",
                tasks, fighters, player ? "flying" : "destroyed", maxParticles);
    if (listSlow) {
        const double limit = 4.0 * Median(task.cpu);
        std::printf("frames whose task pass took over %.3f ms cpu:\n", limit);
        for (size_t k = 0; k < splitFrames.size(); ++k) {
            const int f = splitFrames[k];
            const size_t i = static_cast<size_t>(f);
            if (task.cpu[k] > limit)
                std::printf(
                    "  frame %5d: task pass %7.3f ms cpu, %7.3f ms wall, %4.0f GL calls, "
                    "%d tasks, %d hit spheres\n",
                    f, task.cpu[k], task.wall[k], glCalls[i], liveTasks[i], hitSpheres[i]);
        }
    }

    delete window;  // as Escape would
    gExecutor.ClearTasks();
    const long peak = BenchPeakMemoryKB();
    if (peak >= 0) std::printf("peak memory (max resident set): %ld KB\n", peak);
    return 0;
}
