// SPDX-License-Identifier: MIT
// How fast the software mixer fills the device's buffers. 16 voices (by default) play at once
// for a minute of sound, 100 ms buffer after 100 ms buffer, through the fake audio device; a
// voice that ends is started again before the next buffer. Each source has its own gains and
// starts at its own place in one long noise, so the sum clips now and then as the game's does.
// Reports the CPU time per buffer and how many times faster than real time the mixing runs,
// for each run and the median of the runs, and a checksum of everything mixed: a change of the
// mixer that keeps its output gives the same checksum.
//
//   quenbrill-bench-mixer [--voices N] [--seconds S] [--runs R]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "BenchSystem.h"
#include "assets/Mixer.h"
#include "platform/FakePlatform.h"

namespace {

double Median(std::vector<double> v)
{
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[(v.size() - 1) / 2];
}

// A fixed pseudo-random noise, the same in every run and build.
std::vector<int16_t> Noise(size_t n)
{
    std::vector<int16_t> v(n);
    uint32_t x = 12345;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        v[i] = static_cast<int16_t>(static_cast<int32_t>((x >> 8) & 0xffff) - 32768);
    }
    return v;
}

}  // namespace

int main(int argc, char** argv)
{
    int voices = 16;
    int seconds = 60;
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--voices") == 0 && i + 1 < argc) {
            voices = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: %s [--voices N] [--seconds S] [--runs R]\n", argv[0]);
            return 2;
        }
    }

    plat::fake::Reset();
    if (!StartMixer()) {
        std::fprintf(stderr, "quenbrill-bench-mixer: the mixer did not start\n");
        return 1;
    }
    // Sounds of 0.7 to 2.2 seconds, each starting at its own place in the noise.
    const std::vector<int16_t> noise = Noise(static_cast<size_t>(kMixRate) * 4);
    std::vector<MixerSource> sources(static_cast<size_t>(voices));
    for (int v = 0; v < voices; ++v) {
        MixerSource& s = sources[static_cast<size_t>(v)];
        s.samples = const_cast<int16_t*>(noise.data()) + (v * 7919) % kMixRate;
        s.sampleCount = kMixRate * 7 / 10 + (v * 4409) % (kMixRate * 3 / 2);
        s.leftGain = 0.05f + 0.9f * static_cast<float>(v % 5) / 4.0f;
        s.rightGain = 0.95f - 0.9f * static_cast<float>(v % 3) / 2.0f;
    }

    const int buffers = seconds * kMixRate / kMixBufferFrames;
    std::vector<int16_t> out(kMixBufferValues);
    std::vector<double> factors, perBuffer;
    uint64_t checksum = 1469598103934665603ull;
    std::printf("quenbrill mixer benchmark: %d voices, %d s of sound in %d buffers of %d frames\n",
                voices, seconds, buffers, kMixBufferFrames);
    for (int run = 0; run < runs; ++run) {
        {
            MixerLock lock;
            for (MixerSource& s : sources) ReleaseVoiceLocked(&s);
            for (MixerSource& s : sources) s.playing = false;
        }
        const BenchStamp t0 = BenchNow();
        for (int b = 0; b < buffers; ++b) {
            {
                MixerLock lock;
                for (MixerSource& s : sources)
                    if (!s.playing) {
                        AddVoiceLocked(&s);
                        s.playing = true;
                    }
            }
            Mix(out.data(), kMixBufferValues);
            if (run == 0)
                for (int16_t x : out)
                    checksum = (checksum ^ static_cast<uint16_t>(x)) * 1099511628211ull;
        }
        const BenchStamp t1 = BenchNow();
        const double cpu = t1.cpuMs - t0.cpuMs;
        const double factor = seconds * 1000.0 / std::max(1e-9, cpu);
        factors.push_back(factor);
        perBuffer.push_back(cpu / buffers);
        std::printf("  run %d: %.3f ms cpu per buffer, %.0fx real time (%.1f ms wall in all)\n",
                    run + 1, cpu / buffers, factor, t1.wallMs - t0.wallMs);
    }
    std::printf("median of %d runs: %.3f ms cpu per 100 ms buffer, %.0fx real time\n", runs,
                Median(perBuffer), Median(factors));
    std::printf("output checksum: %016llx\n", static_cast<unsigned long long>(checksum));
    StopMixer();
    plat::fake::Reset();
    return 0;
}
