// SPDX-License-Identifier: MIT
#include "assets/FileStream.h"
#include "assets/MediaArchive.h"
#include "platform/Files.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <vector>

namespace fs = std::filesystem;

namespace {

using test::ReadFile;
using test::WriteFile;

// Deterministic bytes that differ per entry.
std::string Pattern(size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(x >> 16);
    }
    return bytes;
}

std::string LoosePath(const char* entryName)
{
    std::string path(entryName);
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    return path;
}

class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = scratch.path;
        archivePath = (dir / "ZabroData.arc").string();
    }
    void TearDown() override { MediaArchive::Reset(); }

    // The game's directory, with the archive placed in the test folder.
    void RegisterGameDirectoryHere()
    {
        RegisterGameArchive();
        MediaArchive::Open(archivePath.c_str(), 38117, 5293);
    }

    // One loose file per entry, each extra bytes longer than its entry (the surplus is cut).
    void WriteLooseFiles(size_t extra)
    {
        for (int32_t i = 0; i < MediaArchive::EntryCount(); ++i) {
            std::string bytes = Pattern(static_cast<size_t>(MediaArchive::EntrySize(i)) + extra, i);
            WriteFile(dir / "loose" / LoosePath(MediaArchive::EntryName(i)), bytes);
        }
    }

    std::string Loose(int32_t i) const
    {
        return ReadFile(dir / "loose" / LoosePath(MediaArchive::EntryName(i)));
    }

    std::string Entry(const char* name, bool* complete = nullptr) const
    {
        std::unique_ptr<uint8_t[]> data(MediaArchive::ReadEntry(name, complete));
        if (!data) return "<none>";
        int32_t size = MediaArchive::EntrySize(MediaArchive::FindEntry(name));
        return std::string(reinterpret_cast<char*>(data.get()), static_cast<size_t>(size));
    }

    test::TempDir scratch{"archive"};  // the test's own folder, gone with it
    fs::path dir;
    std::string archivePath;
};

TEST_F(ArchiveTest, GameDirectoryHasTheBuiltInEntriesAndOffsets)
{
    RegisterGameArchive();
    EXPECT_STREQ(MediaArchive::FileName(), "ZabroData.arc");
    EXPECT_EQ(MediaArchive::Key1(), 38117);
    EXPECT_EQ(MediaArchive::Key2(), 5293);
    struct Row {
        const char* name;
        int32_t size;
        int32_t offset;
    };
    const Row rows[] = {
        {"Media\\Font16x16_256128.raw", 98304, 0}, {"Media\\Particle32.raw", 3072, 98304},
        {"Media\\Sky256128.raw", 98304, 101376},   {"Media\\StartScreen256.raw", 196608, 199680},
        {"Media\\Terrain128.raw", 49152, 396288},  {"Media\\Boom.wav", 8636, 445440},
        {"Media\\Weapon0.wav", 10744, 454076},     {"Media\\Factory.bin", 6332, 464820},
        {"Media\\TieFighter.bin", 7739, 471152},   {"Media\\XWing.bin", 17638, 478891},
    };
    ASSERT_EQ(MediaArchive::EntryCount(), 10);
    for (int32_t i = 0; i < 10; ++i) {
        EXPECT_EQ(MediaArchive::FindEntry(rows[i].name), i);
        EXPECT_EQ(MediaArchive::EntrySize(i), rows[i].size);
        EXPECT_EQ(MediaArchive::EntryOffset(i), rows[i].offset) << rows[i].name;
    }
    EXPECT_EQ(MediaArchive::TotalSize(), 496529);
    EXPECT_EQ(MediaArchive::EntryOffset(-1), -1);
    // Just past the last entry: the sum of every size, where the archive ends.
    EXPECT_EQ(MediaArchive::EntryOffset(10), 496529);
    EXPECT_EQ(MediaArchive::EntryOffset(11), -1);

    // Names are compared exactly: case and the backslash count.
    EXPECT_EQ(MediaArchive::FindEntry("Media\\xWing.bin"), -1);
    EXPECT_EQ(MediaArchive::FindEntry("media\\XWing.bin"), -1);
    EXPECT_EQ(MediaArchive::FindEntry("Media/XWing.bin"), -1);
    EXPECT_EQ(MediaArchive::FindEntry(""), -1);
    EXPECT_EQ(MediaArchive::FindEntry(nullptr), -1);

    // Registering again replaces the directory rather than doubling it.
    RegisterGameArchive();
    EXPECT_EQ(MediaArchive::EntryCount(), 10);
}

