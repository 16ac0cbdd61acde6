#include "assets/Sound.h"

#include <cstring>
#include <new>
#include <vector>

#include "assets/SoundOutput.h"

namespace {

uint32_t ReadU32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

uint16_t ReadU16(const uint8_t* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

int16_t ReadS16(const uint8_t* p)
{
    int v = ReadU16(p);
    return int16_t(v >= 32768 ? v - 65536 : v);
}

bool IsTag(const uint8_t* p, const char* tag)
{
    return std::memcmp(p, tag, 4) == 0;
}

const int32_t kMixerRate = 44100;

}  // namespace

Sound::Sound(const uint8_t* data, size_t length)
{
    refCount = new int32_t(1);
    loaded = ParseWave(data, length) && ConvertToMixerFormat();
    if (!loaded) {
        delete[] samples;
        samples = nullptr;
        sampleCount = 0;
    }
}

Sound::Sound(const Sound& other)
    : samples(other.samples),
      refCount(other.refCount),
      sampleCount(other.sampleCount),
      loaded(other.loaded),
      sampleRate(other.sampleRate),
      bitsPerSample(other.bitsPerSample),
      stereo(other.stereo)
{
    ++*refCount;
}

Sound::~Sound()
{
    // A voice still pointing here would read freed memory on the next refill.
    ForgetSound(this);
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
    stereo = false;
    sampleRate = 0;
    bitsPerSample = 0;
    samples = nullptr;
    sampleCount = 0;

    if (!data || length < 12 || !IsTag(data, "RIFF") || !IsTag(data + 8, "WAVE"))
        return false;

    uint64_t end = uint64_t(ReadU32(data + 4)) + 8;
    if (end > length)
        end = length;

    std::vector<uint8_t> pcm;
    bool metData = false;
    uint32_t lastDataSize = 0;
    uint64_t p = 12;
    while (p < end) {
        // A chunk starting before the RIFF end is read even when its header reaches past
        // that end; only the end of the block stops a header.
        if (length - p < 8)
            break;   // a few stray bytes, too short for a chunk header
        const uint8_t* chunk = data + p;
        uint32_t size = ReadU32(chunk + 4);
        uint64_t body = p + 8;
        if (IsTag(chunk, "fmt ")) {
            if (size < 16 || body + 16 > length)
                return false;
            const uint8_t* f = data + body;
            if (ReadU16(f) != 1)
                return false;   // compressed formats are not played
            int16_t channels = ReadS16(f + 2);
            if (channels > 2)
                return false;
            stereo = channels == 2;
            sampleRate = int32_t(ReadU32(f + 4));
            uint16_t bits = ReadU16(f + 14);
            if (bits != 8 && bits != 16)
                return false;
            bitsPerSample = bits;
        } else if (IsTag(chunk, "data")) {
            if (body + size > length)
                return false;   // the data runs past the end of the file
            if (pcm.size() + size > uint64_t(INT32_MAX))
                return false;
            pcm.insert(pcm.end(), data + body, data + body + size);
            metData = true;
            lastDataSize = size;
        }
        p = body + size;   // no pad byte after an odd-sized chunk
    }
    if (!metData || lastDataSize == 0)
        return false;

    // The raw bytes go into the sample buffer; the conversion reads them from there.
    samples = new (std::nothrow) int16_t[(pcm.size() + 1) / 2];
    if (!samples)
        return false;
    std::memcpy(samples, pcm.data(), pcm.size());
    sampleCount = int32_t(pcm.size());
    return true;
}

// Turns the parsed bytes into 16-bit mono at 44100 per second: widen 8-bit samples, average
// stereo pairs, then repeat samples of slower rates. A header the conversion cannot use (no
// "fmt " chunk, a rate of 0 or below) or a result without a single sample fails.
bool Sound::ConvertToMixerFormat()
{
    if (sampleRate <= 0 || (bitsPerSample != 8 && bitsPerSample != 16))
        return false;

    const uint8_t* raw = reinterpret_cast<const uint8_t*>(samples);
    int32_t count = bitsPerSample == 8 ? sampleCount : sampleCount / 2;
    int16_t* wide = new (std::nothrow) int16_t[count > 0 ? count : 1];
    if (!wide)
        return false;
    if (bitsPerSample == 8) {
        // Unsigned bytes around 128: 128 -> 0, 255 -> 32512, 0 -> -32768.
        for (int32_t i = 0; i < count; ++i)
            wide[i] = int16_t((int(raw[i]) - 128) * 256);
    } else {
        for (int32_t i = 0; i < count; ++i)
            wide[i] = ReadS16(raw + 2 * i);
    }
    delete[] samples;
    samples = wide;
    sampleCount = count;
    bitsPerSample = 16;

    if (stereo) {
        int32_t frames = sampleCount / 2;
        int16_t* mono = new (std::nothrow) int16_t[frames > 0 ? frames : 1];
        if (!mono)
            return false;
        for (int32_t i = 0; i < frames; ++i)
            mono[i] = int16_t((int(samples[2 * i]) + int(samples[2 * i + 1])) / 2);
        delete[] samples;
        samples = mono;
        sampleCount = frames;
        stereo = false;
    }

    if (sampleRate < kMixerRate) {
        int32_t factor = kMixerRate / sampleRate;
        int64_t total = int64_t(factor) * sampleCount;
        if (total > INT32_MAX)
            return false;
        int16_t* stretched = new (std::nothrow) int16_t[total > 0 ? total : 1];
        if (!stretched)
            return false;
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
    return sampleCount > 0;
}

void Sound::Play()
{
    MixerLock lock;
    if (loaded && !playing)
        AddVoiceLocked(this);
    playing = true;
}

void Sound::Stop()
{
    MixerLock lock;
    if (loaded && playing)
        ReleaseVoiceLocked(this);
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
    if (p != p)
        p = 0.0f;
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
