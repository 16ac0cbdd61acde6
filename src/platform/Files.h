// SPDX-License-Identifier: MIT
// File operations that differ between systems (not part of the window contract; every backend
// carries them).
#pragma once

namespace plat {

// Renames from to to, replacing an existing file at to in one step, as POSIX rename does (a
// plain rename on Windows refuses to replace). False when it fails; to is then unchanged.
bool RenameReplacing(const char* from, const char* to);

}  // namespace plat
