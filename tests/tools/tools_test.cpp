// SPDX-License-Identifier: MIT
// Runs quenbrill-arc and quenbrill-model on a hand-made set of loose media files.

#include "assets/MediaArchive.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

using test::ReadFile;
using test::WriteFile;

std::string Le(uint32_t value, int bytes)
{
    std::string s;
    for (int i = 0; i < bytes; ++i) s += static_cast<char>((value >> (8 * i)) & 0xFF);
    return s;
}

// An 8-bit mono 22050 Hz WAV of exactly total bytes.
std::string Wave(size_t total)
{
    size_t data = total - 44;
    std::string w = "RIFF" + Le(static_cast<uint32_t>(total - 8), 4) + "WAVE";
    w += "fmt " + Le(16, 4) + Le(1, 2) + Le(1, 2) + Le(22050, 4) + Le(22050, 4) + Le(1, 2) +
         Le(8, 2);
    w += "data" + Le(static_cast<uint32_t>(data), 4);
    for (size_t i = 0; i < data; ++i) w += static_cast<char>(128 + ((i / 10) % 2 ? 40 : -40));
    return w;
}

// A small model in the text form, exactly as the writer lays it out.
const char* const kShipText =
    "Total number of Objects= 2\n"
    "\n__[OBJECT NUMBER 0]________________\n\n"
    "Hull\n"
    "Parent Object= 0\nTexture Id= -1\nRed  = 200\nGreen= 40\nBlue = 7\n"
    "Pivot X= 0.000000\nPivot Y= 0.500000\nPivot Z= 0.000000\n"
    "Number of Points= 3\n"
    "x=        -10.000000\ny=        0.000000\nz=        0.000000\ntexturex= -1.000000\ntexturey= "
    "-1.000000\n"
    "x=        10.000000\ny=        0.000000\nz=        0.000000\ntexturex= -1.000000\ntexturey= "
    "-1.000000\n"
    "x=        0.000000\ny=        1.250000\nz=        -20.000000\ntexturex= 0.250000\ntexturey= "
    "0.750000\n"
    "Number of Triangles= 1\n"
    "a= 0\nb= 1\nc= 2\n"
    "nax= 0.000000\nnay= 1.000000\nnaz= 0.000000\n"
    "nbx= 0.000000\nnby= 1.000000\nnbz= 0.000000\n"
    "ncx= 0.000000\nncy= 0.600000\nncz= 0.800000\n"
    "\n__[OBJECT NUMBER 1]________________\n\n"
    "W0\n"
    "Parent Object= 0\nTexture Id= -1\nRed  = 158\nGreen= 0\nBlue = 158\n"
    "Pivot X= 5.000000\nPivot Y= 0.000000\nPivot Z= 10.000000\n"
    "Number of Points= 0\n"
    "Number of Triangles= 0\n";

class ToolsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = scratch.path;
        RegisterGameArchive();  // only to know the directory the tools use
    }
    void TearDown() override { MediaArchive::Reset(); }

    ToolRun Exec(const std::string& tool, const std::string& args) const
    {
        const fs::path out = dir / "stdout.txt", err = dir / "stderr.txt";
        // A tool that waits for ever (on a named pipe, say) ends with status 124.
        std::string command = "cd '" + dir.string() + "' && timeout 60 '" + tool + "' " + args +
                              " >'" + out.string() + "' 2>'" + err.string() + "'";
        int raw = std::system(command.c_str());
        ToolRun run;
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = ReadFile(out);
        run.err = ReadFile(err);
        return run;
    }
    ToolRun Arc(const std::string& args) const { return Exec(QB_ARC_TOOL, args); }
    ToolRun ModelTool(const std::string& args) const { return Exec(QB_MODEL_TOOL, args); }

    static std::string Loose(const char* entryName)
    {
        std::string path(entryName);
        for (char& c : path) {
            if (c == '\\') c = '/';
        }
        return path;
    }

    // The hand-made loose set under dir/name: pictures, two sounds and three copies of the
    // small model, each padded with zeros to its entry size.
    void MakeLooseSet(const std::string& name)
    {
        WriteFile(dir / "ship.txt", kShipText);
        ToolRun convert = ModelTool("convert ship.txt ship.bin");
        ASSERT_EQ(convert.status, 0) << convert.err;
        const std::string model = ReadFile(dir / "ship.bin");
        for (int32_t i = 0; i < MediaArchive::EntryCount(); ++i) {
            const std::string entry = MediaArchive::EntryName(i);
            const size_t size = static_cast<size_t>(MediaArchive::EntrySize(i));
            std::string bytes;
            if (entry.size() > 4 && entry.compare(entry.size() - 4, 4, ".wav") == 0) {
                bytes = Wave(size);
            } else if (entry.size() > 4 && entry.compare(entry.size() - 4, 4, ".bin") == 0) {
                bytes = model + std::string(size - model.size(), '\0');
            } else {
                for (size_t k = 0; k < size; ++k)
                    bytes += static_cast<char>((k * 7 + static_cast<size_t>(i) * 31) & 0xFF);
            }
            WriteFile(dir / name / Loose(entry.c_str()), bytes);
        }
    }

    bool NoFilesUnder(const fs::path& folder) const
    {
        if (!fs::exists(folder)) return true;
        for (const auto& item : fs::recursive_directory_iterator(folder)) {
            if (item.is_regular_file()) return false;
        }
        return true;
    }

    test::TempDir scratch{"tools"};  // the test's own folder, gone with it
    fs::path dir;
};

TEST_F(ToolsTest, PackListVerifyUnpackGivesBackTheLooseFiles)
{
    MakeLooseSet("loose");
    ToolRun pack = Arc("pack loose");
    ASSERT_EQ(pack.status, 0) << pack.err;
    EXPECT_EQ(fs::file_size(dir / "ZabroData.arc"), 496529u);

    ToolRun list = Arc("list");
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_NE(list.out.find("ZabroData.arc: 10 entries, 496529 bytes\n"), std::string::npos)
        << list.out;
    EXPECT_NE(list.out.find("  9     478891      17638  Media\\XWing.bin\n"), std::string::npos)
        << list.out;
    EXPECT_NE(list.out.find("  0          0      98304  Media\\Font16x16_256128.raw\n"),
              std::string::npos);

    ToolRun verify = Arc("verify");
    EXPECT_EQ(verify.status, 0) << verify.out << verify.err;
    EXPECT_NE(verify.out.find("ok   Media\\Boom.wav: sound"), std::string::npos) << verify.out;
    EXPECT_NE(verify.out.find("ok   Media\\XWing.bin: model, 2 objects"), std::string::npos)
        << verify.out;

    ToolRun unpack = Arc("-a ZabroData.arc unpack out");
    ASSERT_EQ(unpack.status, 0) << unpack.err;
    for (int32_t i = 0; i < MediaArchive::EntryCount(); ++i) {
        const std::string path = Loose(MediaArchive::EntryName(i));
        EXPECT_EQ(ReadFile(dir / "out" / path), ReadFile(dir / "loose" / path)) << path;
        EXPECT_FALSE(fs::exists(dir / "out" / (path + ".tmp")));
    }

    // The unpacked set packs to the same archive.
    ToolRun again = Arc("--archive again.arc pack out");
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(ReadFile(dir / "again.arc"), ReadFile(dir / "ZabroData.arc"));
}

