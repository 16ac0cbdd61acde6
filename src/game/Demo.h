// SPDX-License-Identifier: MIT
// Demos. A recording (--record) keeps what the game reads while it is played: the seed, the
// clock readings and the input readings of every frame, and every second a checksum of the
// battle. A playback (--play) gives the game those readings again, frame by frame at the
// recorded pace, and compares the checksums; a timedemo (--timedemo) does the same as fast as
// it can and prints how fast that was. The file format is in game/DemoFile.h.
//
// While a demo is recorded, the clock the game reads stands still within each part of a frame:
// it is read once as the frame begins and once after it is drawn, so that the readings a
// playback gives back are all the readings there were.
#pragma once

#include <cstdint>
#include <string>

#include "game/CommandLine.h"
#include "game/DemoFile.h"

// Opens the demo the options name, before the game starts: a recording writes the header, a
// playback reads and checks the whole file. Puts the seed in *options (a timedemo also turns
// vsync off). Returns 0, or the exit status with *error the line to print: 2 when the file
// cannot be read or written, 1 when it holds no demo this game plays.
int StartDemo(GameOptions* options, const std::string& archivePath, std::string* error);

// The frame loop's hooks. Before a frame: false holds the frame back (a playback waits for its
// pace, or it is over and has closed the window). *resumed says whether the frame follows a
// pause; a playback puts the recorded answer there.
bool DemoBeginFrame(bool* resumed);
// After the frame is drawn, before the loop measures it.
void DemoFrameDrawn();
// The loop ended with exitCode: a recording is completed, a playback's summary or the
// timedemo's figures are printed. Returns the exit code, 1 instead of 0 when a playback left
// the recording.
int DemoLoopEnded(int exitCode);

// Completes a recording (the session end calls it too) and forgets any demo: the clock and the
// input are the devices' again. Does nothing without a demo.
void FinishDemo();

// What a checksum record holds about the battle now: its running 3D game objects (kind,
// place, heading, speed, hit points) and how many explosions and particles there are. The
// camera is not part of it: the view may change in a playback.
DemoChecksum BattleChecksum();
