// SPDX-License-Identifier: MIT
// Demos through the whole program on the fake platform with a real offscreen GL context: a
// battle recorded with scripted keys, a joystick, a gamepad and a pause plays back with every
// checksum matching, at its pace, whatever the player presses; one changed byte is caught at
// its second; every way out completes the recording; a cut recording plays as far as it goes;
// the timedemo prints its figures; files that cannot be used get their exit status.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "entities/EntityDrawing.h"
#include "entities/GameEntity.h"
#include "game/Application.h"
#include "game/Demo.h"
#include "game/DemoFile.h"
#include "math/DampedValue.h"
#include "math/Steering.h"
#include "platform/FakePlatform.h"
#include "platform/System.h"
#include "shell/Input.h"
#include "shell/Services.h"
#include "shell/TaskList.h"
#include "shell/Window.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

DemoSummary Scan(const std::vector<uint8_t>& bytes, DemoHeader* header = nullptr)
{
    DemoHeader h;
    DemoSummary s;
    std::string error;
    EXPECT_TRUE(ScanDemo(bytes.data(), bytes.size(), &h, &s, &error)) << error;
    if (header) *header = h;
    return s;
}

// Every frame record: where it starts, its frame and the elapsed time at its end.
struct FrameAt {
    size_t offset;
    DemoFrame frame;
    uint32_t elapsedMs;
};
std::vector<FrameAt> Frames(const std::vector<uint8_t>& bytes, std::vector<DemoChecksum>* sums)
{
    DemoReader reader;
    DemoHeader h;
    std::string error;
    std::vector<FrameAt> out;
    if (!reader.Open(bytes.data(), bytes.size(), &h, &error)) return out;
    for (;;) {
        const size_t at = reader.Offset();
        DemoFrame f;
        DemoChecksum c;
        const DemoReader::Item item = reader.Next(&f, &c, &error);
        if (item == DemoReader::FRAME) out.push_back({at, f, reader.ElapsedMs()});
        else if (item == DemoReader::CHECKSUM && sums) sums->push_back(c);
        else if (item != DemoReader::CHECKSUM) break;
    }
    return out;
}

// Flips Left in the first frame past elapsedMs that brings keyboard input; returns its index.
size_t FlipLeft(std::vector<uint8_t>* bytes, const std::vector<FrameAt>& frames, uint32_t elapsedMs)
{
    size_t i = 0;
    while (i < frames.size() && (frames[i].elapsedMs < elapsedMs || !frames[i].frame.inputChanged ||
                                 frames[i].frame.input.device != INPUT_NO_DEVICE))
        ++i;
    EXPECT_LT(i, frames.size());
    if (i < frames.size()) (*bytes)[frames[i].offset + 10] ^= 1;  // the keys' low byte; bit 0
    return i;
}

struct Outcome {
    int status = 0;
    std::string out, err;
};

