// SPDX-License-Identifier: MIT
// Runs saved inputs through a fuzz target without the fuzzer: every file named on the command
// line, and every file inside each folder named (in name order). A fault crashes the run.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        if (fs::is_directory(argv[i], error)) {
            std::vector<fs::path> inside;
            for (const fs::directory_entry& e : fs::directory_iterator(argv[i]))
                if (e.is_regular_file()) inside.push_back(e.path());
            std::sort(inside.begin(), inside.end());
            inputs.insert(inputs.end(), inside.begin(), inside.end());
        } else if (fs::is_regular_file(argv[i], error)) {
            inputs.push_back(argv[i]);
        } else {
            std::fprintf(stderr, "%s: no such input\n", argv[i]);
            return 1;
        }
    }
    for (const fs::path& path : inputs) {
        std::ifstream in(path, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
        std::printf("%s (%zu bytes)\n", path.string().c_str(), bytes.size());
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("%zu inputs ran clean\n", inputs.size());
    return 0;
}
