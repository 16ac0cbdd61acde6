// SPDX-License-Identifier: MIT
#include "game/CommandLine.h"

#include "assets/FileStream.h"

#include <filesystem>
#include <system_error>

#ifndef QB_VERSION
#define QB_VERSION "0"
#endif

namespace {

std::string gSearchPlaces;

const char kHelp[] =
    "Usage: quenbrill [OPTION]...\n"
    "A small 3D space combat game: fly, shoot the 20 fighters and 10 factories.\n"
    "\n"
    "  --fullscreen     start in full screen (F11 or Alt+Enter switch it at any time)\n"
    "  --scale N        window of N times 640 x 480 (N from 1 to 8)\n"
    "  --no-vsync       draw as fast as possible instead of once per screen refresh\n"
    "  --seed N         place the enemies from seed N (0 to 4294967295) instead of the clock\n"
    "  --data FILE      read the media from FILE instead of searching for ZabroData.arc\n"
    "  --mute           no sound\n"
    "  --help           show this help and exit\n"
    "  --version        show the version and exit\n"
    "\n"
    "Keys: arrows steer, A fires, Space changes the view, Enter starts, Escape quits.\n"
    "Without --data the archive is looked for in the working directory, next to the\n"
    "program, then in ../share/quenbrill/ beside the program's folder.\n";

// A whole decimal number in [lo, hi]; nothing else (no sign, no spaces, no suffix).
bool ParseNumber(const std::string& text, unsigned long long lo, unsigned long long hi,
                 unsigned long long* out)
{
    if (text.empty() || text.size() > 20) return false;
    unsigned long long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
        if (v > hi) return false;
    }
    if (v < lo) return false;
    *out = v;
    return true;
}

CommandLineAction Fail(std::string* text, const std::string& line)
{
    *text = "quenbrill: " + line + "\n";
    return CommandLineAction::Fail;
}

}  // namespace

CommandLineAction ParseCommandLine(int argc, const char* const* argv, GameOptions* options,
                                   std::string* text)
{
    GameOptions o;
    text->clear();
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i] ? argv[i] : "";
        std::string name = arg, value;
        bool inlineValue = false;
        size_t eq = arg.find('=');
        if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            inlineValue = true;
        }
        const bool takesValue = name == "--scale" || name == "--seed" || name == "--data";
        if (inlineValue && !takesValue &&
            (name == "--help" || name == "--version" || name == "--fullscreen" ||
             name == "--no-vsync" || name == "--mute"))
            return Fail(text, name + " takes no value");
        if (takesValue && !inlineValue) {
            if (i + 1 >= argc) return Fail(text, name + " needs a value (try --help)");
            value = argv[++i] ? argv[i] : "";
        }
        unsigned long long n = 0;
        if (name == "--help") {
            *text = kHelp;
            return CommandLineAction::Exit;
        } else if (name == "--version") {
            *text = "quenbrill " QB_VERSION "\n";
            return CommandLineAction::Exit;
        } else if (name == "--fullscreen") {
            o.fullscreen = true;
        } else if (name == "--no-vsync") {
            o.vsync = false;
        } else if (name == "--mute") {
            o.mute = true;
        } else if (name == "--scale") {
            if (!ParseNumber(value, 1, kMaxScale, &n))
                return Fail(text, "--scale needs a whole number from 1 to " +
                                      std::to_string(kMaxScale) + ", not \"" + value + "\"");
            o.scale = static_cast<int>(n);
        } else if (name == "--seed") {
            if (!ParseNumber(value, 0, 4294967295ull, &n))
                return Fail(text, "--seed needs a whole number from 0 to 4294967295, not \"" +
                                      value + "\"");
            o.seedGiven = true;
            o.seed = static_cast<uint32_t>(n);
        } else if (name == "--data") {
            if (value.empty()) return Fail(text, "--data needs a file name");
            o.dataFile = value;
        } else if (arg.rfind('-', 0) == 0 && arg != "-") {
            return Fail(text, "unknown option \"" + arg + "\" (try --help)");
        } else {
            return Fail(text, "unexpected argument \"" + arg + "\" (try --help)");
        }
    }
    *options = o;
    return CommandLineAction::Run;
}

std::vector<std::string> ArchiveCandidates(const std::string& exeDir, const char* archiveName)
{
    namespace fs = std::filesystem;
    std::vector<std::string> places;
    std::error_code ec;
    fs::path cwd = fs::current_path(ec);
    places.push_back(ec ? std::string(archiveName) : (cwd / archiveName).string());
    if (!exeDir.empty()) {
        fs::path dir(exeDir);
        places.push_back((dir / archiveName).lexically_normal().string());
        places.push_back(
            (dir / ".." / "share" / "quenbrill" / archiveName).lexically_normal().string());
    }
    return places;
}

bool LocateArchive(const GameOptions& options, const std::string& exeDir, const char* archiveName,
                   std::string* path, std::string* error)
{
    gSearchPlaces.clear();
    if (!options.dataFile.empty()) {
        std::error_code ec;
        FileStream probe(options.dataFile.c_str(), "rb");
        if (probe.Failed() || std::filesystem::is_directory(options.dataFile, ec)) {
            *error = "quenbrill: --data: cannot read \"" + options.dataFile + "\"\n";
            return false;
        }
        *path = options.dataFile;
        return true;
    }
    std::vector<std::string> places = ArchiveCandidates(exeDir, archiveName);
    for (const std::string& p : places) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(p, ec)) {
            *path = p;
            return true;
        }
    }
    for (const std::string& p : places) gSearchPlaces += (gSearchPlaces.empty() ? "" : ", ") + p;
    *path = archiveName;
    return true;
}

const std::string& ArchiveSearchPlaces() { return gSearchPlaces; }