TEST_F(ToolsTest, ArchiveToolRefusesBadInputWithoutPartialOutput)
{
    MakeLooseSet("loose");

    // Missing loose file: named, no archive left behind.
    fs::rename(dir / "loose/Media/Boom.wav", dir / "Boom.wav");
    ToolRun pack = Arc("pack loose");
    EXPECT_EQ(pack.status, 1);
    EXPECT_NE(pack.err.find("loose/Media/Boom.wav: not found"), std::string::npos) << pack.err;
    EXPECT_FALSE(fs::exists(dir / "ZabroData.arc"));
    EXPECT_FALSE(fs::exists(dir / "ZabroData.arc.tmp"));
    fs::rename(dir / "Boom.wav", dir / "loose/Media/Boom.wav");

    // Missing archive: unpack and verify name it and write nothing.
    ToolRun unpack = Arc("unpack out");
    EXPECT_EQ(unpack.status, 1);
    EXPECT_NE(unpack.err.find("media archive \"ZabroData.arc\" not found"), std::string::npos)
        << unpack.err;
    EXPECT_TRUE(NoFilesUnder(dir / "out"));
    EXPECT_EQ(Arc("verify").status, 1);

    // A short archive is named with its size.
    ASSERT_EQ(Arc("pack loose").status, 0);
    std::string archive = ReadFile(dir / "ZabroData.arc");
    WriteFile(dir / "short.arc", archive.substr(0, 1000));
    unpack = Arc("-a short.arc unpack out");
    EXPECT_EQ(unpack.status, 1);
    EXPECT_NE(unpack.err.find(
                  "media archive \"short.arc\" is 1000 bytes, shorter than its directory's 496529"),
              std::string::npos)
        << unpack.err;
    EXPECT_TRUE(NoFilesUnder(dir / "out"));

    // Entries of the wrong kind are reported one by one.
    WriteFile(dir / "loose/Media/XWing.bin", std::string(17638, '\xFF'));
    WriteFile(dir / "loose/Media/Weapon0.wav", std::string(10744, 'x'));
    ASSERT_EQ(Arc("-a bad.arc pack loose").status, 0);
    ToolRun verify = Arc("-a bad.arc verify");
    EXPECT_EQ(verify.status, 1);
    EXPECT_NE(verify.out.find("BAD  Media\\XWing.bin: not a binary model"), std::string::npos)
        << verify.out;
    EXPECT_NE(verify.out.find("BAD  Media\\Weapon0.wav: not a playable WAV"), std::string::npos)
        << verify.out;
    EXPECT_NE(verify.out.find("ok   Media\\Boom.wav"), std::string::npos) << verify.out;
    EXPECT_NE(verify.err.find("bad.arc: 2 problem(s) found"), std::string::npos) << verify.err;

    // Usage mistakes.
    EXPECT_EQ(Arc("").status, 2);
    EXPECT_EQ(Arc("unpack").status, 2);
    EXPECT_EQ(Arc("shuffle").status, 2);
    EXPECT_EQ(Arc("pack no-such-folder").status, 1);
}

TEST_F(ToolsTest, ConvertBetweenFormsIsLossless)
{
    WriteFile(dir / "ship.txt", kShipText);
    ASSERT_EQ(ModelTool("convert ship.txt ship.bin").status, 0);
    ToolRun toText = ModelTool("convert ship.bin back.txt");
    ASSERT_EQ(toText.status, 0) << toText.err;
    EXPECT_EQ(ReadFile(dir / "back.txt"), kShipText);
    ToolRun toBinary = ModelTool("convert back.txt back.BIN");
    ASSERT_EQ(toBinary.status, 0) << toBinary.err;
    EXPECT_EQ(ReadFile(dir / "back.BIN"), ReadFile(dir / "ship.bin"));
    EXPECT_FALSE(fs::exists(dir / "back.BIN.tmp"));

    ToolRun info = ModelTool("info ship.bin");
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("ship.bin: binary model, 2 objects"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("   0   root       3         1      -1  200 40 7     \"Hull\""),
              std::string::npos)
        << info.out;
    EXPECT_NE(
        info.out.find("   1      0       0         0      -1  158 0 158    \"W0\" (not drawn)"),
        std::string::npos)
        << info.out;
    // Reach at scale 0.1: +x 1.0, +z 0.0 (the gun marker has no points).
    EXPECT_NE(info.out.find("collision radius at scale 0.1: 0.500000"), std::string::npos)
        << info.out;
}

