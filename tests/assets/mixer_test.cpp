// SPDX-License-Identifier: MIT
// The mixer and the audio device, driven through the fake backend: bit-exact mixing, the voice
// table, the refill cycle, PlaySoundAt, the silent game without a device, and a two-thread
// test meant to run under ThreadSanitizer as well.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <memory>
#include <thread>

#include "assets/SoundOutput.h"
#include "assets/WaveFixture.h"
#include "math/View.h"
#include "platform/FakePlatform.h"

using namespace wavefix;

namespace {

std::unique_ptr<Sound> MakeSound(const std::vector<int16_t>& samples)
{
    Bytes file = MixerReady(samples);
    auto s = std::make_unique<Sound>(file.data(), file.size());
    EXPECT_TRUE(s->loaded);
    return s;
}

std::vector<int16_t> MixValues(int frames)
{
    std::vector<int16_t> out(size_t(frames) * 2, 0x5A5A);
    Mix(out.data(), frames * 2);
    return out;
}

std::vector<int16_t> Decode(const std::vector<uint8_t>& bytes)
{
    std::vector<int16_t> v(bytes.size() / 2);
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = int16_t(uint16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
    return v;
}

// The same mono ramp on both channels, as the mixer makes it at gains 1.
std::vector<int16_t> BothChannels(const std::vector<int16_t>& mono, size_t frames)
{
    std::vector<int16_t> v(frames * 2, 0);
    for (size_t i = 0; i < mono.size() && i < frames; ++i) v[2 * i] = v[2 * i + 1] = mono[i];
    return v;
}

std::vector<int16_t> Ramp(int n, int start = -15000, int step = 7)
{
    std::vector<int16_t> v(n);
    for (int i = 0; i < n; ++i) v[i] = int16_t(start + i * step);
    return v;
}

struct Heard {
    Vector3D position;
    float range;
    void* exclude;
    int32_t value;
};
std::vector<Heard> heard;
void RecordNoise(const Vector3D& position, float range, void* exclude, int32_t value)
{
    heard.push_back({position, range, exclude, value});
}

class Mixer : public ::testing::Test {
protected:
    void SetUp() override
    {
        plat::fake::Reset();
        SetNoiseListener(nullptr);
        heard.clear();
        CameraEye = {0, 0, 0};
        CameraDirection = {1, 0, 0};
        CameraUp = {0, 1, 0};
        ASSERT_TRUE(InitSound());
    }
    void TearDown() override
    {
        ShutdownSound();
        plat::fake::Reset();
    }
};

}  // namespace

TEST_F(Mixer, GainsFollowVolumeAndPan)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        float volumeIn, panIn;
        float volume, pan, left, right;
    };
    const Case cases[] = {
        {0.8f, 0.5f, 0.8f, 0.5f, 0.4f, 0.8f},
        {0.5f, -0.25f, 0.5f, -0.25f, 0.5f, 0.375f},
        {1.0f, 1.0f, 1.0f, 1.0f, 0.0f, 1.0f},  // full right silences the left
        {1.0f, -1.0f, 1.0f, -1.0f, 1.0f, 0.0f},
        {-1.0f, 2.0f, 0.0f, 1.0f, 0.0f, 0.0f},  // stored as 0 and 1
        {1.0f, -7.0f, 1.0f, -1.0f, 1.0f, 0.0f},
        {2.0f, 0.0f, 2.0f, 0.0f, 2.0f, 2.0f},
        {nan, nan, 0.0f, 0.0f, 0.0f, 0.0f},
    };
    auto s = MakeSound({1});
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.volumeIn << " " << c.panIn);
        s->SetVolume(c.volumeIn);
        s->SetPan(c.panIn);
        EXPECT_EQ(s->volume, c.volume);
        EXPECT_EQ(s->pan, c.pan);
        EXPECT_FLOAT_EQ(s->leftGain, c.left);
        EXPECT_FLOAT_EQ(s->rightGain, c.right);
        // Either setter recomputes both gains from the current pair.
        s->SetPan(0.0f);
        s->SetVolume(c.volume);
        s->SetPan(c.pan);
        EXPECT_FLOAT_EQ(s->leftGain, c.left);
        EXPECT_FLOAT_EQ(s->rightGain, c.right);
    }
}

