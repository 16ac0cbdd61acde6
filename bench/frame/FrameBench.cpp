// SPDX-License-Identifier: MIT
// What one frame of the game costs. Runs the real game (start screen, then a battle) on an
// offscreen GL context through the fake platform, with a fixed random seed, a clock that moves
// exactly 16 ms per frame and scripted play: thrust all the time, turns left and right, and a
// volley every 200 ms. Every other frame is split into the task pass, the particles and
// present+clear and the sky+ground (each part ends with glFinish, so the software rasteriser's
// work is counted where it was asked for); the frames between are finished only where the game
// has its picture drawn, at the present, and after the sky and ground, and give the whole
// frame. Right after each whole frame come two yardsticks from the same camera: a plain clear
// of the same size, and the floor every frame pays (present, clear, sky and ground), so that a
// change of load on the machine moves a frame and its yardsticks alike. Everything is timed in
// wall-clock time and in CPU time of the whole process (all threads: the rasteriser has
// threads of its own). On a loaded machine the CPU time is the steadier figure. GL calls are
// counted per frame where the build can count them.
//
//   quenbrill-bench-frame [--frames N] [--seed S] [--fighters N] [--factories N]
//                         [--logic-only] [--slow-frames]
//
// --fighters and --factories set the size of the battle as the game's options do (20 and 10).
// --logic-only switches entity drawing off (ships, bolts, hit spheres, particles): the task
// pass then costs only the game logic. --slow-frames lists the whole frames that took more than
// three times the median CPU time, and the split frames whose task pass took more than four
// times its median, with what the frame drew and what its particles cost.
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
#include "render/DrawBatch.h"
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

// Frame k of a over frame k of b, for every k.
std::vector<double> PairRatios(const std::vector<double>& a, const std::vector<double>& b)
{
    std::vector<double> r;
    for (size_t k = 0; k < a.size() && k < b.size(); ++k) r.push_back(Ratio(a[k], b[k]));
    return r;
}

