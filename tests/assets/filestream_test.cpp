// SPDX-License-Identifier: MIT
#include "assets/FileStream.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

class FileStreamTest : public ::testing::Test {
protected:
    void SetUp() override { dir = scratch.path; }

    std::string Path(const char* name) const { return (dir / name).string(); }

    void WriteFile(const char* name, const std::string& bytes) const
    {
        std::ofstream out(Path(name), std::ios::binary);
        out << bytes;
    }
    std::string ReadFile(const char* name) const
    {
        std::ifstream in(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // Text written in text mode has the system's line ends (CR LF on Windows); read as text
    // they come back as "\n".
    std::string ReadText(const char* name) const
    {
        std::ifstream in(Path(name));
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    test::TempDir scratch{"filestream"};  // the test's own folder, gone with it
    fs::path dir;
};

TEST_F(FileStreamTest, WriteIntLEWritesLowBytesLeastSignificantFirst)
{
    struct Case {
        int32_t value;
        int n;
        bool result;
        std::string bytes;
    };
    const Case cases[] = {
        {258, 4, true, std::string("\x02\x01\x00\x00", 4)},
        {258, 2, true, "\x02\x01"},
        {-1, 2, true, "\xFF\xFF"},
        {INT_MIN, 4, true, std::string("\x00\x00\x00\x80", 4)},
        {0x7F, 1, true, "\x7F"},
        {258, 0, false, ""},
        {258, -3, false, ""},
        {258, 5, false, ""},  // a 32-bit value has no fifth byte
    };
    for (const Case& c : cases) {
        {
            FileStream out(Path("le.bin").c_str(), "wb");
            EXPECT_EQ(out.WriteIntLE(c.value, c.n), c.result) << c.value << " n=" << c.n;
        }
        EXPECT_EQ(ReadFile("le.bin"), c.bytes) << c.value << " n=" << c.n;
    }
}

TEST_F(FileStreamTest, LabelledValuesRoundTripWithExactText)
{
    {
        FileStream out(Path("t.txt").c_str(), "wt");
        EXPECT_TRUE(out.WriteLabelledFloat("Pivot X=", 1.5f));
        EXPECT_TRUE(out.WriteLabelledInt("Red  = ", -42));
        EXPECT_TRUE(out.WriteLabelledFloat("y=        ", -0.0000004f));
        EXPECT_TRUE(out.WriteLabelledInt("100% = ", 7));
        EXPECT_TRUE(out.PrintText("%d%s%n\n"));
    }
    EXPECT_EQ(ReadText("t.txt"),
              "Pivot X=1.500000\nRed  = -42\ny=        -0.000000\n100% = 7\n%d%s%n\n");

    // Blank lines after a value and runs of white space in a label are absorbed.
    WriteFile("in.txt", "Pivot X=1.500000\n\n\nRed =\t-42\ny=  -0.25\n100% = 7\n");
    FileStream in(Path("in.txt").c_str(), "rt");
    float pivot = 0, y = 0;
    int red = 0, percent = 0;
    EXPECT_TRUE(in.ReadLabelledFloat("Pivot X=", &pivot));
    EXPECT_TRUE(in.LastReadMatched());
    EXPECT_TRUE(in.ReadLabelledInt("Red  = ", &red));
    EXPECT_TRUE(in.ReadLabelledFloat("y=        ", &y));
    EXPECT_TRUE(in.ReadLabelledInt("100% = ", &percent));
    EXPECT_TRUE(in.LastReadMatched());
    EXPECT_EQ(pivot, 1.5f);
    EXPECT_EQ(red, -42);
    EXPECT_EQ(y, -0.25f);
    EXPECT_EQ(percent, 7);
}

TEST_F(FileStreamTest, MismatchedLabelLeavesDestinationAndReports)
{
    WriteFile("in.txt", "Green= 5\nBlue = 99999999999\nBlue = 6\n");
    FileStream in(Path("in.txt").c_str(), "rt");
    int value = 123;
    EXPECT_TRUE(in.ReadLabelledInt("Red  = ", &value));  // true whatever the match
    EXPECT_FALSE(in.LastReadMatched());
    EXPECT_EQ(value, 123);
    // The failed label consumed nothing it did not match, so the right one still reads.
    EXPECT_TRUE(in.ReadLabelledInt("Green= ", &value));
    EXPECT_TRUE(in.LastReadMatched());
    EXPECT_EQ(value, 5);
    // A number that does not fit an int is not stored.
    EXPECT_TRUE(in.ReadLabelledInt("Blue = ", &value));
    EXPECT_FALSE(in.LastReadMatched());
    EXPECT_EQ(value, 5);

    // A label too long for the 256-byte format is refused without reading.
    std::string longLabel(300, 'x');
    EXPECT_FALSE(in.ReadLabelledInt(longLabel.c_str(), &value));
    EXPECT_EQ(value, 5);
}

TEST_F(FileStreamTest, LabelAndConversionFitIn255Characters)
{
    // "%d\n" and "%f\n" take three characters, so a label of 252 still fits; 253 does not.
    const std::string fits(252, 'L'), tooLong(253, 'L');
    WriteFile("long.txt", fits + "7\n" + fits + "2.5\n" + tooLong + "9\n");
    FileStream in(Path("long.txt").c_str(), "rt");
    int value = 0;
    float f = 0.0f;
    EXPECT_TRUE(in.ReadLabelledInt(fits.c_str(), &value));
    EXPECT_TRUE(in.LastReadMatched());
    EXPECT_EQ(value, 7);
    EXPECT_TRUE(in.ReadLabelledFloat(fits.c_str(), &f));
    EXPECT_EQ(f, 2.5f);
    EXPECT_FALSE(in.ReadLabelledInt(tooLong.c_str(), &value));
    EXPECT_FALSE(in.ReadLabelledFloat(tooLong.c_str(), &f));
    EXPECT_EQ(value, 7);
}

TEST_F(FileStreamTest, ReadLineStopsAtSizeNewlineZeroOrEnd)
{
    WriteFile("lines.txt", std::string("abcdefg\nxy\nfoo\0bar\nlast", 23));
    FileStream in(Path("lines.txt").c_str(), "rb");
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_TRUE(in.ReadLine(buffer, 5));
    EXPECT_STREQ(buffer, "abcd");  // "efg" and the newline stay unread
    EXPECT_TRUE(in.ReadLine(buffer, 16));
    EXPECT_STREQ(buffer, "efg");
    EXPECT_TRUE(in.ReadLine(buffer, 16));
    EXPECT_STREQ(buffer, "xy");
    EXPECT_TRUE(in.ReadLine(buffer, 16));
    EXPECT_STREQ(buffer, "foo");  // the zero byte ends it and is consumed
    EXPECT_TRUE(in.ReadLine(buffer, 16));
    EXPECT_STREQ(buffer, "bar");
    EXPECT_TRUE(in.ReadLine(buffer, 16));
    EXPECT_STREQ(buffer, "last");
    EXPECT_TRUE(in.ReadLine(buffer, 16));
    EXPECT_STREQ(buffer, "");
    EXPECT_TRUE(in.ReadLine(buffer, 1));
    EXPECT_STREQ(buffer, "");
    EXPECT_FALSE(in.ReadLine(buffer, 0));
}

TEST_F(FileStreamTest, SkipLinesCountsNewlinesUntilEnd)
{
    WriteFile("two.txt", "one\ntwo\nthree");
    FileStream in(Path("two.txt").c_str(), "rb");
    EXPECT_EQ(in.SkipLines(1), 1);
    EXPECT_EQ(in.SkipLines(3), 1);  // only one more newline before the end
    EXPECT_EQ(in.SkipLines(0), 0);

    WriteFile("three.txt", "a\nb\nc\n");
    FileStream again(Path("three.txt").c_str(), "rb");
    EXPECT_EQ(again.SkipLines(2), 2);
    char buffer[8];
    again.ReadLine(buffer, 8);
    EXPECT_STREQ(buffer, "c");
}

TEST_F(FileStreamTest, SeekFromStartOrCurrentOnly)
{
    WriteFile("s.bin", "0123456789");
    FileStream in(Path("s.bin").c_str(), "rb");
    char c = 0;
    EXPECT_TRUE(in.Seek(4, 0));
    EXPECT_TRUE(in.ReadBytes(&c, 1));
    EXPECT_EQ(c, '4');
    EXPECT_FALSE(in.Seek(0, 2));  // from the end: not offered, and nothing moves
    EXPECT_TRUE(in.ReadBytes(&c, 1));
    EXPECT_EQ(c, '5');
    EXPECT_TRUE(in.Seek(2, 1));
    EXPECT_TRUE(in.ReadBytes(&c, 1));
    EXPECT_EQ(c, '8');
    EXPECT_FALSE(in.Seek(-1, 0));
    char two[2];
    EXPECT_TRUE(in.Seek(9, 0));
    EXPECT_FALSE(in.ReadBytes(two, 2));  // a short read is a failure
}

TEST_F(FileStreamTest, FailedOpenMakesEveryOperationAHarmlessFailure)
{
    FileStream in(Path("missing/nothing.bin").c_str(), "rb");
    EXPECT_TRUE(in.Failed());
    char buffer[8] = "keep";
    int value = 9;
    float f = 2.5f;
    EXPECT_FALSE(in.Seek(0, 0));
    EXPECT_FALSE(in.ReadBytes(buffer, 4));
    EXPECT_FALSE(in.WriteBytes(buffer, 4));
    EXPECT_FALSE(in.WriteIntLE(1, 2));
    EXPECT_FALSE(in.ScanText(" "));
    EXPECT_FALSE(in.ReadLabelledInt("a=", &value));
    EXPECT_FALSE(in.ReadLabelledFloat("a=", &f));
    EXPECT_FALSE(in.PrintText("x"));
    EXPECT_FALSE(in.WriteLabelledInt("a=", 1));
    EXPECT_FALSE(in.WriteLabelledFloat("a=", 1));
    EXPECT_EQ(in.SkipLines(2), -1);
    EXPECT_FALSE(in.ReadLine(buffer, 8));
    EXPECT_FALSE(in.ReadKeyed(buffer, 4, 1, 2));
    EXPECT_FALSE(in.WriteKeyed(buffer, 4, 1, 2));
    EXPECT_STREQ(buffer, "keep");
    EXPECT_EQ(value, 9);
    EXPECT_EQ(f, 2.5f);
}

// A name is opened as it is written: a backslash is a folder separator only where the system
// makes it one. Archive entry names turn theirs into folders elsewhere (LooseFilePath).
TEST_F(FileStreamTest, NamesAreTakenAsWritten)
{
    fs::create_directories(dir / "Media");
    WriteFile("Media/XWing.bin", "ship");
    std::string name = dir.string() + "\\Media\\XWing.bin";
#ifdef _WIN32
    EXPECT_FALSE(FileStream(name.c_str(), "rb").Failed());
#else
    EXPECT_TRUE(FileStream(name.c_str(), "rb").Failed());
    WriteFile("back\\slash.bin", "back");
    FileStream in(Path("back\\slash.bin").c_str(), "rb");
    ASSERT_FALSE(in.Failed()) << in.Problem();
    char buffer[4];
    EXPECT_TRUE(in.ReadBytes(buffer, 4));
    EXPECT_EQ(std::string(buffer, 4), "back");
#endif
}

// Every open looks at the name first: only a regular file is read, and only a regular file or
// nothing is written, each refusal with its one-line reason. Nothing here may block: opening a
// named pipe for reading waited for a writer for ever.
TEST_F(FileStreamTest, OnlyRegularFilesAreOpened)
{
    WriteFile("file.bin", "12345");
    fs::create_directory(dir / "folder");
#ifndef _WIN32
    ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
    fs::create_symlink("loop", dir / "loop");
#endif
    struct Case {
        std::string path;
        PathKind kind;
        const char* reason;  // "": opens for reading
        bool writable;  // may be opened for writing
    };
    const Case cases[] = {
        {Path("file.bin"), PathKind::RegularFile, "", true},
        {Path("missing.bin"), PathKind::Missing, "not found", true},
        {Path("file.bin/inside"), PathKind::Missing, "not found", false},
        {Path("folder"), PathKind::Folder, "is a folder, not a file", false},
#ifndef _WIN32
        {Path("pipe"), PathKind::NamedPipe, "is a named pipe, not a file", false},
        {"/dev/zero", PathKind::SpecialFile, "is a special file, not a file", false},
        {Path("loop"), PathKind::Unknown, "cannot be read: Too many levels of symbolic links",
         false},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        PathInfo info = LookAtPath(c.path.c_str());
        EXPECT_EQ(info.kind, c.kind);
        EXPECT_EQ(info.reason, c.reason);
        EXPECT_EQ(info.size, c.kind == PathKind::RegularFile ? 5 : -1);
        std::string reason = "stale";
        EXPECT_EQ(FileUsable(c.path.c_str(), false, &reason), c.kind == PathKind::RegularFile);
        EXPECT_EQ(reason, c.reason);

        FileStream in(c.path.c_str(), "rb");
        EXPECT_EQ(in.Failed(), c.kind != PathKind::RegularFile);
        EXPECT_EQ(in.Problem(), c.reason);
        FileStream out(c.path.c_str(), "ab");  // appends: the regular file keeps its bytes
        EXPECT_EQ(out.Failed(), !c.writable) << out.Problem();
        if (c.kind != PathKind::Missing) {
            EXPECT_EQ(out.Problem(), c.reason);
        }
    }
    // The one that could not be created names the system's reason.
#ifndef _WIN32
    EXPECT_EQ(FileStream(Path("file.bin/inside").c_str(), "wb").Problem(),
              "cannot be written: Not a directory");
#endif
    EXPECT_EQ(ReadFile("file.bin"), "12345");
    EXPECT_FALSE(fs::exists(dir / "folder" / "x"));
    EXPECT_EQ(LookAtPath("").kind, PathKind::Missing);
    EXPECT_FALSE(FileUsable("", true));
}

TEST_F(FileStreamTest, ScanTextSkipsWhiteSpaceAndRefusesStoringConversions)
{
    WriteFile("w.txt", "  \n\t\n name\n");
    FileStream in(Path("w.txt").c_str(), "rt");
    EXPECT_FALSE(in.ScanText("%d"));
    EXPECT_FALSE(in.ScanText("%s"));
    EXPECT_TRUE(in.ScanText(" "));
    char buffer[16];
    in.ReadLine(buffer, 16);
    EXPECT_STREQ(buffer, "name");
}

TEST(KeyedShuffle, PartnersFollowTheKeyFormula)
{
    // Reference values worked out by hand from the formula with the game's keys.
    const int32_t k1 = 38117, k2 = 5293;
    const std::vector<int32_t> five = {1, 4, 3, 4, 4};
    const std::vector<int32_t> ten = {1, 3, 9, 5, 5, 9, 7, 8, 9, 9};
    for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(KeyedPartner(5, i, k1, k2), five[i]) << i;
    for (int32_t i = 0; i < 10; ++i) EXPECT_EQ(KeyedPartner(10, i, k1, k2), ten[i]) << i;
    EXPECT_EQ(KeyedPartner(1, 0, k1, k2), 0);
    // The products wrap at 32 bits.
    EXPECT_EQ(KeyedPartner(100000, 70000, k1, k2), 88803);
    // r = -2^31 exactly (i = 0, second key 0, first key = -2^31 + n): |r| = 2^31, and
    // 2^31 mod 7 = 2.
    EXPECT_EQ(KeyedPartner(7, 0, INT_MIN + 7, 0), 2);

    uint8_t text[] = "ABCDEFGHIJ";
    KeyedShuffle(text, 10, k1, k2);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(text), 10), "BDJFACHIEG");
    KeyedUnshuffle(text, 10, k1, k2);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(text), 10), "ABCDEFGHIJ");
}

