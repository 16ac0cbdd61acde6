// SPDX-License-Identifier: MIT
// The game's command line and where it finds its media archive. Shared by every platform
// backend: the entry point parses, then hands the options to InitApplication.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What --record, --play and --timedemo ask for (one of them at most).
enum class DemoMode { None, Record, Play, Timedemo };

struct GameOptions {
    bool fullscreen = false;  // start in desktop full screen
    int scale = 1;  // window of scale x (640 x 480)
    bool vsync = true;
    bool seedGiven = false;  // seed instead of the calendar time
    uint32_t seed = 0;
    std::string dataFile;  // the archive named by --data; empty: search for it
    bool mute = false;  // no sound device at all
    DemoMode demoMode = DemoMode::None;  // with the demo file demoFile
    std::string demoFile;
};

constexpr int kMaxScale = 8;

enum class CommandLineAction {
    Run,  // start the game with the options
    Exit,  // --help or --version: print the text on standard output, exit status 0
    Fail,  // print the text (one line) on standard error, exit status 2
};

// Reads argv[1..argc-1]. Options take their value as the next argument or after '='. For Exit
// and Fail, *text holds what to print (ending in a line end).
CommandLineAction ParseCommandLine(int argc, const char* const* argv, GameOptions* options,
                                   std::string* text);

// The full paths tried for the archive, in order: the working directory, the program's folder,
// then the installed data folder ../share/quenbrill/ beside the program's folder. exeDir ends
// in a separator or is empty (then only the working directory).
std::vector<std::string> ArchiveCandidates(const std::string& exeDir, const char* archiveName);

// The archive to use: --data's file, else the first candidate that exists. When none exists,
// *path is the bare name (the game then runs without media) and ArchiveSearchPlaces() lists
// every candidate. False, with *error the line to print, when --data's file cannot be read.
bool LocateArchive(const GameOptions& options, const std::string& exeDir, const char* archiveName,
                   std::string* path, std::string* error);

// Where the last LocateArchive looked when it found nothing ("" otherwise); the game's one
// line about a missing archive names these places.
const std::string& ArchiveSearchPlaces();
