// SPDX-License-Identifier: MIT
// The frame loop of the desktop backends: the program's frames back to back on the main
// thread (a frame with nothing to do blocks in WaitMessage until the next message).
#include "platform/Platform.h"

namespace plat {

void RunLoop(FrameProc frame)
{
    while (frame()) {
    }
}

}  // namespace plat
