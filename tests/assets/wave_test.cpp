// SPDX-License-Identifier: MIT
// The WAV loader: conversion to 16-bit mono 44100 Hz, rejected files, shared copies, and a
// corruption sweep (meant to run under AddressSanitizer as well).
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "assets/Sound.h"
#include "assets/WaveFixture.h"

using namespace wavefix;

namespace {

std::vector<int16_t> SamplesOf(const Sound& s)
{
    if (!s.samples) return {};
    return std::vector<int16_t>(s.samples, s.samples + s.sampleCount);
}

// Loads from a heap block of exactly the file's length, so a read past it is caught.
std::unique_ptr<Sound> Load(const Bytes& file)
{
    std::unique_ptr<uint8_t[]> block(new uint8_t[file.size() ? file.size() : 1]);
    if (!file.empty()) std::memcpy(block.get(), file.data(), file.size());
    return std::make_unique<Sound>(block.get(), file.size());
}

void ExpectMixerFormat(const Sound& s, int32_t copies = 1)
{
    EXPECT_TRUE(s.loaded);
    EXPECT_FALSE(s.stereo);
    EXPECT_EQ(s.bitsPerSample, 16);
    EXPECT_FALSE(s.playing);
    EXPECT_EQ(s.rate, 1.0f);
    EXPECT_EQ(s.volume, 1.0f);
    EXPECT_EQ(s.pan, 0.0f);
    EXPECT_EQ(s.leftGain, 1.0f);
    EXPECT_EQ(s.rightGain, 1.0f);
    ASSERT_NE(s.refCount, nullptr);
    EXPECT_EQ(*s.refCount, copies);
}

int16_t From8(uint8_t b) { return int16_t((int(b) - 128) * 256); }

}  // namespace

TEST(WaveLoad, EightBitMonoAt22050PlaysEachByteTwice)
{
    Bytes pcm(1000);
    for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = uint8_t(i * 37 + 11);
    pcm[0] = 128;
    pcm[1] = 255;
    pcm[2] = 0;
    auto s = Load(Riff({Fmt(22050, 1, 8), Data(pcm)}));
    ExpectMixerFormat(*s);
    EXPECT_EQ(s->sampleRate, 44100);
    ASSERT_EQ(s->sampleCount, 2000);
    EXPECT_EQ(s->samples[0], 0);
    EXPECT_EQ(s->samples[2], 32512);
    EXPECT_EQ(s->samples[4], -32768);
    for (size_t i = 0; i < pcm.size(); ++i) {
        ASSERT_EQ(s->samples[2 * i], From8(pcm[i])) << i;
        ASSERT_EQ(s->samples[2 * i + 1], From8(pcm[i])) << i;
    }
}

TEST(WaveLoad, SixteenBitStereoAveragesEachFrameTowardZero)
{
    // (left, right) -> expected mono sample
    const int pairs[][3] = {
        {30000, 30001, 30000},    {-3, 0, -1},           {-1, -2, -1},       {1, 2, 1},
        {-32768, -32768, -32768}, {32767, 32767, 32767}, {-32768, 32767, 0}, {100, -300, -100},
    };
    std::vector<int16_t> interleaved;
    std::vector<int16_t> expected;
    for (int i = 0; i < 1000; ++i) {
        const int* p = pairs[i % 8];
        interleaved.push_back(int16_t(p[0]));
        interleaved.push_back(int16_t(p[1]));
        expected.push_back(int16_t(p[2]));
    }
    Bytes pcm = Pcm16(interleaved);
    ASSERT_EQ(pcm.size(), 4000u);
    auto s = Load(Riff({Fmt(44100, 2, 16), Data(pcm)}));
    ExpectMixerFormat(*s);
    EXPECT_EQ(s->sampleRate, 44100);
    EXPECT_EQ(SamplesOf(*s), expected);
}

