// SPDX-License-Identifier: MIT
#include "game/PlayerMessages.h"

#include <cstdio>

#include "game/CommandLine.h"
#include "platform/Platform.h"

namespace {

const char kTitle[] = "Quenbrill";
const char kPrefix[] = "quenbrill: ";

int gHolds = 0;
std::string gHeld;  // lines for the box, blank lines between them
plat::Notice gHeldKind = plat::Notice::Information;

// The more serious of two kinds (Error before Warning before Information).
plat::Notice Worse(plat::Notice a, plat::Notice b) { return a < b ? a : b; }

std::string ForBox(const std::string& line)
{
    std::string text = line;
    if (text.compare(0, sizeof kPrefix - 1, kPrefix) == 0) text.erase(0, sizeof kPrefix - 1);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

}  // namespace

int ShowPlayerText(const std::string& text)
{
    if (!plat::ConsolePrint(text.c_str(), false)) {
        plat::ShowNotice(plat::Notice::Information, kTitle, text.c_str());
        return 0;
    }
    // What is still buffered goes out now, and a write that failed on the way is reported.
    return WriteOutput(stdout, stderr, "");
}

void ReportProblem(plat::Notice kind, const std::string& line)
{
    plat::ConsolePrint(line.c_str(), true);
    if (gHolds > 0) {
        gHeld += (gHeld.empty() ? "" : "\n\n") + ForBox(line);
        gHeldKind = Worse(gHeldKind, kind);
        return;
    }
    plat::ShowNotice(kind, kTitle, ForBox(line).c_str());
}

HeldProblemReports::HeldProblemReports() { ++gHolds; }

HeldProblemReports::~HeldProblemReports()
{
    if (--gHolds > 0 || gHeld.empty()) return;
    std::string text;
    text.swap(gHeld);
    plat::ShowNotice(gHeldKind, kTitle, text.c_str());
    gHeldKind = plat::Notice::Information;
}
