// SPDX-License-Identifier: MIT
#include "game/Demo.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "assets/FileStream.h"
#include "entities/Explosion.h"
#include "entities/GameEntity.h"
#include "entities/Particles.h"
#include "platform/Platform.h"
#include "platform/System.h"
#include "shell/Input.h"
#include "shell/Services.h"
#include "shell/TaskList.h"
#include "shell/Window.h"

#ifndef QB_VERSION
#define QB_VERSION "0"
#endif

namespace {

// A playback shows a frame that took longer than this (a stalled machine) for this long.
const uint32_t kLongestPaceMs = 1000;

// FNV-1a, 64 bits.
struct Hash {
    uint64_t value = 14695981039346656037ull;
    void Add(const void* data, size_t n)
    {
        const auto* p = static_cast<const uint8_t*>(data);
        for (size_t i = 0; i < n; ++i) value = (value ^ p[i]) * 1099511628211ull;
    }
    template <class T>
    void Add(const T& v)
    {
        Add(&v, sizeof(v));
    }
};

// The media archive's bytes, folded to 32 bits; 0 when there is no such file.
uint32_t MediaHash(const std::string& path)
{
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return 0;
    FileStream in(path.c_str(), "rb");
    int64_t left = in.BytesLeft();
    if (in.Failed() || left <= 0) return 0;
    Hash h;
    std::vector<uint8_t> chunk(64 * 1024);
    while (left > 0) {
        const int n = static_cast<int>(std::min<int64_t>(left, static_cast<int64_t>(chunk.size())));
        if (!in.ReadBytes(chunk.data(), n)) return 0;
        h.Add(chunk.data(), static_cast<size_t>(n));
        left -= n;
    }
    const uint32_t folded = static_cast<uint32_t>(h.value ^ (h.value >> 32));
    return folded ? folded : 1;
}

std::string Seconds(uint32_t ms)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f s", ms / 1000.0);
    return text;
}

enum class Mode { None, Record, Play, Timedemo };
Mode gMode = Mode::None;

// ---- recording ----------------------------------------------------------------------------

struct Recorder {
    std::unique_ptr<FileStream> file;
    std::string path;
    uint64_t written = 0;
    uint32_t frames = 0;
    uint32_t reading = 0;  // what GetTicks gives: the latest of the readings below
    uint32_t previous = 0;  // the reading before this frame's begin
    uint32_t begin = 0, firstBegin = 0;
    bool resumed = false;
    InputReadings input, lastInput;
    uint32_t nextSecond = 1;  // the next whole second that gets a checksum
    DemoChecksum last;  // the checksum of the last frame
    bool lastWritten = false;  // ... is in the file
    bool stopped = false;  // the file is complete or could not be written further
    bool failed = false;  // ... could not be written further
};
Recorder gRec;

uint32_t RecordedTicks() { return gRec.reading; }

// The recording stops before the game does: the clock and the input are the devices' again.
void StopRecording()
{
    gRec.stopped = true;
    SetTickSource(nullptr);
    SetInputSource(nullptr);
}

void RecordedInput(InputReadings* out)
{
    ReadDevices(out);
    gRec.input = *out;
}

// Writes bytes and flushes them, so a crash loses at most the frame being played. False (and
// the recording stops, with one line) when the system refuses.
bool Write(const std::vector<uint8_t>& bytes)
{
    if (gRec.stopped || !gRec.file) return false;
    errno = 0;
    if (gRec.file->WriteBytes(bytes.data(), static_cast<int>(bytes.size())) && gRec.file->Flush()) {
        gRec.written += bytes.size();
        return true;
    }
    const int why = errno;
    std::fprintf(stderr, "quenbrill: %s: cannot write (%s); the recording stops after frame %u\n",
                 gRec.path.c_str(), why ? std::strerror(why) : "unknown error", gRec.frames);
    gRec.failed = true;
    StopRecording();
    return false;
}

// The last frame's checksum when it is not written yet, then the end record.
void CompleteRecording()
{
    if (gRec.stopped || !gRec.file) return;
    std::vector<uint8_t> bytes;
    if (gRec.frames > 0 && !gRec.lastWritten) AppendDemoChecksum(&bytes, gRec.last);
    AppendDemoEnd(&bytes, gRec.frames);
    if (Write(bytes)) StopRecording();
}

