// SPDX-License-Identifier: MIT
// What the game tells the player: the usage and version text, and the lines about problems
// (a bad option, no window or picture, a missing or damaged archive). Every problem line goes
// on standard error at once; on a system where that may be seen by no one (a Windows program
// started from Explorer) it also shows in a message box.
#pragma once

#include <string>

namespace plat {
enum class Notice;  // Platform.h: information, warning or error
}

// --help and --version: standard output, or a message box when there is no console at all.
// The exit status: 1 when the output could not be written (a full disk, a closed pipe).
int ShowPlayerText(const std::string& text);

// One line as printed ("quenbrill: ...\n"). The box shows it without the program's name.
void ReportProblem(plat::Notice kind, const std::string& line);

// While a HeldProblemReports exists, the boxes wait: its end shows every line reported
// meanwhile in one box (the most serious kind), so loading the media asks once, not per file.
class HeldProblemReports {
public:
    HeldProblemReports();
    ~HeldProblemReports();
    HeldProblemReports(const HeldProblemReports&) = delete;
    HeldProblemReports& operator=(const HeldProblemReports&) = delete;
};
