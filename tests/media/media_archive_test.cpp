// SPDX-License-Identifier: MIT
// Checks the archive the build generates (build/ZabroData.arc) the way the game reads it: its
// size and directory, every image, both sounds and the three models, including the model
// rules the game depends on (gun and eye parts found by name, collision radii, the factory
// standing on the ground, outward winding and normals).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "assets/MediaArchive.h"
#include "assets/RawImage.h"
#include "assets/Sound.h"
#include "entities/GameEntity.h"
#include "render/Model.h"
#include "render/ModelFile.h"
#include "shell/TaskList.h"

namespace {

std::string ArchivePath()
{
    const char* dir = std::getenv("QB_BUILD_DIR");
    return std::string(dir ? dir : ".") + "/ZabroData.arc";
}

class MediaArchiveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterGameArchive();
        path = ArchivePath();
        MediaArchive::Open(path.c_str(), MediaArchive::Key1(), MediaArchive::Key2());
        FILE* f = std::fopen(path.c_str(), "rb");
        ASSERT_NE(f, nullptr) << path << " is missing: the build generates it (target media)";
        std::fclose(f);
    }
    void TearDown() override { RegisterGameArchive(); }

    std::vector<uint8_t> Entry(const char* name)
    {
        bool complete = false;
        std::unique_ptr<uint8_t[]> data(MediaArchive::ReadEntry(name, &complete));
        EXPECT_TRUE(data && complete) << name;
        if (!data || !complete) return {};
        return std::vector<uint8_t>(
            data.get(), data.get() + MediaArchive::EntrySize(MediaArchive::FindEntry(name)));
    }

    // Loads a model entry with the length-checked loader.
    void LoadModel(const char* name, Model& model)
    {
        std::vector<uint8_t> bytes = Entry(name);
        ASSERT_FALSE(bytes.empty());
        std::string why;
        size_t used = 0;
        ASSERT_TRUE(LoadBinaryModel(model, bytes.data(), bytes.size(), &why, &used))
            << name << ": " << why;
        EXPECT_TRUE(CheckModelStructure(model, &why)) << name << ": " << why;
        EXPECT_TRUE(TextFormHolds(model, &why)) << name << ": " << why;
        // The rest of the slot after the model is zero bytes.
        for (size_t i = used; i < bytes.size(); ++i)
            ASSERT_EQ(bytes[i], 0) << name << ": byte " << i << " after the model";
    }

    std::string path;
};

TEST_F(MediaArchiveTest, ArchiveHasTheRegisteredSizeAndEveryEntryReadsWhole)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::fseek(f, 0, SEEK_END);
    long size = std::ftell(f);
    std::fclose(f);
    EXPECT_EQ(size, 496529);
    EXPECT_EQ(MediaArchive::TotalSize(), 496529);
    ASSERT_EQ(MediaArchive::EntryCount(), 10);
    for (int32_t i = 0; i < MediaArchive::EntryCount(); ++i)
        EXPECT_EQ(Entry(MediaArchive::EntryName(i)).size(),
                  static_cast<size_t>(MediaArchive::EntrySize(i)));
}

TEST_F(MediaArchiveTest, ImagesFillTheirTexturesExactly)
{
    for (const RawImageInfo& info : kGameImages) {
        bool complete = false;
        std::unique_ptr<uint8_t[]> pixels(
            ReadRawImage(info.entryName, info.width, info.height, &complete));
        ASSERT_TRUE(pixels) << info.entryName;
        EXPECT_TRUE(complete) << info.entryName;
        EXPECT_EQ(MediaArchive::EntrySize(MediaArchive::FindEntry(info.entryName)),
                  RawImageBytes(info.width, info.height))
            << info.entryName;
    }
}

bool IsKey(const std::vector<uint8_t>& img, int width, int x, int y)
{
    const uint8_t* p = &img[(static_cast<size_t>(y) * width + x) * 3];
    return p[0] == 159 && p[1] == 0 && p[2] == 159;
}