// The slowest of v from index `from` on, over the median of v.
double WorstOverMedian(const std::vector<double>& v, size_t from)
{
    double worst = 0.0;
    for (size_t k = from; k < v.size(); ++k) worst = std::max(worst, v[k]);
    return Ratio(worst, Median(v));
}

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
    GameOptions options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
            frames = std::max(2, std::atoi(argv[++i]));  // a split and a whole one
        } else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc) {
            seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else if (std::strcmp(argv[i], "--fighters") == 0 && i + 1 < argc) {
            options.fighters = std::min(kMaxFighters, std::max(0, std::atoi(argv[++i])));
        } else if (std::strcmp(argv[i], "--factories") == 0 && i + 1 < argc) {
            options.factories = std::min(kMaxFactories, std::max(0, std::atoi(argv[++i])));
        } else if (std::strcmp(argv[i], "--logic-only") == 0) {
            logicOnly = true;
        } else if (std::strcmp(argv[i], "--slow-frames") == 0) {
            listSlow = true;
        } else {
            std::fprintf(stderr,
                         "usage: %s [--frames N] [--seed S] [--fighters N] [--factories N] "
                         "[--logic-only] [--slow-frames]\n",
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
    if (!InitApplication(options)) {
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
    // Right after each whole frame, from the same camera: the floor and a plain clear.
    Series floorPresent{"present+clear", {}, {}}, floorBackground{"sky+ground", {}, {}},
        floorWhole{"floor frame", {}, {}}, clearWhole{"clear frame", {}, {}};
    std::vector<int> splitFrames;  // the frame of each entry of the part series
    std::vector<int> wholeFrames;  // the frame of each entry of the whole and yardstick series
    std::vector<double> glCalls;
    std::vector<double> floorCalls;
    std::vector<int> liveTasks;
    std::vector<int> hitSpheres;  // asked for per frame, seen or not
    std::vector<int> liveParticles;  // per frame, before the particles' tick
    int spheres = 0;
    SetHitSphereObserver([&spheres](const HitSphereCall&) { ++spheres; });
    int maxParticles = 0;
    uint64_t playCalls = 0;
    std::vector<uint64_t> playEntries(static_cast<size_t>(QbGlEntryCount()), 0);
    for (int f = 0; f < frames; ++f) {
        const bool split = f % 2 == 0;
        ScriptKeys(f);
        spheres = 0;
        const std::vector<uint64_t> entries0 = GlEntrySnapshot();
        const uint64_t calls0 = QbGlCallTotal();
        const BenchStamp t0 = BenchNow();
        PumpMessages();
        ReadInput();
        UpdateDampedValues();
        BeginDrawBatch();
        gExecutor.Run();
        EndDrawBatch();
        if (split) glFinish();
        const BenchStamp t1 = BenchNow();
        // Counted before the tick, which retires the one-frame bolt trails once drawn.
        liveParticles.push_back(LiveParticleCount());
        maxParticles = std::max(maxParticles, liveParticles.back());
        window->TickPlayParticles();
        if (split) glFinish();
        const BenchStamp t2 = BenchNow();
        window->PresentAndClear();
        glFinish();
        const BenchStamp t3 = BenchNow();
        // Without entity drawing nothing places the camera in GL; the sky and ground are seen
        // from where the game would see them all the same.
        if (logicOnly) ApplyCamera();
        window->DrawBackground();
        glFinish();
        const BenchStamp t4 = BenchNow();
        // The glFinish calls are the benchmark's own, not the game's.
        const int finishes = QbGlCounting() ? (split ? 4 : 2) : 0;
        const uint64_t calls = QbGlCallTotal() - calls0 - static_cast<uint64_t>(finishes);
        glCalls.push_back(static_cast<double>(calls));
        playCalls += calls;
        const std::vector<uint64_t> entries1 = GlEntrySnapshot();
        for (size_t e = 0; e < entries1.size(); ++e) playEntries[e] += entries1[e] - entries0[e];
        if (split) {
            task.Add(t0, t1);
            particles.Add(t1, t2);
            present.Add(t2, t3);
            background.Add(t3, t4);
            parts.Add(t0, t4);
            splitFrames.push_back(f);
        } else {
            whole.Add(t0, t4);
            wholeFrames.push_back(f);
            // A plain clear: what any frame of this size costs.
            const BenchStamp c0 = BenchNow();
            PresentFrame();
            ClearFrame();
            glFinish();
            const BenchStamp c1 = BenchNow();
            clearWhole.Add(c0, c1);
            // The floor: present, clear, sky and ground, finished where a whole frame is. It
            // leaves the background of the next image just as the play frame did.
            const uint64_t floor0 = QbGlCallTotal();
            const BenchStamp s0 = BenchNow();
            window->PresentAndClear();
            glFinish();
            const BenchStamp s1 = BenchNow();
            window->DrawBackground();
            glFinish();
            const BenchStamp s2 = BenchNow();
            floorCalls.push_back(
                static_cast<double>(QbGlCallTotal() - floor0 - (QbGlCounting() ? 2 : 0)));
            floorPresent.Add(s0, s1);
            floorBackground.Add(s1, s2);
            floorWhole.Add(s0, s2);
        }
        plat::fake::AdvanceTicks(16);
        SetFrameTime(16);
        int n = 0;
        TaskIterator* it = gExecutor.Begin();
        while (it->Next()) ++n;
        delete it;
        liveTasks.push_back(n);
        hitSpheres.push_back(spheres);
    }
    SetHitSphereObserver(nullptr);
    int fighters = 0, tasks = 0;
    bool player = false;
    TaskIterator* it = gExecutor.Begin();
    while (Executable* t = it->Next()) {
        ++tasks;
        if (dynamic_cast<TieFighter*>(t)) ++fighters;
        if (dynamic_cast<XWing*>(t)) player = true;
    }
    delete it;

    // Frames from the second second of play on (62 frames of 16 ms): the first ones meet
    // every model and GL state for the first time.
    const int settled = 1000 / 16;
    auto firstSettled = [settled](const std::vector<int>& framesOf) {
        size_t k = 0;
        while (k < framesOf.size() && framesOf[k] < settled) ++k;
        return k;
    };

    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    std::printf(
        "quenbrill frame benchmark: %d frames of play, seed %u, 16 ms per frame, "
        "%d fighters, %d factories%s\n",
        frames, seed, options.fighters, options.factories,
        logicOnly ? ", logic only (entity drawing off)" : "");
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
    std::printf(
        "whole frames (finished as the game has them drawn), %zu, each followed by a "
        "plain clear and the floor from the same camera:\n",
        whole.cpu.size());
    PrintHeading();
    Print(whole);
    Print(floorWhole);
    Print(floorPresent);
    Print(floorBackground);
    Print(clearWhole);
    const std::vector<double> perFloor = PairRatios(whole.cpu, floorWhole.cpu);
    const std::vector<double> perClear = PairRatios(whole.cpu, clearWhole.cpu);
    const std::vector<double> floorPerClear = PairRatios(floorWhole.cpu, clearWhole.cpu);
    std::printf(
        "cpu, each whole frame over its own yardstick: whole/floor median %.2fx, p99 "
        "%.2fx; whole/clear median %.2fx, p99 %.2fx; floor/clear median %.2fx\n",
        Median(perFloor), Percentile(perFloor, 0.99), Median(perClear), Percentile(perClear, 0.99),
        Median(floorPerClear));
    std::printf(
        "cpu, percentile over percentile: whole/floor median %.2fx, p99 %.2fx; "
        "whole/clear median %.2fx, p99 %.2fx\n",
        Ratio(Median(whole.cpu), Median(floorWhole.cpu)),
        Ratio(Percentile(whole.cpu, 0.99), Percentile(floorWhole.cpu, 0.99)),
        Ratio(Median(whole.cpu), Median(clearWhole.cpu)),
        Ratio(Percentile(whole.cpu, 0.99), Percentile(clearWhole.cpu, 0.99)));
    std::printf(
        "wall, each whole frame over its own yardstick: whole/floor median %.2fx, p99 "
        "%.2fx\n",
        Median(PairRatios(whole.wall, floorWhole.wall)),
        Percentile(PairRatios(whole.wall, floorWhole.wall), 0.99));
    const double worstWhole = WorstOverMedian(whole.cpu, firstSettled(wholeFrames));
    const double worstTask = WorstOverMedian(task.cpu, firstSettled(splitFrames));
    std::printf(
        "after the first second, cpu: slowest whole frame %.2fx the median, slowest task "
        "pass %.2fx the median (%.3f ms)\n",
        worstWhole, worstTask, worstTask * Median(task.cpu));
    if (QbGlCounting()) {
        std::printf("GL calls per frame: play median %.0f, p99 %.0f, max %.0f; floor median %.0f\n",
                    Median(glCalls), Percentile(glCalls, 0.99), Percentile(glCalls, 1.0),
                    Median(floorCalls));
        std::printf("  most called in play, per frame on average:\n");
        PrintTopEntries(std::vector<uint64_t>(playEntries.size(), 0), playEntries, frames, 8);
    } else {
        std::printf("GL calls per frame: not counted in this build\n");
    }
    std::printf("at the end: %d tasks, %d fighters, player ship %s; most live particles %d\n",
                tasks, fighters, player ? "flying" : "destroyed", maxParticles);
    if (listSlow) {
        const double wholeLimit = 3.0 * Median(whole.cpu);
        std::printf("whole frames that took over %.3f ms cpu (3x the median):\n", wholeLimit);
        for (size_t k = 0; k < wholeFrames.size(); ++k) {
            const size_t i = static_cast<size_t>(wholeFrames[k]);
            if (whole.cpu[k] > wholeLimit)
                std::printf(
                    "  frame %5d: whole %7.3f ms cpu, floor %6.3f ms, %4.0f GL calls, %d tasks, "
                    "%d hit spheres\n",
                    wholeFrames[k], whole.cpu[k], floorWhole.cpu[k], glCalls[i], liveTasks[i],
                    hitSpheres[i]);
        }
        const double limit = 4.0 * Median(task.cpu);
        std::printf("frames whose task pass took over %.3f ms cpu:\n", limit);
        for (size_t k = 0; k < splitFrames.size(); ++k) {
            const int f = splitFrames[k];
            const size_t i = static_cast<size_t>(f);
            if (task.cpu[k] > limit)
                std::printf(
                    "  frame %5d: task pass %7.3f ms cpu, %7.3f ms wall, particles %6.3f ms "
                    "cpu (%d live), %4.0f GL calls, %d tasks, %d hit spheres\n",
                    f, task.cpu[k], task.wall[k], particles.cpu[k], liveParticles[i], glCalls[i],
                    liveTasks[i], hitSpheres[i]);
        }
    }
    // One line for scripts that gather several runs (bench/frame/compare.sh).
    std::printf(
        "summary: whole=%.4f floor=%.4f clear=%.4f task=%.4f task_p99=%.4f "
        "whole_floor=%.4f whole_floor_p99=%.4f whole_floor_pp99=%.4f whole_clear=%.4f "
        "whole_clear_p99=%.4f worst_whole=%.4f worst_task=%.4f gl_calls=%.0f "
        "gl_calls_max=%.0f\n",
        Median(whole.cpu), Median(floorWhole.cpu), Median(clearWhole.cpu), Median(task.cpu),
        Percentile(task.cpu, 0.99), Median(perFloor), Percentile(perFloor, 0.99),
        Ratio(Percentile(whole.cpu, 0.99), Percentile(floorWhole.cpu, 0.99)), Median(perClear),
        Percentile(perClear, 0.99), worstWhole, worstTask, Median(glCalls),
        Percentile(glCalls, 1.0));

    delete window;  // as Escape would
    gExecutor.ClearTasks();
    const long peak = BenchPeakMemoryKB();
    if (peak >= 0) std::printf("peak memory (max resident set): %ld KB\n", peak);
    return 0;
}
