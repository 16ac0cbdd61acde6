// SPDX-License-Identifier: MIT
// quenbrill-arc: looks inside the game's media archive and builds it from loose files.
//
//   quenbrill-arc [-a ARCHIVE] list         the directory with offsets and sizes
//   quenbrill-arc [-a ARCHIVE] unpack DIR   every entry as a loose file under DIR
//   quenbrill-arc [-a ARCHIVE] pack DIR     the archive from the loose files under DIR
//   quenbrill-arc [-a ARCHIVE] verify       every entry present and of its expected kind
//
// The directory is the game's own, built in; ARCHIVE defaults to ZabroData.arc in the working
// directory. An entry named Media\XWing.bin is the loose file DIR/Media/XWing.bin.

#include "TempFile.h"
#include "assets/FileStream.h"
#include "assets/MediaArchive.h"
#include "assets/RawImage.h"
#include "assets/Sound.h"
#include "platform/Files.h"
#include "render/ModelFile.h"
#include "shell/Printable.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const kTool = "quenbrill-arc";

int Usage(FILE* to = stderr)
{
    std::fprintf(
        to,
        "usage: %s [-a ARCHIVE] COMMAND\n"
        "  list [ARCHIVE]     show the directory: index, offset, size and name of every entry\n"
        "  unpack DIR         write every entry as a loose file under DIR\n"
        "  pack DIR           build the archive from the loose files under DIR\n"
        "  verify [ARCHIVE]   check that every entry is present and of its expected kind\n"
        "ARCHIVE defaults to ZabroData.arc in the working directory.\n",
        kTool);
    return 2;
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", kTool, Printable(message).c_str());
    return 1;
}

// The archive's name as the messages show it.
std::string ArchiveName() { return Printable(MediaArchive::FileName()); }

// Size of the archive on disk, or -1 when it is not a regular file.
int64_t ArchiveSize() { return LookAtPath(MediaArchive::FileName()).size; }

// Checks that the archive is a readable file holding every entry; a message when not.
bool ArchiveComplete(std::string& problem)
{
    return MediaArchive::CheckFile(&problem) == ArchiveFileState::Ready;
}

int List()
{
    // The directory is built in, but the archive named must be there to list it: a file that
    // is not there or cannot be read is an error like in every other command.
    std::string problem;
    ArchiveFileState state = MediaArchive::CheckFile(&problem);
    if (state != ArchiveFileState::Ready && state != ArchiveFileState::TooShort)
        return Fail(problem);
    int64_t size = ArchiveSize();
    std::printf("%s: %d entries, %lld bytes", ArchiveName().c_str(),
                static_cast<int>(MediaArchive::EntryCount()),
                static_cast<long long>(MediaArchive::TotalSize()));
    if (size != MediaArchive::TotalSize())
        std::printf(" (the file has %lld)\n", static_cast<long long>(size));
    else std::printf("\n");
    std::printf("%3s %10s %10s  %s\n", "#", "offset", "size", "name");
    for (int32_t i = 0; i < MediaArchive::EntryCount(); ++i) {
        std::printf("%3d %10d %10d  %s\n", static_cast<int>(i),
                    static_cast<int>(MediaArchive::EntryOffset(i)),
                    static_cast<int>(MediaArchive::EntrySize(i)), MediaArchive::EntryName(i));
    }
    return 0;
}

// Writes bytes to the loose file's temporary file; the caller renames it into place once
// everything is written. The loose file itself must be a regular file or not there yet:
// renaming over a named pipe or a device would replace it.
bool WriteTemp(const std::string& path, TempFile& temp, const uint8_t* bytes, int32_t size,
               std::string& problem)
{
    std::string reason;
    if (!FileUsable(path.c_str(), true, &reason)) {
        problem = path + ": " + reason;
        temp.Forget();
        return false;
    }
    std::error_code error;
    const fs::path folder = plat::PathFromUtf8(path).parent_path();
    fs::create_directories(folder, error);
    if (error) {
        problem =
            plat::Utf8FromPath(folder) + ": cannot create the folder (" + error.message() + ")";
        return false;
    }
    FileStream out(temp.c_str(), "wb");
    if (out.Failed()) {
        problem = temp.Path() + ": " + out.Problem();
        temp.Forget();  // whatever sits under that name is not ours
        return false;
    }
    if ((size > 0 && !out.WriteBytes(bytes, size)) || !out.Flush()) {
        problem = temp.Path() + ": write failed";
        return false;
    }
    return true;
}

int Unpack(const std::string& dir)
{
    std::string problem;
    if (!ArchiveComplete(problem)) return Fail(problem);

    // Every entry goes to a temporary file first; only when all are written are they renamed,
    // so a failure leaves no half-unpacked set behind (and no temporary file: each one goes
    // with its TempFile).
    std::vector<std::unique_ptr<TempFile>> written;
    bool ok = true;
    for (int32_t i = 0; i < MediaArchive::EntryCount() && ok; ++i) {
        const char* name = MediaArchive::EntryName(i);
        bool complete = false;
        std::unique_ptr<uint8_t[]> data(MediaArchive::ReadEntry(name, &complete));
        if (!data || !complete) {
            problem = std::string(MediaArchive::FileName()) + ": cannot read entry " + name;
            ok = false;
            break;
        }
        const std::string path = LooseFilePath(dir, name);
        written.push_back(std::make_unique<TempFile>(path + ".tmp"));
        ok = WriteTemp(path, *written.back(), data.get(), MediaArchive::EntrySize(i), problem);
    }
    for (size_t i = 0; ok && i < written.size(); ++i) {
        const std::string path = LooseFilePath(dir, MediaArchive::EntryName(int32_t(i)));
        if (!plat::RenameReplacing(written[i]->c_str(), path.c_str())) {
            problem = path + ": cannot replace the file";
            ok = false;
        } else {
            written[i]->Forget();
        }
    }
    if (!ok) return Fail(problem);
    std::printf("unpacked %d entries from %s into %s\n", static_cast<int>(written.size()),
                ArchiveName().c_str(), Printable(dir).c_str());
    return 0;
}

