// SPDX-License-Identifier: MIT
#include "game/CommandLine.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/Files.h"
#include "shell/Printable.h"

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
    "  --scale N        window of N times 640 x 480 (N from 1 to 8; at most what the\n"
    "                   screen holds)\n"
    "  --no-vsync       draw as fast as possible instead of once per screen refresh\n"
    "  --max-fps N      draw at most N frames a second (1 to 1000)\n"
    "  --seed N         place the enemies from seed N (0 to 4294967295) instead of the clock\n"
    "  --data FILE      read the media from FILE instead of searching for ZabroData.arc\n"
    "  --mute           no sound\n"
    "  --hud            show a crosshair, a lead mark on the nearest fighter and the hull's\n"
    "                   strength (recommended when you are new to the game)\n"
    "  --fighters N     N enemy fighters (0 to 5000; 20 unless given)\n"
    "  --factories N    N factories on the ground (0 to 1000; 10 unless given)\n"
    "  --record FILE    record the game as a demo in FILE\n"
    "  --play FILE      play the demo in FILE back in the window at its pace\n"
    "  --timedemo FILE  play the demo in FILE as fast as possible and print the speed\n"
    "  -h, --help       show this help and exit\n"
    "  -V, --version    show the version and exit\n"
    "\n"
    "Keys: arrows steer, A fires, Space changes the view, Enter starts, F11 or Alt+Enter\n"
    "switch full screen, Escape quits.\n"
    "Without --data the archive is looked for in the working directory, next to the\n"
    "program, then in ../share/games/quenbrill/ and ../share/quenbrill/ beside the\n"
    "program's folder.\n";

const char kVersion[] =
    "quenbrill " QB_VERSION
    "\n"
    "Copyright (c) 2026 The Quenbrill developers\n"
    "License: MIT. This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

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

// The line names the argument at fault as it was given, its control characters escaped.
CommandLineAction Fail(std::string* text, const std::string& line)
{
    *text = "quenbrill: " + Printable(line) + "\n";
    return CommandLineAction::Fail;
}

// Demos: --record FILE, --play FILE and --timedemo FILE, one of them.
DemoMode DemoOption(const std::string& name)
{
    if (name == "--record") return DemoMode::Record;
    if (name == "--play") return DemoMode::Play;
    if (name == "--timedemo") return DemoMode::Timedemo;
    return DemoMode::None;
}

// False with *line when the demo options cannot go together.
bool CheckDemoOptions(const GameOptions& o, std::string* line)
{
    const bool playing = o.demoMode == DemoMode::Play || o.demoMode == DemoMode::Timedemo;
    if (playing && o.seedGiven) {
        *line = "--seed does not go with --play or --timedemo: the demo has its own seed";
        return false;
    }
    return true;
}

}  // namespace

CommandLineAction ParseCommandLine(int argc, const char* const* argv, GameOptions* options,
                                   std::string* text)
{
    GameOptions o;
    text->clear();
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i] ? argv[i] : "";
        if (optionsEnded) return Fail(text, "unexpected argument \"" + arg + "\" (try --help)");
        if (arg == "--") {
            optionsEnded = true;  // the game takes no operands, so anything after it is wrong
            continue;
        }
        if (arg == "-h") arg = "--help";
        else if (arg == "-V") arg = "--version";
        std::string name = arg, value;
        bool inlineValue = false;
        size_t eq = arg.find('=');
        if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            inlineValue = true;
        }
        if (const DemoMode mode = DemoOption(name); mode != DemoMode::None) {
            if (!inlineValue) {
                if (i + 1 >= argc) return Fail(text, name + " needs a file name (try --help)");
                value = argv[++i] ? argv[i] : "";
            }
            if (value.empty()) return Fail(text, name + " needs a file name");
            if (o.demoMode != DemoMode::None)
                return Fail(text, "--record, --play and --timedemo go one at a time");
            o.demoMode = mode;
            o.demoFile = value;
            continue;
        }
        const bool takesValue = name == "--scale" || name == "--seed" || name == "--data" ||
                                name == "--max-fps" || name == "--fighters" ||
                                name == "--factories";
        if (inlineValue && !takesValue &&
            (name == "--help" || name == "--version" || name == "--fullscreen" ||
             name == "--no-vsync" || name == "--mute" || name == "--hud"))
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
            *text = kVersion;
            return CommandLineAction::Exit;
        } else if (name == "--fullscreen") {
            o.fullscreen = true;
        } else if (name == "--no-vsync") {
            o.vsync = false;
        } else if (name == "--mute") {
            o.mute = true;
        } else if (name == "--hud") {
            o.hud = true;
        } else if (name == "--scale") {
            if (!ParseNumber(value, 1, kMaxScale, &n))
                return Fail(text, "--scale needs a whole number from 1 to " +
                                      std::to_string(kMaxScale) + ", not \"" + value + "\"");
            o.scale = static_cast<int>(n);
        } else if (name == "--max-fps") {
            if (!ParseNumber(value, 1, kMaxFrameRate, &n))
                return Fail(text, "--max-fps needs a whole number from 1 to " +
                                      std::to_string(kMaxFrameRate) + ", not \"" + value + "\"");
            o.maxFps = static_cast<int>(n);
        } else if (name == "--seed") {
            if (!ParseNumber(value, 0, 4294967295ull, &n))
                return Fail(text, "--seed needs a whole number from 0 to 4294967295, not \"" +
                                      value + "\"");
            o.seedGiven = true;
            o.seed = static_cast<uint32_t>(n);
        } else if (name == "--data") {
            if (value.empty()) return Fail(text, "--data needs a file name");
            o.dataFile = value;
        } else if (name == "--fighters" || name == "--factories") {
            // A bigger (or smaller) battle than the usual 20 fighters and 10 factories.
            const bool fighters = name == "--fighters";
            const int most = fighters ? kMaxFighters : kMaxFactories;
            if (!ParseNumber(value, 0, static_cast<unsigned long long>(most), &n)) {
                std::string line = name;
                line += " needs a whole number from 0 to " + std::to_string(most);
                line += ", not \"" + value + "\"";
                return Fail(text, line);
            }
            (fighters ? o.fighters : o.factories) = static_cast<int>(n);
        } else if (arg.rfind('-', 0) == 0 && arg != "-") {
            return Fail(text, "unknown option \"" + arg + "\" (try --help)");
        } else {
            return Fail(text, "unexpected argument \"" + arg + "\" (try --help)");
        }
    }
    std::string clash;
    if (!CheckDemoOptions(o, &clash)) return Fail(text, clash);
    // A demo holds the usual battle: its file has no room for another size, and a playback of
    // another size would part from the recording at once.
    if (o.demoMode != DemoMode::None &&
        (o.fighters != kDefaultFighters || o.factories != kDefaultFactories))
        return Fail(text,
                    "--fighters and --factories do not go with --record, --play or --timedemo");
    *options = o;
    return CommandLineAction::Run;
}