// Count of pixels in a 16 x 16 cell that are not the key colour.
int CellInk(const std::vector<uint8_t>& font, int u, int v)
{
    int ink = 0;
    for (int y = v; y < v + 16; ++y)
        for (int x = u; x < u + 16; ++x) ink += IsKey(font, 256, x, y) ? 0 : 1;
    return ink;
}

TEST_F(MediaArchiveTest, FontFollowsTheCellLayout)
{
    std::vector<uint8_t> font = Entry("Media\\Font16x16_256128.raw");
    ASSERT_EQ(font.size(), 256u * 128u * 3u);
    // The 47 characters fill rows 0-2 in order; each holds white ink (text is tinted by it).
    for (int i = 0; i < 47; ++i) {
        int u = 16 * (i % 16), v = 16 * (i / 16);
        int white = 0;
        for (int y = v; y < v + 16; ++y)
            for (int x = u; x < u + 16; ++x) {
                const uint8_t* p = &font[(static_cast<size_t>(y) * 256 + x) * 3];
                white += (p[0] == p[1] && p[1] == p[2] && p[0] >= 200) ? 1 : 0;
            }
        EXPECT_GT(white, 12) << "character cell " << i;
    }
    // The cells after the 47th, rows 3-5 and the rest of row 7 are key colour only.
    for (int cell = 47; cell < 128; ++cell) {
        int u = 16 * (cell % 16), v = 16 * (cell / 16);
        if (v == 96 || (u == 240 && v == 112)) continue;
        EXPECT_EQ(CellInk(font, u, v), 0) << "cell at " << u << "," << v;
    }
    // Sixteen icons in row 6 and the box for unknown characters at (240, 112).
    for (int s = 0; s < 16; ++s) EXPECT_GT(CellInk(font, 16 * s, 96), 20) << "icon " << s;
    EXPECT_GT(CellInk(font, 240, 112), 30);
    EXPECT_TRUE(IsKey(font, 256, 248, 120)) << "the unknown-character box is hollow";
}

TEST_F(MediaArchiveTest, ParticleIsARoundGlowWhiteInTheMiddleBlackAtTheEdge)
{
    std::vector<uint8_t> p = Entry("Media\\Particle32.raw");
    ASSERT_EQ(p.size(), 32u * 32u * 3u);
    auto at = [&](int x, int y, int c) { return p[(static_cast<size_t>(y) * 32 + x) * 3 + c]; };
    for (int c = 0; c < 3; ++c) {
        EXPECT_GE(at(16, 16, c), 250);
        EXPECT_EQ(at(0, 0, c), 0);
        EXPECT_EQ(at(31, 16, c), 0);
        EXPECT_EQ(at(16, 0, c), 0);
    }
    // Falls off steadily from the centre outward along a row.
    for (int x = 17; x < 31; ++x) EXPECT_LE(at(x + 1, 16, 0), at(x, 16, 0)) << x;
}

TEST_F(MediaArchiveTest, SkyWrapsWithoutASeam)
{
    std::vector<uint8_t> sky = Entry("Media\\Sky256128.raw");
    ASSERT_EQ(sky.size(), 256u * 128u * 3u);
    // The step from the last column to the first is no larger than an ordinary step between
    // two neighbouring columns.
    auto step = [&](int a, int b) {
        double sum = 0.0;
        for (int y = 0; y < 128; ++y)
            for (int c = 0; c < 3; ++c)
                sum += std::abs(sky[(static_cast<size_t>(y) * 256 + a) * 3 + c] -
                                sky[(static_cast<size_t>(y) * 256 + b) * 3 + c]);
        return sum / (128 * 3);
    };
    double typical = 0.0;
    for (int x = 0; x < 255; ++x) typical += step(x, x + 1) / 255.0;
    EXPECT_LE(step(255, 0), 2.0 * typical + 0.5);
}

