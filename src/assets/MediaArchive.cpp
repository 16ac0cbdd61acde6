// SPDX-License-Identifier: MIT
#include "assets/MediaArchive.h"

#include "assets/FileStream.h"
#include "platform/Files.h"
#include "shell/DynArray.h"
#include "shell/Printable.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace {

DynArray<ArchiveEntry> gDirectory;
std::string gFileName;
int32_t gKey1 = 0;
int32_t gKey2 = 0;

}  // namespace

bool MediaArchive::Open(const char* fileName, int32_t key1, int32_t key2)
{
    gFileName = fileName ? fileName : "";
    gKey1 = key1;
    gKey2 = key2;
    return true;
}

void MediaArchive::AddEntry(const char* name, int32_t size)
{
    // An entry without a name or with a negative size could never be found or located; a
    // directory whose offsets no longer fit in 32 bits could not be read either.
    if (!name || size < 0 || TotalSize() + size > INT32_MAX) return;
    ArchiveEntry entry;
    entry.name = name;
    entry.size = size;
    gDirectory.Append(entry);
}

void MediaArchive::Reset()
{
    gDirectory.Clear();
    gFileName.clear();
    gKey1 = 0;
    gKey2 = 0;
}

int32_t MediaArchive::FindEntry(const char* name)
{
    if (!name) return -1;
    for (int32_t i = 0; i < gDirectory.Count(); ++i) {
        if (std::strcmp(gDirectory[i].name, name) == 0) return i;
    }
    return -1;
}

int32_t MediaArchive::EntryOffset(int32_t index)
{
    // The index just past the last entry has an offset too: where the archive ends.
    if (index < 0 || index > gDirectory.Count()) return -1;
    int32_t offset = 0;
    for (int32_t i = 0; i < index; ++i)
        offset += gDirectory[i].size;  // AddEntry keeps the total within 32 bits
    return offset;
}

int32_t MediaArchive::EntryCount() { return gDirectory.Count(); }

const char* MediaArchive::EntryName(int32_t index)
{
    if (index < 0 || index >= gDirectory.Count()) return nullptr;
    return gDirectory[index].name;
}

int32_t MediaArchive::EntrySize(int32_t index)
{
    if (index < 0 || index >= gDirectory.Count()) return 0;
    return gDirectory[index].size;
}

const char* MediaArchive::FileName() { return gFileName.c_str(); }

int32_t MediaArchive::Key1() { return gKey1; }

int32_t MediaArchive::Key2() { return gKey2; }

int64_t MediaArchive::TotalSize()
{
    int64_t total = 0;
    for (int32_t i = 0; i < gDirectory.Count(); ++i) total += gDirectory[i].size;
    return total;
}

namespace {

bool EndsWith(const char* text, const char* suffix)
{
    size_t a = std::strlen(text), b = std::strlen(suffix);
    return a >= b && std::strcmp(text + a - b, suffix) == 0;
}

std::string Quoted(const std::string& fileName)
{
    return "media archive \"" + Printable(fileName) + "\"";
}

}  // namespace

MediaKind MediaEntryKind(const char* name)
{
    if (!name) return MediaKind::Unknown;
    if (EndsWith(name, ".raw")) return MediaKind::Picture;
    if (EndsWith(name, ".wav")) return MediaKind::Sound;
    if (EndsWith(name, ".bin")) return MediaKind::Model;
    return MediaKind::Unknown;
}

const char* MediaKindNoun(MediaKind kind)
{
    switch (kind) {
        case MediaKind::Picture:
            return "picture";
        case MediaKind::Sound:
            return "sound";
        case MediaKind::Model:
            return "model";
        default:
            return "medium";
    }
}

ArchiveFileState MediaArchive::CheckFile(std::string* reason)
{
    ArchiveFileState state = ArchiveFileState::Ready;
    std::string why;
    const PathInfo info = LookAtPath(gFileName.c_str());
    switch (info.kind) {
        case PathKind::Missing:
            state = ArchiveFileState::Missing;
            why = Quoted(gFileName) + " " + info.reason;
            break;
        case PathKind::Folder:
        case PathKind::NamedPipe:
        case PathKind::SpecialFile:
            state = ArchiveFileState::NotRegularFile;
            why = Quoted(gFileName) + " " + info.reason;
            break;
        case PathKind::Unknown:
            state = ArchiveFileState::Unreadable;
            why = Quoted(gFileName) + " " + info.reason;
            break;
        case PathKind::RegularFile: {
            FileStream probe(gFileName.c_str(), "rb");
            if (probe.Failed()) {
                state = ArchiveFileState::Unreadable;
                why = Quoted(gFileName) + " " + probe.Problem();
            } else if (info.size < TotalSize()) {
                state = ArchiveFileState::TooShort;
                why = Quoted(gFileName) + " is " + std::to_string(info.size) +
                      " bytes, shorter than its directory's " + std::to_string(TotalSize());
            }
            break;
        }
    }
    if (reason) *reason = why;
    return state;
}

