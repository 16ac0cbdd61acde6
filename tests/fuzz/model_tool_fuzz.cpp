// SPDX-License-Identifier: MIT
// quenbrill-model on a model file from the fuzzer: info, and convert to the other form, in one
// process (the tool's own main, renamed). The first byte picks the form the bytes are read as.
#include "FuzzSupport.h"

#include <string>
#include <utility>
#include <vector>

int ModelToolMain(int argc, char** argv);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const bool binary = (data[0] & 1) != 0;
    static const std::string bin = fuzz::ScratchPath("model.bin");
    static const std::string txt = fuzz::ScratchPath("model.txt");
    const std::string& in = binary ? bin : txt;
    const std::string& out = binary ? txt : bin;
    if (!fuzz::WriteFile(in, data + 1, size - 1)) return 0;
    auto run = [](std::vector<std::string> args) {
        return fuzz::RunTool(ModelToolMain, std::move(args));
    };
    int info = run({"quenbrill-model", "info", in});
    int converted = run({"quenbrill-model", "convert", in, out});
    if (converted == 0) run({"quenbrill-model", "info", out});
    (void)info;
    std::remove(in.c_str());
    std::remove(out.c_str());
    return 0;
}
