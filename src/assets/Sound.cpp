// SPDX-License-Identifier: MIT
#include "assets/Sound.h"

#include <cstring>
#include <new>
#include <vector>

namespace {

uint32_t ReadU32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

uint16_t ReadU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

int16_t ReadS16(const uint8_t* p)
{
    int v = ReadU16(p);
    return int16_t(v >= 32768 ? v - 65536 : v);
}

bool IsTag(const uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

const int32_t kMixerRate = 44100;

}  // namespace

Sound::Sound(const uint8_t* data, size_t length)
{
    refCount = new int32_t(1);
    loaded = ParseWave(data, length) && ConvertToMixerFormat();
    if (loaded) {
        problem.clear();
    } else {
        delete[] samples;
        samples = nullptr;
        sampleCount = 0;
    }
}

// A copy plays on its own: its mixer state (volume, pan, playing) starts afresh.
// NOLINTNEXTLINE(bugprone-copy-constructor-init)
Sound::Sound(const Sound& other)
    : refCount(other.refCount),
      loaded(other.loaded),
      sampleRate(other.sampleRate),
      bitsPerSample(other.bitsPerSample),
      stereo(other.stereo),
      problem(other.problem)
{
    samples = other.samples;
    sampleCount = other.sampleCount;
    ++*refCount;
}

Sound::~Sound()
{
    // A voice still pointing here would read freed memory on the next refill.
    ForgetSource(this);
    if (--*refCount == 0) {
        delete[] samples;
        delete refCount;
    }
}

// Walks the RIFF chunks and gathers the PCM bytes of every data chunk, in file order, into
// samples (sampleCount counts bytes until the conversion). Every read stays inside the block:
// the walk ends at the RIFF size or the end of the block, whichever comes first, and a chunk
// whose fields run past the block rejects the file.
bool Sound::ParseWave(const uint8_t* data, size_t length)
{
    auto refuse = [this](const std::string& why) {
        problem = why;
        return false;
    };
    stereo = false;
    sampleRate = 0;
    bitsPerSample = 0;
    samples = nullptr;
    sampleCount = 0;

    if (!data || length < 12 || !IsTag(data, "RIFF") || !IsTag(data + 8, "WAVE"))
        return refuse("not a RIFF/WAVE file");

    uint64_t end = uint64_t(ReadU32(data + 4)) + 8;
    if (end > length) end = length;

    std::vector<uint8_t> pcm;
    bool metData = false;
    uint32_t lastDataSize = 0;
    uint64_t p = 12;
    while (p < end) {
        // A chunk starting before the RIFF end is read even when its header reaches past
        // that end; only the end of the block stops a header.
        if (length - p < 8) break;  // a few stray bytes, too short for a chunk header
        const uint8_t* chunk = data + p;
        uint32_t size = ReadU32(chunk + 4);
        uint64_t body = p + 8;
        if (IsTag(chunk, "fmt ")) {
            if (size < 16 || body + 16 > length) return refuse("the \"fmt \" chunk is cut short");
            const uint8_t* f = data + body;
            if (ReadU16(f) != 1)  // compressed formats are not played
                return refuse("format " + std::to_string(ReadU16(f)) + " is not PCM");
            int16_t channels = ReadS16(f + 2);
            if (channels > 2) return refuse(std::to_string(channels) + " channels (at most 2)");
            stereo = channels == 2;
            sampleRate = int32_t(ReadU32(f + 4));
            uint16_t bits = ReadU16(f + 14);
            if (bits != 8 && bits != 16)
                return refuse(std::to_string(bits) + " bits per sample (8 or 16)");
            bitsPerSample = bits;
        } else if (IsTag(chunk, "data")) {
            if (body + size > length) return refuse("the data runs past the end of the file");
            if (pcm.size() + size > uint64_t(INT32_MAX))
                return refuse("more than 2 GB of sample data");
            pcm.insert(pcm.end(), data + body, data + body + size);
            metData = true;
            lastDataSize = size;
        }
        p = body + size;  // no pad byte after an odd-sized chunk
    }
    if (!metData) return refuse("no \"data\" chunk");
    if (lastDataSize == 0) return refuse("the last \"data\" chunk is empty");

    // The raw bytes go into the sample buffer; the conversion reads them from there.
    samples = new (std::nothrow) int16_t[(pcm.size() + 1) / 2];
    if (!samples) return refuse("out of memory");
    std::memcpy(samples, pcm.data(), pcm.size());
    sampleCount = int32_t(pcm.size());
    return true;
}

// Turns the parsed bytes into 16-bit mono at 44100 per second: widen 8-bit samples, average
// stereo pairs, then repeat samples of slower rates. A header the conversion cannot use (no
// "fmt " chunk, a rate below kMinWaveRate, which may come from a later "fmt " chunk than the
// first), a result longer than kMaxSoundSamples or without a single sample fails, before the
// long buffer is allocated.
bool Sound::ConvertToMixerFormat()
{
    auto refuse = [this](const std::string& why) {
        problem = why;
        return false;
    };
    if (bitsPerSample != 8 && bitsPerSample != 16) return refuse("no \"fmt \" chunk");
    if (sampleRate < kMinWaveRate)
        return refuse("sample rate " + std::to_string(sampleRate) + " Hz (at least " +
                      std::to_string(kMinWaveRate) + ")");

    const uint8_t* raw = reinterpret_cast<const uint8_t*>(samples);
    int32_t count = bitsPerSample == 8 ? sampleCount : sampleCount / 2;
    int16_t* wide = new (std::nothrow) int16_t[count > 0 ? count : 1];
    if (!wide) return refuse("out of memory");
    if (bitsPerSample == 8) {
        // Unsigned bytes around 128: 128 -> 0, 255 -> 32512, 0 -> -32768.
        for (int32_t i = 0; i < count; ++i) wide[i] = int16_t((int(raw[i]) - 128) * 256);
    } else {
        for (int32_t i = 0; i < count; ++i) wide[i] = ReadS16(raw + 2 * i);
    }
    delete[] samples;
    samples = wide;
    sampleCount = count;
    bitsPerSample = 16;

    if (stereo) {
        int32_t frames = sampleCount / 2;
        int16_t* mono = new (std::nothrow) int16_t[frames > 0 ? frames : 1];
        if (!mono) return refuse("out of memory");
        for (int32_t i = 0; i < frames; ++i)
            mono[i] = int16_t((int(samples[2 * i]) + int(samples[2 * i + 1])) / 2);
        delete[] samples;
        samples = mono;
        sampleCount = frames;
        stereo = false;
    }

    const int32_t factor = sampleRate < kMixerRate ? kMixerRate / sampleRate : 1;
    const int64_t total = int64_t(factor) * sampleCount;
    if (total > kMaxSoundSamples)
        return refuse(std::to_string(total) + " samples once converted (at most " +
                      std::to_string(kMaxSoundSamples) + ", 60 seconds)");
    if (sampleRate < kMixerRate) {
        int16_t* stretched = new (std::nothrow) int16_t[total > 0 ? total : 1];
        if (!stretched) return refuse("out of memory");
        // The source position advances by 1/factor per output sample, summed in extended
        // precision; for factors that are not powers of two it can fall a hair short of a
        // whole number, so a sample now and then appears once more or once less.
        const long double step = 1.0L / factor;
        long double s = 0.0L;
        for (int64_t k = 0; k < total; ++k) {
            int64_t i = int64_t(s);
            stretched[k] = samples[i < sampleCount ? i : sampleCount - 1];
            s += step;
        }
        delete[] samples;
        samples = stretched;
        sampleCount = int32_t(total);
        sampleRate = kMixerRate;
    }
    if (sampleCount <= 0) return refuse("not a single whole sample");
    return true;
}

void Sound::Play()
{
    MixerLock lock;
    if (loaded && !playing) AddVoiceLocked(this);
    playing = true;
}

void Sound::Stop()
{
    MixerLock lock;
    if (loaded && playing) ReleaseVoiceLocked(this);
    playing = false;
}

void Sound::SetVolume(float v)
{
    MixerLock lock;
    volume = (v > 0.0f) ? v : 0.0f;
    RecomputeGains();
}

void Sound::SetPan(float p)
{
    MixerLock lock;
    if (p != p) p = 0.0f;
    pan = p < -1.0f ? -1.0f : (p > 1.0f ? 1.0f : p);
    RecomputeGains();
}

bool Sound::IsPlaying() const
{
    MixerLock lock;
    return playing;
}

void Sound::RecomputeGains()
{
    leftGain = pan > 0.0f ? volume * (1.0f - pan) : volume;
    rightGain = pan < 0.0f ? volume * (1.0f + pan) : volume;
}