void RecordFrameDrawn()
{
    if (gRec.stopped) return;
    gRec.reading = plat::Ticks();
    const bool first = gRec.frames == 0;
    DemoFrame f;
    f.resumed = gRec.resumed;
    f.beginDelta = gRec.begin - gRec.previous;
    f.endDelta = gRec.reading - gRec.begin;
    f.inputChanged = first || !SameReadings(gRec.input, gRec.lastInput);
    f.input = gRec.input;
    DemoChecksum c = BattleChecksum();
    c.frame = gRec.frames + 1;
    c.elapsedMs = gRec.reading - (first ? gRec.begin : gRec.firstBegin);
    const bool newSecond = c.elapsedMs >= uint64_t{gRec.nextSecond} * 1000;

    std::vector<uint8_t> bytes;
    AppendDemoFrame(&bytes, f);
    if (newSecond) AppendDemoChecksum(&bytes, c);
    if (gRec.written + bytes.size() + kDemoEndingBytes > kDemoMaxBytes) {
        // Room for the ending stays, so the demo is complete and plays whole.
        std::fprintf(stderr,
                     "quenbrill: %s: the demo has reached its largest size; the recording stops "
                     "after frame %u (the game goes on)\n",
                     gRec.path.c_str(), gRec.frames);
        CompleteRecording();
        return;
    }
    if (!Write(bytes)) return;
    if (first) gRec.firstBegin = gRec.begin;
    ++gRec.frames;
    gRec.lastInput = gRec.input;
    gRec.last = c;
    gRec.lastWritten = newSecond;
    if (newSecond) gRec.nextSecond = c.elapsedMs / 1000 + 1;
}

// ---- playback -----------------------------------------------------------------------------

struct Player {
    std::string path;
    std::vector<uint8_t> bytes;
    DemoHeader header;
    DemoSummary summary;
    DemoReader reader;
    DemoReader::Item next = DemoReader::END;  // the record after the last one used
    DemoFrame frame;  // next's frame, or the frame being played
    uint32_t reading = 0;  // what GetTicks gives
    uint32_t firstBegin = 0;  // ... at the first frame's begin
    uint32_t played = 0;
    uint32_t mediaHash = 0;  // of the archive this game reads
    bool closing = false;
    // The pace: frame n is due when the real clock has moved paceMs on from origin.
    bool started = false;
    uint32_t origin = 0;
    uint64_t paceMs = 0;
    bool viewKeyDown = false;
    // The checksums.
    uint32_t matched = 0;
    bool parted = false;
    uint32_t partedFrame = 0, partedSecond = 0;
    // The timedemo's measures.
    uint32_t wallStart = 0, wallEnd = 0;
    uint64_t cpuFirst = 0, cpuLast = 0;
    std::vector<float> cpuMs;
};
Player gPlay;

uint32_t PlayedTicks() { return gPlay.reading; }

void PlayedInput(InputReadings* out) { *out = gPlay.frame.input; }

void ReadNext()
{
    DemoChecksum unused;
    std::string error;
    gPlay.next = gPlay.reader.Next(&gPlay.frame, &unused, &error);
}

// Why a demo may part ways here, when the recording game differs from this one.
std::string PartingHint()
{
    std::string hint;
    if (gPlay.header.system != plat::SystemName())
        hint += "; it was recorded on " + gPlay.header.system + " and this is " +
                plat::SystemName() +
                ": their C libraries draw other random numbers and round maths differently, so "
                "demos may part ways between the two";
    if (gPlay.header.gameVersion != QB_VERSION)
        hint += "; it was recorded by quenbrill " + gPlay.header.gameVersion + " and this is " +
                QB_VERSION;
    if (gPlay.header.mediaHash != gPlay.mediaHash)
        hint += "; it was recorded with other media than these";
    return hint;
}

void CompareChecksum(const DemoChecksum& recorded)
{
    const DemoChecksum now = BattleChecksum();
    if (now.hash == recorded.hash && now.entities == recorded.entities) {
        if (!gPlay.parted) ++gPlay.matched;
        return;
    }
    if (gPlay.parted) return;  // only the first difference says something
    gPlay.parted = true;
    gPlay.partedFrame = recorded.frame;
    gPlay.partedSecond = recorded.elapsedMs / 1000;
    std::string what = now.entities == recorded.entities ? "the battle differs"
                                                         : std::to_string(now.entities) +
                                                               " objects in the battle where the "
                                                               "recording has " +
                                                               std::to_string(recorded.entities);
    std::fprintf(stderr,
                 "quenbrill: %s: the playback left the recording at frame %u, second %u (%s); it "
                 "plays on to the end with the recorded input%s\n",
                 gPlay.path.c_str(), recorded.frame, gPlay.partedSecond, what.c_str(),
                 PartingHint().c_str());
}