TEST(KeyedShuffle, UnshuffleUndoesShuffleForManyLengthsAndKeys)
{
    const int32_t keys[][2] = {{38117, 5293}, {INT_MIN + 7, 0}, {-1, INT_MAX}, {0, 0}};
    for (const auto& k : keys) {
        for (int32_t n : {1, 2, 3, 31, 256, 4097}) {
            std::vector<uint8_t> data(static_cast<size_t>(n));
            for (int32_t i = 0; i < n; ++i)
                data[static_cast<size_t>(i)] = static_cast<uint8_t>(i * 7 + 3);
            std::vector<uint8_t> original = data;
            for (int32_t i = 0; i < n; ++i) {
                int32_t j = KeyedPartner(n, i, k[0], k[1]);
                ASSERT_GE(j, i);
                ASSERT_LT(j, n);
            }
            KeyedShuffle(data.data(), n, k[0], k[1]);
            KeyedUnshuffle(data.data(), n, k[0], k[1]);
            EXPECT_EQ(data, original) << "n=" << n << " k1=" << k[0];
        }
    }
}

TEST_F(FileStreamTest, KeyedWriteThenReadGivesTheBytesBack)
{
    std::string payload = "The bolt lives 700 ms.";
    {
        FileStream out(Path("k.bin").c_str(), "wb");
        EXPECT_TRUE(out.WriteKeyed(payload.data(), static_cast<int>(payload.size()), 38117, 5293));
    }
    std::string stored = ReadFile("k.bin");
    EXPECT_EQ(stored.size(), payload.size());
    EXPECT_NE(stored, payload);
    FileStream in(Path("k.bin").c_str(), "rb");
    std::string back(payload.size(), '\0');
    EXPECT_TRUE(in.ReadKeyed(&back[0], static_cast<int>(back.size()), 38117, 5293));
    EXPECT_EQ(back, payload);
}

}  // namespace
