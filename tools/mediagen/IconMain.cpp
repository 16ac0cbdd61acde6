// SPDX-License-Identifier: MIT
// quenbrill-icons OUTPUT_DIR
//
// Paints the game's icon and writes it where the build and the install want it:
//   OUTPUT_DIR/hicolor/NxN/apps/quenbrill.png   for N = 16, 22, 24, 32, 48, 64, 128, 256
//   OUTPUT_DIR/WindowIconPixels.cpp             the 64 x 64 pixels the game's window shows
// (The PNG files only when the tool was built with libpng.) Each file is written to a temporary
// name and renamed, so a failed run leaves the old ones.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Icon.h"
#ifdef QB_ICON_PNG
#include "Png.h"
#endif

namespace {

[[maybe_unused]] const int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
const int kWindowIconSize = 64;  // must match game/WindowIcon.h

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

bool Run(const std::string& outDir)
{
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
    }
#else
    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
    if (ec) return Fail(outDir + ": cannot create the folder (" + ec.message() + ")");
#endif
    return WriteSource(outDir + "/WindowIconPixels.cpp", mediagen::MakeIcon(kWindowIconSize));
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