int WriteOutput(std::FILE* out, std::FILE* err, const std::string& text)
{
    errno = 0;
    bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    written = std::fflush(out) == 0 && written && !std::ferror(out);
    if (written) return 0;
    const int why = errno;
    std::fprintf(err, "quenbrill: write error: %s\n",
                 why ? std::strerror(why) : "the output cannot be written");
    return 1;
}

std::vector<std::string> ArchiveCandidates(const std::string& exeDir, const char* archiveName)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> places;
    std::error_code ec;
    fs::path cwd = fs::current_path(ec);
    places.push_back(ec ? plat::PathFromUtf8(archiveName) : cwd / archiveName);
    if (!exeDir.empty()) {
        // ".." must lead to the real parent even when the folder was named through a link.
        fs::path dir = fs::weakly_canonical(plat::PathFromUtf8(exeDir), ec);
        if (ec) dir = plat::PathFromUtf8(exeDir);
        places.push_back(dir / archiveName);
        places.push_back(dir / ".." / "share" / "games" / "quenbrill" / archiveName);
        places.push_back(dir / ".." / "share" / "quenbrill" / archiveName);
    }
    // The same folder reached twice (the game started in its own folder) is looked at once.
    std::vector<std::string> unique;
    std::vector<fs::path> seen;
    for (const fs::path& p : places) {
        fs::path normal = p.lexically_normal();
        fs::path real = fs::weakly_canonical(normal, ec);
        if (ec) real = normal;
        bool again = false;
        for (const fs::path& s : seen) again = again || s == real;
        if (again) continue;
        seen.push_back(real);
        unique.push_back(plat::Utf8FromPath(normal));
    }
    return unique;
}

std::string ArchiveProblem(const std::string& path, int64_t archiveSize)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path systemPath = plat::PathFromUtf8(path);
    const fs::file_status status = fs::status(systemPath, ec);
    if (ec) return ec.message();
    switch (status.type()) {
        case fs::file_type::regular:
            break;
        case fs::file_type::directory:
            return "a folder, not a file";
        case fs::file_type::fifo:
            return "a named pipe, not a file";
        default:
            return "a device or other special file, not a file";
    }
    const uintmax_t size = fs::file_size(systemPath, ec);
    if (ec) return ec.message();
    if (static_cast<int64_t>(size) != archiveSize)
        return std::to_string(size) + (size == 1 ? " byte" : " bytes") + ", not the " +
               std::to_string(archiveSize) + " of the game's archive";
    // A regular file opens at once; this only asks whether the system lets us read it.
    errno = 0;
    std::FILE* file = plat::OpenFile(path.c_str(), "rb");
    if (!file) return errno ? std::strerror(errno) : "cannot be opened";
    std::fclose(file);
    return "";
}

bool LocateArchive(const GameOptions& options, const std::string& exeDir, const char* archiveName,
                   int64_t archiveSize, std::string* path, std::string* messages)
{
    gSearchPlaces.clear();
    messages->clear();
    if (!options.dataFile.empty()) {
        const std::string problem = ArchiveProblem(options.dataFile, archiveSize);
        if (!problem.empty()) {
            *messages =
                "quenbrill: --data: \"" + Printable(options.dataFile) + "\": " + problem + "\n";
            return false;
        }
        *path = options.dataFile;
        return true;
    }
    std::vector<std::string> places = ArchiveCandidates(exeDir, archiveName);
    for (const std::string& p : places) {
        std::error_code ec;
        if (!std::filesystem::exists(std::filesystem::symlink_status(plat::PathFromUtf8(p), ec)))
            continue;
        const std::string problem = ArchiveProblem(p, archiveSize);
        if (problem.empty()) {
            *path = p;
            return true;
        }
        *messages += "quenbrill: skipped \"" + Printable(p) + "\": " + problem + "\n";
    }
    for (const std::string& p : places) gSearchPlaces += (gSearchPlaces.empty() ? "" : ", ") + p;
    *path = archiveName;
    return true;
}

const std::string& ArchiveSearchPlaces() { return gSearchPlaces; }
