// SPDX-License-Identifier: MIT
// The one wrapper through which the program opens files: a stdio FILE handle plus a flag for
// a failed open. On a failed stream every operation does nothing and reports failure, so a
// caller can read or write a whole structure and check once.
//
// Names are taken as they are written. Before anything is opened the name is looked at: only
// a regular file is read, and only a regular file or nothing is written, so an open never
// waits on a named pipe or reads a device without end.
// Names are UTF-8 on every system.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// What a path names, as far as opening it goes.
enum class PathKind { RegularFile, Missing, Folder, NamedPipe, SpecialFile, Unknown };

struct PathInfo {
    PathKind kind = PathKind::Unknown;  // Unknown: the system would not say
    int64_t size = -1;  // a regular file's size in bytes
    // Empty for a regular file; otherwise one line to follow the path's name: "not found",
    // "is a folder, not a file", "is a named pipe, not a file", "is a special file, not a
    // file", "cannot be read: <the system's reason>".
    std::string reason;
};

// Looks at path without opening it (links followed).
PathInfo LookAtPath(const char* path);
// True when path can be opened without waiting: for reading a regular file, for writing a
// regular file or nothing yet. Otherwise false with the reason (as in PathInfo) in *reason.
bool FileUsable(const char* path, bool forWriting, std::string* reason = nullptr);

class FileStream {
public:
    // Opens name with an fopen mode ("rb", "wb", "rt", "wt") once FileUsable allows it.
    FileStream(const char* name, const char* mode);
    ~FileStream();  // closes the file unless the open failed

    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    bool Failed() const { return failed; }
    // Why the open failed, one line to follow the file's name ("not found", "is a folder, not
    // a file", "cannot be read: Permission denied"); empty when it did not.
    const std::string& Problem() const { return problem; }

    // origin 0: from the start of the file, 1: from the current position; others fail.
    bool Seek(int32_t offset, int origin);
    // True only when exactly size bytes were read / written (size 0 reads nothing, fails).
    bool ReadBytes(void* buffer, int size);
    bool WriteBytes(const void* buffer, int size);
    // Writes the n (1..4) low-order bytes of value, least significant first.
    bool WriteIntLE(int32_t value, int n);

    // Consumes fixed text and white space as fscanf would; the format may hold no conversion
    // that stores a value (a '%' other than "%%" or "%*..." is refused).
    bool ScanText(const char* format);
    // Reads "label%d" / "label%f" followed by any white space. The destination is left as
    // it was when the label or the number does not match; LastReadMatched() tells which.
    bool ReadLabelledInt(const char* label, int* destination);
    bool ReadLabelledFloat(const char* label, float* destination);
    bool LastReadMatched() const { return lastMatched; }

    // Writes text verbatim (a '%' in it is just a character).
    bool PrintText(const char* text);
    // Writes label, the value ("%d", or "%f" with six decimals) and a newline.
    bool WriteLabelledInt(const char* label, int value);
    bool WriteLabelledFloat(const char* label, float value);

    // Reads bytes until n newlines were read or the file ends; returns the newlines read
    // (-1 on a failed stream).
    int SkipLines(int n);
    // Reads at most size - 1 characters, stopping at end of file, a newline (consumed, not
    // stored) or a zero byte; always terminates the buffer. False only for size < 1 (or a
    // failed stream).
    bool ReadLine(char* buffer, int size);

    // The archive's keyed entry operations: read size bytes and un-shuffle them in place /
    // shuffle a copy of size bytes and write it. Keys as registered with the archive.
    bool ReadKeyed(void* buffer, int size, int32_t key1, int32_t key2);
    bool WriteKeyed(const void* buffer, int size, int32_t key1, int32_t key2);

    // Flushes buffered output; false when the data could not be written.
    bool Flush();
    // Bytes from the current position to the end of the file (on Windows, the whole file's
    // size: never less); -1 when that cannot be known (a failed stream, a pipe).
    int64_t BytesLeft();

private:
    // A label of at most 252 characters, each '%' doubled, a conversion of up to 5 and a NUL.
    static const int kLabelFormatSize = 2 * 252 + 5 + 1;
    bool BuildLabelFormat(char* format, const char* label, const char* conversion);

    FILE* file = nullptr;
    bool failed = true;
    bool lastMatched = false;
    std::string problem;
};

// The exchange partner of position i in a block of n bytes under the keys (n >= 1, 0 <= i < n):
// a position in i .. n-1. Both directions of the keyed shuffle use it.
int32_t KeyedPartner(int32_t n, int32_t i, int32_t key1, int32_t key2);
// Shuffle (before writing) and its exact inverse (after reading), in place.
void KeyedShuffle(uint8_t* data, int32_t n, int32_t key1, int32_t key2);
void KeyedUnshuffle(uint8_t* data, int32_t n, int32_t key1, int32_t key2);