TEST_F(ArchiveTest, PackThenReadEntryGivesEachLooseFilesFirstSizeBytes)
{
    RegisterGameDirectoryHere();
    WriteLooseFiles(5);  // every loose file is 5 bytes too long
    std::string error;
    ASSERT_TRUE(MediaArchive::Pack((dir / "loose").string().c_str(), &error)) << error;

    std::string archive = ReadFile(archivePath);
    ASSERT_EQ(archive.size(), 496529u);
    EXPECT_FALSE(fs::exists(archivePath + ".tmp"));

    for (int32_t i = 0; i < MediaArchive::EntryCount(); ++i) {
        std::string expected = Loose(i).substr(0, static_cast<size_t>(MediaArchive::EntrySize(i)));
        // Stored shuffled, not plain.
        EXPECT_NE(
            archive.substr(static_cast<size_t>(MediaArchive::EntryOffset(i)), expected.size()),
            expected);
        bool complete = false;
        EXPECT_EQ(Entry(MediaArchive::EntryName(i), &complete), expected)
            << MediaArchive::EntryName(i);
        EXPECT_TRUE(complete);
    }

    // Deterministic: packing again gives the same bytes.
    ASSERT_TRUE(MediaArchive::Pack((dir / "loose").string().c_str(), &error)) << error;
    EXPECT_EQ(ReadFile(archivePath), archive);
}

// Folders and files named in other scripts than ASCII ("Jeux é", "Игры"): packing (over an
// archive already there), checking and reading all find them. File names are UTF-8 inside the
// program; on Windows a narrow file call would miss every one of them.
TEST_F(ArchiveTest, FoldersWithAccentsAndCyrillicLettersWork)
{
    const std::string root =
        plat::Utf8FromPath(dir) + "/Jeux \xc3\xa9/\xd0\x98\xd0\xb3\xd1\x80\xd1\x8b";
    const std::string archive = root + "/\xc3\xa9t\xc3\xa9.arc";
    RegisterGameArchive();
    MediaArchive::Open(archive.c_str(), 38117, 5293);
    for (int32_t i = 0; i < MediaArchive::EntryCount(); ++i)
        WriteFile(plat::PathFromUtf8(root + "/loose/" + LoosePath(MediaArchive::EntryName(i))),
                  Pattern(static_cast<size_t>(MediaArchive::EntrySize(i)), i));
    WriteFile(plat::PathFromUtf8(archive), "an older archive");

    std::string error;
    ASSERT_TRUE(MediaArchive::Pack((root + "/loose").c_str(), &error)) << error;
    EXPECT_EQ(fs::file_size(plat::PathFromUtf8(archive)),
              static_cast<uintmax_t>(MediaArchive::TotalSize()));
    EXPECT_FALSE(fs::exists(plat::PathFromUtf8(archive + ".tmp")));
    EXPECT_EQ(MediaArchive::CheckFile(&error), ArchiveFileState::Ready) << error;
    bool complete = false;
    EXPECT_EQ(Entry("Media\\XWing.bin", &complete),
              Pattern(static_cast<size_t>(
                          MediaArchive::EntrySize(MediaArchive::FindEntry("Media\\XWing.bin"))),
                      static_cast<unsigned>(MediaArchive::FindEntry("Media\\XWing.bin"))));
    EXPECT_TRUE(complete);

    // Cut short: the reason names the file as the user wrote it.
    WriteFile(plat::PathFromUtf8(archive), "short");
    EXPECT_EQ(MediaArchive::CheckFile(&error), ArchiveFileState::TooShort);
    EXPECT_NE(error.find("\"" + archive + "\" is 5 bytes"), std::string::npos) << error;

    // The file stream and the file operations below it take the same names.
    const std::string moved = root + "/\xd0\xbc\xd0\xb8\xd1\x80.arc";  // "мир.arc"
    EXPECT_TRUE(plat::RenameReplacing(archive.c_str(), moved.c_str()));
    EXPECT_EQ(MediaArchive::CheckFile(&error), ArchiveFileState::Missing);
    {
        FileStream in(moved.c_str(), "rb");
        char bytes[5] = {};
        EXPECT_TRUE(in.ReadBytes(bytes, 5));
        EXPECT_EQ(std::string(bytes, 5), "short");
    }
    EXPECT_TRUE(plat::RemoveFile(moved.c_str()));
    EXPECT_FALSE(plat::RemoveFile(moved.c_str()));
}

