// SPDX-License-Identifier: MIT
// The demo file: what is written reads back the same, a demo cut anywhere reads up to the cut,
// and every kind of damage gets its reason instead of a playback.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "game/DemoFile.h"

namespace {

DemoHeader Header()
{
    DemoHeader h;
    h.gameVersion = "1.2.3";
    h.system = "linux-glibc-x86_64";
    h.seed = 0xdeadbeef;
    h.startTick = 4294967000u;  // the clock wraps during the demo
    h.mediaHash = 77;
    return h;
}

// Four frames: keys only, then a joystick, then unchanged (after a pause), then a gamepad; a
// checksum after the second and after the last frame.
struct Sample {
    DemoHeader header = Header();
    std::vector<DemoFrame> frames;
    std::vector<DemoChecksum> checksums;
    std::vector<uint8_t> bytes;

    Sample()
    {
        DemoFrame f;
        f.beginDelta = 3;
        f.endDelta = 16;
        f.inputChanged = true;
        f.input.keys = 0x2081;  // Left, A, Space
        frames.push_back(f);

        f.beginDelta = 1;
        f.endDelta = 700;
        f.input = InputReadings();
        f.input.device = INPUT_JOYSTICK;
        f.input.joyX = 65535;
        f.input.joyY = 0;
        f.input.joyButtons = 0x80000201u;
        frames.push_back(f);

        f.resumed = true;
        f.inputChanged = false;
        f.beginDelta = 90000;
        f.endDelta = 17;
        frames.push_back(f);

        f.resumed = false;
        f.inputChanged = true;
        f.beginDelta = 0;
        f.endDelta = 400;
        f.input = InputReadings();
        f.input.keys = 1u << 12;  // Enter
        f.input.device = INPUT_GAMEPAD;
        f.input.pad.stickX = -32768;
        f.input.pad.stickY = 32767;
        f.input.pad.dpadUp = f.input.pad.north = f.input.pad.start = true;
        frames.push_back(f);

        AppendDemoHeader(&bytes, header);
        uint32_t elapsed = 0;
        for (size_t i = 0; i < frames.size(); ++i) {
            AppendDemoFrame(&bytes, frames[i]);
            elapsed += (i ? frames[i].beginDelta : 0) + frames[i].endDelta;
            if (i == 1 || i == 3) {
                DemoChecksum c;
                c.frame = static_cast<uint32_t>(i + 1);
                c.elapsedMs = elapsed;
                c.entities = 31;
                c.hash = 0x0123456789abcdefull + i;
                checksums.push_back(c);
                AppendDemoChecksum(&bytes, c);
            }
        }
        AppendDemoEnd(&bytes, static_cast<uint32_t>(frames.size()));
    }
};

void ExpectSameReadings(const InputReadings& a, const InputReadings& b)
{
    EXPECT_TRUE(SameReadings(a, b));
    EXPECT_EQ(a.pad.dpadUp, b.pad.dpadUp);
    EXPECT_EQ(a.pad.north, b.pad.north);
    EXPECT_EQ(a.pad.start, b.pad.start);
    EXPECT_EQ(a.pad.south, b.pad.south);
}

TEST(DemoFile, WhatIsWrittenReadsBackTheSame)
{
    const Sample s;
    EXPECT_EQ(s.bytes.size(), kDemoHeaderBytes + 4 * 10 + 3 + 15 + 3 + 5 + 2 * 21 + 5);
    DemoReader reader;
    DemoHeader h;
    std::string error;
    ASSERT_TRUE(reader.Open(s.bytes.data(), s.bytes.size(), &h, &error)) << error;
    EXPECT_EQ(h.version, kDemoVersion);
    EXPECT_EQ(h.gameVersion, "1.2.3");
    EXPECT_EQ(h.system, "linux-glibc-x86_64");
    EXPECT_EQ(h.seed, 0xdeadbeefu);
    EXPECT_EQ(h.startTick, 4294967000u);
    EXPECT_EQ(h.mediaHash, 77u);

    size_t frame = 0, checksum = 0;
    for (;;) {
        DemoFrame f;
        DemoChecksum c;
        const DemoReader::Item item = reader.Next(&f, &c, &error);
        if (item == DemoReader::END) break;
        ASSERT_NE(item, DemoReader::BAD) << error;
        ASSERT_NE(item, DemoReader::CUT_SHORT);
        if (item == DemoReader::FRAME) {
            const DemoFrame& want = s.frames.at(frame++);
            EXPECT_EQ(f.resumed, want.resumed);
            EXPECT_EQ(f.beginDelta, want.beginDelta);
            EXPECT_EQ(f.endDelta, want.endDelta);
            EXPECT_EQ(f.inputChanged, want.inputChanged);
            ExpectSameReadings(f.input, want.input);  // an unchanged frame carries them over
        } else {
            const DemoChecksum& want = s.checksums.at(checksum++);
            EXPECT_EQ(c.frame, want.frame);
            EXPECT_EQ(c.elapsedMs, want.elapsedMs);
            EXPECT_EQ(c.entities, want.entities);
            EXPECT_EQ(c.hash, want.hash);
        }
    }
    EXPECT_EQ(frame, s.frames.size());
    EXPECT_EQ(checksum, s.checksums.size());
    EXPECT_EQ(reader.Offset(), s.bytes.size());

    DemoSummary sum;
    ASSERT_TRUE(ScanDemo(s.bytes.data(), s.bytes.size(), &h, &sum, &error)) << error;
    EXPECT_TRUE(sum.complete);
    EXPECT_EQ(sum.frames, 4u);
    EXPECT_EQ(sum.checksums, 2u);
    EXPECT_EQ(sum.elapsedMs, 16u + 1 + 700 + 90000 + 17 + 0 + 400);
}

// A recording killed at any byte still reads: the whole frames before the cut, no error. Only
// a cut inside the header leaves nothing to play.
TEST(DemoFile, ACutAnywhereReadsUpToTheCut)
{
    const Sample s;
    uint32_t lastFrames = 0;
    for (size_t n = 0; n < s.bytes.size(); ++n) {
        const std::vector<uint8_t> cut(s.bytes.begin(), s.bytes.begin() + n);
        DemoHeader h;
        DemoSummary sum;
        std::string error;
        const bool ok = ScanDemo(cut.data(), cut.size(), &h, &sum, &error);
        if (n < kDemoHeaderBytes) {
            EXPECT_FALSE(ok) << n;
            EXPECT_FALSE(error.empty());
            continue;
        }
        ASSERT_TRUE(ok) << n << ": " << error;
        EXPECT_FALSE(sum.complete) << n;
        EXPECT_GE(sum.frames, lastFrames) << n;
        lastFrames = sum.frames;
    }
    EXPECT_EQ(lastFrames, 4u);  // the cut before the end record has every frame
}

// Each damage gets a reason (and where it is), never a playback.
TEST(DemoFile, DamageGetsItsReason)
{
    const Sample s;
    const size_t first = kDemoHeaderBytes;  // the first frame record
    const size_t second = first + 13;  // the joystick frame
    const size_t checksum = second + 10 + 15;  // its checksum
    const size_t end = s.bytes.size() - 5;
    struct Row {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
        const char* reason;
    };
    const Row rows[] = {
        {"empty", [](auto& b) { b.clear(); }, "not a demo"},
        {"another file", [](auto& b) { b[0] = 'P'; }, "not a demo"},
        {"version 2", [](auto& b) { b[4] = 2; }, "format version 2; this game plays version 1"},
        {"version only", [](auto& b) { b.resize(8); }, "header is cut short"},
        {"control character in the system", [](auto& b) { b[24] = 1; }, "not text"},
        {"system without its end", [](auto& b) { std::memset(&b[24], 'x', 32); }, "not text"},
        {"bytes after the version's end", [](auto& b) { b[8 + 15] = 'x'; }, "not text"},
        {"unknown record", [=](auto& b) { b[second] = 'Z'; }, "unknown kind 0x5a"},
        {"a frame longer than the game counts",
         [=](auto& b) { std::memset(&b[first + 2], 0xff, 4); }, "a frame of 4294967311 ms"},
        {"unknown frame flag", [=](auto& b) { b[first + 1] |= 0x80; }, "unknown flags"},
        {"unknown key", [=](auto& b) { b[first + 11] |= 0x80; }, "unknown keys"},
        {"unknown device", [=](auto& b) { b[first + 12] = 3; }, "unknown device 3"},
        {"checksum for another frame", [=](auto& b) { b[checksum + 1] = 1; },
         "for frame 1 after frame 2"},
        {"checksum at another time", [=](auto& b) { b[checksum + 5] ^= 1; },
         "where the frames add up to"},
        {"two checksums for a frame",
         [=](auto& b) {
             b.insert(b.begin() + static_cast<long>(checksum + 21),
                      b.begin() + static_cast<long>(checksum),
                      b.begin() + static_cast<long>(checksum + 21));
         },
         "for frame 2 after frame 2"},
        {"end counting wrong", [=](auto& b) { b[end + 1] = 9; },
         "counts 9 frames where there are 4"},
        {"bytes after the end", [](auto& b) { b.push_back('F'); }, "1 bytes after the end record"},
    };
    for (const Row& r : rows) {
        std::vector<uint8_t> bytes = s.bytes;
        r.damage(bytes);
        DemoHeader h;
        DemoSummary sum;
        std::string error;
        EXPECT_FALSE(ScanDemo(bytes.data(), bytes.size(), &h, &sum, &error)) << r.what;
        EXPECT_NE(error.find(r.reason), std::string::npos) << r.what << ": " << error;
    }
    // Record damage names its place.
    std::vector<uint8_t> bytes = s.bytes;
    bytes[second] = 'Z';
    DemoHeader h;
    DemoSummary sum;
    std::string error;
    ScanDemo(bytes.data(), bytes.size(), &h, &sum, &error);
    EXPECT_EQ(error.rfind("at byte " + std::to_string(second) + ": ", 0), 0u) << error;
}

}  // namespace
