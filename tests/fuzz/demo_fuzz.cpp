// SPDX-License-Identifier: MIT
// A demo from the fuzzer is read as a playback reads it: the whole file first, then record by
// record. Both readings must agree, a bad demo must say why, and everything read must write
// back to the very bytes it was read from.
#include <algorithm>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "game/DemoFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DemoHeader header;
    DemoSummary summary;
    std::string error;
    const bool good = ScanDemo(data, size, &header, &summary, &error);
    FUZZ_CHECK(good || !error.empty());

    DemoReader reader;
    DemoHeader again;
    if (!reader.Open(data, size, &again, &error)) {
        FUZZ_CHECK(!good);
        return 0;
    }
    std::vector<uint8_t> written;
    AppendDemoHeader(&written, again);
    uint32_t checksums = 0;
    size_t offset = reader.Offset();
    DemoReader::Item item;
    for (;;) {
        DemoFrame frame;
        DemoChecksum checksum;
        item = reader.Next(&frame, &checksum, &error);
        FUZZ_CHECK(reader.Offset() >= offset && reader.Offset() <= size);
        offset = reader.Offset();
        if (item == DemoReader::FRAME) {
            FUZZ_CHECK(frame.input.device <= INPUT_GAMEPAD);
            AppendDemoFrame(&written, frame);
        } else if (item == DemoReader::CHECKSUM) {
            ++checksums;
            AppendDemoChecksum(&written, checksum);
        } else {
            break;
        }
    }
    FUZZ_CHECK((item == DemoReader::BAD) == !good);
    if (!good) return 0;
    FUZZ_CHECK(reader.Frames() == summary.frames && checksums == summary.checksums);
    FUZZ_CHECK((item == DemoReader::END) == summary.complete);
    if (item == DemoReader::END) AppendDemoEnd(&written, reader.Frames());
    // What was read writes back byte for byte (a cut demo up to its last whole record).
    FUZZ_CHECK(written.size() == reader.Offset());
    FUZZ_CHECK(std::equal(written.begin(), written.end(), data));
    // And the same again: a second reading ends where the first did.
    FUZZ_CHECK(reader.Next(nullptr, nullptr, &error) == item);
    return 0;
}
