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

#include "assets/FileStream.h"
#include "assets/MediaArchive.h"
#include "assets/RawImage.h"
#include "assets/Sound.h"
#include "platform/Files.h"
#include "render/ModelFile.h"

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
    std::fprintf(stderr, "%s: %s\n", kTool, message.c_str());
    return 1;
}

std::string LoosePath(const std::string& dir, const char* entryName)
{
    std::string path = dir + "/" + entryName;
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    return path;
}

// Size of the archive on disk, or -1 when it cannot be read.
int64_t ArchiveSize()
{
    std::error_code error;
    const fs::path path = plat::PathFromUtf8(MediaArchive::FileName());
    uintmax_t size = fs::file_size(path, error);
    if (error || !fs::is_regular_file(path, error)) return -1;
    return static_cast<int64_t>(size);
}

// Checks that the archive is a readable file holding every entry; a message when not.
bool ArchiveComplete(std::string& problem)
{
    return MediaArchive::CheckFile(&problem) == ArchiveFileState::Ready;
}

int List()
{
    int64_t size = ArchiveSize();
    std::printf("%s: %d entries, %lld bytes", MediaArchive::FileName(),
                static_cast<int>(MediaArchive::EntryCount()),
                static_cast<long long>(MediaArchive::TotalSize()));
    if (size < 0) std::printf(" (archive file not found)\n");
    else if (size != MediaArchive::TotalSize())
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

// Writes bytes to path + ".tmp"; the caller renames it into place once everything is written.
bool WriteTemp(const std::string& path, const uint8_t* bytes, int32_t size, std::string& problem)
{
    std::error_code error;
    const fs::path folder = plat::PathFromUtf8(path).parent_path();
    fs::create_directories(folder, error);
    if (error) {
        problem =
            plat::Utf8FromPath(folder) + ": cannot create the folder (" + error.message() + ")";
        return false;
    }
    std::string temp = path + ".tmp";
    FileStream out(temp.c_str(), "wb");
    if (out.Failed()) {
        problem = temp + ": cannot create the file";
        return false;
    }
    if ((size > 0 && !out.WriteBytes(bytes, size)) || !out.Flush()) {
        problem = temp + ": write failed";
        return false;
    }
    return true;
}

int Unpack(const std::string& dir)
{
    std::string problem;
    if (!ArchiveComplete(problem)) return Fail(problem);

    // Every entry goes to a temporary file first; only when all are written are they renamed,
    // so a failure leaves no half-unpacked set behind.
    std::vector<std::string> written;
    bool ok = true;
    for (int32_t i = 0; i < MediaArchive::EntryCount() && ok; ++i) {
        const char* name = MediaArchive::EntryName(i);
        bool complete = false;
        std::unique_ptr<uint8_t[]> data(MediaArchive::ReadEntry(name, &complete));
        std::string path = LoosePath(dir, name);
        if (!data || !complete) {
            problem = std::string(MediaArchive::FileName()) + ": cannot read entry " + name;
            ok = false;
        } else if (WriteTemp(path, data.get(), MediaArchive::EntrySize(i), problem)) {
            written.push_back(path);
        } else {
            ok = false;
            plat::RemoveFile((path + ".tmp").c_str());
        }
    }
    for (const std::string& path : written) {
        if (ok && !plat::RenameReplacing((path + ".tmp").c_str(), path.c_str())) {
            problem = path + ": cannot replace the file";
            ok = false;
        }
        if (!ok) plat::RemoveFile((path + ".tmp").c_str());
    }
    if (!ok) return Fail(problem);
    std::printf("unpacked %d entries from %s into %s\n", static_cast<int>(written.size()),
                MediaArchive::FileName(), dir.c_str());
    return 0;
}

int Pack(const std::string& dir)
{
    std::error_code error;
    if (!fs::is_directory(plat::PathFromUtf8(dir), error)) return Fail(dir + ": not a folder");
    std::string problem;
    if (!MediaArchive::Pack(dir.c_str(), &problem)) return Fail(problem);
    std::printf("packed %d entries from %s into %s (%lld bytes)\n",
                static_cast<int>(MediaArchive::EntryCount()), dir.c_str(), MediaArchive::FileName(),
                static_cast<long long>(MediaArchive::TotalSize()));
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
        std::printf("BAD  %s: %lld bytes after the last entry\n", MediaArchive::FileName(),
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
    std::printf("%s: all %d entries are good\n", MediaArchive::FileName(),
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
