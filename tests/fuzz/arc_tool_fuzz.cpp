// SPDX-License-Identifier: MIT
// quenbrill-arc on an archive from the fuzzer: list, verify and unpack, in one process (the
// tool's own main, renamed). The first byte picks the commands, the rest is the archive.
#include "FuzzSupport.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

int ArcToolMain(int argc, char** argv);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    static const std::string archive = fuzz::ScratchPath("tool.arc");
    static const std::string folder = fuzz::ScratchPath("unpacked");
    if (!fuzz::WriteFile(archive, data + 1, size - 1)) return 0;
    auto run = [](std::vector<std::string> args) {
        return fuzz::RunTool(ArcToolMain, std::move(args));
    };
    run({"quenbrill-arc", "list", archive});
    int verified = run({"quenbrill-arc", "verify", archive});
    if (data[0] & 1) {
        int unpacked = run({"quenbrill-arc", "-a", archive, "unpack", folder});
        // A good archive always unpacks, and packing the result gives the same bytes back.
        if (verified == 0) {
            FUZZ_CHECK(unpacked == 0);
            const std::string repacked = fuzz::ScratchPath("repacked.arc");
            FUZZ_CHECK(run({"quenbrill-arc", "-a", repacked, "pack", folder}) == 0);
            FUZZ_CHECK(fuzz::ReadFile(repacked) == std::vector<uint8_t>(data + 1, data + size));
            std::remove(repacked.c_str());
        }
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }
    std::remove(archive.c_str());
    return 0;
}
