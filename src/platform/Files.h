// SPDX-License-Identifier: MIT
// File operations that differ between systems (not part of the window contract; every backend
// carries them).
//
// File names are UTF-8 everywhere inside the program. On Windows they become UTF-16 at the
// edge, here, so a folder such as "Jeux é" or "Игры" works whatever the system's code page.
// Build paths with PathFromUtf8 and read them back with Utf8FromPath, never with the char
// constructor or string() of std::filesystem::path, which use the code page on Windows.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace plat {

std::filesystem::path PathFromUtf8(const std::string& utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

// fopen with a UTF-8 name (mode as for fopen).
std::FILE* OpenFile(const char* utf8Name, const char* mode);
// Removes a file; false when it could not.
bool RemoveFile(const char* utf8Name);

// Renames from to to, replacing an existing file at to in one step, as POSIX rename does (a
// plain rename on Windows refuses to replace). False when it fails; to is then unchanged.
bool RenameReplacing(const char* from, const char* to);

// The program's arguments in UTF-8, as an argv of argc entries (and a null) that lives until
// the program ends: main calls argv = plat::Utf8Argv(argc, argv) first. On Windows they are
// read from the wide command line (argv holds them in the code page, with '?' for what it
// cannot show); elsewhere argv is returned as it is.
char** Utf8Argv(int argc, char** argv);

#ifdef _WIN32
// The conversions at the edge of Windows' wide interfaces (invalid UTF-8 becomes U+FFFD).
std::wstring WideFromUtf8(const char* utf8);
std::string Utf8FromWide(const wchar_t* wide, int length = -1);  // -1: up to the terminator
#endif

}  // namespace plat