struct DemoGame : ::testing::Test {
    void SetUp() override
    {
        for (int i = 0; dir.empty(); ++i) {
            fs::path candidate = fs::temp_directory_path() / ("qb-demo-" + std::to_string(i));
            if (fs::create_directory(candidate)) dir = candidate;
        }
        demo = dir / "battle.qbd";
        Fresh();
    }
    void TearDown() override
    {
        FinishDemo();
        CloseRemainingWindows();
        Fresh();
        SetEntityDrawing(true);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    // What a new process starts with. The ships, bolts and particles are not drawn: the
    // battle is the same, and the tests take less time (the e2e tests play with everything).
    static void Fresh()
    {
        SetEntityDrawing(false);
        gExecutor.ClearTasks();
        plat::fake::Reset();
        plat::fake::SetTicks(500000);
        gInput = InputState();
        CameraTarget = nullptr;
        CameraMode = CAMERA_CHASE;
        ChaseElevation = 10.0f;
        SetFrameTime(1);
        ResetDampedValueClock();
        ClearSteeringRequests();
    }

    // The program as main runs it, one pass of the loop at a time; step(pass) comes before each
    // pass and may press keys, move the clock or queue messages.
    Outcome Run(DemoMode mode, const fs::path& file, const std::function<void(int)>& step,
                uint32_t seed = 99)
    {
        Fresh();
        GameOptions options;
        options.demoMode = mode;
        options.demoFile = file.string();
        options.mute = true;
        if (mode == DemoMode::Record) {
            options.seedGiven = true;
            options.seed = seed;
        }
        Outcome o;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        std::string text;
        o.status = StartDemo(&options, "ZabroData.arc", &text);
        if (o.status == 0) {
            std::srand(options.seed);
            ForgetKeyPresses();
            EXPECT_TRUE(InitApplication(options));
            for (int pass = 0;; ++pass) {
                native = plat::fake::LastCreatedWindow();
                step(pass);
                if (!RunOneFrame()) break;
            }
            CloseRemainingWindows();
            o.status = MainLoopExitCode();
        }
        o.out = testing::internal::GetCapturedStdout();
        o.err = text + testing::internal::GetCapturedStderr();
        return o;
    }

    void Post(uint32_t message, uintptr_t wParam = 0)
    {
        plat::fake::PushMessage({native, message, wParam, 0});
    }

    // A pilot of irregular frames (30 to 46 ms of which the picture takes 5): Enter, then
    // thrust, turns, volleys, the joystick at its ends, a gamepad, a pause of 3 s, and Escape
    // after the given number of passes. With view, Space now and then.
    std::function<void(int)> Pilot(int passes, bool view = true)
    {
        return [this, passes, view](int p) {
            using namespace plat::fake;
            SetSwapTicks(5);
            AdvanceTicks(25 + static_cast<uint32_t>(p * 7 % 17));
            if (p == 3) TapKey(plat::VK_RETURN_KEY);
            SetKeyDown(plat::VK_UP_KEY, p > 6 && p % 50 < 40);
            SetKeyDown(plat::VK_LEFT_KEY, p % 60 < 18);
            SetKeyDown(plat::VK_RIGHT_KEY, p % 90 >= 40 && p % 90 < 52);
            if (p % 9 == 0) TapKey('A');
            if (view && p % 70 == 35) TapKey(plat::VK_SPACE_KEY);
            if (p >= 80 && p < 120)  // a plain joystick: full left, firing now and then
                SetJoystick(true, 0, 32767, p % 10 == 0 ? 1u : 0u);
            else if (p == 120) SetJoystick(false);
            if (p >= 120 && p < 160) {
                plat::GamepadState pad;
                pad.stickX = 30000;
                pad.stickY = static_cast<int16_t>(-20000 + p * 100);
                pad.south = p % 12 == 0;
                SetGamepad(true, pad);
            } else if (p == 160) {
                SetGamepad(false);
            }
            if (p == 100) {
                // Away for 3 s: the frames stop and the clock goes on.
                Post(plat::MSG_ACTIVATEAPP, 0);
                SetWaitHook([this] {
                    AdvanceTicks(3000);
                    Post(plat::MSG_ACTIVATEAPP, 1);
                });
            }
            if (p == passes) Post(plat::MSG_KEYDOWN, plat::VK_ESCAPE_KEY);
        };
    }

    fs::path dir, demo;
    plat::NativeWindow native = nullptr;
};

TEST_F(DemoGame, ARecordedBattlePlaysBackAtItsPaceWithEveryChecksumMatching)
{
    Outcome rec = Run(DemoMode::Record, demo, Pilot(240, false));
    ASSERT_EQ(rec.status, 0) << rec.err;
    const std::vector<uint8_t> bytes = ReadBytes(demo);
    DemoHeader header;
    const DemoSummary recorded = Scan(bytes, &header);
    EXPECT_TRUE(recorded.complete);
    EXPECT_EQ(header.seed, 99u);
    EXPECT_EQ(header.system, plat::SystemName());
    EXPECT_NE(header.mediaHash, 0u);
    EXPECT_EQ(recorded.frames, 239u);  // the pause took a pass without a frame
    EXPECT_GE(recorded.checksums, 11u);  // a checksum every second of about 12, and the last
    EXPECT_NE(rec.out.find("battle.qbd: recorded 239 frames"), std::string::npos) << rec.out;

    // What the frames ask of the pace: the recorded begin and end gaps, but not the pause.
    std::vector<DemoChecksum> sums;
    const std::vector<FrameAt> frames = Frames(bytes, &sums);
    uint64_t pace = 0;
    int pauses = 0, joystick = 0, gamepad = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        const DemoFrame& f = frames[i].frame;
        if (i > 0 && !f.resumed) pace += f.beginDelta;
        if (i + 1 < frames.size()) pace += f.endDelta;
        pauses += f.resumed;
        joystick += f.input.device == INPUT_JOYSTICK;
        gamepad += f.input.device == INPUT_GAMEPAD;
        EXPECT_EQ(f.endDelta, 5u);
    }
    EXPECT_EQ(pauses, 1);
    EXPECT_GT(joystick, 30);
    EXPECT_GT(gamepad, 30);
    EXPECT_GE(sums.front().entities, 31u);  // the ship, 20 fighters, 10 factories at least

