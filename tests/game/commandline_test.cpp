// SPDX-License-Identifier: MIT
// The game's options, good and bad, and where it looks for its media archive.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#else
#include <process.h>
#endif

#include "game/CommandLine.h"
#include "platform/Files.h"
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
        int maxFps = 0;
    };
    const Row rows[] = {
        {{}, false, true, false, false, 1, 0, ""},
        {{"--"}, false, true, false, false, 1, 0, ""},
        {{"--mute", "--"}, false, true, true, false, 1, 0, ""},
        {{"--max-fps", "30"}, false, true, false, false, 1, 0, "", 30},
        {{"--max-fps=1"}, false, true, false, false, 1, 0, "", 1},
        {{"--max-fps", "1000", "--no-vsync"}, false, false, false, false, 1, 0, "", 1000},
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
        EXPECT_EQ(o.maxFps, r.maxFps);
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
        {{"-x"}, "unknown option \"-x\""},
        {{"-hV"}, "unknown option \"-hV\""},
        {{"--", "--help"}, "unexpected argument \"--help\""},  // no options after "--"
        {{"--", "-"}, "unexpected argument \"-\""},
        {{"--max-fps"}, "--max-fps needs a value"},
        {{"--max-fps", "0"}, "--max-fps needs a whole number from 1 to 1000, not \"0\""},
        {{"--max-fps", "1001"}, "not \"1001\""},
        {{"--max-fps=60.5"}, "not \"60.5\""},
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

// Arguments are echoed with their control characters escaped: the line stays one line, and
// an escape sequence in an argument cannot move the cursor or clear the terminal.
TEST(CommandLine, ControlCharactersInEchoedArgumentsAreEscaped)
{
    struct Row {
        std::vector<const char*> args;
        const char* line;
    };
    const Row rows[] = {
        {{"--scale", "2\x1b[2J"},
         "quenbrill: --scale needs a whole number from 1 to 8, not "
         "\"2\\x1B[2J\"\n"},
        {{"--bo\ngus"}, "quenbrill: unknown option \"--bo\\ngus\" (try --help)\n"},
        {{"tab\there\r"}, "quenbrill: unexpected argument \"tab\\there\\r\" (try --help)\n"},
        {{"--seed=\x7f\xc2\x9b"
          "1"},
         "quenbrill: --seed needs a whole number from 0 to "
         "4294967295, not \"\\x7F\\xC2\\x9B1\"\n"},
        // Other characters, backslashes and UTF-8 included, stay as they are.
        {{"caf\xc3\xa9\\x"}, "quenbrill: unexpected argument \"caf\xc3\xa9\\x\" (try --help)\n"},
    };
    for (const Row& r : rows) {
        GameOptions o;
        std::string text;
        EXPECT_EQ(Parse(r.args, &o, &text), CommandLineAction::Fail) << r.line;
        EXPECT_EQ(text, r.line);
    }
}

// The size of the battle: 20 fighters and 10 factories unless asked otherwise, each up to its
// own limit; a bad value fails like any other and leaves the sizes alone.
TEST(CommandLine, BattleSize)
{
    struct Row {
        std::vector<const char*> args;
        int fighters, factories;  // -1: fails
        const char* names;  // a part of the failure's line
    };
    const Row rows[] = {
        {{}, 20, 10, ""},
        {{"--fighters", "1000"}, 1000, 10, ""},
        {{"--factories=0", "--fighters=0"}, 0, 0, ""},
        {{"--fighters", "5000", "--factories", "1000"}, 5000, 1000, ""},
        {{"--fighters", "5001"}, -1, -1, "--fighters needs a whole number from 0 to 5000"},
        {{"--factories", "1001"}, -1, -1, "--factories needs a whole number from 0 to 1000"},
        {{"--fighters", "-1"}, -1, -1, "not \"-1\""},
        {{"--factories", "ten"}, -1, -1, "not \"ten\""},
        {{"--fighters"}, -1, -1, "--fighters needs a value"},
    };
    for (const Row& r : rows) {
        GameOptions o;
        std::string text;
        const CommandLineAction action = Parse(r.args, &o, &text);
        if (r.fighters < 0) {
            EXPECT_EQ(action, CommandLineAction::Fail) << r.names;
            EXPECT_NE(text.find(r.names), std::string::npos) << text;
            EXPECT_EQ(o.fighters, kDefaultFighters);
            EXPECT_EQ(o.factories, kDefaultFactories);
        } else {
            ASSERT_EQ(action, CommandLineAction::Run) << text;
            EXPECT_EQ(o.fighters, r.fighters);
            EXPECT_EQ(o.factories, r.factories);
        }
    }
    GameOptions o;
    std::string help;
    ASSERT_EQ(Parse({"--help"}, &o, &help), CommandLineAction::Exit);
    EXPECT_NE(help.find("--fighters N"), std::string::npos);
    EXPECT_NE(help.find("--factories N"), std::string::npos);
}

TEST(CommandLine, HelpAndVersionEndTheProgram)
{
    GameOptions o;
    std::string help, text;
    ASSERT_EQ(Parse({"--help"}, &o, &help), CommandLineAction::Exit);
    for (const char* option : {"--fullscreen", "--scale N", "--no-vsync", "--max-fps N", "--seed N",
                               "--data FILE", "--mute", "-h, --help", "-V, --version", "F11"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    ASSERT_EQ(Parse({"-h"}, &o, &text), CommandLineAction::Exit);
    EXPECT_EQ(text, help);

    std::string version;
    ASSERT_EQ(Parse({"--mute", "--version"}, &o, &version), CommandLineAction::Exit);
    EXPECT_EQ(version.rfind("quenbrill ", 0), 0u);
    EXPECT_NE(version.find("\nCopyright (c) 2026 The Quenbrill developers\n"), std::string::npos);
    EXPECT_NE(version.find("License: MIT"), std::string::npos);
    EXPECT_EQ(version.back(), '\n');
    ASSERT_EQ(Parse({"-V"}, &o, &text), CommandLineAction::Exit);
    EXPECT_EQ(text, version);
}

// The head-up display is off unless asked for, takes no value, and --help offers it.
TEST(CommandLine, HudOnlyWhenAsked)
{
    GameOptions o;
    std::string text;
    ASSERT_EQ(Parse({"--mute"}, &o, &text), CommandLineAction::Run);
    EXPECT_FALSE(o.hud);
    ASSERT_EQ(Parse({"--seed", "3", "--hud", "--scale", "2"}, &o, &text), CommandLineAction::Run);
    EXPECT_TRUE(o.hud);
    EXPECT_EQ(o.scale, 2);
    EXPECT_EQ(o.seed, 3u);
    o = GameOptions();
    ASSERT_EQ(Parse({"--hud=on"}, &o, &text), CommandLineAction::Fail);
    EXPECT_EQ(text, "quenbrill: --hud takes no value\n");
    EXPECT_FALSE(o.hud);
    ASSERT_EQ(Parse({"--help"}, &o, &text), CommandLineAction::Exit);
    EXPECT_NE(text.find("--hud"), std::string::npos) << text;
}

// The text of --help or --version that cannot be written is an error, as with the GNU tools:
// exit status 1 and one line saying why. A stream open only for reading refuses every write.
TEST(CommandLine, OutputThatCannotBeWrittenFails)
{
    const fs::path name = fs::temp_directory_path() / ("qb-output-" + std::to_string(::getpid()));
    std::FILE* out = std::fopen(name.string().c_str(), "w+");
    std::FILE* err = std::tmpfile();
    ASSERT_NE(out, nullptr);
    ASSERT_NE(err, nullptr);
    EXPECT_EQ(WriteOutput(out, err, "quenbrill 1\n"), 0);
    std::fclose(out);

    std::FILE* readOnly = std::fopen(name.string().c_str(), "r");
    ASSERT_NE(readOnly, nullptr);
    EXPECT_EQ(WriteOutput(readOnly, err, "quenbrill 1\n"), 1);
    std::fclose(readOnly);
    fs::remove(name);

    std::rewind(err);
    char line[200] = {};
    ASSERT_NE(std::fgets(line, sizeof line, err), nullptr);
    EXPECT_EQ(std::string(line).rfind("quenbrill: write error: ", 0), 0u) << line;
    EXPECT_EQ(std::fgets(line, sizeof line, err), nullptr) << "one line only";
    std::fclose(err);
}

// --record, --play and --timedemo take a file; one of them at a time, and a playback brings
// its own seed.
TEST(CommandLine, DemoOptions)
{
    struct Good {
        std::vector<const char*> args;
        DemoMode mode;
        const char* file;
    };
    const Good good[] = {
        {{"--record", "a.qbd"}, DemoMode::Record, "a.qbd"},
        {{"--record=b.qbd", "--seed", "7"}, DemoMode::Record, "b.qbd"},
        {{"--play", "--odd name"}, DemoMode::Play, "--odd name"},
        {{"--timedemo=c.qbd", "--mute", "--scale", "2"}, DemoMode::Timedemo, "c.qbd"},
    };
    for (const Good& g : good) {
        GameOptions o;
        std::string text;
        ASSERT_EQ(Parse(g.args, &o, &text), CommandLineAction::Run) << text;
        EXPECT_EQ(o.demoMode, g.mode);
        EXPECT_EQ(o.demoFile, g.file);
    }

    struct Bad {
        std::vector<const char*> args;
        const char* names;
    };
    const Bad bad[] = {
        {{"--record"}, "--record needs a file name"},
        {{"--play="}, "--play needs a file name"},
        {{"--record", "a", "--play", "b"}, "one at a time"},
        {{"--timedemo", "a", "--timedemo", "b"}, "one at a time"},
        {{"--play", "a", "--seed", "3"}, "the demo has its own seed"},
        {{"--seed=3", "--timedemo", "a"}, "the demo has its own seed"},
        // A demo holds the usual battle.
        {{"--record", "a", "--fighters", "100"}, "do not go with --record"},
        {{"--factories=3", "--play", "a"}, "do not go with --record"},
    };
    for (const Bad& b : bad) {
        GameOptions o;
        std::string text;
        EXPECT_EQ(Parse(b.args, &o, &text), CommandLineAction::Fail) << b.names;
        EXPECT_NE(text.find(b.names), std::string::npos) << text;
        EXPECT_EQ(text.find('\n'), text.size() - 1) << text;
        EXPECT_EQ(o.demoMode, DemoMode::None);
    }

    GameOptions o;
    std::string help;
    ASSERT_EQ(Parse({"--help"}, &o, &help), CommandLineAction::Exit);
    for (const char* option : {"--record FILE", "--play FILE", "--timedemo FILE"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}

// A scratch tree: WORK/run (the working directory), WORK/prefix/games (the program) and the
// installed data folders WORK/prefix/share/games/quenbrill and WORK/prefix/share/quenbrill.
// The archives here are kSize bytes.
struct ArchiveSearch : ::testing::Test {
    static constexpr int64_t kSize = 12;

    void SetUp() override
    {
        work = scratch.path;
        for (const char* d :
             {"run", "prefix/games", "prefix/share/games/quenbrill", "prefix/share/quenbrill"})
            fs::create_directories(work / d);
        old = fs::current_path();
        fs::current_path(work / "run");
    }
    void TearDown() override { fs::current_path(old); }
    // A file of n bytes (the archive's size unless told).
    void Make(const fs::path& p, int64_t n = kSize)
    {
        std::ofstream(p, std::ios::binary) << std::string(static_cast<size_t>(n), 'x');
    }
    std::string Games() const { return (work / "prefix" / "games").string() + "/"; }
    fs::path Here() const { return work / "run" / "A.arc"; }
    fs::path Beside() const { return work / "prefix" / "games" / "A.arc"; }
    fs::path GamesData() const
    {
        return work / "prefix" / "share" / "games" / "quenbrill" / "A.arc";
    }
    fs::path OldData() const { return work / "prefix" / "share" / "quenbrill" / "A.arc"; }

    // Runs the search; the lines it printed, and the place it chose.
    std::string Locate(const GameOptions& o, const std::string& exeDir, std::string* messages)
    {
        std::string path;
        EXPECT_TRUE(LocateArchive(o, exeDir, "A.arc", kSize, &path, messages)) << *messages;
        return path;
    }

    test::TempDir scratch{"search"};  // the test's own folder, gone with it
    fs::path work, old;
};

TEST_F(ArchiveSearch, WorkingDirectoryThenProgramFolderThenTheDataFolders)
{
    EXPECT_EQ(ArchiveCandidates(Games(), "A.arc"),
              (std::vector<std::string>{Here().string(), Beside().string(), GamesData().string(),
                                        OldData().string()}));
    std::string messages;
    const GameOptions none;
    Make(OldData());
    EXPECT_EQ(Locate(none, Games(), &messages), OldData().string());
    Make(GamesData());
    EXPECT_EQ(Locate(none, Games(), &messages), GamesData().string());
    Make(Beside());
    EXPECT_EQ(Locate(none, Games(), &messages), Beside().string());
    Make(Here());
    EXPECT_EQ(Locate(none, Games(), &messages), Here().string());
    EXPECT_EQ(messages, "");
    EXPECT_EQ(ArchiveSearchPlaces(), "");
}

// Started in its own folder, the game looks there once, and names it once.
TEST_F(ArchiveSearch, TheSameFolderIsLookedAtOnce)
{
    fs::current_path(work / "prefix" / "games");
    const std::vector<std::string> places = ArchiveCandidates(Games(), "A.arc");
    EXPECT_EQ(places, (std::vector<std::string>{Beside().string(), GamesData().string(),
                                                OldData().string()}));
    std::string messages;
    EXPECT_EQ(Locate(GameOptions(), Games(), &messages), "A.arc");
    EXPECT_EQ(ArchiveSearchPlaces(),
              Beside().string() + ", " + GamesData().string() + ", " + OldData().string());
#ifndef _WIN32
    // The program's folder named through a link to it is still the same folder.
    fs::create_directory_symlink(work / "prefix" / "games", work / "run" / "link");
    EXPECT_EQ(ArchiveCandidates((work / "run" / "link").string() + "/", "A.arc").size(), 3u);
#endif
}

// A file in the way that is not the archive is named with its problem, the search goes on and
// finds the installed one. Only regular files are ever opened: a named pipe would block.
TEST_F(ArchiveSearch, WrongFilesAreNamedAndSkipped)
{
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> make;
        std::string problem;
    };
    const std::vector<Case> cases = {
        {"empty", [&](const fs::path& p) { Make(p, 0); },
         "0 bytes, not the 12 of the game's archive"},
        {"one byte", [&](const fs::path& p) { Make(p, 1); },
         "1 byte, not the 12 of the game's archive"},
        {"longer", [&](const fs::path& p) { Make(p, kSize + 1); },
         "13 bytes, not the 12 of the game's archive"},
        {"folder", [](const fs::path& p) { fs::create_directory(p); }, "a folder, not a file"},
#ifndef _WIN32
        {"named pipe", [](const fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); },
         "a named pipe, not a file"},
        {"dangling link", [](const fs::path& p) { fs::create_symlink("nowhere.arc", p); },
         std::error_code(ENOENT, std::generic_category()).message()},
#endif
    };
    Make(GamesData());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(Here());
        c.make(Here());
        std::string messages;
        EXPECT_EQ(Locate(GameOptions(), Games(), &messages), GamesData().string());
        EXPECT_EQ(messages, "quenbrill: skipped \"" + Here().string() + "\": " + c.problem + "\n");
    }
}

#ifndef _WIN32
// A file of the right size that the system will not let us read (root reads everything).
TEST_F(ArchiveSearch, UnreadableFileIsSkippedWithTheSystemsReason)
{
    if (::geteuid() == 0) GTEST_SKIP() << "root may read every file";
    Make(Here());
    fs::permissions(Here(), fs::perms::none);
    Make(GamesData());
    std::string messages;
    EXPECT_EQ(Locate(GameOptions(), Games(), &messages), GamesData().string());
    EXPECT_EQ(messages,
              "quenbrill: skipped \"" + Here().string() + "\": " + std::strerror(EACCES) + "\n");
}
#endif

// Nothing usable: every place is named in the line the game prints, and the game is given
// the bare name (it reads no file then).
TEST_F(ArchiveSearch, NothingFoundNamesEveryPlace)
{
    fs::create_directories(Here());
    std::string messages;
    EXPECT_EQ(Locate(GameOptions(), Games(), &messages), "A.arc");
    EXPECT_EQ(messages, "quenbrill: skipped \"" + Here().string() + "\": a folder, not a file\n");
    EXPECT_EQ(ArchiveSearchPlaces(), Here().string() + ", " + Beside().string() + ", " +
                                         GamesData().string() + ", " + OldData().string());
    // Without the program's folder only the working directory is tried.
    EXPECT_EQ(Locate(GameOptions(), "", &messages), "A.arc");
    EXPECT_EQ(ArchiveSearchPlaces(), Here().string());
}

// --data must name the archive itself; anything else is a bad value with the reason.
TEST_F(ArchiveSearch, DataOptionWinsAndMustBeTheArchive)
{
    Make(Here());
    Make(work / "mine.arc");
    GameOptions o;
    o.dataFile = (work / "mine.arc").string();
    std::string messages;
    EXPECT_EQ(Locate(o, Games(), &messages), o.dataFile);
    EXPECT_EQ(messages, "");

    Make(work / "empty.arc", 0);
    const std::pair<fs::path, std::string> bad[] = {
        {work / "missing.arc", std::error_code(ENOENT, std::generic_category()).message()},
        {work / "run", "a folder, not a file"},
        {work / "empty.arc", "0 bytes, not the 12 of the game's archive"},
    };
    for (const auto& [file, problem] : bad) {
        o.dataFile = file.string();
        std::string path = "unchanged";
        EXPECT_FALSE(LocateArchive(o, Games(), "A.arc", kSize, &path, &messages));
        EXPECT_EQ(messages, "quenbrill: --data: \"" + file.string() + "\": " + problem + "\n");
        EXPECT_EQ(path, "unchanged");
    }
}

// Folders named in other scripts than ASCII (a user name such as José is enough): the search,
// --data and the message about a missing archive all keep the names as they are. On Windows
// this is where a program with narrow paths loses them.
TEST_F(ArchiveSearch, FolderNamesWithAccentsAndCyrillicLetters)
{
    const std::string root = plat::Utf8FromPath(work);
    const std::string run = root + "/Jeux \xc3\xa9";  // "Jeux é"
    const std::string bin = root + "/\xd0\x98\xd0\xb3\xd1\x80\xd1\x8b/Quenbrill/";  // "Игры"
    fs::create_directories(plat::PathFromUtf8(run));
    fs::create_directories(plat::PathFromUtf8(bin));
    fs::current_path(plat::PathFromUtf8(run));
    auto place = [](const std::string& utf8) {
        return plat::Utf8FromPath(plat::PathFromUtf8(utf8).lexically_normal());
    };

    std::string path, error;
    ASSERT_TRUE(LocateArchive(GameOptions(), bin, "A.arc", kSize, &path, &error));
    EXPECT_EQ(path, "A.arc");
    EXPECT_EQ(ArchiveSearchPlaces(),
              place(run + "/A.arc") + ", " + place(bin + "A.arc") + ", " +
                  place(root + "/\xd0\x98\xd0\xb3\xd1\x80\xd1\x8b/share/games/quenbrill/A.arc") +
                  ", " + place(root + "/\xd0\x98\xd0\xb3\xd1\x80\xd1\x8b/share/quenbrill/A.arc"));

    Make(plat::PathFromUtf8(bin + "A.arc"));
    ASSERT_TRUE(LocateArchive(GameOptions(), bin, "A.arc", kSize, &path, &error));
    EXPECT_EQ(path, place(bin + "A.arc"));
    Make(plat::PathFromUtf8(run + "/A.arc"));
    ASSERT_TRUE(LocateArchive(GameOptions(), bin, "A.arc", kSize, &path, &error));
    EXPECT_EQ(path, place(run + "/A.arc"));

    GameOptions o;
    o.dataFile = bin + "A.arc";
    ASSERT_TRUE(LocateArchive(o, "", "A.arc", kSize, &path, &error));
    EXPECT_EQ(path, o.dataFile);
    o.dataFile = bin + "\xc3\xa9.arc";
    EXPECT_FALSE(LocateArchive(o, "", "A.arc", kSize, &path, &error));
    EXPECT_EQ(error, "quenbrill: --data: \"" + o.dataFile + "\": " + std::strerror(ENOENT) + "\n");
}

}  // namespace
