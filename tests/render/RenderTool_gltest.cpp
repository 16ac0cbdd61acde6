// SPDX-License-Identifier: MIT
// `quenbrill-model-render`: a model file in, a 640 x 480 PNG out; bad input gives a message
// naming the file, a non-zero status and no picture.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TestShapes.h"
#include "gtest/gtest.h"
#include "render/Model.h"
#include "render/ModelFile.h"

namespace {

std::string BuildDir()
{
    const char* dir = std::getenv("QB_BUILD_DIR");
    return dir ? dir : ".";
}

std::string Tool() { return QB_RENDER_TOOL; }

struct ToolRun {
    int status;
    std::string errors;
};

// Files of the running test carry its name, so tests running side by side never share them.
std::string TestFile(const std::string& suffix)
{
    return BuildDir() + "/render_tool_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name() + suffix;
}

// Runs the tool with the arguments (already quoted as needed) and collects its stderr.
ToolRun RunTool(const std::string& args)
{
    const std::string errFile = TestFile(".err");
    const std::string command = "'" + Tool() + "' " + args + " 2>'" + errFile + "'";
    const int raw = std::system(command.c_str());
    ToolRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(errFile);
    r.errors.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::remove(errFile.c_str());
    return r;
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path)
{
    std::ifstream in(path);
    return in.good();
}

uint32_t BigEndian32(const std::vector<uint8_t>& b, size_t at)
{
    return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) |
           b[at + 3];
}

// A small ship: a body, two wings hanging off it and a hidden gun marker.
void BuildShip(Model& m)
{
    const int body = m.AddObject();
    m.SetName(body, "Body");
    m.SetColor(body, 200, 200, 210);
    AddBox(m, body, 1.0f, 0.6f, 3.0f);
    const float side[2] = {-1.0f, 1.0f};
    for (float s : side) {
        const int wing = m.AddObject();
        m.SetParent(wing, body);
        m.SetPivot(wing, s * 2.5f, 0.0f, 0.5f);
        m.SetColor(wing, 220, 60, 40);
        AddBox(m, wing, 1.5f, 0.15f, 1.2f);
    }
    const int gun = m.AddObject();
    m.SetName(gun, "W0");
    m.SetParent(gun, body);
    m.SetColor(gun, 159, 0, 159);
}

class RenderToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Exists(Tool())) << Tool() << " is not built";
        model = TestFile("_ship.bin");
        picture = TestFile("_ship.png");
        std::remove(picture.c_str());
        Model ship;
        BuildShip(ship);
        std::string why;
        ASSERT_TRUE(SaveBinaryModel(ship, model.c_str(), &why)) << why;
    }
    void TearDown() override { std::remove(model.c_str()); }

    std::string model, picture;
};

}  // namespace

TEST_F(RenderToolTest, WritesAPictureOfTheModel)
{
    const ToolRun r = RunTool("'" + model + "' '" + picture + "' --yaw 30 --pitch 15 --scale 1.2");
    ASSERT_EQ(r.status, 0) << r.errors;
    EXPECT_EQ(r.errors, "");
    const std::vector<uint8_t> png = ReadBytes(picture);
    ASSERT_GT(png.size(), 33u);
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    EXPECT_TRUE(std::equal(signature, signature + 8, png.begin()));
    EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
    EXPECT_EQ(BigEndian32(png, 16), 640u);
    EXPECT_EQ(BigEndian32(png, 20), 480u);
    EXPECT_FALSE(Exists(picture + ".part"));
}

TEST_F(RenderToolTest, BadInputIsNamedAndWritesNothing)
{
    const std::string missing = TestFile("_no_such.bin");
    const std::string junk = TestFile("_junk.bin");
    {
        std::ofstream out(junk, std::ios::binary);
        out << "\x05\x00not a model";
    }
    struct Case {
        const char* what;
        std::string args;
        int status;
        std::string mentions;
    };
    const Case cases[] = {
        {"missing file", "'" + missing + "' '" + picture + "'", 1, missing},
        {"damaged file", "'" + junk + "' '" + picture + "'", 1, junk},
        {"unwritable picture", "'" + model + "' '/nonexistent-dir/x.png'", 1,
         "/nonexistent-dir/x.png"},
        {"no number", "'" + model + "' '" + picture + "' --yaw", 2, "--yaw"},
        {"not a number", "'" + model + "' '" + picture + "' --scale big", 2, "--scale"},
        {"zero scale", "'" + model + "' '" + picture + "' --scale 0", 2, "--scale"},
        {"unknown option", "'" + model + "' '" + picture + "' --roll 3", 2, "--roll"},
        {"one operand", "'" + model + "'", 2, "usage"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ToolRun r = RunTool(c.args);
        EXPECT_EQ(r.status, c.status) << r.errors;
        EXPECT_NE(r.errors.find(c.mentions), std::string::npos) << r.errors;
        EXPECT_FALSE(Exists(picture));
    }
    std::remove(junk.c_str());
}
