// SPDX-License-Identifier: MIT
#include "assets/FileStream.h"

#ifdef _WIN32
#include <sys/stat.h>
#endif

#include <climits>
#include <cstring>
#include <string>

FileStream::FileStream(const char* name, const char* mode)
{
    if (!name || !mode) return;
    // Media names are written with backslashes; here the folder separator is '/'.
    std::string path(name);
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    file = std::fopen(path.c_str(), mode);
    failed = (file == nullptr);
}

FileStream::~FileStream()
{
    if (!failed) std::fclose(file);
}

bool FileStream::Seek(int32_t offset, int origin)
{
    if (failed) return false;
    int whence;
    if (origin == 0) whence = SEEK_SET;
    else if (origin == 1) whence = SEEK_CUR;
    else return false;
    return std::fseek(file, offset, whence) == 0;
}

bool FileStream::ReadBytes(void* buffer, int size)
{
    if (failed || !buffer || size <= 0) return false;
    return std::fread(buffer, static_cast<size_t>(size), 1, file) == 1;
}

bool FileStream::WriteBytes(const void* buffer, int size)
{
    if (failed || !buffer || size <= 0) return false;
    return std::fwrite(buffer, static_cast<size_t>(size), 1, file) == 1;
}

bool FileStream::WriteIntLE(int32_t value, int n)
{
    if (failed || n <= 0 || n > 4) return false;
    uint32_t bits = static_cast<uint32_t>(value);
    for (int i = 0; i < n; ++i) {
        unsigned char byte = static_cast<unsigned char>(bits >> (8 * i));
        if (std::fwrite(&byte, 1, 1, file) != 1) return false;
    }
    return true;
}

bool FileStream::ScanText(const char* format)
{
    if (failed || !format) return false;
    // A conversion without '*' would store through a destination we do not have.
    for (const char* p = format; *p; ++p) {
        if (*p != '%') continue;
        if (p[1] == '%') {
            ++p;
            continue;
        }
        if (p[1] != '*') return false;
    }
    // The format was checked above to store nothing, which is what the warning is about.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-security"
    std::fscanf(file, format);
#pragma GCC diagnostic pop
    return true;
}

// Assembles the label (its '%' signs doubled so they match themselves) and the conversion.
// As with a 256-byte format, the label and a three-character conversion ("%d\n", "%f\n")
// must fit in 255 characters; false when they do not. The buffer holds kLabelFormatSize
// bytes, room for the doubling and the wider integer conversion used here.
bool FileStream::BuildLabelFormat(char* format, const char* label, const char* conversion)
{
    std::memset(format, 0, kLabelFormatSize);
    if (!label) label = "";
    if (std::strlen(label) + 3 > 255) return false;
    size_t used = 0;
    for (const char* p = label; *p; ++p) {
        format[used++] = *p;
        if (*p == '%') format[used++] = '%';
    }
    std::memcpy(format + used, conversion, std::strlen(conversion) + 1);
    return true;
}

bool FileStream::ReadLabelledInt(const char* label, int* destination)
{
    lastMatched = false;
    if (failed || !destination) return false;
    char format[kLabelFormatSize];
    if (!BuildLabelFormat(format, label, "%lld\n")) return false;
    long long value = 0;
    if (std::fscanf(file, format, &value) == 1 && value >= INT_MIN && value <= INT_MAX) {
        *destination = static_cast<int>(value);
        lastMatched = true;
    }
    return true;
}

bool FileStream::ReadLabelledFloat(const char* label, float* destination)
{
    lastMatched = false;
    if (failed || !destination) return false;
    char format[kLabelFormatSize];
    if (!BuildLabelFormat(format, label, "%f\n")) return false;
    float value = 0.0f;
    if (std::fscanf(file, format, &value) == 1) {
        *destination = value;
        lastMatched = true;
    }
    return true;
}

bool FileStream::PrintText(const char* text)
{
    if (failed || !text) return false;
    std::fputs(text, file);
    return true;
}

