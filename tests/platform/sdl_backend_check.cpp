// SPDX-License-Identifier: MIT
// What only the SDL backend has (the contract suite covers the rest): SIGINT and SIGTERM
// become quit messages with the shell's exit code, 128 + the signal, and wake a waiting
// program.
#include <gtest/gtest.h>

#include <csignal>

#include "platform/Platform.h"

namespace {

TEST(SdlBackend, SignalsBecomeQuitMessages)
{
    plat::Message m;
    EXPECT_FALSE(plat::PeekMessage(&m, false));  // the backend is up and holds the signals
    for (int sig : {SIGTERM, SIGINT}) {
        std::raise(sig);
        plat::WaitMessage();  // returns: a message is waiting
        ASSERT_TRUE(plat::PeekMessage(&m, true));
        EXPECT_EQ(m.message, plat::MSG_QUIT);
        EXPECT_EQ(m.wParam, static_cast<uintptr_t>(128 + sig));
        EXPECT_EQ(m.window, nullptr);
    }
    plat::PostQuit(4);
    ASSERT_TRUE(plat::PeekMessage(&m, true));
    EXPECT_EQ(m.wParam, 4u);
    EXPECT_FALSE(plat::PeekMessage(&m, true));
}

}  // namespace
