// SPDX-License-Identifier: MIT
// What only the Windows backend has (the contract suite covers the rest), on a real (Wine)
// desktop: the procedure hears the messages sent while its window is being created, and the
// system gets the default procedure's results through nested calls although the contract's
// procedure returns nothing. Win32Keys.FromXServer needs someone pressing A
// (tests/wine/keys.sh runs it with xdotool); the other tests run on their own.
#include <windows.h>
#undef PeekMessage
#undef DispatchMessage
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "platform/win32/Win32Internal.h"

namespace {

using Clock = std::chrono::steady_clock;

std::vector<uint32_t> gSeen;  // messages the procedure got, in order

void Logging(plat::NativeWindow w, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    gSeen.push_back(message);
    plat::DefaultWindowProc(w, message, wParam, lParam);
}

plat::NativeWindow MakeWindow(const char* title)
{
    gSeen.clear();
    plat::WindowDesc d;
    d.title = title;
    return plat::CreateNativeWindow(d, Logging);
}

// Handles queued messages until the queue is empty.
void Drain()
{
    plat::Message m;
    while (plat::PeekMessage(&m, true)) {
        plat::TranslateMessage(m);
        plat::DispatchMessage(m);
    }
}

void Close(plat::NativeWindow w)
{
    plat::PostClose(w);
    Drain();
}

TEST(Win32Backend, TheProcedureHearsItsWindowsCreation)
{
    plat::NativeWindow w = MakeWindow("qb-create");
    ASSERT_NE(w, nullptr) << plat::LastError();
    bool created = false;
    for (uint32_t m : gSeen) created = created || m == WM_CREATE;
    EXPECT_TRUE(created) << "messages sent during creation reach the procedure";
    Close(w);
}

TEST(Win32Backend, DefaultResultsReachTheSenderThroughNestedCalls)
{
    plat::NativeWindow w = MakeWindow("qb-results");
    ASSERT_NE(w, nullptr) << plat::LastError();
    HWND hwnd = plat::detail::HandleOf(w);
    ASSERT_NE(hwnd, nullptr);
    // The procedure returns nothing; the system still gets the default procedure's answer.
    EXPECT_EQ(SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0),
              static_cast<LRESULT>(std::strlen("qb-results")));
    RECT r;
    ASSERT_TRUE(GetWindowRect(hwnd, &r));
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    EXPECT_EQ(SendMessageA(hwnd, WM_NCHITTEST, 0, MAKELPARAM(cx, cy)), HTCLIENT);
    Close(w);
}

// Run by tests/wine/keys.sh, which presses A with xdotool until this ends: the key arrives as
// a key-down message, TranslateMessage makes 'a' of it, and the key state saw it pressed.
TEST(Win32Keys, FromXServer)
{
    plat::NativeWindow w = MakeWindow("qb-keys");
    ASSERT_NE(w, nullptr) << plat::LastError();
    bool keyDown = false, character = false, keyState = false;
    const Clock::time_point start = Clock::now();
    while (!(keyDown && character && keyState) && Clock::now() - start < std::chrono::seconds(30)) {
        plat::Message m;
        while (plat::PeekMessage(&m, true)) {
            if (m.message == plat::MSG_KEYDOWN && m.wParam == 'A') {
                keyDown = true;
                if (plat::GetAsyncKeyState('A') != 0) keyState = true;
            }
            if (m.message == plat::MSG_CHAR && m.wParam == 'a') character = true;
            plat::TranslateMessage(m);
            plat::DispatchMessage(m);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(keyDown);
    EXPECT_TRUE(character);
    EXPECT_TRUE(keyState);
    Close(w);
}

}  // namespace