TEST_F(ArchiveTest, OneByteEntryIsStoredUnchangedAndZeroSizeEntriesTakeNoRoom)
{
    MediaArchive::Open(archivePath.c_str(), 38117, 5293);
    MediaArchive::AddEntry("a.bin", 1);
    MediaArchive::AddEntry("empty.bin", 0);
    MediaArchive::AddEntry("b.bin", 4);
    WriteFile(dir / "a.bin", "Q");
    WriteFile(dir / "b.bin", "wxyz");
    ASSERT_TRUE(MediaArchive::Pack(dir.string().c_str()));  // empty.bin need not exist

    std::string archive = ReadFile(archivePath);
    ASSERT_EQ(archive.size(), 5u);
    EXPECT_EQ(archive[0], 'Q');
    EXPECT_EQ(MediaArchive::EntryOffset(2), 1);
    EXPECT_EQ(Entry("b.bin"), "wxyz");
    bool complete = false;
    std::unique_ptr<uint8_t[]> empty(MediaArchive::ReadEntry("empty.bin", &complete));
    EXPECT_NE(empty, nullptr);
    EXPECT_TRUE(complete);
}

TEST_F(ArchiveTest, MissingOrShortArchiveGivesZeroFilledEntries)
{
    RegisterGameDirectoryHere();
    // Unknown names give nothing at all.
    EXPECT_EQ(MediaArchive::ReadEntry("Media\\Nothing.bin"), nullptr);

    // No archive file: every entry comes back zero, flagged incomplete.
    bool complete = true;
    std::string boom = Entry("Media\\Boom.wav", &complete);
    EXPECT_FALSE(complete);
    EXPECT_EQ(boom, std::string(8636, '\0'));

    // An archive cut inside entry 6: entries before it read normally, the cut one and the
    // ones after it are zero.
    WriteLooseFiles(0);
    ASSERT_TRUE(MediaArchive::Pack((dir / "loose").string().c_str()));
    std::string archive = ReadFile(archivePath);
    WriteFile(archivePath,
              archive.substr(0, static_cast<size_t>(MediaArchive::EntryOffset(6)) + 100));

    EXPECT_EQ(Entry("Media\\Boom.wav", &complete), Loose(5));
    EXPECT_TRUE(complete);
    EXPECT_EQ(Entry("Media\\Weapon0.wav", &complete), std::string(10744, '\0'));
    EXPECT_FALSE(complete);
    EXPECT_EQ(Entry("Media\\XWing.bin", &complete), std::string(17638, '\0'));
    EXPECT_FALSE(complete);
}

// A loose file that is missing, short or not a regular file is named with what is wrong with
// it, and the old archive stays as it was, with no temporary file beside it. Nothing blocks:
// packing read a named pipe in a loose file's place and waited for a writer for ever.
TEST_F(ArchiveTest, PackRefusesUnusableLooseFilesAndKeepsTheOldArchive)
{
    RegisterGameDirectoryHere();
    WriteFile(archivePath, "old archive");
    WriteLooseFiles(0);

    struct Case {
        const char* what;
        const char* entry;
        std::function<void(const fs::path&, const std::string&)> spoil;
        const char* message;
    };
    const Case cases[] = {
        {"missing", "Media\\Sky256128.raw", [](const fs::path&, const std::string&) {},
         "loose/Media/Sky256128.raw: not found"},
        {"one byte short", "Media\\XWing.bin",
         [](const fs::path& loose, const std::string& saved) {
             WriteFile(loose, saved.substr(0, saved.size() - 1));
         },
         "XWing.bin: shorter than its entry size of 17638 bytes"},
        {"a folder", "Media\\Boom.wav",
         [](const fs::path& loose, const std::string&) { fs::create_directory(loose); },
         "Boom.wav: is a folder, not a file"},
#ifndef _WIN32
        {"a named pipe", "Media\\Weapon0.wav",
         [](const fs::path& loose, const std::string&) {
             ASSERT_EQ(mkfifo(loose.string().c_str(), 0600), 0);
         },
         "Weapon0.wav: is a named pipe, not a file"},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::path loose = dir / "loose" / LoosePath(c.entry);
        std::string saved = ReadFile(loose);
        fs::remove(loose);
        c.spoil(loose, saved);

        std::string error;
        EXPECT_FALSE(MediaArchive::Pack((dir / "loose").string().c_str(), &error));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_EQ(ReadFile(archivePath), "old archive");
        EXPECT_FALSE(fs::exists(archivePath + ".tmp"));
        fs::remove_all(loose);
        WriteFile(loose, saved);
    }

    // An archive that cannot be created is reported with the system's reason.
    MediaArchive::Open((dir / "no" / "such" / "folder.arc").string().c_str(), 38117, 5293);
    std::string error;
    EXPECT_FALSE(MediaArchive::Pack((dir / "loose").string().c_str(), &error));
    EXPECT_NE(error.find("folder.arc.tmp: cannot be written: No such file or directory"),
              std::string::npos)
        << error;
}

