// SPDX-License-Identifier: MIT
// The resources inside the built Windows programs, read back the way Windows reads them: the
// game's icon in every size from 16 to 256 with the very pixels our painter makes, and in every
// program the version (from the project's version) and the manifest. Runs under Wine in the
// Windows build folder.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "Icon.h"

namespace {

struct Module {
    explicit Module(const wchar_t* path)
        : handle(LoadLibraryExW(path, nullptr,
                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE))
    {
    }
    ~Module()
    {
        if (handle) FreeLibrary(handle);
    }
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;
    HMODULE handle;
};

// The bytes of a resource, empty when there is none.
std::string Resource(HMODULE module, LPCWSTR type, LPCWSTR name)
{
    HRSRC found = FindResourceW(module, name, type);
    if (!found) return std::string();
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return std::string();
    return std::string(static_cast<const char*>(bytes), SizeofResource(module, found));
}

uint32_t Le(const std::string& b, size_t at, int n)
{
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[at + i]);
    return v;
}

uint32_t Be32(const std::string& b, size_t at)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | static_cast<uint8_t>(b[at + i]);
    return v;
}

TEST(WindowsResources, TheGameCarriesItsIconInEverySizeAsPainted)
{
    Module game(L"quenbrill.exe");
    ASSERT_NE(game.handle, nullptr);
    // The group lists the pictures; each is an icon resource of its own.
    const std::string group =
        Resource(game.handle, reinterpret_cast<LPCWSTR>(RT_GROUP_ICON), MAKEINTRESOURCEW(1));
    ASSERT_GE(group.size(), 6u) << "no icon: Explorer would show the generic one";
    const size_t count = Le(group, 4, 2);
    ASSERT_EQ(group.size(), 6 + 14 * count);
    std::vector<int> sizes;
    for (size_t i = 0; i < count; ++i) {
        const size_t e = 6 + 14 * i;
        const int size = Le(group, e, 1) == 0 ? 256 : static_cast<int>(Le(group, e, 1));
        SCOPED_TRACE("the " + std::to_string(size) + " x " + std::to_string(size) + " icon");
        sizes.push_back(size);
        EXPECT_EQ(Le(group, e + 6, 2), 32u) << "bits per pixel";
        const std::string icon = Resource(game.handle, reinterpret_cast<LPCWSTR>(RT_ICON),
                                          MAKEINTRESOURCEW(Le(group, e + 12, 2)));
        ASSERT_EQ(icon.size(), Le(group, e + 8, 4));
        if (size == 256) {
            // Stored as PNG: its header names the size.
            ASSERT_GT(icon.size(), 24u);
            EXPECT_EQ(icon.compare(0, 8, "\x89PNG\r\n\x1a\n"), 0);
            EXPECT_EQ(Be32(icon, 16), 256u);
            EXPECT_EQ(Be32(icon, 20), 256u);
            continue;
        }
        // A bitmap with alpha: compared pixel by pixel with the painter's own picture.
        ASSERT_GE(icon.size(), 40u + size * size * 4);
        EXPECT_EQ(Le(icon, 4, 4), static_cast<uint32_t>(size));
        EXPECT_EQ(Le(icon, 8, 4), static_cast<uint32_t>(2 * size));
        EXPECT_EQ(Le(icon, 14, 2), 32u);
        const std::vector<uint8_t> painted = mediagen::MakeIcon(size);
        int wrong = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const size_t stored = 40 + (static_cast<size_t>(size - 1 - y) * size + x) * 4;
                const uint8_t* p = &painted[(static_cast<size_t>(y) * size + x) * 4];
                const uint8_t bgra[4] = {p[2], p[1], p[0], p[3]};
                wrong += std::memcmp(icon.data() + stored, bgra, 4) != 0;
            }
        }
        EXPECT_EQ(wrong, 0) << "pixels differ from the painter's";
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 20, 24, 32, 40, 48, 64, 256}));
    // And the system makes an icon of it.
    HICON small =
        static_cast<HICON>(LoadImageW(game.handle, MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, 0));
    EXPECT_NE(small, nullptr);
    if (small) DestroyIcon(small);
}

std::wstring VersionString(const std::vector<char>& info, const wchar_t* name)
{
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(info.data(), path.c_str(), &value, &length) || !value) return L"";
    return std::wstring(static_cast<const wchar_t*>(value));
}

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

TEST(WindowsResources, EveryProgramCarriesTheVersionAndTheManifest)
{
    for (const char* exe : {"quenbrill.exe", "quenbrill-arc.exe", "quenbrill-model.exe"}) {
        SCOPED_TRACE(exe);
        const std::wstring path = Wide(exe);
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
        ASSERT_GT(size, 0u) << "no version information";
        std::vector<char> info(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
        ASSERT_NE(fixed, nullptr);
        unsigned major = 0, minor = 0, patch = 0;
        ASSERT_EQ(std::sscanf(QB_VERSION, "%u.%u.%u", &major, &minor, &patch), 3);
        EXPECT_EQ(fixed->dwFileVersionMS, major << 16 | minor);
        EXPECT_EQ(fixed->dwFileVersionLS, patch << 16);
        EXPECT_EQ(fixed->dwProductVersionMS, major << 16 | minor);
        EXPECT_EQ(VersionString(info, L"FileVersion"), Wide(QB_VERSION));
        EXPECT_EQ(VersionString(info, L"ProductVersion"), Wide(QB_VERSION));
        EXPECT_EQ(VersionString(info, L"ProductName"), L"Quenbrill");
        EXPECT_EQ(VersionString(info, L"OriginalFilename"), path);
        EXPECT_FALSE(VersionString(info, L"FileDescription").empty());

        Module program(path.c_str());
        ASSERT_NE(program.handle, nullptr);
        const std::string manifest =
            Resource(program.handle, reinterpret_cast<LPCWSTR>(RT_MANIFEST), MAKEINTRESOURCEW(1));
        ASSERT_FALSE(manifest.empty()) << "no manifest";
        for (const char* part :
             {"<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm<",
              "PerMonitorV2", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
              "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "Microsoft.Windows.Common-Controls",
              "version=\"6.0.0.0\"", "level=\"asInvoker\""})
            EXPECT_NE(manifest.find(part), std::string::npos) << part;
        EXPECT_NE(manifest.find("version=\"" + std::string(QB_VERSION) + ".0\""),
                  std::string::npos);
    }
}

}  // namespace