// The ground picture is stretched over the whole battlefield, a texel about 16 units wide, and
// magnified many times at flight height: what changes from one texel to the next only smears.
// Its brightness changes little between neighbouring texels, much between places 16 texels
// apart: large soft fields, still distinct.
TEST_F(MediaArchiveTest, GroundIsPaintedInLargeSoftFields)
{
    std::vector<uint8_t> t = Entry("Media\\Terrain128.raw");
    ASSERT_EQ(t.size(), 128u * 128u * 3u);
    auto luma = [&](int x, int y) {
        const uint8_t* p = &t[(static_cast<size_t>(y) * 128 + x) * 3];
        return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
    };
    // The mean change of brightness between texels k apart, across and down.
    auto change = [&](int k) {
        double sum = 0.0;
        int n = 0;
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x + k < 128; ++x, ++n)
                sum +=
                    std::fabs(luma(x + k, y) - luma(x, y)) + std::fabs(luma(y, x + k) - luma(y, x));
        return sum / (2.0 * n);
    };
    const double near = change(1), far = change(16);
    std::printf("ground: %.1f between neighbours, %.1f between texels 16 apart\n", near, far);
    EXPECT_LE(near, 10.0);
    EXPECT_LE(near / change(8), 0.33);
    EXPECT_GE(far, 30.0);
}

TEST_F(MediaArchiveTest, SoundsLoadWithTheirLengths)
{
    struct Case {
        const char* name;
        int32_t samples;  // at 44100 Hz after loading
    };
    const Case cases[] = {
        {"Media\\Weapon0.wav", (10744 - 44) / 2 * 2},  // 22050 Hz 16-bit mono, each sample twice
        {"Media\\Boom.wav", (8636 - 44) * 4},  // 11025 Hz 8-bit mono, each sample four times
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = Entry(c.name);
        ASSERT_FALSE(bytes.empty());
        Sound sound(bytes.data(), bytes.size());
        ASSERT_TRUE(sound.loaded) << c.name;
        EXPECT_EQ(sound.sampleRate, 44100) << c.name;
        EXPECT_EQ(sound.sampleCount, c.samples) << c.name;
        // Audible, not clipped, silent at the very end (no click when it stops).
        int peak = 0;
        for (int32_t i = 0; i < sound.sampleCount; ++i)
            peak = std::max(peak, std::abs(static_cast<int>(sound.samples[i])));
        EXPECT_GT(peak, 16000) << c.name;
        EXPECT_LT(peak, 32000) << c.name;
        EXPECT_LT(std::abs(static_cast<int>(sound.samples[sound.sampleCount - 1])), 600) << c.name;
    }
}

struct ModelCase {
    const char* entry;
    std::vector<const char*> parts;  // names FindPart must resolve to exactly
    float minRadius, maxRadius;
};

// Names the case by its entry in test output.
void PrintTo(const ModelCase& c, std::ostream* os) { *os << c.entry; }

class MediaModelTest : public MediaArchiveTest, public ::testing::WithParamInterface<ModelCase> {};