TEST(WaveLoad, Stereo11025AveragesFirstThenRepeatsFourTimes)
{
    std::vector<int16_t> interleaved = {-5, 0, 1000, 2000, 7, 8, -32768, -32767};
    auto s = Load(Riff({Fmt(11025, 2, 16), Data(Pcm16(interleaved))}));
    ExpectMixerFormat(*s);
    EXPECT_EQ(s->sampleRate, 44100);
    std::vector<int16_t> expected;
    for (int16_t m : {int16_t(-2), int16_t(1500), int16_t(7), int16_t(-32767)})
        expected.insert(expected.end(), 4, m);
    EXPECT_EQ(SamplesOf(*s), expected);
}

TEST(WaveLoad, RatesWithFactorOneOrAboveKeepTheirSamples)
{
    struct Case {
        uint32_t rate;
        int32_t storedRate;
    };
    // 44100 / 32000 and 44100 / 22051 are 1 in integer division: the samples stay as they
    // are and simply play faster. 48000 is not converted at all.
    const Case cases[] = {{32000, 44100}, {22051, 44100}, {44100, 44100}, {48000, 48000}};
    std::vector<int16_t> mono = {1, -2, 3, -4, 32767, -32768, 0};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        auto s = Load(Riff({Fmt(c.rate, 1, 16), Data(Pcm16(mono))}));
        ExpectMixerFormat(*s);
        EXPECT_EQ(s->sampleRate, c.storedRate);
        EXPECT_EQ(SamplesOf(*s), mono);
    }
}

TEST(WaveLoad, OtherFactorsKeepOrderAndLengthWithinOneRepeat)
{
    // 14700 -> 3, 8000 -> 5, 6300 -> 7, 11025 -> 4 (exact), 5512 -> 8 (exact).
    const uint32_t rates[] = {14700, 8000, 6300, 11025, 5512};
    const int n = 300;
    Bytes pcm(n);
    for (int i = 0; i < n; ++i) pcm[i] = uint8_t(i);  // strictly rising until the wrap at 256
    for (uint32_t rate : rates) {
        SCOPED_TRACE(rate);
        const int factor = int(44100 / rate);
        auto s = Load(Riff({Fmt(rate, 1, 8), Data(pcm)}));
        ExpectMixerFormat(*s);
        ASSERT_EQ(s->sampleCount, factor * n);
        // Recover the source index of each output sample and count the repeats.
        std::vector<int> repeats(n, 0);
        int source = 0;
        for (int k = 0; k < s->sampleCount; ++k) {
            while (source < n && s->samples[k] != From8(pcm[source])) ++source;
            ASSERT_LT(source, n) << "sample " << k << " out of order";
            ++repeats[source];
        }
        for (int i = 0; i < n; ++i) {
            EXPECT_GE(repeats[i], factor - 1) << i;
            EXPECT_LE(repeats[i], factor + 1) << i;
            if ((factor & (factor - 1)) == 0) {
                EXPECT_EQ(repeats[i], factor) << i;  // powers of two sum exactly
            }
        }
    }
}

TEST(WaveLoad, DataChunksAreJoinedInFileOrderAndOtherChunksSkipped)
{
    Bytes first(100), second(50);
    for (int i = 0; i < 100; ++i) first[i] = uint8_t(i);
    for (int i = 0; i < 50; ++i) second[i] = uint8_t(200 + i);
    Bytes list =
        Chunk("LIST", Bytes{'I', 'N', 'F', 'O', 'I', 'N', 'A', 'M', 3, 0, 0, 0, 'h', 'i', 0});
    auto s = Load(
        Riff({Fmt(44100, 1, 8), list, Data(first), Chunk("junk", Bytes(7, 0xEE)), Data(second)}));
    ExpectMixerFormat(*s);
    ASSERT_EQ(s->sampleCount, 150);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(s->samples[i], From8(first[i]));
    for (int i = 0; i < 50; ++i) ASSERT_EQ(s->samples[100 + i], From8(second[i]));

    // An empty data chunk is fine as long as it is not the last one.
    auto t = Load(Riff({Fmt(44100, 1, 8), Data({}), Data(second)}));
    EXPECT_TRUE(t->loaded);
    EXPECT_EQ(t->sampleCount, 50);
}

