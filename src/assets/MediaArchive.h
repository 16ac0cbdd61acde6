// SPDX-License-Identifier: MIT
// The media archive: one file without a header, holding every medium of the game one after
// the other, each shuffled with two key numbers. Its directory (names and sizes in archive
// order) is registered by the program at start-up; an entry's offset is the sum of the sizes
// before it. One archive per program, so this is a set of static operations on module data.
#pragma once

#include <cstdint>
#include <string>

// What the archive file on disk is, as far as reading it goes.
enum class ArchiveFileState {
    Ready,  // a regular file that opens and holds every entry
    Missing,  // no such file
    NotRegularFile,  // a folder, a named pipe, a device: never opened
    Unreadable,  // there, but the system refuses to open it
    TooShort,  // shorter than the directory: the last entries are missing
};

// The kind of medium an entry holds, told by its name's ending.
enum class MediaKind { Picture, Sound, Model, Unknown };  // .raw, .wav, .bin, other
MediaKind MediaEntryKind(const char* name);
const char* MediaKindNoun(MediaKind kind);  // "picture", "sound", "model", "medium"

struct ArchiveEntry {
    const char* name = nullptr;  // not copied: the registering code keeps it alive
    int32_t size = 0;
};

class MediaArchive {
public:
    // Stores a copy of the archive's file name and the two keys; nothing is opened yet.
    static bool Open(const char* fileName, int32_t key1, int32_t key2);
    // Appends an entry to the directory. The name must outlive the registration.
    static void AddEntry(const char* name, int32_t size);
    // Forgets the directory, the file name and the keys.
    static void Reset();

    // Index of the first entry named exactly name (case-sensitive), or -1.
    static int32_t FindEntry(const char* name);
    // The sum of the sizes of the entries before index (for index = EntryCount(), the total);
    // -1 for an index below 0 or beyond that.
    static int32_t EntryOffset(int32_t index);
    static int32_t EntryCount();
    static const char* EntryName(int32_t index);  // none for a bad index
    static int32_t EntrySize(int32_t index);  // 0 for a bad index
    static const char* FileName();
    static int32_t Key1();
    static int32_t Key2();
    // Size of a complete archive for the registered directory.
    static int64_t TotalSize();

    // A new buffer (release with delete[]) of the entry's registered size holding its bytes,
    // or none when the name is not in the directory. When the archive is missing, not a regular
    // file, unreadable or too short to hold the whole entry, the buffer is all zero and
    // *complete is false.
    static uint8_t* ReadEntry(const char* name, bool* complete = nullptr);

    // Looks at the registered archive file without reading an entry (a named pipe in its place
    // is not opened). For every state but Ready, *reason (when given) is one line naming the
    // file and what is wrong: "media archive "ZabroData.arc" is a folder, not a file".
    static ArchiveFileState CheckFile(std::string* reason = nullptr);
    // One line for an entry that was read whole but is not a medium of its kind:
    // "media archive "ZabroData.arc": Media\XWing.bin is not a valid model (7739 bytes)".
    static std::string BadEntryMessage(const char* name);

    // Builds the archive file from the loose files named by the entries, looked up under
    // looseRoot (the working directory when none). Every loose file must be a regular file
    // holding at least its entry's size (longer ones are cut). The archive is written to
    // PackTempName() and renamed into place, so a failed pack leaves any old archive untouched
    // and no temporary file. On failure, *error (when given) names the file and the problem.
    static bool Pack(const char* looseRoot = nullptr, std::string* error = nullptr);
    // The temporary file Pack writes before it renames it to the archive's name.
    static std::string PackTempName();
};

// The loose file of an entry under root: "root/Media/XWing.bin" for "Media\XWing.bin" (the
// entry's name alone for an empty root). Only the entry's backslashes become slashes; root is
// taken as it is written.
std::string LooseFilePath(const std::string& root, const char* entryName);

// Registers the game's archive "ZabroData.arc", its keys and its ten entries, replacing
// any directory registered before.
void RegisterGameArchive();