bool FileStream::WriteLabelledInt(const char* label, int value)
{
    if (failed) return false;
    std::fprintf(file, "%s%d\n", label ? label : "", value);
    return true;
}

bool FileStream::WriteLabelledFloat(const char* label, float value)
{
    if (failed) return false;
    std::fprintf(file, "%s%f\n", label ? label : "", static_cast<double>(value));
    return true;
}

int FileStream::SkipLines(int n)
{
    if (failed) return -1;
    int lines = 0;
    while (lines < n) {
        int c = std::fgetc(file);
        if (c == EOF) break;
        if (c == '\n') ++lines;
    }
    return lines;
}

bool FileStream::ReadLine(char* buffer, int size)
{
    if (failed || !buffer || size < 1) return false;
    int stored = 0;
    while (stored < size - 1) {
        int c = std::fgetc(file);
        if (c == EOF || c == '\n' || c == 0) break;
        buffer[stored++] = static_cast<char>(c);
    }
    buffer[stored] = 0;
    return true;
}

bool FileStream::ReadKeyed(void* buffer, int size, int32_t key1, int32_t key2)
{
    if (failed || !buffer || size <= 0) return false;
    bool complete = std::fread(buffer, static_cast<size_t>(size), 1, file) == 1;
    KeyedUnshuffle(static_cast<uint8_t*>(buffer), size, key1, key2);
    return complete;
}

bool FileStream::WriteKeyed(const void* buffer, int size, int32_t key1, int32_t key2)
{
    if (failed || !buffer || size <= 0) return false;
    std::string work(static_cast<const char*>(buffer), static_cast<size_t>(size));
    KeyedShuffle(reinterpret_cast<uint8_t*>(&work[0]), size, key1, key2);
    return std::fwrite(work.data(), work.size(), 1, file) == 1;
}

bool FileStream::Flush()
{
    if (failed) return false;
    return std::fflush(file) == 0 && !std::ferror(file);
}

int64_t FileStream::BytesLeft()
{
    if (failed) return -1;
#ifdef _WIN32
    // The Windows C library's seeks in a text stream can upset what it has buffered, so there
    // the answer is the whole file's size: no less than what is left, which is all a limit needs.
    {
        struct _stat64 info;
        if (_fstat64(_fileno(file), &info) != 0 || info.st_size < 0) return -1;
        return int64_t(info.st_size);
    }
#endif
    long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
    long end = std::ftell(file);
    if (std::fseek(file, here, SEEK_SET) != 0 || end < here) return -1;
    return int64_t(end) - here;
}

int32_t KeyedPartner(int32_t n, int32_t i, int32_t key1, int32_t key2)
{
    // All arithmetic wraps at 32 bits; |r| is taken as an unsigned value so that
    // r = -2^31 still gives a partner inside the block.
    uint32_t k1 = static_cast<uint32_t>(key1);
    uint32_t k2 = static_cast<uint32_t>(key2);
    uint32_t ui = static_cast<uint32_t>(i);
    uint32_t m = static_cast<uint32_t>(n - i);
    uint32_t r = k1 * (201u * ui) * ui + (k1 - 2u * k2 * k2 + ui) - m;
    if (r == 0) return i;
    uint32_t magnitude = (static_cast<int32_t>(r) < 0) ? 0u - r : r;
    return i + static_cast<int32_t>(magnitude % m);
}

void KeyedShuffle(uint8_t* data, int32_t n, int32_t key1, int32_t key2)
{
    for (int32_t i = 0; i < n; ++i) {
        int32_t j = KeyedPartner(n, i, key1, key2);
        uint8_t t = data[i];
        data[i] = data[j];
        data[j] = t;
    }
}

void KeyedUnshuffle(uint8_t* data, int32_t n, int32_t key1, int32_t key2)
{
    for (int32_t i = n - 1; i >= 0; --i) {
        int32_t j = KeyedPartner(n, i, key1, key2);
        uint8_t t = data[i];
        data[i] = data[j];
        data[j] = t;
    }
}
