// SPDX-License-Identifier: MIT
// Builds RIFF/WAVE files in memory for the sound tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace wavefix {

using Bytes = std::vector<uint8_t>;

inline void PutU16(Bytes& b, uint16_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

inline void PutU32(Bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

// A chunk: identifier, size (the body's length unless given), body.
inline Bytes Chunk(const char* id, const Bytes& body, int64_t sizeField = -1)
{
    Bytes b(id, id + 4);
    PutU32(b, sizeField < 0 ? uint32_t(body.size()) : uint32_t(sizeField));
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

inline Bytes Fmt(uint32_t rate, int channels, int bits, uint16_t formatTag = 1)
{
    Bytes body;
    PutU16(body, formatTag);
    PutU16(body, uint16_t(channels));
    PutU32(body, rate);
    int align = (channels > 0 ? channels : 1) * bits / 8;
    PutU32(body, rate * uint32_t(align));
    PutU16(body, uint16_t(align));
    PutU16(body, uint16_t(bits));
    return Chunk("fmt ", body);
}

inline Bytes Data(const Bytes& pcm) { return Chunk("data", pcm); }

// "RIFF", size, "WAVE", then the chunks in order.
inline Bytes Riff(std::initializer_list<Bytes> chunks)
{
    Bytes body{'W', 'A', 'V', 'E'};
    for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
    Bytes b{'R', 'I', 'F', 'F'};
    PutU32(b, uint32_t(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

inline Bytes Pcm16(const std::vector<int16_t>& samples)
{
    Bytes b;
    for (int16_t s : samples) PutU16(b, uint16_t(s));
    return b;
}

// A 44100 Hz 16-bit mono file holding exactly these samples (what the mixer plays as is).
inline Bytes MixerReady(const std::vector<int16_t>& samples)
{
    return Riff({Fmt(44100, 1, 16), Data(Pcm16(samples))});
}

}  // namespace wavefix