// Only one or two channels make sense of the data; a count of 0 or 65535 (read as -1 when the
// count was taken as signed) was played as mono.
TEST(WaveLoad, ChannelCountsOtherThanOneOrTwoAreRefused)
{
    for (int channels : {0, 3, 8, 65535}) {
        SCOPED_TRACE(channels);
        auto s = Load(Riff({Fmt(44100, channels, 16), Data(Pcm16({10, 20, 30, 40}))}));
        EXPECT_FALSE(s->loaded);
        EXPECT_EQ(s->samples, nullptr);
        EXPECT_EQ(s->problem, std::to_string(channels) + " channels (1 or 2)");
    }
}

TEST(WaveLoad, BlockEndBoundsTheWalk)
{
    Bytes pcm = Pcm16({5, 6, 7});
    // A RIFF size far beyond the block: the walk ends with the block.
    Bytes big = Riff({Fmt(44100, 1, 16), Data(pcm)});
    big[4] = big[5] = big[6] = 0xFF;
    big[7] = 0x7F;
    auto s = Load(big);
    EXPECT_TRUE(s->loaded);
    EXPECT_EQ(SamplesOf(*s), (std::vector<int16_t>{5, 6, 7}));

    // A few stray bytes after the last chunk, too short for another chunk header.
    Bytes tail = Riff({Fmt(44100, 1, 16), Data(pcm), Bytes{1, 2, 3}});
    auto t = Load(tail);
    EXPECT_TRUE(t->loaded);
    EXPECT_EQ(SamplesOf(*t), (std::vector<int16_t>{5, 6, 7}));

    // A RIFF size a few bytes short, ending inside the data chunk's header: the chunk starts
    // before the end, so it is still read (its header and body lie inside the block).
    Bytes shortRiff = Riff({Fmt(44100, 1, 16), Data(pcm)});
    const uint32_t dataChunkAt = 12 + 24;
    const uint32_t riffSize = dataChunkAt + 4 - 8;
    for (int i = 0; i < 4; ++i) shortRiff[4 + i] = uint8_t(riffSize >> (8 * i));
    auto u = Load(shortRiff);
    EXPECT_TRUE(u->loaded);
    EXPECT_EQ(SamplesOf(*u), (std::vector<int16_t>{5, 6, 7}));
}

TEST(WaveLoad, UnusableFilesAreNotLoaded)
{
    const Bytes fmt = Fmt(22050, 1, 8);
    const Bytes data = Data(Bytes(64, 0x90));
    Bytes notRiff = Riff({fmt, data});
    notRiff[0] = 'r';
    Bytes notWave = Riff({fmt, data});
    notWave[11] = 'w';
    Bytes shortFmt = fmt;
    shortFmt[4] = 14;  // declares 14 bytes: the bits field is not part of it
    Bytes fmtCutOff = Riff({Fmt(22050, 1, 8)});
    fmtCutOff.resize(fmtCutOff.size() - 3);

    struct Case {
        const char* name;
        Bytes file;
    };
    const Case cases[] = {
        {"empty block", {}},
        {"shorter than the RIFF header", Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0}},
        {"no RIFF tag", notRiff},
        {"no WAVE tag", notWave},
        {"format tag 3 (float)", Riff({Fmt(22050, 1, 8, 3), data})},
        {"24-bit samples", Riff({Fmt(22050, 1, 24), data})},
        {"no data chunk", Riff({fmt, Chunk("LIST", Bytes(10, 'x'))})},
        {"no fmt chunk", Riff({data})},
        {"empty last data chunk", Riff({fmt, data, Data({})})},
        {"only an empty data chunk", Riff({fmt, Data({})})},
        {"sample rate 0", Riff({Fmt(0, 1, 8), data})},
        {"negative sample rate", Riff({Fmt(0x80000000u, 1, 8), data})},
        {"fmt shorter than its fields", Riff({shortFmt, data})},
        {"fmt cut off by the end of the file", fmtCutOff},
        {"data runs past the end of the file", Riff({fmt, Chunk("data", Bytes(10, 1), 1000)})},
        {"16-bit data of a single byte", Riff({Fmt(44100, 1, 16), Data(Bytes{7})})},
        {"stereo data of half a frame", Riff({Fmt(44100, 2, 16), Data(Pcm16({9}))})},
        {"rate 1 stretches past 2^31 samples", Riff({Fmt(1, 1, 8), Data(Bytes(50000, 0x80))})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = Load(c.file);
        EXPECT_FALSE(s->loaded);
        EXPECT_EQ(s->samples, nullptr);
        EXPECT_EQ(s->sampleCount, 0);
        EXPECT_FALSE(s->playing);
        EXPECT_FALSE(s->problem.empty());
    }
    Sound none(nullptr, 0);
    EXPECT_FALSE(none.loaded);
}