TEST_F(Mixer, MixClampsTheSumThenTruncatesTowardZero)
{
    struct VoiceSetup {
        int16_t sample;
        float volume, pan;
    };
    struct Case {
        const char* name;
        std::vector<VoiceSetup> voices;
        int16_t left, right;
    };
    const Case cases[] = {
        {"two at +30000 clip high", {{30000, 1, 0}, {30000, 1, 0}}, 32767, 32767},
        {"two at -30000 clip low", {{-30000, 1, 0}, {-30000, 1, 0}}, -32768, -32768},
        {"-3 at half volume", {{-3, 0.5f, 0}}, -1, -1},
        {"+3 at half volume", {{3, 0.5f, 0}}, 1, 1},
        {"clamped only at the end", {{20000, 1, 0}, {20000, 1, 0}, {-30000, 1, 0}}, 10000, 10000},
        {"extremes cancel", {{32767, 1, 0}, {-32768, 1, 0}}, -1, -1},
        {"pan halves the left", {{-32768, 1, 0.5f}}, -16384, -32768},
        {"pan -1 silences the right", {{1000, 1, -1}}, 1000, 0},
        {"volume 0.3, right at 0.15", {{-101, 0.3f, -0.5f}}, -30, -15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::unique_ptr<Sound>> sounds;
        for (const VoiceSetup& v : c.voices) {
            sounds.push_back(MakeSound({v.sample}));
            sounds.back()->SetVolume(v.volume);
            sounds.back()->SetPan(v.pan);
            sounds.back()->Play();
        }
        std::vector<int16_t> out = MixValues(2);
        EXPECT_EQ(out[0], c.left);
        EXPECT_EQ(out[1], c.right);
        // One sample each: the voices are free again and the next frame is silent.
        EXPECT_EQ(out[2], 0);
        EXPECT_EQ(out[3], 0);
        for (auto& s : sounds) EXPECT_FALSE(s->IsPlaying());
    }
}

TEST_F(Mixer, RefillsAlternateAndA4410SampleSoundFillsExactlyOne)
{
    // InitSound queued two silent buffers of 100 ms.
    ASSERT_EQ(plat::fake::AudioQueuedCount(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        std::vector<uint8_t> b = plat::fake::AudioQueuedBuffer(i);
        ASSERT_EQ(b.size(), size_t(kMixBufferBytes));
        EXPECT_EQ(Decode(b), std::vector<int16_t>(kMixBufferValues, 0));
    }

    std::vector<int16_t> exact = Ramp(4410);
    std::vector<int16_t> longer = Ramp(4411, 9000, -3);
    auto a = MakeSound(exact);
    a->Play();
    // The device hands back buffer 0; the refill mixes the whole sound into it.
    ASSERT_TRUE(plat::fake::AudioCompleteOne());
    ASSERT_EQ(plat::fake::AudioQueuedCount(), 2u);
    EXPECT_EQ(Decode(plat::fake::AudioQueuedBuffer(1)), BothChannels(exact, 4410));
    EXPECT_FALSE(a->IsPlaying());
    EXPECT_FALSE(VoiceAt(0).active);

    // One sample more spills into the next refill.
    auto b = MakeSound(longer);
    b->Play();
    ASSERT_TRUE(plat::fake::AudioCompleteOne());  // buffer 1 returns
    EXPECT_TRUE(b->IsPlaying());
    ASSERT_TRUE(plat::fake::AudioCompleteOne());  // buffer 0 (the first ramp) returns
    EXPECT_FALSE(b->IsPlaying());
    std::vector<int16_t> tail = Decode(plat::fake::AudioQueuedBuffer(1));
    std::vector<int16_t> expectedTail(kMixBufferValues, 0);
    expectedTail[0] = expectedTail[1] = longer.back();
    EXPECT_EQ(tail, expectedTail);

    // What the device played, in order: silence, silence, the first ramp.
    const auto& played = plat::fake::AudioPlayed();
    ASSERT_EQ(played.size(), 3u);
    EXPECT_EQ(Decode(played[1]), std::vector<int16_t>(kMixBufferValues, 0));
    EXPECT_EQ(Decode(played[2]), BothChannels(exact, 4410));
}

TEST_F(Mixer, FifthSoundDoublesTheTableAndTakesSlotFour)
{
    std::vector<std::unique_ptr<Sound>> sounds;
    for (int i = 0; i < 6; ++i) sounds.push_back(MakeSound({int16_t(100 * (i + 1)), 1, 1, 1}));
    for (int i = 0; i < 4; ++i) sounds[i]->Play();
    EXPECT_EQ(VoiceCapacity(), 4);
    MixValues(1);  // move the first four cursors on

    sounds[4]->Play();
    ASSERT_EQ(VoiceCapacity(), 8);
    for (int i = 0; i < 4; ++i) {
        Voice v = VoiceAt(i);
        EXPECT_TRUE(v.active);
        EXPECT_EQ(v.sound, sounds[i].get());
        EXPECT_EQ(v.cursor, sounds[i]->samples + 1);
        EXPECT_EQ(v.remaining, 3.0f);
    }
    Voice fifth = VoiceAt(4);
    EXPECT_TRUE(fifth.active);
    EXPECT_EQ(fifth.sound, sounds[4].get());
    EXPECT_EQ(fifth.cursor, sounds[4]->samples);
    for (int i = 5; i < 8; ++i) EXPECT_FALSE(VoiceAt(i).active);

    // All five are mixed: 1 + 1 + 1 + 1 + 500.
    EXPECT_EQ(MixValues(1)[0], 504);

    // A freed slot is taken first, in index order; the table never shrinks.
    sounds[1]->Stop();
    sounds[5]->Play();
    EXPECT_EQ(VoiceAt(1).sound, sounds[5].get());
    for (auto& s : sounds) s->Stop();
    EXPECT_EQ(VoiceCapacity(), 8);
}

TEST_F(Mixer, OneVoicePerSoundStopAndRestart)
{
    auto s = MakeSound({10, 20, 30});
    s->Play();
    s->Play();  // already playing: nothing happens
    EXPECT_TRUE(VoiceAt(0).active);
    EXPECT_FALSE(VoiceAt(1).active);
    EXPECT_EQ(MixValues(1)[0], 10);

    s->Stop();
    EXPECT_FALSE(s->IsPlaying());
    EXPECT_FALSE(VoiceAt(0).active);
    EXPECT_EQ(MixValues(1), (std::vector<int16_t>{0, 0}));
    s->Stop();  // harmless

    // Played to its end by the mixer, it can start again from the beginning.
    s->Play();
    EXPECT_EQ(MixValues(4), (std::vector<int16_t>{10, 10, 20, 20, 30, 30, 0, 0}));
    EXPECT_FALSE(s->IsPlaying());
    s->Play();
    EXPECT_EQ(MixValues(1)[0], 10);
}

TEST_F(Mixer, CursorAdvancesByTheWholeSamplesTheRatePasses)
{
    struct Case {
        float rate;
        std::vector<int16_t> samples;
        std::vector<int16_t> left;  // one value per frame
    };
    const Case cases[] = {
        {2.0f, {10, 20, 30, 40, 50}, {10, 30, 50, 0}},
        // Half speed: floor(3) - floor(2.5) = 1, then floor(2.5) - floor(2) = 0, ... The last
        // step reaches the end of the samples with 0.5 remaining; nothing past them is read.
        {0.5f, {10, 20, 30}, {10, 20, 20, 30, 30, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        auto s = MakeSound(c.samples);
        s->rate = c.rate;
        s->Play();
        std::vector<int16_t> out = MixValues(int(c.left.size()));
        for (size_t i = 0; i < c.left.size(); ++i)
            EXPECT_EQ(out[2 * i], c.left[i]) << "frame " << i;
        EXPECT_FALSE(s->IsPlaying());
    }
}

TEST_F(Mixer, DestroyingAPlayingSoundReleasesItsVoice)
{
    Sound* bank = MakeSound(Ramp(100, 1000, 1)).release();
    Sound* mine = new Sound(*bank);
    Sound* other = new Sound(*bank);
    mine->Play();
    other->Play();
    MixValues(2);
    delete mine;  // a game object dies while its sound plays
    EXPECT_FALSE(VoiceAt(0).active);
    EXPECT_TRUE(VoiceAt(1).active);

    // The bank sound goes too; the copy still owns a share of the samples.
    delete bank;
    std::vector<int16_t> out = MixValues(3);
    EXPECT_EQ(out, (std::vector<int16_t>{1002, 1002, 1003, 1003, 1004, 1004}));
    delete other;
    EXPECT_EQ(MixValues(1), (std::vector<int16_t>{0, 0}));
}

TEST_F(Mixer, PlaySoundAtPansAndAttenuatesAgainstTheCamera)
{
    SetNoiseListener(RecordNoise);
    CameraEye = {10, 0, 0};  // looking along +x with y up: the right side is +z
    int marker = 0;

    auto s = MakeSound(Ramp(50, 100, 1));
    PlaySoundAt(s.get(), {10, 0, 50}, 100.0f, &marker, 7);
    EXPECT_FLOAT_EQ(s->volume, 0.5f);
    EXPECT_FLOAT_EQ(s->pan, 1.0f);
    EXPECT_FLOAT_EQ(s->leftGain, 0.0f);
    EXPECT_FLOAT_EQ(s->rightGain, 0.5f);
    EXPECT_TRUE(s->IsPlaying());
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].position, (Vector3D{10, 0, 50}));
    EXPECT_EQ(heard[0].range, 100.0f);
    EXPECT_EQ(heard[0].exclude, &marker);
    EXPECT_EQ(heard[0].value, 7);

    // Straight ahead: centred. A playing sound starts again from its beginning.
    MixValues(5);
    PlaySoundAt(s.get(), {70, 0, 0}, 100.0f, nullptr, 0);
    EXPECT_NEAR(s->pan, 0.0f, 1e-6f);
    EXPECT_FLOAT_EQ(s->volume, 0.4f);
    EXPECT_EQ(VoiceAt(0).cursor, s->samples);
    EXPECT_EQ(VoiceAt(0).remaining, 50.0f);

    // Exactly at the range, on the left: plays at volume 0.
    PlaySoundAt(s.get(), {10, 0, -100}, 100.0f, nullptr, 1);
    EXPECT_EQ(s->volume, 0.0f);
    EXPECT_FLOAT_EQ(s->pan, -1.0f);
    EXPECT_TRUE(s->IsPlaying());

    // Beyond the range the sound is neither restarted nor changed, but the noise is heard.
    MixValues(3);
    s->SetVolume(0.7f);
    PlaySoundAt(s.get(), {10, 0, 100.5f}, 100.0f, nullptr, 2);
    EXPECT_EQ(s->volume, 0.7f);
    EXPECT_FLOAT_EQ(s->pan, -1.0f);
    EXPECT_EQ(VoiceAt(0).cursor, s->samples + 3);
    ASSERT_EQ(heard.size(), 4u);
    EXPECT_EQ(heard[3].value, 2);

    // A range of 0 at the camera itself gives silence, not a number that is none.
    PlaySoundAt(s.get(), CameraEye, 0.0f, nullptr, 3);
    EXPECT_EQ(s->volume, 0.0f);
    EXPECT_EQ(MixValues(1), (std::vector<int16_t>{0, 0}));

    // No sound at all: only the listener hears of it.
    PlaySoundAt(nullptr, {0, 0, 0}, 10.0f, nullptr, 4);
    EXPECT_EQ(heard.size(), 6u);
}

TEST_F(Mixer, ShutdownFreesTheBankAndClosesTheDevice)
{
    Bytes file = MixerReady(Ramp(20));
    SoundBank.Append(new Sound(file.data(), file.size()));
    SoundBank.Append(new Sound(file.data(), file.size()));
    auto copy = std::make_unique<Sound>(*SoundBank[0]);
    copy->Play();

    ShutdownSound();
    EXPECT_EQ(SoundBank.Count(), 0);
    EXPECT_FALSE(SoundEnabled());
    EXPECT_FALSE(SoundDeviceOpen());
    EXPECT_EQ(VoiceCapacity(), 0);
    EXPECT_FALSE(plat::fake::AudioIsOpen());
    EXPECT_EQ(plat::fake::AudioQueuedCount(), 0u);
    // No refill queues anything once the device is closed.
    SubmitBuffer();
    EXPECT_FALSE(plat::fake::AudioCompleteOne());
    // The copy outlives the bank and the mixer; it keeps its share of the samples.
    EXPECT_EQ(copy->samples[19], Ramp(20)[19]);
    copy->Stop();
    copy->Play();
    copy.reset();
}

TEST(MixerWithoutDevice, TheGameRunsSilently)
{
    plat::fake::Reset();
    plat::fake::SetAudioAvailable(false);
    EXPECT_FALSE(InitSound());
    EXPECT_FALSE(SoundEnabled());
    EXPECT_FALSE(SoundDeviceOpen());

    auto s = MakeSound({1000, 2000});
    s->Play();
    EXPECT_TRUE(s->IsPlaying());  // marked, but no voice is taken
    for (int i = 0; i < VoiceCapacity(); ++i) EXPECT_FALSE(VoiceAt(i).active);
    std::vector<int16_t> out = MixValues(2);
    EXPECT_EQ(out, std::vector<int16_t>(4, 0x5A5A));  // nothing written
    PlaySoundAt(s.get(), {1, 0, 0}, 10.0f, nullptr, 0);
    s->Stop();
    EXPECT_FALSE(s->IsPlaying());
    s.reset();
    ShutdownSound();
    plat::fake::Reset();
}

TEST_F(Mixer, UnloadedSoundsTakeNoVoice)
{
    const uint8_t junk[] = {'R', 'I', 'F', 'F', 0, 0, 0, 0};
    Sound bad(junk, sizeof junk);
    bad.Play();
    EXPECT_FALSE(VoiceAt(0).active);
    EXPECT_EQ(MixValues(1), (std::vector<int16_t>{0, 0}));
}

// A sound at a rate far below the mixer's plays for as long as it lasts: one second at 3999 Hz
// becomes 43989 frames (11 for each of its samples), every one of them heard in order, and then
// its voice is free.
TEST_F(Mixer, ASecondAt3999HzPlaysForASecond)
{
    Bytes pcm(3999);
    for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = uint8_t(i * 37);
    Bytes file = Riff({Fmt(3999, 1, 8), Data(pcm)});
    Sound sound(file.data(), file.size());
    ASSERT_TRUE(sound.loaded) << sound.problem;
    const int frames = 3999 * 11;
    ASSERT_EQ(sound.sampleCount, frames);
    sound.Play();
    std::vector<int16_t> out = MixValues(frames + 1);
    // The source samples come in file order, each for 10 to 12 frames.
    size_t source = 0, run = 0;
    for (int k = 0; k < frames; ++k) {
        const int16_t heard = out[2 * size_t(k)];
        ASSERT_EQ(out[2 * size_t(k) + 1], heard) << k;
        auto wide = [&pcm](size_t i) { return int16_t((int(pcm[i]) - 128) * 256); };
        if (heard != wide(source)) {
            ASSERT_GE(run, 10u) << k;
            ++source;
            run = 0;
            ASSERT_LT(source, pcm.size()) << k;
            ASSERT_EQ(heard, wide(source)) << k;
        }
        ASSERT_LE(++run, 12u) << k;
    }
    EXPECT_EQ(source, pcm.size() - 1);
    EXPECT_EQ(out[2 * size_t(frames)], 0);
    EXPECT_FALSE(sound.IsPlaying());
}

// The game thread starts, changes, stops and destroys sounds while the device thread keeps
// refilling; then the device is closed while refills are still arriving. Run under
// ThreadSanitizer (-DQB_TSAN=ON) this reports nothing.
TEST_F(Mixer, PlayAndStopWhileTheDeviceRefills)
{
    Bytes file = MixerReady(Ramp(3000, -20000, 13));
    SoundBank.Append(new Sound(file.data(), file.size()));

    std::atomic<bool> finished{false};
    std::thread device([&] {
        for (int i = 0; i < 400; ++i) plat::fake::AudioCompleteOne();
        finished = true;
    });
    std::vector<std::unique_ptr<Sound>> sounds;
    for (int i = 0; i < 12; ++i) sounds.push_back(std::make_unique<Sound>(*SoundBank[0]));
    unsigned step = 0;
    while (!finished) {
        ++step;
        Sound& s = *sounds[step % sounds.size()];
        switch (step % 5) {
            case 0:
                s.Play();
                break;
            case 1:
                s.SetPan(float(step % 7) / 3.0f - 1.0f);
                break;
            case 2:
                s.SetVolume(float(step % 4) * 0.4f);
                break;
            case 3:
                PlaySoundAt(&s, {float(step % 50), 0, 5}, 100.0f, nullptr, 0);
                break;
            default:
                if (s.IsPlaying()) s.Stop();
                // A game object dies with its sound and another one takes its place.
                sounds[(step * 7) % sounds.size()] = std::make_unique<Sound>(*SoundBank[0]);
                break;
        }
    }
    device.join();
    EXPECT_EQ(plat::fake::AudioQueuedCount(), 2u);
    EXPECT_GT(VoiceCapacity(), 0);

    // Closing while the device thread keeps firing: it stops once nothing is queued.
    for (auto& s : sounds) s->Play();
    std::thread closing([] {
        while (plat::fake::AudioCompleteOne()) {
        }
    });
    ShutdownSound();
    closing.join();
    EXPECT_EQ(plat::fake::AudioQueuedCount(), 0u);
    EXPECT_FALSE(plat::fake::AudioIsOpen());
    sounds.clear();
}
