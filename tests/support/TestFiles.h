// SPDX-License-Identifier: MIT
// Files for the C++ tests: a temporary folder of the test's own, removed with everything in it
// when the test ends, and whole files read and written in one call.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace test {

namespace fs = std::filesystem;

// The bytes of a file, "" when it cannot be read. Text mode turns the system's line ends
// (CR LF on Windows) into "\n".
inline std::string ReadFile(const fs::path& path, bool text = false)
{
    std::ifstream in(path, text ? std::ios::in : std::ios::in | std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes the bytes exactly, making the folders on the way; false when it cannot.
inline bool WriteFile(const fs::path& path, const std::string& bytes)
{
    std::error_code ec;
    if (path.has_parent_path()) fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out.flush());
}

inline bool Exists(const fs::path& path)
{
    std::error_code ec;
    return fs::exists(path, ec);
}

// A new empty folder under the system's temporary folder, named after the tag, the process
// and the running test, so tests running side by side never share one.
class TempDir {
public:
    explicit TempDir(const std::string& tag = "test")
    {
        static std::atomic<int> serial{0};
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
#ifdef _WIN32
        const int pid = _getpid();
#else
        const int pid = static_cast<int>(getpid());
#endif
        path = fs::temp_directory_path() /
               ("qb-" + tag + "-" + std::to_string(pid) + "-" + std::to_string(serial++) + "-" +
                (test ? test->name() : "none"));
        std::error_code ec;
        fs::remove_all(path, ec);
        fs::create_directories(path, ec);
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    fs::path operator/(const fs::path& name) const { return path / name; }
    std::string Path(const fs::path& name) const { return (path / name).string(); }
    // Writes a file in the folder and returns its path.
    std::string Write(const fs::path& name, const std::string& bytes) const
    {
        EXPECT_TRUE(WriteFile(path / name, bytes)) << "cannot write " << (path / name).string();
        return Path(name);
    }
    std::string Read(const fs::path& name, bool text = false) const
    {
        return ReadFile(path / name, text);
    }

    fs::path path;
};

}  // namespace test
