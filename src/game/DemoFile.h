// SPDX-License-Identifier: MIT
// The demo file of docs/demo-format.md: a header, then one record per frame (the two clock
// readings the game takes and, when they changed, its input readings), a checksum record after
// the frame that ends each second, and an end record. Little-endian throughout.
//
// Reading works on bytes the caller holds and checks every record against what came before;
// nothing a file says makes the reader allocate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "shell/Input.h"

constexpr uint32_t kDemoVersion = 1;
constexpr size_t kDemoHeaderBytes = 68;
// The largest demo the game writes or reads (about a day of play at 60 frames a second).
constexpr uint64_t kDemoMaxBytes = 64ull << 20;
// Room an ending takes: the last frame's checksum and the end record.
constexpr size_t kDemoEndingBytes = 26;

struct DemoHeader {
    uint32_t version = kDemoVersion;
    std::string gameVersion;  // printable, at most 15 characters
    std::string system;  // printable, at most 31 (plat::SystemName of the recording game)
    uint32_t seed = 0;
    uint32_t startTick = 0;  // what the clock read before the first frame
    uint32_t mediaHash = 0;  // of the media archive's bytes; 0: there was none
};

struct DemoFrame {
    bool resumed = false;  // the first frame after a pause (no window was active)
    uint32_t beginDelta = 0;  // begin tick minus the previous reading (end of the last frame)
    uint32_t endDelta = 0;  // end tick minus begin tick
    bool inputChanged = false;  // the record holds input readings (stored only on a change)
    InputReadings input;  // the frame's readings (carried over from earlier when unchanged)
};

struct DemoChecksum {
    uint32_t frame = 0;  // how many frames had ended when it was taken
    uint32_t elapsedMs = 0;  // end tick of that frame minus begin tick of the first frame
    uint32_t entities = 0;  // running 3D game objects
    uint64_t hash = 0;
};

bool SameReadings(const InputReadings& a, const InputReadings& b);

// Each appends one record's bytes.
void AppendDemoHeader(std::vector<uint8_t>* out, const DemoHeader& header);
void AppendDemoFrame(std::vector<uint8_t>* out, const DemoFrame& frame);
void AppendDemoChecksum(std::vector<uint8_t>* out, const DemoChecksum& checksum);
void AppendDemoEnd(std::vector<uint8_t>* out, uint32_t frames);

// Reads a demo record by record.
class DemoReader {
public:
    enum Item {
        FRAME,
        CHECKSUM,
        END,  // the end record: the demo is complete
        CUT_SHORT,  // the bytes stop before the end record (the recording game was killed)
        BAD,  // something wrong; *error says what and where
    };

    // Reads the header; false with *error (a phrase) when the bytes are no demo this game reads.
    bool Open(const uint8_t* data, size_t size, DemoHeader* header, std::string* error);
    // The next record. Once END, CUT_SHORT or BAD has come, it comes again.
    Item Next(DemoFrame* frame, DemoChecksum* checksum, std::string* error);

    uint32_t Frames() const { return frames; }  // frame records read so far
    uint32_t ElapsedMs() const { return lastEnd - firstBegin; }  // up to the last frame's end
    size_t Offset() const { return pos; }  // of the next record

private:
    Item Fail(std::string* error, const std::string& what);

    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
    Item stuck = FRAME;  // END, CUT_SHORT or BAD once reached
    std::string stuckError;
    uint32_t frames = 0;
    uint32_t tick = 0;  // the last clock reading
    uint32_t firstBegin = 0, lastEnd = 0;
    uint32_t lastChecksumFrame = 0;
    InputReadings input;
};

struct DemoSummary {
    uint32_t frames = 0;
    uint32_t checksums = 0;
    uint32_t elapsedMs = 0;  // from the first frame's begin to the last one's end
    bool complete = false;  // it has its end record
};

// Reads the whole demo. False with *error when something in it is wrong; a demo that is only
// cut short is not wrong (complete is false).
bool ScanDemo(const uint8_t* data, size_t size, DemoHeader* header, DemoSummary* summary,
              std::string* error);
