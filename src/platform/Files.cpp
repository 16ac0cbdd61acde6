// SPDX-License-Identifier: MIT
#include "platform/Files.h"

#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

namespace plat {

namespace fs = std::filesystem;

#ifdef _WIN32

std::wstring WideFromUtf8(const char* utf8)
{
    if (!utf8 || !*utf8) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &out[0], n);
    out.resize(static_cast<size_t>(n - 1));  // without the terminator
    return out;
}

std::string Utf8FromWide(const wchar_t* wide, int length)
{
    if (!wide || length == 0 || (length < 0 && !*wide)) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, length, &out[0], n, nullptr, nullptr);
    if (length < 0) out.resize(static_cast<size_t>(n - 1));  // without the terminator
    return out;
}

namespace {

}  // namespace

fs::path PathFromUtf8(const std::string& utf8) { return fs::path(WideFromUtf8(utf8.c_str())); }

std::string Utf8FromPath(const fs::path& path) { return Utf8FromWide(path.c_str()); }

std::FILE* OpenFile(const char* utf8Name, const char* mode)
{
    if (!utf8Name || !mode) return nullptr;
    return _wfopen(WideFromUtf8(utf8Name).c_str(), WideFromUtf8(mode).c_str());
}

bool RemoveFile(const char* utf8Name)
{
    return utf8Name && DeleteFileW(WideFromUtf8(utf8Name).c_str()) != 0;
}

bool RenameReplacing(const char* from, const char* to)
{
    if (!from || !to) return false;
    return MoveFileExW(WideFromUtf8(from).c_str(), WideFromUtf8(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

char** Utf8Argv(int argc, char** argv)
{
    static std::vector<std::string> args;
    static std::vector<char*> pointers;
    int n = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n);
    // The wide command line and the C library's argv agree on the count; if they ever do
    // not, argv is what the program was started with.
    if (!wide || n != argc) {
        if (wide) LocalFree(wide);
        return argv;
    }
    args.clear();
    for (int i = 0; i < n; ++i) args.push_back(Utf8FromWide(wide[i]));
    LocalFree(wide);
    pointers.clear();
    for (std::string& a : args) pointers.push_back(&a[0]);
    pointers.push_back(nullptr);
    return pointers.data();
}

#else

fs::path PathFromUtf8(const std::string& utf8) { return fs::path(utf8); }

std::string Utf8FromPath(const fs::path& path) { return path.string(); }

std::FILE* OpenFile(const char* utf8Name, const char* mode)
{
    if (!utf8Name || !mode) return nullptr;
    return std::fopen(utf8Name, mode);
}

bool RemoveFile(const char* utf8Name) { return utf8Name && std::remove(utf8Name) == 0; }

bool RenameReplacing(const char* from, const char* to)
{
    if (!from || !to) return false;
    return std::rename(from, to) == 0;
}

char** Utf8Argv(int, char** argv) { return argv; }

#endif

}  // namespace plat
