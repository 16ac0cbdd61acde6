// SPDX-License-Identifier: MIT
// The mixer on its own, with a plain MixerSource and no Sound: what the voices play, sample by
// sample, however long the source.
#include <gtest/gtest.h>

#include <vector>

#include "assets/Mixer.h"
#include "platform/FakePlatform.h"

namespace {

class MixerAlone : public ::testing::Test {
protected:
    void SetUp() override
    {
        plat::fake::Reset();
        ASSERT_TRUE(StartMixer());
    }
    void TearDown() override
    {
        StopMixer();
        plat::fake::Reset();
    }
    static void Play(MixerSource& source)
    {
        MixerLock lock;
        AddVoiceLocked(&source);
        source.playing = true;
    }
};

}  // namespace

// Past 2^24 samples a float count of what is left no longer steps by 1: the voice stuck on one
// sample (or skipped every other one). Every sample plays exactly once, in order, and the voice
// ends with the last.
TEST_F(MixerAlone, ASourceLongerThan2To24SamplesPlaysEachSampleOnce)
{
    const int32_t count = (1 << 24) + 1001;
    std::vector<int16_t> samples(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) samples[size_t(i)] = int16_t(i % 20011 - 10000);
    MixerSource source;
    source.samples = samples.data();
    source.sampleCount = count;
    Play(source);

    const int chunk = 1 << 20;  // frames per Mix call
    std::vector<int16_t> out(size_t(chunk) * 2);
    int64_t frame = 0;
    int64_t wrong = 0;
    int64_t firstWrong = -1;
    while (frame < count + 10) {
        Mix(out.data(), int(out.size()));
        for (int f = 0; f < chunk; ++f, ++frame) {
            int16_t expected = frame < count ? samples[size_t(frame)] : 0;
            if (out[2 * size_t(f)] != expected || out[2 * size_t(f) + 1] != expected) {
                if (firstWrong < 0) firstWrong = frame;
                ++wrong;
            }
        }
        if (frame > count && !VoiceAt(0).active) break;
    }
    EXPECT_EQ(wrong, 0) << "first wrong frame " << firstWrong;
    EXPECT_FALSE(VoiceAt(0).active);
    EXPECT_FALSE(source.playing);
}