    // The player holds Left and A all along, which changes nothing; Space changes the view.
    int32_t modeBefore = -1, modeAfter = -1;
    uint32_t firstFrameTick = 0;
    Outcome play = Run(DemoMode::Play, demo, [&](int p) {
        plat::fake::SetKeyDown(plat::VK_LEFT_KEY, true);
        plat::fake::SetKeyDown('A', true);
        if (p == 1) firstFrameTick = plat::Ticks();
        if (p == 300) modeBefore = CameraMode;
        if (p == 300) plat::fake::TapKey(plat::VK_SPACE_KEY);
        if (p == 310) modeAfter = CameraMode;
    });
    EXPECT_EQ(play.status, 0) << play.err;
    EXPECT_EQ(play.err, "");
    EXPECT_NE(play.out.find("battle.qbd: played 239 frames"), std::string::npos) << play.out;
    EXPECT_NE(play.out.find("every checksum matched (" + std::to_string(recorded.checksums) + ")"),
              std::string::npos)
        << play.out;
    EXPECT_EQ(modeBefore, CAMERA_CHASE);
    EXPECT_EQ(modeAfter, CAMERA_FROM_MODEL);
    // The pace: the fake clock moved only while the playback waited for the frames to be due,
    // and ended on the due time of the last frame.
    EXPECT_EQ(plat::Ticks() - firstFrameTick, pace);
}

TEST_F(DemoGame, AChangedInputByteIsCaughtAtItsSecondAndThePlaybackGoesOn)
{
    ASSERT_EQ(Run(DemoMode::Record, demo, Pilot(150)).status, 0);
    std::vector<uint8_t> bytes = ReadBytes(demo);
    std::vector<DemoChecksum> sums;
    const std::vector<FrameAt> frames = Frames(bytes, &sums);

    // The first keyboard frame past 1.5 s that brings input: Left turns the other way from
    // there on.
    const size_t changed = FlipLeft(&bytes, frames, 1500);
    // The first checksum after that frame is where the playback must notice.
    size_t at = 0;
    while (sums[at].frame < changed + 1) ++at;
    const DemoChecksum& caught = sums[at];

    // Said on another system, the line also says why demos may part ways there.
    const std::string other = "other-libc-cpu";
    std::fill(bytes.begin() + 24, bytes.begin() + 24 + 32, 0);
    std::copy(other.begin(), other.end(), bytes.begin() + 24);
    WriteBytes(demo, bytes);

    Outcome play = Run(DemoMode::Play, demo, [](int) {});
    EXPECT_EQ(play.status, 1);
    const std::string where = "the playback left the recording at frame " +
                              std::to_string(caught.frame) + ", second " +
                              std::to_string(caught.elapsedMs / 1000);
    EXPECT_NE(play.err.find("battle.qbd: " + where), std::string::npos) << play.err;
    EXPECT_NE(play.err.find("plays on to the end"), std::string::npos) << play.err;
    EXPECT_NE(
        play.err.find("recorded on other-libc-cpu and this is " + std::string(plat::SystemName())),
        std::string::npos)
        << play.err;
    EXPECT_EQ(std::count(play.err.begin(), play.err.end(), '\n'), 1);
    // It went on to the last frame.
    EXPECT_NE(play.out.find("played " + std::to_string(frames.size()) + " frames"),
              std::string::npos)
        << play.out;
    EXPECT_NE(play.out.find(where), std::string::npos) << play.out;
}

