// SPDX-License-Identifier: MIT
#include "game/DemoFile.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

const char kMagic[4] = {'Q', 'B', 'D', 'M'};
const size_t kVersionField = 16, kSystemField = 32;

enum : uint8_t {
    RECORD_FRAME = 'F',
    RECORD_CHECKSUM = 'C',
    RECORD_END = 'E',
};
enum : uint8_t {
    FRAME_RESUMED = 1,
    FRAME_INPUT = 2,
};
constexpr uint16_t kKeyMask = (1u << kReadKeyCount) - 1;

// Record sizes, kind byte included.
const size_t kFrameBytes = 10, kChecksumBytes = 21, kEndBytes = 5;
const size_t kKeysBytes = 3, kJoystickBytes = 12, kGamepadBytes = 5;

void Put(std::vector<uint8_t>* out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutText(std::vector<uint8_t>* out, const std::string& text, size_t field)
{
    for (size_t i = 0; i < field; ++i)
        out->push_back(i < text.size() && i + 1 < field ? static_cast<uint8_t>(text[i]) : 0);
}

uint64_t Get(const uint8_t* p, int bytes)
{
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

// Printable characters, then nothing but zero bytes; at least one zero at the end.
bool GetText(const uint8_t* p, size_t field, std::string* out)
{
    size_t n = 0;
    while (n < field && p[n] != 0) {
        if (p[n] < 0x20 || p[n] > 0x7e) return false;
        ++n;
    }
    if (n == field) return false;
    for (size_t i = n; i < field; ++i)
        if (p[i] != 0) return false;
    out->assign(reinterpret_cast<const char*>(p), n);
    return true;
}

uint8_t PadButtons(const plat::GamepadState& p)
{
    const bool bits[8] = {p.dpadLeft, p.dpadRight, p.dpadUp, p.dpadDown,
                          p.south,    p.north,     p.back,   p.start};
    uint8_t b = 0;
    for (int i = 0; i < 8; ++i)
        if (bits[i]) b = static_cast<uint8_t>(b | (1u << i));
    return b;
}

void SetPadButtons(plat::GamepadState* p, uint8_t b)
{
    bool* bits[8] = {&p->dpadLeft, &p->dpadRight, &p->dpadUp, &p->dpadDown,
                     &p->south,    &p->north,     &p->back,   &p->start};
    for (int i = 0; i < 8; ++i) *bits[i] = (b >> i) & 1u;
}

std::string At(size_t offset, const std::string& what)
{
    return "at byte " + std::to_string(offset) + ": " + what;
}

}  // namespace

bool SameReadings(const InputReadings& a, const InputReadings& b)
{
    if (a.keys != b.keys || a.device != b.device) return false;
    if (a.device == INPUT_JOYSTICK)
        return a.joyX == b.joyX && a.joyY == b.joyY && a.joyButtons == b.joyButtons;
    if (a.device == INPUT_GAMEPAD)
        return a.pad.stickX == b.pad.stickX && a.pad.stickY == b.pad.stickY &&
               PadButtons(a.pad) == PadButtons(b.pad);
    return true;
}

void AppendDemoHeader(std::vector<uint8_t>* out, const DemoHeader& h)
{
    out->insert(out->end(), kMagic, kMagic + 4);
    Put(out, h.version, 4);
    PutText(out, h.gameVersion, kVersionField);
    PutText(out, h.system, kSystemField);
    Put(out, h.seed, 4);
    Put(out, h.startTick, 4);
    Put(out, h.mediaHash, 4);
}

void AppendDemoFrame(std::vector<uint8_t>* out, const DemoFrame& f)
{
    out->push_back(RECORD_FRAME);
    out->push_back(
        static_cast<uint8_t>((f.resumed ? FRAME_RESUMED : 0) | (f.inputChanged ? FRAME_INPUT : 0)));
    Put(out, f.beginDelta, 4);
    Put(out, f.endDelta, 4);
    if (!f.inputChanged) return;
    const InputReadings& r = f.input;
    Put(out, r.keys & kKeyMask, 2);
    const uint8_t device = r.device <= INPUT_GAMEPAD ? r.device : uint8_t{INPUT_NO_DEVICE};
    out->push_back(device);
    if (device == INPUT_JOYSTICK) {
        Put(out, r.joyX, 4);
        Put(out, r.joyY, 4);
        Put(out, r.joyButtons, 4);
    } else if (device == INPUT_GAMEPAD) {
        Put(out, static_cast<uint16_t>(r.pad.stickX), 2);
        Put(out, static_cast<uint16_t>(r.pad.stickY), 2);
        out->push_back(PadButtons(r.pad));
    }
}

void AppendDemoChecksum(std::vector<uint8_t>* out, const DemoChecksum& c)
{
    out->push_back(RECORD_CHECKSUM);
    Put(out, c.frame, 4);
    Put(out, c.elapsedMs, 4);
    Put(out, c.entities, 4);
    Put(out, c.hash, 8);
}

void AppendDemoEnd(std::vector<uint8_t>* out, uint32_t frames)
{
    out->push_back(RECORD_END);
    Put(out, frames, 4);
}

bool DemoReader::Open(const uint8_t* bytes, size_t length, DemoHeader* header, std::string* error)
{
    *this = DemoReader();
    data = bytes;
    size = bytes ? length : 0;
    if (size < 4 || std::memcmp(data, kMagic, 4) != 0) {
        *error = "not a demo (a demo begins with the letters QBDM)";
        return false;
    }
    if (size < 8) {
        *error = "the demo's header is cut short";
        return false;
    }
    const uint32_t version = static_cast<uint32_t>(Get(data + 4, 4));
    if (version != kDemoVersion) {
        *error = "a demo of format version " + std::to_string(version) +
                 "; this game plays version " + std::to_string(kDemoVersion);
        return false;
    }
    if (size < kDemoHeaderBytes) {
        *error = "the demo's header is cut short";
        return false;
    }
    DemoHeader h;
    h.version = version;
    if (!GetText(data + 8, kVersionField, &h.gameVersion) ||
        !GetText(data + 8 + kVersionField, kSystemField, &h.system)) {
        *error = "the demo's header is damaged (its version or system is not text)";
        return false;
    }
    const uint8_t* p = data + 8 + kVersionField + kSystemField;
    h.seed = static_cast<uint32_t>(Get(p, 4));
    h.startTick = static_cast<uint32_t>(Get(p + 4, 4));
    h.mediaHash = static_cast<uint32_t>(Get(p + 8, 4));
    *header = h;
    pos = kDemoHeaderBytes;
    tick = h.startTick;
    return true;
}

DemoReader::Item DemoReader::Fail(std::string* error, const std::string& what)
{
    stuck = BAD;
    stuckError = At(pos, what);
    *error = stuckError;
    return BAD;
}

DemoReader::Item DemoReader::Next(DemoFrame* frame, DemoChecksum* checksum, std::string* error)
{
    if (stuck != FRAME) {
        if (stuck == BAD) *error = stuckError;
        return stuck;
    }
    if (!data) return Fail(error, "no demo was opened");
    const size_t left = size - pos;
    if (left == 0) return stuck = CUT_SHORT;
    const uint8_t* p = data + pos;
    switch (p[0]) {
        case RECORD_FRAME: {
            if (left < kFrameBytes) return stuck = CUT_SHORT;
            const uint8_t flags = p[1];
            if (flags & ~(FRAME_RESUMED | FRAME_INPUT))
                return Fail(error, "a frame with unknown flags " + std::to_string(flags));
            if (frames == UINT32_MAX) return Fail(error, "too many frames");
            DemoFrame f;
            f.resumed = flags & FRAME_RESUMED;
            f.inputChanged = flags & FRAME_INPUT;
            f.beginDelta = static_cast<uint32_t>(Get(p + 2, 4));
            f.endDelta = static_cast<uint32_t>(Get(p + 6, 4));
            size_t length = kFrameBytes;
            InputReadings r = input;
            if (f.inputChanged) {
                if (left < length + kKeysBytes) return stuck = CUT_SHORT;
                r = InputReadings();
                r.keys = static_cast<uint16_t>(Get(p + length, 2));
                r.device = p[length + 2];
                if (r.keys & ~kKeyMask)
                    return Fail(error, "a frame with unknown keys " + std::to_string(r.keys));
                length += kKeysBytes;
                if (r.device == INPUT_JOYSTICK) {
                    if (left < length + kJoystickBytes) return stuck = CUT_SHORT;
                    r.joyX = static_cast<uint32_t>(Get(p + length, 4));
                    r.joyY = static_cast<uint32_t>(Get(p + length + 4, 4));
                    r.joyButtons = static_cast<uint32_t>(Get(p + length + 8, 4));
                    length += kJoystickBytes;
                } else if (r.device == INPUT_GAMEPAD) {
                    if (left < length + kGamepadBytes) return stuck = CUT_SHORT;
                    r.pad.stickX = static_cast<int16_t>(Get(p + length, 2));
                    r.pad.stickY = static_cast<int16_t>(Get(p + length + 2, 2));
                    SetPadButtons(&r.pad, p[length + 4]);
                    length += kGamepadBytes;
                } else if (r.device != INPUT_NO_DEVICE) {
                    return Fail(error,
                                "a frame with an unknown device " + std::to_string(r.device));
                }
            }
            // The game keeps a frame's time in a signed 32-bit number.
            const uint64_t duration = uint64_t{f.resumed ? 0 : f.beginDelta} + f.endDelta;
            if (duration > INT32_MAX)
                return Fail(error, "a frame of " + std::to_string(duration) + " ms");
            tick += f.beginDelta;
            if (frames == 0) firstBegin = tick;
            tick += f.endDelta;
            lastEnd = tick;
            input = r;
            f.input = r;
            ++frames;
            pos += length;
            *frame = f;
            return FRAME;
        }
        case RECORD_CHECKSUM: {
            if (left < kChecksumBytes) return stuck = CUT_SHORT;
            DemoChecksum c;
            c.frame = static_cast<uint32_t>(Get(p + 1, 4));
            c.elapsedMs = static_cast<uint32_t>(Get(p + 5, 4));
            c.entities = static_cast<uint32_t>(Get(p + 9, 4));
            c.hash = Get(p + 13, 8);
            if (c.frame != frames || frames == 0 || c.frame == lastChecksumFrame)
                return Fail(error, "a checksum for frame " + std::to_string(c.frame) +
                                       " after frame " + std::to_string(frames));
            if (c.elapsedMs != ElapsedMs())
                return Fail(error, "a checksum at " + std::to_string(c.elapsedMs) +
                                       " ms where the frames add up to " +
                                       std::to_string(ElapsedMs()) + " ms");
            lastChecksumFrame = c.frame;
            pos += kChecksumBytes;
            *checksum = c;
            return CHECKSUM;
        }
        case RECORD_END: {
            if (left < kEndBytes) return stuck = CUT_SHORT;
            const uint32_t count = static_cast<uint32_t>(Get(p + 1, 4));
            if (count != frames)
                return Fail(error, "the end record counts " + std::to_string(count) +
                                       " frames where there are " + std::to_string(frames));
            if (left > kEndBytes) {
                pos += kEndBytes;
                return Fail(error,
                            std::to_string(left - kEndBytes) + " bytes after the end record");
            }
            pos += kEndBytes;
            return stuck = END;
        }
        default: {
            char kind[8];
            std::snprintf(kind, sizeof(kind), "0x%02x", p[0]);
            return Fail(error, std::string("a record of unknown kind ") + kind);
        }
    }
}

bool ScanDemo(const uint8_t* data, size_t size, DemoHeader* header, DemoSummary* summary,
              std::string* error)
{
    DemoReader reader;
    if (!reader.Open(data, size, header, error)) return false;
    DemoSummary s;
    DemoFrame frame;
    DemoChecksum checksum;
    for (;;) {
        const DemoReader::Item item = reader.Next(&frame, &checksum, error);
        if (item == DemoReader::BAD) return false;
        if (item == DemoReader::CHECKSUM) ++s.checksums;
        if (item == DemoReader::END || item == DemoReader::CUT_SHORT) {
            s.complete = item == DemoReader::END;
            break;
        }
    }
    s.frames = reader.Frames();
    s.elapsedMs = s.frames ? reader.ElapsedMs() : 0;
    *summary = s;
    return true;
}