TEST_F(ToolsTest, ModelToolRefusesBadInputWithoutPartialOutput)
{
    WriteFile(dir / "ship.txt", kShipText);
    ASSERT_EQ(ModelTool("convert ship.txt ship.bin").status, 0);
    const std::string good = ReadFile(dir / "ship.bin");
    WriteFile(dir / "keep.bin", "previous contents");

    std::string damaged = kShipText;
    damaged.replace(damaged.find("Number of Triangles= 1"), 22, "Number of Triangle= 1");
    WriteFile(dir / "damaged.txt", damaged);
    WriteFile(dir / "cut.bin", good.substr(0, good.size() - 3));
    WriteFile(dir / "unnamed.bin", std::string("\x01\x00\x00\x00\x00\x01\xFF\xFF\x01\x02\x03", 11) +
                                       std::string(16, '\0'));

    struct Case {
        const char* args;
        const char* message;
        const char* output;  // must not be created or changed
    };
    const Case cases[] = {
        {"convert damaged.txt keep.bin",
         "damaged.txt: \"Number of Triangles= \" not found in object 0", "keep.bin"},
        {"convert cut.bin out.txt", "cut.bin: object 1: data ends", "out.txt"},
        {"convert unnamed.bin out.txt",
         "unnamed.bin: cannot be written as text: object 0: empty name", "out.txt"},
        {"convert ship.bin out.obj", "out.obj: unknown model form", "out.obj"},
        {"convert missing.bin keep.bin", "missing.bin: not found", "keep.bin"},
        {"info cut.bin", "cut.bin: object 1: data ends", nullptr},
        {"info ship.png", "ship.png: unknown model form", nullptr},
    };
    for (const Case& c : cases) {
        ToolRun run = ModelTool(c.args);
        EXPECT_EQ(run.status, 1) << c.args;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.args << ": " << run.err;
        if (c.output && std::string(c.output) == "keep.bin") {
            EXPECT_EQ(ReadFile(dir / "keep.bin"), "previous contents") << c.args;
        } else if (c.output) {
            EXPECT_FALSE(fs::exists(dir / c.output)) << c.args;
        }
    }
    EXPECT_FALSE(fs::exists(dir / "keep.bin.tmp"));
    EXPECT_FALSE(fs::exists(dir / "out.txt.tmp"));

    EXPECT_EQ(ModelTool("").status, 2);
    EXPECT_EQ(ModelTool("info").status, 2);
    EXPECT_EQ(ModelTool("explode ship.bin").status, 2);
}