// Escape, closing the window, a quit message (SIGINT and SIGTERM arrive as one) and the end of
// the session each leave a complete demo of every frame that was played.
TEST_F(DemoGame, EveryWayOutCompletesTheRecording)
{
    struct Row {
        const char* way;
        std::function<void(DemoGame&)> end;
        int status;
    };
    const Row rows[] = {
        {"Escape", [](DemoGame& t) { t.Post(plat::MSG_KEYDOWN, plat::VK_ESCAPE_KEY); }, 0},
        {"close", [](DemoGame& t) { t.Post(plat::MSG_CLOSE); }, 0},
        {"SIGTERM", [](DemoGame&) { plat::PostQuit(143); }, 143},
        {"session end",
         [](DemoGame& t) {
             plat::fake::EndSession();
             // The process would be gone now; this one looks and then goes on to the end.
             const DemoSummary s = Scan(ReadBytes(t.demo));
             EXPECT_TRUE(s.complete);
             EXPECT_EQ(s.frames, 20u);
             t.Post(plat::MSG_KEYDOWN, plat::VK_ESCAPE_KEY);
         },
         0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.way);
        Outcome rec = Run(DemoMode::Record, demo, [&](int p) {
            plat::fake::AdvanceTicks(16);
            if (p == 2) plat::fake::TapKey(plat::VK_RETURN_KEY);
            if (p == 20) r.end(*this);
        });
        EXPECT_EQ(rec.status, r.status);
        const std::vector<uint8_t> bytes = ReadBytes(demo);
        const DemoSummary s = Scan(bytes);
        EXPECT_TRUE(s.complete);
        EXPECT_EQ(s.frames, 20u);
        std::vector<DemoChecksum> sums;
        Frames(bytes, &sums);
        ASSERT_FALSE(sums.empty());
        EXPECT_EQ(sums.back().frame, 20u);  // the last frame has its checksum
    }
}

// A recording whose game was killed stops in the middle of a record; it plays up to there.
TEST_F(DemoGame, ACutRecordingPlaysAsFarAsItGoes)
{
    ASSERT_EQ(Run(DemoMode::Record, demo, Pilot(90)).status, 0);
    std::vector<uint8_t> bytes = ReadBytes(demo);
    const std::vector<FrameAt> frames = Frames(bytes, nullptr);
    bytes.resize(frames[60].offset + 4);
    WriteBytes(demo, bytes);

    Outcome play = Run(DemoMode::Play, demo, [](int) {});
    EXPECT_EQ(play.status, 0) << play.err;
    EXPECT_NE(play.err.find("the recording stops after frame 60 without its end"),
              std::string::npos)
        << play.err;
    EXPECT_NE(play.out.find("played 60 frames"), std::string::npos) << play.out;
    EXPECT_NE(play.out.find("every checksum matched"), std::string::npos) << play.out;
}

#ifndef _WIN32
// A disk that fills up: one line says the recording stops, the game goes on to its end, and what
// was written plays as far as it goes.
TEST_F(DemoGame, ARecordingThatCannotBeWrittenStopsAndTheGameGoesOn)
{
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 800;  // bytes a file of this process may have
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool clockHandedBack = false;
    Outcome rec = Run(DemoMode::Record, demo, [&](int p) {
        Pilot(90)(p);  // moves the clock on
        if (p == 89) clockHandedBack = GetTicks() == plat::Ticks();
    });
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(rec.status, 0);
    EXPECT_NE(rec.err.find("battle.qbd: cannot write (File too large); the recording stops after "
                           "frame "),
              std::string::npos)
        << rec.err;
    EXPECT_EQ(std::count(rec.err.begin(), rec.err.end(), '\n'), 1) << rec.err;
    EXPECT_EQ(rec.out, "");  // no line says it was recorded
    EXPECT_TRUE(clockHandedBack);  // not the reading of the frame the recording stopped in
    const std::vector<uint8_t> bytes = ReadBytes(demo);
    EXPECT_LE(bytes.size(), 800u);
    const DemoSummary s = Scan(bytes);
    EXPECT_FALSE(s.complete);
    EXPECT_GT(s.frames, 30u);
    EXPECT_LT(s.frames, 90u);
    Outcome play = Run(DemoMode::Play, demo, [](int) {});
    EXPECT_EQ(play.status, 0) << play.err;
    EXPECT_NE(play.out.find("played " + std::to_string(s.frames) + " frames"), std::string::npos)
        << play.out;
}
#endif

TEST_F(DemoGame, TheTimedemoRunsFlatOutAndPrintsItsFigures)
{
    ASSERT_EQ(Run(DemoMode::Record, demo, Pilot(90)).status, 0);
    const uint32_t start = 500000;
    Outcome timed = Run(DemoMode::Timedemo, demo, [](int) {});
    EXPECT_EQ(timed.status, 0) << timed.err;
    EXPECT_EQ(plat::fake::Vsync(), 0);
    EXPECT_EQ(plat::Ticks(), start);  // it never waited for a frame to be due
    for (const char* part : {"battle.qbd: 90 frames in ", " frames/s; CPU per frame ",
                             " ms median, ", " ms p99, ", " ms mean; every checksum matched"})
        EXPECT_NE(timed.out.find(part), std::string::npos) << part << " in " << timed.out;

    // Left the recording: exit status 1.
    std::vector<uint8_t> bytes = ReadBytes(demo);
    const std::vector<FrameAt> frames = Frames(bytes, nullptr);
    FlipLeft(&bytes, frames, 1000);
    WriteBytes(demo, bytes);
    timed = Run(DemoMode::Timedemo, demo, [](int) {});
    EXPECT_EQ(timed.status, 1);
    EXPECT_NE(timed.out.find("left the recording"), std::string::npos) << timed.out;
}