bool PlayBeginFrame(bool* resumed)
{
    if (gPlay.closing) return false;
    if (gPlay.next != DemoReader::FRAME) {
        // The end of the demo: the windows close as if the player had closed them.
        gPlay.closing = true;
        for (int32_t i = 0; i < WindowList::Capacity(); ++i)
            if (Window* w = WindowList::At(i)) plat::PostClose(w->NativeHandle());
        return false;
    }
    const uint32_t now = plat::Ticks();
    const DemoFrame& f = gPlay.frame;
    uint64_t due = gPlay.paceMs;
    if (gPlay.started && !f.resumed) due += std::min(f.beginDelta, kLongestPaceMs);
    if (!gPlay.started || *resumed) {
        // The first frame, or back from a pause of the player's: this frame is due now.
        gPlay.started = true;
        gPlay.origin = now - static_cast<uint32_t>(due);
    }
    if (gMode == Mode::Play) {
        const uint32_t real = now - gPlay.origin;
        if (real < due) {
            plat::WaitMessageFor(static_cast<uint32_t>(std::min<uint64_t>(due - real, 100)));
            return false;
        }
    }
    gPlay.paceMs = due;
    gPlay.reading += f.beginDelta;
    if (gPlay.played == 0) gPlay.firstBegin = gPlay.reading;
    *resumed = f.resumed;

    // Space still changes the view: the battle does not see the camera.
    const bool view = plat::GetAsyncKeyState(plat::VK_SPACE_KEY) != 0;
    if (view && !gPlay.viewKeyDown) StepCameraMode();
    gPlay.viewKeyDown = view;

    if (gMode == Mode::Timedemo && gPlay.played == 0) {
        gPlay.wallStart = now;
        gPlay.cpuFirst = gPlay.cpuLast = plat::ProcessCpuMicros();
    }
    return true;
}

void PlayFrameDrawn()
{
    gPlay.reading += gPlay.frame.endDelta;
    gPlay.paceMs += std::min(gPlay.frame.endDelta, kLongestPaceMs);
    ++gPlay.played;
    if (gMode == Mode::Timedemo) {
        const uint64_t cpu = plat::ProcessCpuMicros();
        gPlay.cpuMs.push_back(static_cast<float>(cpu - gPlay.cpuLast) / 1000.0f);
        gPlay.cpuLast = cpu;
        gPlay.wallEnd = plat::Ticks();
    }
    DemoChecksum checksum;
    std::string error;
    DemoFrame nextFrame;
    gPlay.next = gPlay.reader.Next(&nextFrame, &checksum, &error);
    if (gPlay.next == DemoReader::CHECKSUM) {
        CompareChecksum(checksum);
        gPlay.next = gPlay.reader.Next(&nextFrame, &checksum, &error);
    }
    if (gPlay.next == DemoReader::FRAME) gPlay.frame = nextFrame;
}

// How the playback went: where it stopped, if before the end, and what the checksums said.
std::string PlaybackOutcome()
{
    std::string text;
    if (gPlay.played < gPlay.summary.frames)
        text += "; stopped after frame " + std::to_string(gPlay.played) + " of " +
                std::to_string(gPlay.summary.frames);
    if (gPlay.parted)
        text += "; the playback left the recording at frame " + std::to_string(gPlay.partedFrame) +
                ", second " + std::to_string(gPlay.partedSecond);
    else text += "; every checksum matched (" + std::to_string(gPlay.matched) + ")";
    return text;
}

void PrintTimedemo()
{
    std::vector<float> cpu = gPlay.cpuMs;
    float median = 0.0f, p99 = 0.0f;
    if (!cpu.empty()) {
        std::sort(cpu.begin(), cpu.end());
        median = cpu[(cpu.size() - 1) / 2];
        const size_t at = static_cast<size_t>(std::ceil(0.99 * static_cast<double>(cpu.size())));
        p99 = cpu[std::min(cpu.size(), std::max<size_t>(at, 1)) - 1];
    }
    const uint32_t wall = gPlay.wallEnd - gPlay.wallStart;
    const double fps = wall ? gPlay.played * 1000.0 / wall : 0.0;
    // The mean holds where the system counts CPU time in coarse steps (Windows: 10 to 16 ms).
    const double mean =
        gPlay.played ? static_cast<double>(gPlay.cpuLast - gPlay.cpuFirst) / 1000.0 / gPlay.played
                     : 0.0;
    std::printf(
        "%s: %u frames in %.2f s, %.1f frames/s; CPU per frame %.2f ms median, %.2f ms "
        "p99, %.2f ms mean%s\n",
        gPlay.path.c_str(), gPlay.played, wall / 1000.0, fps, median, p99, mean,
        PlaybackOutcome().c_str());
}