// Named pipes, folders and devices where the tools expect files are refused at once with the
// reason, as every other unusable file: they waited for a writer for ever (list, info, pack)
// or said "archive file not found" and succeeded (list). Outputs are never renamed over one,
// and no temporary file is left.
TEST_F(ToolsTest, SpecialFilesAreRefusedWithoutWaiting)
{
    MakeLooseSet("loose");
    ASSERT_EQ(Arc("pack loose").status, 0);
    ASSERT_EQ(ModelTool("convert ship.txt ship.bin").status, 0);
    for (const char* pipe : {"pipe.arc", "pipe.bin", "pipe.txt", "loose/Media/Boom.wav"}) {
        fs::remove(dir / pipe);
        ASSERT_EQ(mkfifo((dir / pipe).string().c_str(), 0600), 0) << pipe;
    }
    fs::create_directory(dir / "folder.bin");

    struct Case {
        bool arc;  // quenbrill-arc, else quenbrill-model
        const char* args;
        const char* message;
    };
    const Case cases[] = {
        {true, "list pipe.arc", "media archive \"pipe.arc\" is a named pipe, not a file"},
        {true, "list missing.arc", "media archive \"missing.arc\" not found"},
        {true, "verify pipe.arc", "media archive \"pipe.arc\" is a named pipe, not a file"},
        {true, "-a pipe.arc unpack out", "media archive \"pipe.arc\" is a named pipe"},
        {true, "-a new.arc pack loose", "loose/Media/Boom.wav: is a named pipe, not a file"},
        {true, "-a pipe.arc pack out", "pipe.arc: is a named pipe, not a file"},
        {false, "info pipe.bin", "pipe.bin: is a named pipe, not a file"},
        {false, "info pipe.txt", "pipe.txt: is a named pipe, not a file"},
        {false, "info folder.bin", "folder.bin: is a folder, not a file"},
        {false, "convert ship.bin pipe.txt", "pipe.txt: is a named pipe, not a file"},
        {false, "convert ship.txt folder.bin", "folder.bin: is a folder, not a file"},
    };
    ASSERT_EQ(Arc("unpack out").status, 0);  // a good set for the pack into a pipe
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        ToolRun run = c.arc ? Arc(c.args) : ModelTool(c.args);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    for (const char* pipe : {"pipe.arc", "pipe.bin", "pipe.txt", "loose/Media/Boom.wav"})
        EXPECT_EQ(fs::status(dir / pipe).type(), fs::file_type::fifo) << pipe;
    EXPECT_FALSE(fs::exists(dir / "new.arc"));
    for (const auto& item : fs::recursive_directory_iterator(dir))
        EXPECT_NE(item.path().extension(), ".tmp") << item.path();
}

// What a tool echoes from its command line, file names included, comes out with its control
// characters escaped: a name holding ESC [ 2 J cleared the terminal.
TEST_F(ToolsTest, ControlCharactersInArgumentsAreEscaped)
{
    struct Case {
        bool arc;
        const char* args;  // through the shell's printf
        const char* message;
    };
    const Case cases[] = {
        {false, "info \"$(printf 'a\\033[2Jb.bin')\"", "a\\x1B[2Jb.bin: not found"},
        {false, "\"$(printf 'in\\tfo\\r')\" x", "unknown command \"in\\tfo\\r\""},
        {true, "list \"$(printf 'x\\007.arc')\"", "media archive \"x\\x07.arc\" not found"},
        {true, "pack \"$(printf 'dir\\nname')\"", "dir\\nname: not a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        ToolRun run = c.arc ? Arc(c.args) : ModelTool(c.args);
        EXPECT_NE(run.status, 0);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        for (char ch : run.err + run.out)
            EXPECT_TRUE(ch == '\n' || static_cast<unsigned char>(ch) >= 0x20) << int(ch);
    }
}

// A model whose numbers are not finite is refused by verify and by info, with the object named.
TEST_F(ToolsTest, ModelsWithNumbersThatAreNotFiniteAreRefused)
{
    MakeLooseSet("loose");
    std::string ship = ReadFile(dir / "ship.bin");
    // The hull's pivot y: after the count (2), "Hull" and its NUL (5), parent, flag, texture
    // id and colour (8), and pivot x (4).
    const size_t pivotY = 2 + 5 + 8 + 4;
    ship.replace(pivotY, 4, std::string("\x00\x00\xC0\x7F", 4));
    WriteFile(dir / "nan.bin", ship);
    ship.resize(17638, '\0');
    WriteFile(dir / "loose/Media/XWing.bin", ship);
    ASSERT_EQ(Arc("pack loose").status, 0);

    ToolRun verify = Arc("verify");
    EXPECT_EQ(verify.status, 1);
    EXPECT_NE(verify.out.find("BAD  Media\\XWing.bin: not a binary model: object 0 (\"Hull\"): "
                              "pivot is not a finite number"),
              std::string::npos)
        << verify.out;
    ToolRun info = ModelTool("info nan.bin");
    EXPECT_EQ(info.status, 1);
    EXPECT_NE(info.err.find("nan.bin: object 0 (\"Hull\"): pivot is not a finite number"),
              std::string::npos)
        << info.err;
}

}  // namespace
