// SPDX-License-Identifier: MIT
// The mixer on its own, with plain MixerSources and no Sound: what the voices play, sample by
// sample, however long the source, and the same output to the bit as the mixer's first,
// frame-by-frame loop.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
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

namespace {

// The mixer as it first was, one frame at a time over every voice: the reference the mixer
// must match to the bit however it orders its loops.
int16_t ReferenceSample(float v)
{
    if (v != v) return 0;
    if (v < -32768.0f) v = -32768.0f;
    if (v > 32767.0f) v = 32767.0f;
    return int16_t(v);
}

void ReferenceMix(std::vector<Voice>& voices, int16_t* out, int count)
{
    for (int frame = 0; frame + 1 < count; frame += 2) {
        float left = 0.0f;
        float right = 0.0f;
        for (Voice& v : voices) {
            if (!v.active) continue;
            MixerSource* s = v.sound;
            const int16_t* end = s->samples + s->sampleCount;
            if (v.cursor >= end) {
                v.active = false;
                s->playing = false;
                continue;
            }
            float x = *v.cursor;
            left += x * s->leftGain;
            right += x * s->rightGain;
            double next = v.remaining - double(s->rate);
            double step = std::floor(v.remaining) - std::floor(next);
            double room = double(end - v.cursor);
            if (!(step >= 0.0)) step = 0.0;
            if (step > room) step = room;
            v.cursor += ptrdiff_t(step);
            v.remaining = next;
            if (!(v.remaining > 0.0) || v.cursor >= end) {
                v.active = false;
                s->playing = false;
            }
        }
        out[frame] = ReferenceSample(left);
        out[frame + 1] = ReferenceSample(right);
    }
}

struct VoiceSetup {
    int32_t length;  // samples
    float rate;
    float leftGain, rightGain;
    int startCall;  // the Mix call before which it starts
    float laterRate;  // the rate from the third call on (0: unchanged)
};

struct MixCase {
    const char* what;
    std::vector<VoiceSetup> voices;
    std::vector<int> counts;  // values per Mix call
};

}  // namespace

// Voice by voice or frame by frame, the output, the voices' places and their ends must be the
// same: for sums that clip, sounds that end inside a buffer or at its last frame, odd counts,
// rates other than 1 (also changed while playing, which leaves a fraction of a sample to
// count), gains that are not numbers, and voices that start between refills.
TEST_F(MixerAlone, VoiceByVoiceMixesExactlyAsFrameByFrame)
{
    const float nan = std::nanf("");
    std::vector<VoiceSetup> sixteen;
    for (int v = 0; v < 16; ++v)
        sixteen.push_back(
            {3000 + 977 * v, 1.0f, 0.1f + 0.07f * float(v), 1.0f - 0.05f * float(v), v % 3, 0.0f});
    const MixCase cases[] = {
        {"sixteen voices, clipping, ending inside buffers", sixteen, {8820, 8820, 8820, 8820}},
        {"ends on the last frame of a buffer", {{4410, 1.0f, 1.0f, 1.0f, 0, 0.0f}}, {8820, 8820}},
        {"odd counts and short calls",
         {{700, 1.0f, 0.8f, 0.3f, 0, 0.0f}, {2500, 1.0f, 2.0f, 2.0f, 1, 0.0f}},
         {1, 3, 2047, 2049, 5, 8820}},
        {"rates other than one",
         {{5000, 0.5f, 1.0f, 0.5f, 0, 0.0f},
          {5000, 1.5f, 0.5f, 1.0f, 0, 0.0f},
          {5000, 1.0f / 3.0f, 1.0f, 1.0f, 1, 0.0f}},
         {8820, 8820, 8820, 8820}},
        {"rate changed while playing",
         {{9000, 0.5f, 1.0f, 1.0f, 0, 1.0f}, {9000, 1.0f, 0.7f, 0.7f, 0, 0.25f}},
         {3001, 3001, 8820, 8820, 8820}},
        {"gains that are not numbers",
         {{3000, 1.0f, nan, 1.0f, 0, 0.0f}, {3000, 1.0f, 1.0f, 1.0f, 0, 0.0f}},
         {8820}},
    };
    std::vector<int16_t> samples(20000);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t((int(i) * 7919) % 65536 - 32768);

    for (const MixCase& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t n = c.voices.size();
        std::vector<MixerSource> mine(n), theirs(n);
        std::vector<Voice> reference;
        for (size_t i = 0; i < n; ++i) {
            for (MixerSource* s : {&mine[i], &theirs[i]}) {
                s->samples = samples.data() + 97 * i;
                s->sampleCount = c.voices[i].length;
                s->rate = c.voices[i].rate;
                s->leftGain = c.voices[i].leftGain;
                s->rightGain = c.voices[i].rightGain;
            }
        }
        for (size_t call = 0; call < c.counts.size(); ++call) {
            for (size_t i = 0; i < n; ++i) {
                const VoiceSetup& v = c.voices[i];
                if (call == 2 && v.laterRate != 0.0f) mine[i].rate = theirs[i].rate = v.laterRate;
                if (size_t(v.startCall) != call) continue;
                Play(mine[i]);
                theirs[i].playing = true;
                Voice voice;
                voice.sound = &theirs[i];
                voice.cursor = theirs[i].samples;
                voice.remaining = double(theirs[i].sampleCount);
                voice.active = true;
                // The mixer takes the first free slot; so does the reference.
                size_t slot = 0;
                while (slot < reference.size() && reference[slot].active) ++slot;
                if (slot == reference.size()) reference.push_back(voice);
                else reference[slot] = voice;
            }
            const int count = c.counts[call];
            std::vector<int16_t> got(size_t(count), 0x5A5A), want(size_t(count), 0x5A5A);
            Mix(got.data(), count);
            ReferenceMix(reference, want.data(), count);
            ASSERT_EQ(got, want) << "call " << call;
            for (size_t slot = 0; slot < reference.size(); ++slot) {
                const Voice v = VoiceAt(int32_t(slot));
                const Voice& r = reference[slot];
                ASSERT_EQ(v.active, r.active) << "slot " << slot << ", call " << call;
                if (!r.active) continue;
                const size_t i = size_t(r.sound - theirs.data());
                EXPECT_EQ(v.sound, &mine[i]);
                EXPECT_EQ(v.cursor - mine[i].samples, r.cursor - theirs[i].samples);
                EXPECT_EQ(v.remaining, r.remaining);
            }
            for (size_t i = 0; i < n; ++i) EXPECT_EQ(mine[i].playing, theirs[i].playing) << i;
        }
        MixerLock lock;
        for (MixerSource& s : mine) ReleaseVoiceLocked(&s);
    }
}
