// SPDX-License-Identifier: MIT
#include "Sounds.h"

#include <algorithm>
#include <cmath>

#include "Random.h"

namespace mediagen {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr int kHeaderBytes = 44;

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void Put16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

// Byte by byte: gcc 12 warns about a range insert here that cannot overflow (a known false
// alarm of its -Wstringop-overflow), which would stop a -Werror build.
void PutTag(std::vector<uint8_t>& out, const char* tag)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}

// Scales the sound so its loudest sample reaches peak (below full scale: nothing clips).
void Normalise(std::vector<float>& s, float peak)
{
    float most = 0.0f;
    for (float v : s) most = std::max(most, std::fabs(v));
    if (most > 0.0f)
        for (float& v : s) v *= peak / most;
}

// 1 for most of the sound, easing to exactly 0 over the last tail fraction (u: 0 .. 1).
float FadeOut(float u, float tail)
{
    float x = std::clamp((1.0f - u) / tail, 0.0f, 1.0f);
    return x * x * (3.0f - 2.0f * x);
}

// A one-pole low-pass filter step.
struct LowPass {
    float y = 0.0f;
    float Step(float x, float cutoffHz, float rate)
    {
        float a = 1.0f - std::exp(static_cast<float>(-kTwoPi) * cutoffHz / rate);
        y += a * (x - y);
        return y;
    }
};

}  // namespace

std::vector<uint8_t> EncodeWave(const std::vector<float>& samples, int sampleRate,
                                int bitsPerSample)
{
    const uint32_t bytesPerSample = static_cast<uint32_t>(bitsPerSample / 8);
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size()) * bytesPerSample;
    std::vector<uint8_t> out;
    out.reserve(kHeaderBytes + dataBytes);
    PutTag(out, "RIFF");
    Put32(out, 4 + (8 + 16) + (8 + dataBytes));  // everything after this field
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    Put32(out, 16);
    Put16(out, 1);  // PCM
    Put16(out, 1);  // mono
    Put32(out, static_cast<uint32_t>(sampleRate));
    Put32(out, static_cast<uint32_t>(sampleRate) * bytesPerSample);  // byte rate
    Put16(out, static_cast<uint16_t>(bytesPerSample));  // block alignment
    Put16(out, static_cast<uint16_t>(bitsPerSample));
    PutTag(out, "data");
    Put32(out, dataBytes);
    for (float v : samples) {
        float c = std::clamp(v, -1.0f, 1.0f);
        if (bitsPerSample == 8) {
            out.push_back(static_cast<uint8_t>(std::lround(128.0f + 127.0f * c)));
        } else {
            Put16(out, static_cast<uint16_t>(static_cast<int16_t>(std::lround(32767.0f * c))));
        }
    }
    return out;
}

int SamplesForFileSize(int fileBytes, int bitsPerSample)
{
    return (fileBytes - kHeaderBytes) / (bitsPerSample / 8);
}

std::vector<uint8_t> MakeLaserShot(int fileBytes)
{
    const int rate = 22050;
    const int n = SamplesForFileSize(fileBytes, 16);
    const float length = static_cast<float>(n) / rate;
    Random rng(0x1A5E2u);
    std::vector<float> s(static_cast<size_t>(n));
    double phase = 0.0, phase2 = 0.0;
    LowPass tone;
    for (int i = 0; i < n; ++i) {
        float t = static_cast<float>(i) / rate;
        float u = t / length;
        // A fast downward sweep with a wobble: the classic "pew".
        float freq = 260.0f + 2300.0f * std::exp(-t * 16.0f);
        freq *= 1.0f + 0.04f * std::sin(static_cast<float>(kTwoPi) * 38.0f * t);
        phase += freq / rate;
        phase2 += freq * 1.503 / rate;
        float saw = static_cast<float>(2.0 * (phase - std::floor(phase)) - 1.0);
        float sine = static_cast<float>(std::sin(kTwoPi * phase));
        float upper = static_cast<float>(std::sin(kTwoPi * phase2));
        float x = 0.45f * tone.Step(saw, 5200.0f, rate) + 0.45f * sine + 0.18f * upper;
        // A breath of noise in the first milliseconds gives the shot its crack.
        x += 0.35f * (rng.Unit() * 2.0f - 1.0f) * std::exp(-t * 120.0f);
        float attack = std::min(1.0f, t / 0.003f);
        float decay = std::exp(-t * 7.5f);
        float tail = FadeOut(u, 0.15f);
        s[static_cast<size_t>(i)] = x * attack * decay * tail;
    }
    Normalise(s, 0.85f);
    return EncodeWave(s, rate, 16);
}

std::vector<uint8_t> MakeExplosion(int fileBytes)
{
    const int rate = 11025;
    const int n = SamplesForFileSize(fileBytes, 8);
    const float length = static_cast<float>(n) / rate;
    Random rng(0xB00Bu);
    std::vector<float> s(static_cast<size_t>(n));
    LowPass rumble, body, rumble2;
    double thump = 0.0;
    for (int i = 0; i < n; ++i) {
        float t = static_cast<float>(i) / rate;
        float u = t / length;
        float white = rng.Unit() * 2.0f - 1.0f;
        // Noise whose brightness falls as the blast rolls away.
        float cutoff = 180.0f + 2600.0f * std::exp(-t * 7.0f);
        float noise = body.Step(white, cutoff, rate);
        float low = rumble2.Step(rumble.Step(white, 90.0f, rate), 90.0f, rate) * 6.0f;
        // A deep thump at the start.
        float f = 38.0f + 70.0f * std::exp(-t * 18.0f);
        thump += f / rate;
        float boom = static_cast<float>(std::sin(kTwoPi * thump)) * std::exp(-t * 9.0f);
        // Crackle: sparse pops in the first half.
        float crackle =
            (rng.Unit() < 0.012f * std::exp(-t * 4.0f)) ? (rng.Unit() * 2.0f - 1.0f) : 0.0f;
        float attack = std::min(1.0f, t / 0.004f);
        float env = std::exp(-t * 2.8f) * (0.7f + 0.3f * std::exp(-t * 14.0f));
        float x = (1.0f * noise + 0.9f * low) * env + 0.45f * boom + 0.6f * crackle * env;
        s[static_cast<size_t>(i)] = x * attack * FadeOut(u, 0.2f);
    }
    // Gentle saturation gives the rumble body against the first blast, then the peak is set
    // below full scale.
    Normalise(s, 1.0f);
    for (float& v : s) v = std::tanh(2.2f * v);
    Normalise(s, 0.9f);
    return EncodeWave(s, rate, 8);
}

}  // namespace mediagen
