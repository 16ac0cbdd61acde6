// SPDX-License-Identifier: MIT
#include "platform/Files.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdio>
#endif

namespace plat {

bool RenameReplacing(const char* from, const char* to)
{
    if (!from || !to) return false;
#ifdef _WIN32
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(from, to) == 0;
#endif
}

}  // namespace plat
