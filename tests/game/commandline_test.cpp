// SPDX-License-Identifier: MIT
// The game's options, good and bad, and where it looks for its media archive.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "game/CommandLine.h"
#include "support/TestFiles.h"

namespace {

namespace fs = std::filesystem;

CommandLineAction Parse(std::vector<const char*> args, GameOptions* o, std::string* text)
{
    args.insert(args.begin(), "quenbrill");
    return ParseCommandLine(static_cast<int>(args.size()), args.data(), o, text);
}

TEST(CommandLine, GoodOptions)
{
    struct Row {
        std::vector<const char*> args;
        bool fullscreen, vsync, mute, seedGiven;
        int scale;
        uint32_t seed;
        const char* data;
    };
    const Row rows[] = {
        {{}, false, true, false, false, 1, 0, ""},
        {{"--fullscreen"}, true, true, false, false, 1, 0, ""},
        {{"--no-vsync"}, false, false, false, false, 1, 0, ""},
        {{"--mute"}, false, true, true, false, 1, 0, ""},
        {{"--scale", "3"}, false, true, false, false, 3, 0, ""},
        {{"--scale=8"}, false, true, false, false, 8, 0, ""},
        {{"--seed", "0"}, false, true, false, true, 1, 0, ""},
        {{"--seed=4294967295"}, false, true, false, true, 1, 4294967295u, ""},
        {{"--data", "my file.arc"}, false, true, false, false, 1, 0, "my file.arc"},
        {{"--data=-odd"}, false, true, false, false, 1, 0, "-odd"},
        {{"--scale", "2", "--scale", "4"}, false, true, false, false, 4, 0, ""},  // the last one
                                                                                  // counts
        {{"--mute", "--fullscreen", "--no-vsync", "--seed", "42", "--scale", "2", "--data", "x"},
         true,
         false,
         true,
         true,
         2,
         42,
         "x"},
    };
    for (const Row& r : rows) {
        GameOptions o;
        std::string text = "left over";
        ASSERT_EQ(Parse(r.args, &o, &text), CommandLineAction::Run) << text;
        EXPECT_TRUE(text.empty());
        EXPECT_EQ(o.fullscreen, r.fullscreen);
        EXPECT_EQ(o.vsync, r.vsync);
        EXPECT_EQ(o.mute, r.mute);
        EXPECT_EQ(o.seedGiven, r.seedGiven);
        EXPECT_EQ(o.scale, r.scale);
        EXPECT_EQ(o.seed, r.seed);
        EXPECT_EQ(o.dataFile, r.data);
    }
}

// Every bad command line gets one line naming the problem and changes no option.
TEST(CommandLine, BadOptionsGetOneLine)
{
    struct Row {
        std::vector<const char*> args;
        const char* names;  // a part of the line
    };
    const Row rows[] = {
        {{"--frobnicate"}, "unknown option \"--frobnicate\""},
        {{"-h"}, "unknown option \"-h\""},
        {{"--FULLSCREEN"}, "unknown option"},
        {{"extra"}, "unexpected argument \"extra\""},
        {{"--scale"}, "--scale needs a value"},
        {{"--scale", "0"}, "from 1 to 8, not \"0\""},
        {{"--scale", "9"}, "not \"9\""},
        {{"--scale", "-2"}, "not \"-2\""},
        {{"--scale", "1.5"}, "not \"1.5\""},
        {{"--scale", "2x"}, "not \"2x\""},
        {{"--scale="}, "not \"\""},
        {{"--seed", "4294967296"}, "--seed needs a whole number"},
        {{"--seed", "99999999999999999999999"}, "--seed needs a whole number"},
        {{"--seed", " 5"}, "--seed"},
        {{"--seed"}, "--seed needs a value"},
        {{"--data"}, "--data needs a value"},
        {{"--data="}, "--data needs a file name"},
        {{"--mute=yes"}, "--mute takes no value"},
        {{"--fullscreen", "--bogus", "--help"}, "unknown option \"--bogus\""},
    };
    for (const Row& r : rows) {
        GameOptions o;
        o.scale = 5;
        std::string text;
        EXPECT_EQ(Parse(r.args, &o, &text), CommandLineAction::Fail) << r.names;
        EXPECT_EQ(text.rfind("quenbrill: ", 0), 0u) << text;
        EXPECT_NE(text.find(r.names), std::string::npos) << text;
        EXPECT_EQ(text.find('\n'), text.size() - 1) << text;
        EXPECT_EQ(o.scale, 5);
    }
}

TEST(CommandLine, HelpAndVersionEndTheProgram)
{
    GameOptions o;
    std::string text;
    ASSERT_EQ(Parse({"--help"}, &o, &text), CommandLineAction::Exit);
    for (const char* option : {"--fullscreen", "--scale N", "--no-vsync", "--seed N", "--data FILE",
                               "--mute", "--help", "--version"})
        EXPECT_NE(text.find(option), std::string::npos) << option;
    ASSERT_EQ(Parse({"--mute", "--version"}, &o, &text), CommandLineAction::Exit);
    EXPECT_EQ(text.rfind("quenbrill ", 0), 0u);
    EXPECT_EQ(text.back(), '\n');
}

// A scratch tree: WORK/run (the working directory), WORK/prefix/bin (the program) and
// WORK/prefix/share/quenbrill (the installed data).
struct ArchiveSearch : ::testing::Test {
    void SetUp() override
    {
        for (const char* d : {"run", "prefix/bin", "prefix/share/quenbrill"})
            fs::create_directories(work / d);
        old = fs::current_path();
        fs::current_path(work / "run");
    }
    void TearDown() override
    {
        fs::current_path(old);  // before the scratch folder goes
    }
    void Touch(const fs::path& p) { test::WriteFile(p, "x"); }
    std::string Bin() const { return (work / "prefix" / "bin").string() + "/"; }

