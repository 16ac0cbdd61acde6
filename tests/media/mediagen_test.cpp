// SPDX-License-Identifier: MIT
// The media generator's own rules: WAV files that add up exactly, solids wound outward, and
// model entries that refuse to be built when they would break the game (slot overflow, a part
// name that hijacks the gun or eye lookup, a radius out of range, a factory below ground).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Mesh.h"
#include "MediaChecks.h"
#include "Sounds.h"
#include "assets/Sound.h"

using namespace mediagen;

namespace {

uint32_t Read32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

uint16_t Read16(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

TEST(WaveWriterTest, HeaderChunksAndDataAddUp)
{
    struct Case {
        int rate, bits;
    };
    for (Case c : {Case{11025, 8}, Case{22050, 16}}) {
        std::vector<float> samples = {0.0f, 1.0f, -1.0f, 2.0f, -3.0f};
        std::vector<uint8_t> wav = EncodeWave(samples, c.rate, c.bits);
        const size_t dataBytes = samples.size() * static_cast<size_t>(c.bits / 8);
        ASSERT_EQ(wav.size(), 44 + dataBytes);
        EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
        EXPECT_EQ(Read32(wav, 4), wav.size() - 8);
        EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
        EXPECT_EQ(Read32(wav, 16), 16u);
        EXPECT_EQ(Read16(wav, 20), 1);  // PCM
        EXPECT_EQ(Read16(wav, 22), 1);  // mono
        EXPECT_EQ(Read32(wav, 24), static_cast<uint32_t>(c.rate));
        EXPECT_EQ(Read32(wav, 28), static_cast<uint32_t>(c.rate * c.bits / 8));
        EXPECT_EQ(Read16(wav, 34), c.bits);
        EXPECT_EQ(std::string(wav.begin() + 36, wav.begin() + 40), "data");
        EXPECT_EQ(Read32(wav, 40), dataBytes);
        // Silence, full scale both ways, and values beyond it clamped (never wrapped).
        if (c.bits == 8) {
            EXPECT_EQ(std::vector<uint8_t>(wav.begin() + 44, wav.end()),
                      (std::vector<uint8_t>{128, 255, 1, 255, 1}));
        } else {
            EXPECT_EQ(static_cast<int16_t>(Read16(wav, 44)), 0);
            EXPECT_EQ(static_cast<int16_t>(Read16(wav, 46)), 32767);
            EXPECT_EQ(static_cast<int16_t>(Read16(wav, 48)), -32767);
            EXPECT_EQ(static_cast<int16_t>(Read16(wav, 50)), 32767);
            EXPECT_EQ(static_cast<int16_t>(Read16(wav, 52)), -32767);
        }
        Sound sound(wav.data(), wav.size());
        EXPECT_TRUE(sound.loaded);
    }
}

TEST(WaveWriterTest, SynthesizedSoundsFillTheirEntriesExactly)
{
    EXPECT_EQ(MakeLaserShot(10744).size(), 10744u);
    EXPECT_EQ(MakeExplosion(8636).size(), 8636u);
    EXPECT_EQ(MakeExplosion(8637).size(), 8637u);  // 8-bit: any size holds whole samples
}

// Volume enclosed by a part's triangles (divergence theorem): positive only when every face
// is wound counter-clockwise seen from outside.
double SignedVolume(const MeshPart& p)
{
    double v = 0.0;
    for (const MeshTriangle& t : p.triangles) {
        V3 a = p.points[static_cast<size_t>(t.a)], b = p.points[static_cast<size_t>(t.b)],
           c = p.points[static_cast<size_t>(t.c)];
        v += Dot(a, Cross(b, c)) / 6.0;
    }
    return v;
}

TEST(MeshTest, EverySolidIsWoundOutwardWithMatchingNormals)
{
    MeshModel m;
    const V3 x{1, 0, 0}, y{0, 1, 0}, z{0, 0, 1};
    int box = m.AddPart("box", -1, {}, 200, 200, 200);
    m.Box(box, {-1, -2, -3}, {1, 2, 3});
    int loft = m.AddPart("loft", box, {}, 200, 200, 200);
    m.Loft(loft,
           {{{0, 0, -5}}, Ellipse({0, 0, 0}, x, y, 2, 1, 6), Ellipse({0, 0, 4}, x, y, 2, 1, 6)},
           true, false, true);
    int ball = m.AddPart("ball", box, {}, 200, 200, 200);
    m.Ellipsoid(ball, {0, 0, 0}, z, x, 3, 2, 1, 8, 5);
    int slab = m.AddPart("slab", box, {}, 200, 200, 200);
    m.Slab(slab, {{0, 0, 0}, {4, 0, 0}, {4, 0, 2}, {0, 0, 3}}, 0.5f);
    int cone = m.AddPart("cone", box, {}, 200, 200, 200);
    m.Pyramid(cone, Ellipse({0, 0, 0}, x, z, 1, 1, 5), {0, 3, 0}, false);
    std::string why;
    ASSERT_TRUE(m.Finish(&why)) << why;

    EXPECT_NEAR(SignedVolume(m.Parts()[static_cast<size_t>(box)]), 2.0 * 4.0 * 6.0, 1e-3);
    for (const MeshPart& p : m.Parts()) EXPECT_GT(SignedVolume(p), 0.0) << p.name;
    // A flat box face keeps its face normal; a smooth surface shares one normal per point.
    for (const MeshTriangle& t : m.Parts()[static_cast<size_t>(box)].triangles)
        EXPECT_EQ(std::fabs(t.normal[0].x) + std::fabs(t.normal[0].y) + std::fabs(t.normal[0].z),
                  1.0f);
}

MeshModel SmallShip(const char* extraName, float span)
{
    MeshModel m;
    int hull = m.AddPart("hull", -1, {}, 200, 200, 200);
    m.Box(hull, {-span, -5, -30}, {span, 5, 50});
    if (extraName) {
        int extra = m.AddPart(extraName, hull, {}, 200, 200, 200);
        m.Box(extra, {-1, -1, -1}, {1, 1, 1});
    }
    const char* guns[] = {"W0", "W1", "W2", "W3"};
    for (const char* g : guns) {
        int gun = m.AddPart(g, hull, {span, 0, -30}, 150, 150, 150);
        m.Box(gun, {-1, -1, 0}, {1, 1, 10});
    }
    m.AddPart("V", hull, {0, 8, -10}, 158, 0, 158);
    return m;
}

class ModelEntryTest : public ::testing::Test {
protected:
    std::string scratch =
        std::string(std::getenv("QB_BUILD_DIR") ? std::getenv("QB_BUILD_DIR") : ".") +
        "/mediagen_test_model.tmp";
};

TEST_F(ModelEntryTest, AGoodModelIsPaddedWithZerosToItsSlot)
{
    MeshModel ship = SmallShip(nullptr, 59);
    std::vector<uint8_t> out;
    std::string why, summary;
    ASSERT_TRUE(BuildModelEntry(ship, ModelKind::PlayerShip, 9000, scratch, out, &why, &summary))
        << why;
    ASSERT_EQ(out.size(), 9000u);
    EXPECT_EQ(out.back(), 0);
    EXPECT_NE(summary.find("radius 5.50"), std::string::npos) << summary;
    std::FILE* left = std::fopen(scratch.c_str(), "rb");
    EXPECT_EQ(left, nullptr) << "the scratch file is removed";
    if (left) std::fclose(left);
}

TEST_F(ModelEntryTest, RefusesModelsThatWouldBreakTheGame)
{
    struct Case {
        const char* label;
        const char* extraName;  // a part added before the guns
        float span;  // half width: the radius is (span + 1 + 50) / 2 x 0.1
        int slot;
        ModelKind kind;
        const char* expected;  // part of the message
    };
    const Case cases[] = {
        {"outgrows its slot", nullptr, 59, 1000, ModelKind::PlayerShip,
         "more than its slot of 1000"},
        {"a name takes the gun lookup", "mount W1 left", 59, 9000, ModelKind::PlayerShip,
         "looking up \"W1\" finds part \"mount W1 left\""},
        {"a name takes the eye lookup", "Vent", 59, 9000, ModelKind::PlayerShip,
         "looking up \"V\" finds part \"Vent\""},
        {"radius too large", nullptr, 199, 9000, ModelKind::PlayerShip,
         "collision radius 12.50 is outside 4..8"},
        {"radius too small for a fighter", nullptr, 9, 9000, ModelKind::EnemyFighter,
         "collision radius 3.00"},
        {"a name that does not read back", " hull2", 59, 9000, ModelKind::PlayerShip,
         "white space"},
        {"factory below the ground", nullptr, 600, 9000, ModelKind::Factory, "below the ground"},
    };
    for (const Case& c : cases) {
        MeshModel ship = SmallShip(c.extraName, c.span);
        std::vector<uint8_t> out;
        std::string why;
        EXPECT_FALSE(BuildModelEntry(ship, c.kind, c.slot, scratch, out, &why)) << c.label;
        EXPECT_NE(why.find(c.expected), std::string::npos) << c.label << ": " << why;
    }
}

}  // namespace