// The demo in tests/data/ (a minute of fighting) still gives the battle it was recorded with.
// When a change of the game's logic is meant to change battles, record it again (see
// docs/demo-format.md). Another system's C library parts ways at once, and says so.
TEST_F(DemoGame, TheShippedDemoStillPlaysTheSameBattle)
{
    const char* source = std::getenv("QB_SOURCE_DIR");
    const fs::path shipped = fs::path(source ? source : "..") / "tests" / "data" / "battle.qbd";
    DemoHeader header;
    const DemoSummary s = Scan(ReadBytes(shipped), &header);
    EXPECT_TRUE(s.complete);
    EXPECT_GE(s.elapsedMs, 60000u);
    Outcome o = Run(DemoMode::Timedemo, shipped, [this, &header](int pass) {
        if (header.system != plat::SystemName() && pass == 300)
            Post(plat::MSG_KEYDOWN, plat::VK_ESCAPE_KEY);
    });
    if (header.system == plat::SystemName()) {
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_NE(o.out.find(std::to_string(s.frames) + " frames in "), std::string::npos) << o.out;
        EXPECT_NE(o.out.find("every checksum matched (" + std::to_string(s.checksums) + ")"),
                  std::string::npos)
            << o.out;
    } else {
        EXPECT_EQ(o.status, 1);
        EXPECT_NE(o.err.find("recorded on " + header.system + " and this is " + plat::SystemName() +
                             ": their C libraries draw other random numbers"),
                  std::string::npos)
            << o.err;
    }
}

// The file of a demo option: 2 when it cannot be read or written, 1 when it is no demo; the
// window never opens, and nothing that is not a demo is written over.
TEST_F(DemoGame, FilesThatCannotServeGetOneLineAndTheirStatus)
{
    const fs::path notes = dir / "notes.txt";
    WriteBytes(notes, {'h', 'e', 'l', 'l', 'o'});
    const fs::path big = dir / "big.qbd";
    std::vector<uint8_t> header;
    AppendDemoHeader(&header, DemoHeader());
    WriteBytes(big, header);
    fs::resize_file(big, kDemoMaxBytes + 1);
    const fs::path old = dir / "old.qbd";
    WriteBytes(old, header);
    struct Row {
        DemoMode mode;
        fs::path file;
        int status;
        const char* says;
    };
    std::vector<Row> rows = {
        {DemoMode::Play, dir / "missing.qbd", 2, "--play: cannot read"},
        {DemoMode::Timedemo, dir, 2, "--timedemo: cannot read"},
        {DemoMode::Play, notes, 1, "notes.txt: not a demo"},
        {DemoMode::Play, big, 1, "too large for a demo"},
        {DemoMode::Record, dir / "no" / "such" / "folder.qbd", 2, "--record: cannot write"},
        {DemoMode::Record, notes, 2, "is there and is no demo; it is left as it is"},
        {DemoMode::Record, dir, 2, "is there and is no demo"},
        {DemoMode::Record, old, 0, ""},  // an old demo is written over
    };
#ifndef _WIN32
    // A named pipe would block whoever opens it: neither read nor written.
    const fs::path pipe = dir / "pipe.qbd";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    rows.push_back({DemoMode::Play, pipe, 2, "--play: cannot read"});
    rows.push_back({DemoMode::Record, pipe, 2, "is there and is no demo"});
#endif
    for (const Row& r : rows) {
        SCOPED_TRACE(r.file.string());
        Outcome o = Run(r.mode, r.file, [](int) { plat::PostQuit(0); });
        EXPECT_EQ(o.status, r.status);
        EXPECT_NE(o.err.find(r.says), std::string::npos) << o.err;
        if (r.status) {
            EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
            EXPECT_EQ(plat::fake::LastCreatedWindow(), nullptr);
        }
    }
    EXPECT_EQ(ReadBytes(notes).size(), 5u);
    EXPECT_TRUE(Scan(ReadBytes(old)).complete);
}

}  // namespace
