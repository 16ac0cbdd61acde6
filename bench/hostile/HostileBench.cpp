// SPDX-License-Identifier: MIT
// quenbrill-bench-hostile [--runs N] [--tool PATH]
//
// Runs `quenbrill-model info` on inputs made to cost as much as they can, beside real models
// of about their size, each run in a process of its own, and prints the CPU time, the wall
// time and the peak memory of the runs (median and p99). --tool names another quenbrill-model
// (an older build, say), so before and after can be measured in one sitting.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "ChildRun.h"
#include "render/ModelFile.h"

namespace fs = std::filesystem;

namespace {

// 64 KB of text model: 635 objects, each declaring as many points as the rest of the file could
// hold after it, and holding none.
std::string CountsBeyondTheFile()
{
    const size_t size = 65536, objects = 635;
    auto object = [](size_t i, size_t points, const std::string& name) {
        char count[16];
        std::snprintf(count, sizeof count, "%05zu", points);
        return "\n__[OBJECT NUMBER " + std::to_string(i) + "]________________\n\n" + name +
               "\nNumber of Points= " + count + "\nNumber of Triangles= 0\n";
    };
    const std::string head = "Total number of Objects= " + std::to_string(objects) + "\n";
    size_t bare = head.size();
    for (size_t i = 0; i < objects; ++i) bare += object(i, 0, "").size();
    const size_t nameLength = (size - bare) / objects;
    std::string text = head;
    for (size_t i = 0; i < objects; ++i) {
        std::string name = "Part" + std::to_string(i);
        name.resize(nameLength, 'x');
        const size_t countEnd = text.size() + object(i, 0, name).find("Number of Triangles");
        text += object(i, std::min<size_t>(65535, (size - countEnd) / 29), name);
    }
    text.resize(size, ' ');
    return text;
}

double Percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    size_t rank = size_t(std::ceil(p * double(values.size())));
    return values[rank > 0 ? rank - 1 : 0];
}

struct Input {
    std::string what;
    std::string path;
};

}  // namespace

int main(int argc, char** argv)
{
    int runs = 20;
    std::string tool = QB_MODEL_TOOL;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) runs = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--tool") == 0 && i + 1 < argc) tool = argv[++i];
        else {
            std::fprintf(stderr, "usage: %s [--runs N] [--tool PATH]\n", argv[0]);
            return 2;
        }
    }
    if (runs < 1) runs = 1;

    std::error_code error;
    const fs::path scratch =
        fs::temp_directory_path() / ("qb-bench-hostile-" + std::to_string(ProcessId()));
    fs::create_directories(scratch, error);
    const std::string ship = std::string(QB_BUILD_DIR) + "/Media/XWing.bin";
    Model model;
    std::string why;
    if (!LoadBinaryModelFile(model, ship.c_str(), &why) ||
        !SaveTextModel(model, (scratch / "XWing.txt").string().c_str(), &why)) {
        std::fprintf(stderr, "%s: %s (build the media first)\n", ship.c_str(), why.c_str());
        return 1;
    }
    std::ofstream(scratch / "counts.txt", std::ios::binary) << CountsBeyondTheFile();
    std::ofstream(scratch / "huge.bin", std::ios::binary).close();
    fs::resize_file(scratch / "huge.bin", uintmax_t(100) << 20, error);  // sparse

    const Input inputs[] = {
        {"the player ship, binary", ship},
        {"the player ship, text", (scratch / "XWing.txt").string()},
        {"635 objects declaring what the rest holds", (scratch / "counts.txt").string()},
        {"100 MB .bin (sparse)", (scratch / "huge.bin").string()},
    };
    auto report = [&](const Input& input, const std::function<ChildCost()>& run) {
        std::vector<double> cpu, wall, peak;
        int exitStatus = -1;
        for (int r = 0; r < runs; ++r) {
            ChildCost c = run();
            if (!c.ran) return false;
            exitStatus = c.exitStatus;
            cpu.push_back(c.cpuMs);
            wall.push_back(c.wallMs);
            peak.push_back(double(c.peakKB));
        }
        std::printf(
            "%-42s %9lld %4d %8.2fms %8.2fms %8.2fms %8.2fms %9.0f %9.0f\n", input.what.c_str(),
            input.path.empty() ? 0LL : static_cast<long long>(fs::file_size(input.path, error)),
            exitStatus, Percentile(cpu, 0.5), Percentile(cpu, 0.99), Percentile(wall, 0.5),
            Percentile(wall, 0.99), Percentile(peak, 0.5), Percentile(peak, 1.0));
        return true;
    };
    const char* header = "%-42s %9s %4s %10s %10s %10s %10s %9s %9s\n";

    std::printf("%s info, each run a process of its own; %d runs each\n", tool.c_str(), runs);
    std::printf(header, "input", "bytes", "exit", "CPU med", "CPU p99", "wall med", "wall p99",
                "peak KB", "max KB");
    for (const Input& input : inputs) {
        if (!report(input, [&] {
                return RunChild(tool, {"quenbrill-model", "info", input.path});
            })) {
            std::fprintf(stderr, "%s: cannot be started\n", tool.c_str());
            return 1;
        }
    }

    // The loaders alone, in a copy of this small process: what the file costs beyond starting
    // the tool (status 0 loaded, 1 refused).
    std::printf("\nthis build's loader alone, in a forked copy of this process; %d runs each\n",
                runs);
    std::printf(header, "input", "bytes", "exit", "CPU med", "CPU p99", "wall med", "wall p99",
                "peak KB", "max KB");
    report({"(nothing loaded)", ""}, [] { return RunInChild([] { return 0; }); });
    for (const Input& input : inputs) {
        const bool binary =
            input.path.size() > 4 && input.path.compare(input.path.size() - 4, 4, ".bin") == 0;
        report(input, [&] {
            return RunInChild([&] {
                Model m;
                return (binary ? LoadBinaryModelFile(m, input.path.c_str())
                               : LoadTextModel(m, input.path.c_str()))
                           ? 0
                           : 1;
            });
        });
    }
    fs::remove_all(scratch, error);
    return 0;
}