// ---- opening ------------------------------------------------------------------------------

int StartRecording(GameOptions* options, const std::string& archivePath, std::string* error)
{
    const std::string& path = options->demoFile;
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (fs::exists(status)) {
        // Only a demo is written over: anything else the player named by mistake stays.
        bool demo = false;
        if (fs::is_regular_file(status)) {
            FileStream probe(path.c_str(), "rb");
            char magic[4] = {};
            demo = fs::file_size(path, ec) == 0 ||
                   (probe.ReadBytes(magic, 4) && std::memcmp(magic, "QBDM", 4) == 0);
        }
        if (!demo) {
            *error = "quenbrill: --record: \"" + path +
                     "\" is there and is no demo; it is left as it is\n";
            return 2;
        }
    }
    errno = 0;
    auto file = std::make_unique<FileStream>(path.c_str(), "wb");
    if (file->Failed()) {
        const int why = errno;
        *error = "quenbrill: --record: cannot write \"" + path + "\" (" +
                 (why ? std::strerror(why) : "unknown error") + ")\n";
        return 2;
    }
    if (!options->seedGiven) {
        options->seedGiven = true;
        options->seed = static_cast<uint32_t>(plat::CalendarTime());
    }
    gRec = Recorder();
    gRec.path = path;
    gRec.file = std::move(file);
    gRec.reading = gRec.previous = plat::Ticks();
    DemoHeader h;
    h.gameVersion = QB_VERSION;
    h.system = plat::SystemName();
    h.seed = options->seed;
    h.startTick = gRec.reading;
    h.mediaHash = MediaHash(archivePath);
    std::vector<uint8_t> bytes;
    AppendDemoHeader(&bytes, h);
    errno = 0;
    if (!gRec.file->WriteBytes(bytes.data(), static_cast<int>(bytes.size())) ||
        !gRec.file->Flush()) {
        const int why = errno;
        *error = "quenbrill: --record: cannot write \"" + path + "\" (" +
                 (why ? std::strerror(why) : "unknown error") + ")\n";
        gRec = Recorder();
        return 2;
    }
    gRec.written = bytes.size();
    gMode = Mode::Record;
    SetTickSource(&RecordedTicks);
    SetInputSource(&RecordedInput);
    plat::SetSessionEndProc(&FinishDemo);
    return 0;
}

int StartPlayback(GameOptions* options, const std::string& archivePath, std::string* error)
{
    const std::string& path = options->demoFile;
    const char* option = options->demoMode == DemoMode::Play ? "--play" : "--timedemo";
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::is_regular_file(status)) {
        *error = std::string("quenbrill: ") + option + ": cannot read \"" + path + "\" (" +
                 (fs::exists(status) ? "not a file" : "no such file") + ")\n";
        return 2;
    }
    const uintmax_t size = fs::file_size(path, ec);
    if (ec) {
        *error = std::string("quenbrill: ") + option + ": cannot read \"" + path + "\" (" +
                 ec.message() + ")\n";
        return 2;
    }
    if (size > kDemoMaxBytes) {
        *error = "quenbrill: " + path + ": too large for a demo (" + std::to_string(size) +
                 " bytes; a demo has at most " + std::to_string(kDemoMaxBytes) + ")\n";
        return 1;
    }
    gPlay = Player();
    gPlay.path = path;
    gPlay.bytes.resize(static_cast<size_t>(size));
    errno = 0;
    FileStream in(path.c_str(), "rb");
    if (in.Failed() || (size > 0 && !in.ReadBytes(gPlay.bytes.data(), static_cast<int>(size)))) {
        const int why = errno;
        *error = std::string("quenbrill: ") + option + ": cannot read \"" + path + "\" (" +
                 (why ? std::strerror(why) : "it changed while being read") + ")\n";
        gPlay = Player();
        return 2;
    }
    std::string why;
    if (!ScanDemo(gPlay.bytes.data(), gPlay.bytes.size(), &gPlay.header, &gPlay.summary, &why)) {
        *error = "quenbrill: " + path + ": " + why + "\n";
        gPlay = Player();
        return 1;
    }
    if (!gPlay.summary.complete)
        std::fprintf(stderr,
                     "quenbrill: %s: the recording stops after frame %u without its end (the "
                     "game that recorded it did not finish); it plays as far as it goes\n",
                     path.c_str(), gPlay.summary.frames);
    DemoHeader header;
    gPlay.reader.Open(gPlay.bytes.data(), gPlay.bytes.size(), &header, &why);
    ReadNext();
    gPlay.reading = gPlay.header.startTick;
    gPlay.mediaHash = MediaHash(archivePath);
    if (gMode == Mode::Timedemo) gPlay.cpuMs.reserve(gPlay.summary.frames);

    options->seedGiven = true;
    options->seed = gPlay.header.seed;
    if (options->demoMode == DemoMode::Timedemo) options->vsync = false;
    SetTickSource(&PlayedTicks);
    SetInputSource(&PlayedInput);
    return 0;
}

}  // namespace