    test::TempDir scratch{"search"};
    const fs::path work = scratch.path;
    fs::path old;
};

TEST_F(ArchiveSearch, WorkingDirectoryThenProgramFolderThenDataFolder)
{
    const fs::path here = work / "run" / "A.arc";
    const fs::path beside = work / "prefix" / "bin" / "A.arc";
    const fs::path data = work / "prefix" / "share" / "quenbrill" / "A.arc";
    EXPECT_EQ(ArchiveCandidates(Bin(), "A.arc"),
              (std::vector<std::string>{here.string(), beside.string(), data.string()}));

    std::string path, error;
    GameOptions none;
    Touch(data);
    ASSERT_TRUE(LocateArchive(none, Bin(), "A.arc", &path, &error));
    EXPECT_EQ(path, data.string());
    EXPECT_EQ(ArchiveSearchPlaces(), "");
    Touch(beside);
    ASSERT_TRUE(LocateArchive(none, Bin(), "A.arc", &path, &error));
    EXPECT_EQ(path, beside.string());
    Touch(here);
    ASSERT_TRUE(LocateArchive(none, Bin(), "A.arc", &path, &error));
    EXPECT_EQ(path, here.string());
}

TEST_F(ArchiveSearch, NothingFoundNamesEveryPlace)
{
    fs::create_directories(work / "run" / "A.arc");  // a folder of that name is no archive
    std::string path, error;
    ASSERT_TRUE(LocateArchive(GameOptions(), Bin(), "A.arc", &path, &error));
    EXPECT_EQ(path, "A.arc");
    EXPECT_EQ(ArchiveSearchPlaces(),
              (work / "run" / "A.arc").string() + ", " +
                  (work / "prefix" / "bin" / "A.arc").string() + ", " +
                  (work / "prefix" / "share" / "quenbrill" / "A.arc").string());
    // Without the program's folder only the working directory is tried.
    ASSERT_TRUE(LocateArchive(GameOptions(), "", "A.arc", &path, &error));
    EXPECT_EQ(ArchiveSearchPlaces(), (work / "run" / "A.arc").string());
}

TEST_F(ArchiveSearch, DataOptionWinsAndMustBeReadable)
{
    Touch(work / "run" / "A.arc");
    Touch(work / "mine.arc");
    GameOptions o;
    o.dataFile = (work / "mine.arc").string();
    std::string path, error;
    ASSERT_TRUE(LocateArchive(o, Bin(), "A.arc", &path, &error));
    EXPECT_EQ(path, o.dataFile);

    for (const fs::path& bad : {work / "missing.arc", work / "run"}) {
        o.dataFile = bad.string();
        error.clear();
        EXPECT_FALSE(LocateArchive(o, Bin(), "A.arc", &path, &error));
        EXPECT_EQ(error, "quenbrill: --data: cannot read \"" + bad.string() + "\"\n");
    }
}

}  // namespace