std::string MediaArchive::BadEntryMessage(const char* name)
{
    int32_t index = FindEntry(name);
    return Quoted(gFileName) + ": " + (name ? name : "") + " is not a valid " +
           MediaKindNoun(MediaEntryKind(name)) + " (" + std::to_string(EntrySize(index)) +
           " bytes)";
}

uint8_t* MediaArchive::ReadEntry(const char* name, bool* complete)
{
    if (complete) *complete = false;
    int32_t index = FindEntry(name);
    if (index < 0) return nullptr;
    int32_t size = gDirectory[index].size;
    // One spare byte keeps the block non-empty for a zero-size entry.
    uint8_t* buffer = new (std::nothrow) uint8_t[static_cast<size_t>(size) + 1]();
    if (!buffer) return nullptr;
    if (size == 0) {
        if (complete) *complete = true;
        return buffer;
    }

    // The stream opens nothing but a regular file: a named pipe in the archive's place would
    // wait for a writer for ever.
    FileStream stream(gFileName.c_str(), "rb");
    bool ok = stream.Seek(EntryOffset(index), 0) && stream.ReadKeyed(buffer, size, gKey1, gKey2);
    if (!ok) {
        // A missing or short archive gives the caller a block of zeros rather than a mix of
        // stale and shuffled bytes: zero is an empty model, a silent image, a rejected sound.
        std::memset(buffer, 0, static_cast<size_t>(size));
    }
    if (complete) *complete = ok;
    return buffer;
}

namespace {

// Writes every entry, shuffled, to archive; false with a message naming the file at fault.
bool WriteEntries(FileStream& archive, const std::string& archiveName, const char* looseRoot,
                  std::string& problem)
{
    for (int32_t i = 0; i < gDirectory.Count(); ++i) {
        const ArchiveEntry& entry = gDirectory[i];
        if (entry.size == 0) continue;
        const std::string path = LooseFilePath(looseRoot ? looseRoot : "", entry.name);
        std::unique_ptr<uint8_t[]> buffer(new (std::nothrow)
                                              uint8_t[static_cast<size_t>(entry.size)]());
        if (!buffer) {
            problem = path + ": out of memory";
            return false;
        }
        FileStream loose(path.c_str(), "rb");
        if (loose.Failed()) {
            problem = path + ": " + loose.Problem();
            return false;
        }
        if (!loose.ReadBytes(buffer.get(), entry.size)) {
            problem =
                path + ": shorter than its entry size of " + std::to_string(entry.size) + " bytes";
            return false;
        }
        if (!archive.WriteKeyed(buffer.get(), entry.size, gKey1, gKey2)) {
            problem = archiveName + ": write failed";
            return false;
        }
    }
    if (!archive.Flush()) {
        problem = archiveName + ": write failed";
        return false;
    }
    return true;
}

}  // namespace

bool MediaArchive::Pack(const char* looseRoot, std::string* error)
{
    std::string problem;
    std::string reason;
    if (gFileName.empty()) {
        problem = "no archive file name registered";
    } else if (!FileUsable(gFileName.c_str(), true, &reason)) {
        // Renaming over a device or a named pipe would replace it; a folder cannot be.
        problem = gFileName + ": " + reason;
    } else {
        const std::string tempName = PackTempName();
        bool created = false, written = false;
        {
            FileStream archive(tempName.c_str(), "wb");
            created = !archive.Failed();
            if (!created) problem = tempName + ": " + archive.Problem();
            else written = WriteEntries(archive, tempName, looseRoot, problem);
        }  // closed here, before it is renamed or removed
        if (written && plat::RenameReplacing(tempName.c_str(), gFileName.c_str())) return true;
        if (written) problem = gFileName + ": cannot replace the archive";
        // Only a file this pack made is removed: whatever else sits under that name stays.
        if (created) plat::RemoveFile(tempName.c_str());
    }
    if (error) *error = problem;
    return false;
}

std::string MediaArchive::PackTempName() { return gFileName + ".tmp"; }

std::string LooseFilePath(const std::string& root, const char* entryName)
{
    std::string entry = entryName ? entryName : "";
    for (char& c : entry) {
        if (c == '\\') c = '/';
    }
    return root.empty() ? entry : root + "/" + entry;
}

void RegisterGameArchive()
{
    MediaArchive::Reset();
    MediaArchive::Open("ZabroData.arc", 38117, 5293);
    MediaArchive::AddEntry("Media\\Font16x16_256128.raw", 98304);
    MediaArchive::AddEntry("Media\\Particle32.raw", 3072);
    MediaArchive::AddEntry("Media\\Sky256128.raw", 98304);
    MediaArchive::AddEntry("Media\\StartScreen256.raw", 196608);
    MediaArchive::AddEntry("Media\\Terrain128.raw", 49152);
    MediaArchive::AddEntry("Media\\Boom.wav", 8636);
    MediaArchive::AddEntry("Media\\Weapon0.wav", 10744);
    MediaArchive::AddEntry("Media\\Factory.bin", 6332);
    MediaArchive::AddEntry("Media\\TieFighter.bin", 7739);
    MediaArchive::AddEntry("Media\\XWing.bin", 17638);
}