TEST_P(MediaModelTest, LoadsAndKeepsTheGamesRules)
{
    const ModelCase& c = GetParam();
    Model model;
    LoadModel(c.entry, model);
    ASSERT_GT(model.count, 1) << "parts arranged as a hierarchy";

    // One root; every other part hangs below it.
    int roots = 0;
    for (int32_t i = 0; i < model.count; ++i) roots += model.objects[i].parent == i ? 1 : 0;
    EXPECT_EQ(roots, 1);

    // The game's part lookup and collision radius, on an entity at scale 0.1.
    auto* entity = new GameEntity3D();  // joins gExecutor, which deletes it below
    entity->model.AttachModel(&model);
    entity->model.scale = 0.1f;
    entity->ComputeRadius();
    const float radius = entity->radius;
    std::vector<int32_t> found;
    for (const char* name : c.parts) found.push_back(entity->FindPart(name));
    gExecutor.ClearTasks();
    for (size_t i = 0; i < c.parts.size(); ++i) {
        ASSERT_GE(found[i], 0) << c.parts[i];
        EXPECT_STREQ(model.objects[found[i]].name, c.parts[i]);
    }
    EXPECT_GE(radius, c.minRadius);
    EXPECT_LE(radius, c.maxRadius);

    // Every triangle is counter-clockwise from outside: its corner normals (unit length) lie
    // on the side its winding faces.
    for (int32_t o = 0; o < model.count; ++o) {
        const ModelObject& obj = model.objects[o];
        for (int32_t t = 0; t < obj.triangleCount; ++t) {
            const ModelTriangle& tri = obj.triangles[t];
            const ModelPoint& a = obj.points[tri.a];
            const ModelPoint& b = obj.points[tri.b];
            const ModelPoint& d = obj.points[tri.c];
            Vector3D n = Cross(Vector3D{b.x - a.x, b.y - a.y, b.z - a.z},
                               Vector3D{d.x - a.x, d.y - a.y, d.z - a.z});
            for (const Vector3D& corner : {tri.na, tri.nb, tri.nc}) {
                EXPECT_NEAR(Length(corner), 1.0f, 1e-3f) << obj.name << " triangle " << t;
                EXPECT_GT(Dot(corner, n), 0.0f) << obj.name << " triangle " << t;
            }
        }
    }
}

const ModelCase kModelCases[] = {
    {"Media\\XWing.bin", {"W0", "W1", "W2", "W3", "V"}, 4.0f, 8.0f},
    {"Media\\TieFighter.bin", {"W0", "W1"}, 4.0f, 7.0f},
    {"Media\\Factory.bin", {}, 28.0f, 40.0f},
};

std::string ModelCaseName(const ::testing::TestParamInfo<ModelCase>& info)
{
    const char* names[] = {"PlayerShip", "EnemyFighter", "Factory"};
    return names[info.index];
}

INSTANTIATE_TEST_SUITE_P(GameModels, MediaModelTest, ::testing::ValuesIn(kModelCases),
                         ModelCaseName);

TEST_F(MediaArchiveTest, PlayerShipGunsPointForwardFromTheirMuzzlesAndTheEyeIsHidden)
{
    Model model;
    LoadModel("Media\\XWing.bin", model);
    ModelInstance ship;
    ship.AttachModel(&model);
    for (const char* gun : {"W0", "W1", "W2", "W3"}) {
        int32_t k = model.FindObject(gun);
        ASSERT_GE(k, 0) << gun;
        Vector3D f, u;
        ASSERT_TRUE(ship.GetPartDirections(k, f, u));
        EXPECT_NEAR(f.z, -1.0f, 1e-5f) << gun;
        // The barrel lies behind the muzzle.
        for (int32_t p = 0; p < model.objects[k].pointCount; ++p)
            EXPECT_GE(model.objects[k].points[p].z, 0.0f) << gun;
    }
    int32_t eye = model.FindObject("V");
    ASSERT_GE(eye, 0);
    EXPECT_TRUE(IsNeverDrawn(model.objects[eye]));
    EXPECT_EQ(model.objects[eye].red, 158);
}

TEST_F(MediaArchiveTest, FactoryStandsOnTheGround)
{
    Model model;
    LoadModel("Media\\Factory.bin", model);
    ModelInstance factory;
    factory.AttachModel(&model);
    size_t points = 0;
    for (int32_t o = 0; o < model.count; ++o) {
        std::unique_ptr<float[]> world(factory.GetPartWorldPoints(o));
        ASSERT_TRUE(world);
        int n = static_cast<int>(world[0]);
        for (int i = 0; i < n; ++i)
            EXPECT_GE(world[2 + 3 * i], 0.0f) << model.objects[o].name << " point " << i;
        points += static_cast<size_t>(n);
    }
    EXPECT_GT(points, 0u);
}

}  // namespace