int StartDemo(GameOptions* options, const std::string& archivePath, std::string* error)
{
    FinishDemo();
    error->clear();
    switch (options->demoMode) {
        case DemoMode::None:
            return 0;
        case DemoMode::Record:
            return StartRecording(options, archivePath, error);
        case DemoMode::Play:
            gMode = Mode::Play;
            break;
        case DemoMode::Timedemo:
            gMode = Mode::Timedemo;
            break;
    }
    const int status = StartPlayback(options, archivePath, error);
    if (status) gMode = Mode::None;
    return status;
}

bool DemoBeginFrame(bool* resumed)
{
    switch (gMode) {
        case Mode::None:
            return true;
        case Mode::Record:
            if (!gRec.stopped) {
                gRec.resumed = *resumed;
                gRec.previous = gRec.reading;
                gRec.begin = gRec.reading = plat::Ticks();
            }
            return true;
        case Mode::Play:
        case Mode::Timedemo:
            return PlayBeginFrame(resumed);
    }
    return true;
}

void DemoFrameDrawn()
{
    if (gMode == Mode::Record) RecordFrameDrawn();
    else if (gMode == Mode::Play || gMode == Mode::Timedemo) PlayFrameDrawn();
}

int DemoLoopEnded(int exitCode)
{
    const Mode mode = gMode;
    if (mode == Mode::Record) {
        FinishDemo();
        if (!gRec.failed)
            std::printf("%s: recorded %u frames, %s\n", gRec.path.c_str(), gRec.frames,
                        Seconds(gRec.frames ? gRec.last.elapsedMs : 0).c_str());
    } else if (mode == Mode::Play) {
        std::printf("%s: played %u frames, %s%s\n", gPlay.path.c_str(), gPlay.played,
                    Seconds(gPlay.played ? gPlay.reading - gPlay.firstBegin : 0).c_str(),
                    PlaybackOutcome().c_str());
    } else if (mode == Mode::Timedemo) {
        PrintTimedemo();
    }
    std::fflush(stdout);
    const bool parted = (mode == Mode::Play || mode == Mode::Timedemo) && gPlay.parted;
    FinishDemo();
    return parted && exitCode == 0 ? 1 : exitCode;
}

void FinishDemo()
{
    if (gMode == Mode::Record) {
        CompleteRecording();
        gRec.file.reset();
        plat::SetSessionEndProc(nullptr);
    }
    if (gMode != Mode::None) {
        SetTickSource(nullptr);
        SetInputSource(nullptr);
    }
    gMode = Mode::None;
}

DemoChecksum BattleChecksum()
{
    DemoChecksum c;
    Hash h;
    uint32_t explosions = 0;
    TaskIterator cursor(gExecutor.Tasks());
    while (Executable* task = cursor.Next()) {
        if (GameEntity3D* e = RunningEntity(task)) {
            ++c.entities;
            h.Add(e->team);
            h.Add(e->hitPoints);
            for (const Vector3D* v : {&e->position, &e->forward, &e->up}) {
                h.Add(v->x);
                h.Add(v->y);
                h.Add(v->z);
            }
            h.Add(e->forwardSpeed.value);
            h.Add(e->turnRate.value);
        } else if (task->GetState() == TASK_RUNNING && task->HasKindAt(kExplosionKind, 0)) {
            ++explosions;
        }
    }
    h.Add(explosions);
    h.Add(LiveParticleCount());
    c.hash = h.value;
    return c;
}
