// SPDX-License-Identifier: MIT
// The tools' temporary files: an output is written under a temporary name and renamed into
// place once it is whole. A TempFile removes its file when it goes out of scope, unless told to
// Forget it, and, while it lives, also when the tool is stopped by SIGINT or SIGTERM (Ctrl+C):
// a tool leaves no temporary file behind on any way out it controls.
#pragma once

#include <string>

class TempFile {
public:
    // Names the temporary file; nothing is created here.
    explicit TempFile(std::string path);
    ~TempFile();  // removes the file unless Forget() was called
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& Path() const { return path; }
    const char* c_str() const { return path.c_str(); }
    // Nothing of ours to remove under the name any more: it was renamed into place, or it was
    // never made (something else sits there and must stay).
    void Forget();

private:
    const std::string path;
    int slot = -1;  // in the list the signal handler removes; -1 when not in it
    bool forgotten = false;
};