// A few kilobytes must not turn into a gigabyte of samples: a sound longer than 60 s once
// converted is refused before the long buffer exists, with its reason, however slow its rate
// (even one a second "fmt " chunk after the data brings in). The cap is the only bound: short
// sounds at slow rates load, and so do the edges.
TEST(WaveLoad, SoundsOver60SecondsAreRefusedWhateverTheRate)
{
    // The weapon slot's 10744 bytes at 1 Hz asked for 471 million samples.
    const Bytes slotData(10744 - 44, 0x90);
    // 4000 Hz stretches 11 times: 240545 bytes give 2645995 samples, 240546 give 2646006.
    const int32_t atCap = kMaxSoundSamples / 11;
    struct Case {
        const char* name;
        Bytes file;
        const char* reason;  // none: loads
        int32_t samples;
    };
    const Case cases[] = {
        {"1 Hz in the weapon slot", Riff({Fmt(1, 1, 8), Data(slotData)}),
         "471870000 samples once converted (at most 2646000, 60 seconds)", 0},
        {"a second fmt chunk after the data sets 1 Hz",
         Riff({Fmt(22050, 1, 8), Data(Bytes(4000, 0x90)), Fmt(1, 1, 8)}),
         "176400000 samples once converted", 0},
        {"1 Hz for exactly 60 s", Riff({Fmt(1, 1, 8), Data(Bytes(60, 0x90))}), nullptr,
         kMaxSoundSamples},
        {"1 Hz for 61 s", Riff({Fmt(1, 1, 8), Data(Bytes(61, 0x90))}),
         "2690100 samples once converted", 0},
        {"one second at 3999 Hz", Riff({Fmt(3999, 1, 8), Data(Bytes(3999, 0x90))}), nullptr,
         3999 * 11},
        {"0.1 s at 1000 Hz", Riff({Fmt(1000, 1, 8), Data(Bytes(100, 0x90))}), nullptr, 4400},
        {"4000 Hz", Riff({Fmt(4000, 1, 8), Data(Bytes(100, 0x90))}), nullptr, 1100},
        {"60 s once converted", Riff({Fmt(4000, 1, 8), Data(Bytes(size_t(atCap), 0x90))}), nullptr,
         atCap * 11},
        {"one sample more than 60 s", Riff({Fmt(4000, 1, 8), Data(Bytes(size_t(atCap) + 1, 0x90))}),
         "samples once converted (at most 2646000", 0},
        {"over 60 s at 48000 Hz",
         Riff({Fmt(48000, 1, 8), Data(Bytes(size_t(kMaxSoundSamples) + 1, 0x90))}),
         "2646001 samples once converted", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = Load(c.file);
        if (!c.reason) {
            ExpectMixerFormat(*s);
            EXPECT_EQ(s->sampleCount, c.samples);
            EXPECT_TRUE(s->problem.empty()) << s->problem;
            continue;
        }
        EXPECT_FALSE(s->loaded);
        EXPECT_EQ(s->samples, nullptr);
        EXPECT_EQ(s->sampleCount, 0);
        EXPECT_NE(s->problem.find(c.reason), std::string::npos) << s->problem;
    }
}

TEST(SoundCopy, CopiesShareSamplesStartFreshAndOutliveTheOriginal)
{
    std::vector<int16_t> mono = {100, -200, 300};
    Sound* original = Load(MixerReady(mono)).release();
    original->SetVolume(0.25f);
    original->SetPan(-0.5f);
    original->rate = 2.0f;

    Sound* a = new Sound(*original);
    Sound* b = new Sound(*original);
    EXPECT_EQ(a->samples, original->samples);
    EXPECT_EQ(b->refCount, original->refCount);
    EXPECT_EQ(*original->refCount, 3);
    ExpectMixerFormat(*a, 3);  // fresh settings, whatever the original's

    delete original;
    EXPECT_EQ(*a->refCount, 2);
    EXPECT_TRUE(a->loaded);
    EXPECT_EQ(SamplesOf(*a), mono);
    EXPECT_EQ(SamplesOf(*b), mono);
    delete a;
    EXPECT_EQ(*b->refCount, 1);
    EXPECT_EQ(SamplesOf(*b), mono);
    delete b;  // the samples go with the last copy (LeakSanitizer checks the rest)

    // A copy of a sound that failed is just as unusable.
    auto bad = Load(Bytes{1, 2, 3});
    Sound badCopy(*bad);
    EXPECT_FALSE(badCopy.loaded);
    EXPECT_EQ(badCopy.samples, nullptr);
    EXPECT_EQ(*bad->refCount, 2);
}

// Every prefix of a valid file, then thousands of files with a few bytes changed at random.
// Nothing may read outside the block (run it under -DQB_SANITIZE=ON), and every sound is
// either loaded with samples or not loaded with none.
TEST(WaveCorruption, TruncationsAndByteFlipsAreHandled)
{
    std::vector<int16_t> stereo;
    for (int i = 0; i < 24; ++i) stereo.push_back(int16_t(i * 1234 - 15000));
    Bytes firstData = Data(Pcm16(std::vector<int16_t>(stereo.begin(), stereo.begin() + 16)));
    Bytes secondData = Data(Pcm16(std::vector<int16_t>(stereo.begin() + 16, stereo.end())));
    Bytes list = Chunk("LIST", Bytes{'I', 'N', 'F', 'O', 'x', 'y', 'z'});
    const Bytes base =
        Riff({Fmt(11025, 2, 16), list, firstData, secondData, Chunk("note", Bytes(6, 'n'))});
    const size_t dataEnd = base.size() - 14;  // where the trailing "note" chunk begins
    const size_t secondStart = dataEnd - secondData.size();

    auto check = [](const Sound& s) {
        if (s.loaded) {
            ASSERT_NE(s.samples, nullptr);
            ASSERT_GT(s.sampleCount, 0);
            ASSERT_FALSE(s.stereo);
            ASSERT_EQ(s.bitsPerSample, 16);
            volatile int64_t sum = 0;
            for (int32_t i = 0; i < s.sampleCount; ++i) sum = sum + s.samples[i];
            Sound copy(s);
            ASSERT_EQ(copy.samples, s.samples);
        } else {
            ASSERT_EQ(s.samples, nullptr);
            ASSERT_EQ(s.sampleCount, 0);
        }
    };

    auto whole = Load(base);
    ASSERT_TRUE(whole->loaded);
    ASSERT_EQ(whole->sampleCount, 12 * 4);
    for (size_t n = 0; n <= base.size(); ++n) {
        SCOPED_TRACE(n);
        auto s = Load(Bytes(base.begin(), base.begin() + n));
        check(*s);
        // Whatever follows the last data chunk may be cut, and so may the start of a chunk
        // header (the file then simply ends after the first data chunk); data may not.
        bool endsAfterFirst = n >= secondStart && n < secondStart + 8;
        EXPECT_EQ(s->loaded, n >= dataEnd || endsAfterFirst);
    }

    std::mt19937 rng(20240611);
    int loaded = 0;
    for (int round = 0; round < 4000; ++round) {
        Bytes file = base;
        int flips = 1 + int(rng() % 4);
        for (int f = 0; f < flips; ++f) file[rng() % file.size()] = uint8_t(rng());
        if (round % 3 == 0) file.resize(rng() % (file.size() + 1));
        SCOPED_TRACE(round);
        auto s = Load(file);
        check(*s);
        loaded += s->loaded ? 1 : 0;
    }
    // The sweep is only worth something if it reaches the conversion too.
    EXPECT_GT(loaded, 100);
}
