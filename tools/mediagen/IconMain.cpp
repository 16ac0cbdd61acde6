// SPDX-License-Identifier: MIT
// quenbrill-icons OUTPUT_DIR
//
// Paints the game's icon and writes it where the build and the install want it:
//   OUTPUT_DIR/hicolor/NxN/apps/quenbrill.png   for N = 16, 22, 24, 32, 48, 64, 128, 256
//   OUTPUT_DIR/WindowIconPixels.cpp             the 64 x 64 pixels the game's window shows
//   OUTPUT_DIR/quenbrill.ico                    the Windows program's icon, 16 to 256 pixels
// (The PNG files only when the tool was built with libpng; the .ico then keeps its 256 x 256
// picture as that PNG, else as a bitmap.) Each file is written to a temporary name and
// renamed, so a failed run leaves the old ones.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Icon.h"
#include "IconFile.h"
#ifdef QB_ICON_PNG
#include "Png.h"
#endif

namespace {

[[maybe_unused]] const int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
const int kWindowIconSize = 64;  // must match game/WindowIcon.h
// The sizes Windows asks for at 100 % to 250 % scale, small icons to the largest view.
const int kIcoSizes[] = {16, 20, 24, 32, 40, 48, 64, 256};

bool Fail(const std::string& message)
{
    std::fprintf(stderr, "quenbrill-icons: %s\n", message.c_str());
    return false;
}

bool Publish(const std::string& temp, const std::string& path)
{
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        return Fail(path + ": cannot write");
    }
    return true;
}

bool WriteSource(const std::string& path, const std::vector<uint8_t>& rgba)
{
    const std::string temp = path + ".tmp";
    FILE* f = std::fopen(temp.c_str(), "w");
    if (!f) return Fail(path + ": cannot create");
    std::fprintf(f,
                 "// Made by quenbrill-icons from tools/mediagen/Icon.cpp; do not edit.\n"
                 "#include \"game/WindowIcon.h\"\n\n"
                 "namespace {\n"
                 "const uint8_t kPixels[kWindowIconSize * kWindowIconSize * 4] = {\n");
    for (size_t i = 0; i < rgba.size(); ++i)
        std::fprintf(f, "%u,%s", rgba[i], (i % 16 == 15) ? "\n" : "");
    std::fprintf(f,
                 "};\n}  // namespace\n\nconst uint8_t* WindowIconPixels() { return kPixels; }\n");
    bool ok = !std::ferror(f);
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        std::remove(temp.c_str());
        return Fail(path + ": cannot write");
    }
    return Publish(temp, path);
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    const std::string temp = path + ".tmp";
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return Fail(path + ": cannot create");
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        std::remove(temp.c_str());
        return Fail(path + ": cannot write");
    }
    return Publish(temp, path);
}

// pngOf256: the 256 x 256 PNG already written, or "" to store that size as a bitmap too.
bool WriteIco(const std::string& path, const std::string& pngOf256)
{
    std::vector<mediagen::IconPicture> pictures;
    for (int size : kIcoSizes) {
        mediagen::IconPicture p;
        p.size = size;
        if (size == 256 && !pngOf256.empty()) {
            FILE* f = std::fopen(pngOf256.c_str(), "rb");
            if (!f) return Fail(pngOf256 + ": cannot read it back");
            uint8_t buffer[4096];
            size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
                p.png.insert(p.png.end(), buffer, buffer + n);
            const bool failed = std::ferror(f) != 0 || p.png.empty();
            std::fclose(f);
            if (failed) return Fail(pngOf256 + ": cannot read it back");
        } else {
            p.rgba = mediagen::MakeIcon(size);
        }
        pictures.push_back(std::move(p));
    }
    return WriteBytes(path, mediagen::MakeIconFile(pictures));
}

bool Run(const std::string& outDir)
{
    std::string png256;
#ifdef QB_ICON_PNG
    for (int size : kSizes) {
        const std::string n = std::to_string(size);
        std::string dir = outDir;
        dir.append("/hicolor/").append(n).append("x").append(n).append("/apps");
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        if (ec) return Fail(dir + ": cannot create the folder (" + ec.message() + ")");
        const std::string path = dir + "/quenbrill.png";
        if (!mediagen::WritePng(path + ".tmp", size, size, mediagen::MakeIcon(size), 4))
            return Fail(path + ": cannot write");
        if (!Publish(path + ".tmp", path)) return false;
        if (size == 256) png256 = path;
    }
#else
    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
    if (ec) return Fail(outDir + ": cannot create the folder (" + ec.message() + ")");
#endif
    return WriteSource(outDir + "/WindowIconPixels.cpp", mediagen::MakeIcon(kWindowIconSize)) &&
           WriteIco(outDir + "/quenbrill.ico", png256);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: quenbrill-icons OUTPUT_DIR\n");
        return 2;
    }
    return Run(argv[1]) ? 0 : 1;
}
