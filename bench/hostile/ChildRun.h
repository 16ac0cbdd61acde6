// SPDX-License-Identifier: MIT
// What the hostile-input benchmark needs from the operating system: one program run in a
// process of its own, with what that process cost.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct ChildCost {
    bool ran = false;  // false: it could not be started
    int exitStatus = -1;  // -1 when it did not exit (a signal ended it)
    double cpuMs = 0.0;  // user and system time of the process
    double wallMs = 0.0;
    long peakKB = 0;  // its peak resident memory
};

// Runs program with args (args[0] is its name), its output thrown away, and waits for it.
ChildCost RunChild(const std::string& program, const std::vector<std::string>& args);

// Runs body in a forked copy of this process and waits for it; body's result is the exit status.
ChildCost RunInChild(const std::function<int()>& body);

// This process's id (for scratch names that other runs do not share).
int ProcessId();
