// SPDX-License-Identifier: MIT
// The game's command line and where it finds its media archive. Shared by every platform
// backend: the entry point parses, then hands the options to InitApplication.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

constexpr int kDefaultFighters = 20;
constexpr int kDefaultFactories = 10;
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
    int maxFps = 0;  // at most this many frames a second; 0: frames back to back
    // The size of the battle: enemy fighters and factories placed when a game starts.
    int fighters = kDefaultFighters;
    int factories = kDefaultFactories;
    bool hud = false;  // --hud: crosshair, lead mark, hull bar and the words the game lacks
    DemoMode demoMode = DemoMode::None;  // with the demo file demoFile
    std::string demoFile;
};

constexpr int kMaxScale = 8;
constexpr int kMaxFrameRate = 1000;  // --max-fps: the clock counts whole milliseconds
constexpr int kMaxFighters = 5000;
constexpr int kMaxFactories = 1000;

enum class CommandLineAction {
    Run,  // start the game with the options
    Exit,  // --help or --version: print the text on standard output (WriteOutput)
    Fail,  // print the text (one line) on standard error, exit status 2
};

// Reads argv[1..argc-1]. Options take their value as the next argument or after '='; "--"
// ends the options. For Exit and Fail, *text holds what to print (ending in a line end).
CommandLineAction ParseCommandLine(int argc, const char* const* argv, GameOptions* options,
                                   std::string* text);

// Writes the text of --help or --version to out and returns the exit status: 0, or 1 after a
// line on err when it could not be written whole (a full disk, a closed pipe).
int WriteOutput(std::FILE* out, std::FILE* err, const std::string& text);

// The full paths tried for the archive, in order and each once: the working directory, the
// program's folder, then the installed data folders ../share/games/quenbrill/ and (for installs
// made before) ../share/quenbrill/ beside the program's folder. exeDir ends in a separator or
// is empty (then only the working directory).
std::vector<std::string> ArchiveCandidates(const std::string& exeDir, const char* archiveName);

// Why the file at path cannot be the game's archive of archiveSize bytes ("" when it can): it
// must be a regular file of exactly that size that the system lets us read. Only a regular file
// is ever opened, so a named pipe never blocks. Reasons read "a folder, not a file",
// "12 bytes, not the 496529 of the game's archive" or the system's own ("Permission denied").
std::string ArchiveProblem(const std::string& path, int64_t archiveSize);

// The archive to use: --data's file, else the first candidate without a problem. Every
// candidate that is there but wrong adds a line naming it and its problem to *messages, and the
// search goes on. When none will do, *path is the bare name, the game runs without media and
// ArchiveSearchPlaces() lists every candidate. False, with *messages the one line to print,
// when --data names anything but the game's archive.
bool LocateArchive(const GameOptions& options, const std::string& exeDir, const char* archiveName,
                   int64_t archiveSize, std::string* path, std::string* messages);

// Where the last LocateArchive looked when it found nothing ("" otherwise); the game's one
// line about a missing archive names these places, and it reads no archive then.
const std::string& ArchiveSearchPlaces();