#ifndef _WIN32
// The archive is replaced by renaming its temporary file over it: a named pipe (or a device) in
// its place would be replaced, a temporary name taken by something else would be removed.
// Neither is touched.
TEST_F(ArchiveTest, PackLeavesSpecialFilesInItsWayAlone)
{
    RegisterGameDirectoryHere();
    WriteLooseFiles(0);
    const std::string loose = (dir / "loose").string();
    struct Case {
        const char* what;
        std::string pipe;  // made before packing, still a named pipe afterwards
        const char* message;
    };
    const Case cases[] = {
        {"the archive is a named pipe", archivePath, "ZabroData.arc: is a named pipe, not a file"},
        {"its temporary name is a named pipe", archivePath + ".tmp",
         "ZabroData.arc.tmp: is a named pipe, not a file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(archivePath);
        ASSERT_EQ(mkfifo(c.pipe.c_str(), 0600), 0);
        std::string error;
        EXPECT_FALSE(MediaArchive::Pack(loose.c_str(), &error));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_EQ(fs::status(c.pipe).type(), fs::file_type::fifo);
        fs::remove(c.pipe);
    }
    std::string error;
    EXPECT_TRUE(MediaArchive::Pack(loose.c_str(), &error)) << error;
}

// Names given from outside are taken as they are written: only the entry names' backslashes
// are folder separators. An archive "back\slash.arc" and a loose folder "loose\set" work.
TEST_F(ArchiveTest, BackslashesOutsideEntryNamesAreTakenAsWritten)
{
    RegisterGameArchive();
    const std::string archive = (dir / "back\\slash.arc").string();
    MediaArchive::Open(archive.c_str(), 38117, 5293);
    for (int32_t i = 0; i < MediaArchive::EntryCount(); ++i)
        WriteFile(dir / "loose\\set" / LoosePath(MediaArchive::EntryName(i)),
                  Pattern(size_t(MediaArchive::EntrySize(i)), unsigned(i)));
    std::string error;
    ASSERT_TRUE(MediaArchive::Pack((dir / "loose\\set").string().c_str(), &error)) << error;
    EXPECT_EQ(fs::file_size(archive), 496529u);
    EXPECT_EQ(MediaArchive::CheckFile(&error), ArchiveFileState::Ready) << error;
    bool complete = false;
    EXPECT_EQ(Entry("Media\\XWing.bin", &complete), Pattern(17638, 9));
    EXPECT_TRUE(complete);
    EXPECT_EQ(LooseFilePath("a\\b", "Media\\XWing.bin"), "a\\b/Media/XWing.bin");
    EXPECT_EQ(LooseFilePath("", "Media\\XWing.bin"), "Media/XWing.bin");
}
#endif

TEST_F(ArchiveTest, AddEntryRejectsEntriesThatCouldNotBeLocated)
{
    MediaArchive::Open(archivePath.c_str(), 1, 2);
    MediaArchive::AddEntry(nullptr, 10);
    MediaArchive::AddEntry("negative", -1);
    MediaArchive::AddEntry("huge", INT32_MAX);
    MediaArchive::AddEntry("too far", 1);  // the offsets would overflow 32 bits
    EXPECT_EQ(MediaArchive::EntryCount(), 1);
    EXPECT_EQ(MediaArchive::FindEntry("too far"), -1);
    EXPECT_EQ(MediaArchive::EntryName(5), nullptr);
    EXPECT_EQ(MediaArchive::EntrySize(-1), 0);
}

}  // namespace