int Pack(const std::string& dir)
{
    std::error_code error;
    if (!fs::is_directory(plat::PathFromUtf8(dir), error)) return Fail(dir + ": not a folder");
    std::string problem;
    // The archive library removes its temporary file whenever it fails; this one stands for
    // it while the tool could be stopped by a signal.
    TempFile temp(MediaArchive::PackTempName());
    bool packed = MediaArchive::Pack(dir.c_str(), &problem);
    temp.Forget();
    if (!packed) return Fail(problem);
    std::printf("packed %d entries from %s into %s (%lld bytes)\n",
                static_cast<int>(MediaArchive::EntryCount()), Printable(dir).c_str(),
                ArchiveName().c_str(), static_cast<long long>(MediaArchive::TotalSize()));
    return 0;
}

// What the entry holds, as the game will read it; false with the reason when it is unusable.
bool CheckEntryKind(int32_t index, const uint8_t* data, std::string& description)
{
    const char* name = MediaArchive::EntryName(index);
    int32_t size = MediaArchive::EntrySize(index);
    if (const RawImageInfo* image = FindGameImage(name)) {
        if (size != RawImageBytes(image->width, image->height)) {
            description = "raw image of the wrong size: " + std::to_string(size) + " bytes for " +
                          std::to_string(image->width) + " x " + std::to_string(image->height);
            return false;
        }
        description =
            "raw image " + std::to_string(image->width) + " x " + std::to_string(image->height);
        return true;
    }
    if (MediaEntryKind(name) == MediaKind::Sound) {
        Sound sound(data, static_cast<size_t>(size));
        if (!sound.loaded) {
            description = "not a playable WAV sound: " + sound.problem;
            return false;
        }
        description = "sound, " + std::to_string(sound.sampleCount) + " samples";
        return true;
    }
    if (MediaEntryKind(name) == MediaKind::Model) {
        Model model;
        std::string why;
        if (!LoadBinaryModel(model, data, static_cast<size_t>(size), &why)) {
            description = "not a binary model: " + why;
            return false;
        }
        if (model.count == 0) {
            description = "a model without objects";
            return false;
        }
        description = "model, " + std::to_string(model.count) + " objects";
        return true;
    }
    description = "entry of unknown kind";
    return true;
}

int Verify()
{
    std::string problem;
    if (!ArchiveComplete(problem)) return Fail(problem);
    int bad = 0;
    int64_t size = ArchiveSize();
    if (size != MediaArchive::TotalSize()) {
        std::printf("BAD  %s: %lld bytes after the last entry\n", ArchiveName().c_str(),
                    static_cast<long long>(size - MediaArchive::TotalSize()));
        ++bad;
    }
    for (int32_t i = 0; i < MediaArchive::EntryCount(); ++i) {
        const char* name = MediaArchive::EntryName(i);
        bool complete = false;
        std::unique_ptr<uint8_t[]> data(MediaArchive::ReadEntry(name, &complete));
        std::string description;
        bool ok = data && complete && CheckEntryKind(i, data.get(), description);
        if (!data || !complete) description = "cannot be read";
        std::printf("%s %s: %s\n", ok ? "ok  " : "BAD ", name, description.c_str());
        if (!ok) ++bad;
    }
    if (bad)
        return Fail(std::string(MediaArchive::FileName()) + ": " + std::to_string(bad) +
                    " problem(s) found");
    std::printf("%s: all %d entries are good\n", ArchiveName().c_str(),
                static_cast<int>(MediaArchive::EntryCount()));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    argv = plat::Utf8Argv(argc, argv);
    RegisterGameArchive();
    std::string archive = MediaArchive::FileName();
    int arg = 1;
    while (arg < argc && argv[arg][0] == '-') {
        if ((std::strcmp(argv[arg], "-a") == 0 || std::strcmp(argv[arg], "--archive") == 0) &&
            arg + 1 < argc) {
            archive = argv[arg + 1];
            arg += 2;
        } else if (std::strcmp(argv[arg], "-h") == 0 || std::strcmp(argv[arg], "--help") == 0) {
            Usage(stdout);
            return 0;
        } else {
            return Usage();
        }
    }
    if (arg >= argc) return Usage();

    const std::string command = argv[arg];
    const int operands = argc - arg - 1;
    // list and verify also take the archive as their operand.
    if ((command == "list" || command == "verify") && operands == 1) archive = argv[arg + 1];
    MediaArchive::Open(archive.c_str(), MediaArchive::Key1(), MediaArchive::Key2());
    if (command == "list" && operands <= 1) return List();
    if (command == "verify" && operands <= 1) return Verify();
    if (command == "unpack" && operands == 1) return Unpack(argv[arg + 1]);
    if (command == "pack" && operands == 1) return Pack(argv[arg + 1]);
    return Usage();
}