// Each way the archive file can be unusable gets its own state and a one-line reason naming the
// file; reading an entry then gives zeros and never blocks (a named pipe is not opened: fopen
// on it waited for a writer for ever).
TEST_F(ArchiveTest, EveryUnusableArchiveFileHasItsOwnReasonAndReadsNeverBlock)
{
    RegisterGameDirectoryHere();
    WriteLooseFiles(0);
    ASSERT_TRUE(MediaArchive::Pack((dir / "loose").string().c_str()));
    const std::string good = ReadFile(archivePath);
    fs::remove(archivePath);

    struct Case {
        const char* what;
        std::function<void()> make;
        ArchiveFileState state;
        const char* reason;
    };
    const Case cases[] = {
        {"missing", [] {}, ArchiveFileState::Missing, "\" not found"},
        {"a folder", [&] { fs::create_directory(archivePath); }, ArchiveFileState::NotRegularFile,
         "\" is a folder, not a file"},
#ifndef _WIN32  // no named pipes or symbolic links of this kind on Windows
        {"a named pipe", [&] { ASSERT_EQ(mkfifo(archivePath.c_str(), 0600), 0); },
         ArchiveFileState::NotRegularFile, "\" is a named pipe, not a file"},
        {"a link to itself", [&] { fs::create_symlink("ZabroData.arc", archivePath); },
         ArchiveFileState::Unreadable, "\" cannot be read: Too many levels of symbolic links"},
#endif
        {"cut short", [&] { WriteFile(archivePath, good.substr(0, 1000)); },
         ArchiveFileState::TooShort, "\" is 1000 bytes, shorter than its directory's 496529"},
        {"whole", [&] { WriteFile(archivePath, good); }, ArchiveFileState::Ready, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(archivePath);
        c.make();
        std::string reason = "stale";
        EXPECT_EQ(MediaArchive::CheckFile(&reason), c.state);
        bool complete = false;
        std::string xwing = Entry("Media\\XWing.bin", &complete);
        if (c.state == ArchiveFileState::Ready) {
            EXPECT_EQ(reason, "");
            EXPECT_TRUE(complete);
            EXPECT_EQ(xwing, Loose(9));
            continue;
        }
        EXPECT_EQ(reason, "media archive \"" + archivePath + c.reason) << reason;
        EXPECT_EQ(reason.find('\n'), std::string::npos);
        EXPECT_FALSE(complete);
        EXPECT_EQ(xwing, std::string(17638, '\0'));
    }
}

// A file the system will not let us read (root reads everything, so this one needs a user).
TEST_F(ArchiveTest, AnArchiveWithoutReadPermissionSaysSo)
{
    RegisterGameDirectoryHere();
    WriteFile(archivePath, std::string(100, 'x'));
    fs::permissions(archivePath, fs::perms::none);
    FILE* f = std::fopen(archivePath.c_str(), "rb");
    std::string reason;
    const ArchiveFileState state = MediaArchive::CheckFile(&reason);
    fs::permissions(archivePath, fs::perms::owner_all);  // so that the folder can go again
    if (f) {
        std::fclose(f);
        GTEST_SKIP() << "this user reads files without read permission";
    }
    EXPECT_EQ(state, ArchiveFileState::Unreadable);
    EXPECT_EQ(reason, "media archive \"" + archivePath + "\" cannot be read: Permission denied");
}

TEST_F(ArchiveTest, BadEntriesAreNamedWithTheirKindAndSize)
{
    RegisterGameDirectoryHere();
    const std::string prefix = "media archive \"" + archivePath + "\": ";
    EXPECT_EQ(MediaArchive::BadEntryMessage("Media\\XWing.bin"),
              prefix + "Media\\XWing.bin is not a valid model (17638 bytes)");
    EXPECT_EQ(MediaArchive::BadEntryMessage("Media\\Boom.wav"),
              prefix + "Media\\Boom.wav is not a valid sound (8636 bytes)");
    EXPECT_EQ(MediaArchive::BadEntryMessage("Media\\Particle32.raw"),
              prefix + "Media\\Particle32.raw is not a valid picture (3072 bytes)");
}
