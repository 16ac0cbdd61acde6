// SPDX-License-Identifier: MIT
// Messages: the user's keys and mouse reach the procedure in the order they were made, with
// the contract's numbers and parameters; looking at the queue keeps a message, translating a
// key-down queues its character next; focus changes and the close button; the quit message.
#include <vector>

#include "contract/Contract.h"

namespace contract {
namespace {

using Messages = ContractTest;

// True when want appears in heard in this order (a host may send messages of its own between
// them, such as a mouse move when a window appears under the pointer).
bool InOrder(const std::vector<plat::Message>& heard, const std::vector<plat::Message>& want)
{
    size_t next = 0;
    for (const plat::Message& m : heard) {
        if (next == want.size()) break;
        const plat::Message& w = want[next];
        if (m.message == w.message && m.wParam == w.wParam &&
            (m.message != plat::MSG_MOUSEMOVE || m.lParam == w.lParam))
            ++next;
    }
    return next == want.size();
}

std::string Describe(const std::vector<plat::Message>& list)
{
    std::string out;
    for (const plat::Message& m : list)
        out += std::to_string(m.message) + "/" + std::to_string(m.wParam) + " ";
    return out;
}

TEST_F(Messages, KeysAndMouseArriveInTheOrderTheyWereMade)
{
    plat::NativeWindow w = MakeWindow("qb-order");
    ASSERT_NE(w, nullptr);
    Pump();
    gHeard.clear();
    ASSERT_TRUE(PressKey(w, 'A'));
    ASSERT_TRUE(MoveMouse(w, 300, 200));
    ASSERT_TRUE(ReleaseKey(w, 'A'));
    ASSERT_TRUE(MouseButton(w, true, true));
    ASSERT_TRUE(MouseButton(w, true, false));
    ASSERT_TRUE(MouseButton(w, true, true, true));  // the second press of a double click
    ASSERT_TRUE(MouseButton(w, true, false));
    ASSERT_TRUE(MouseButton(w, false, true));
    ASSERT_TRUE(MouseButton(w, false, false));
    ASSERT_TRUE(PressKey(w, plat::VK_LEFT_KEY));
    ASSERT_TRUE(ReleaseKey(w, plat::VK_LEFT_KEY));
    const std::vector<plat::Message> want = {
        {w, plat::MSG_KEYDOWN, 'A', 0},
        {w, plat::MSG_CHAR, 'a', 0},
        {w, plat::MSG_MOUSEMOVE, 0, 300 | (200 << 16)},
        {w, plat::MSG_KEYUP, 'A', 0},
        {w, plat::MSG_LBUTTONDOWN, 0, 0},
        {w, plat::MSG_LBUTTONUP, 0, 0},
        {w, plat::MSG_LBUTTONDBLCLK, 0, 0},
        {w, plat::MSG_LBUTTONUP, 0, 0},
        {w, plat::MSG_RBUTTONDOWN, 0, 0},
        {w, plat::MSG_RBUTTONUP, 0, 0},
        {w, plat::MSG_KEYDOWN, plat::VK_LEFT_KEY, 0},
        {w, plat::MSG_KEYUP, plat::VK_LEFT_KEY, 0},
    };
    // Mouse buttons carry the held buttons in wParam; only their order is compared.
    auto normalised = [](std::vector<plat::Message> list) {
        for (plat::Message& m : list)
            if (m.message >= plat::MSG_LBUTTONDOWN && m.message <= plat::MSG_RBUTTONDBLCLK)
                m.wParam = 0;
        return list;
    };
    EXPECT_TRUE(WaitUntil([&] {
        Pump();
        return InOrder(normalised(gHeard), want);
    })) << "heard "
        << Describe(gHeard);
    for (const plat::Message& m : gHeard) EXPECT_EQ(m.window, w);
}

// Looking without removing leaves the message first in the queue; the character of a key-down
// comes right after it, before what was queued behind the key; the quit message carries its
// code and has no window, so it reaches no procedure.
TEST_F(Messages, PeekKeepsTranslateQueuesTheCharacterNextQuitCarriesItsCode)
{
    plat::NativeWindow w = MakeWindow("qb-peek");
    ASSERT_NE(w, nullptr);
    Pump();
    gHeard.clear();
    ASSERT_TRUE(PressKey(w, 'A'));
    ASSERT_TRUE(MoveMouse(w, 3, 4));
    plat::PostQuit(42);

    // The quit may come before the key: a host may hold input back until it is asked.
    std::vector<plat::Message> quits;
    plat::Message first, again, taken;
    ASSERT_TRUE(WaitUntil([&] {
        while (plat::PeekMessage(&first, false) && first.message != plat::MSG_KEYDOWN) {
            plat::PeekMessage(&first, true);  // the host's own messages before the key
            if (!first.window) quits.push_back(first);
            plat::TranslateMessage(first);
            plat::DispatchMessage(first);
        }
        return plat::PeekMessage(&first, false) && first.message == plat::MSG_KEYDOWN;
    }));
    ASSERT_TRUE(plat::PeekMessage(&again, false));
    ASSERT_TRUE(plat::PeekMessage(&taken, true));
    for (const plat::Message* m : {&first, &again, &taken}) {
        EXPECT_EQ(m->message, plat::MSG_KEYDOWN);
        EXPECT_EQ(m->wParam, static_cast<uintptr_t>('A'));
        EXPECT_EQ(m->window, w);
    }
    plat::TranslateMessage(taken);
    plat::DispatchMessage(taken);
    plat::Message ch;
    ASSERT_TRUE(plat::PeekMessage(&ch, true));
    EXPECT_EQ(ch.message, plat::MSG_CHAR);
    EXPECT_EQ(ch.wParam, static_cast<uintptr_t>('a'));
    EXPECT_EQ(ch.window, w);
    plat::DispatchMessage(ch);

    EXPECT_TRUE(WaitUntil([&] {
        for (const plat::Message& m : Pump()) quits.push_back(m);
        return !quits.empty();
    }));
    ASSERT_EQ(quits.size(), 1u);
    EXPECT_EQ(quits[0].message, plat::MSG_QUIT);
    EXPECT_EQ(quits[0].wParam, 42u);
    for (const plat::Message& m : gHeard) EXPECT_NE(m.message, plat::MSG_QUIT);
    ReleaseKey(w, 'A');
}

// Switching to another application and back; the close button asks the procedure, whose
// default handling destroys the window.
TEST_F(Messages, FocusAndTheCloseButton)
{
    plat::NativeWindow w = MakeWindow("qb-focus");
    ASSERT_NE(w, nullptr);
    Pump();
    gHeard.clear();
    ASSERT_TRUE(SwitchAway(w));
    ASSERT_TRUE(PumpUntilHeard(plat::MSG_ACTIVATEAPP));
    ASSERT_TRUE(SwitchBack(w));
    ASSERT_TRUE(ClickCloseButton(w));
    ASSERT_TRUE(PumpUntilHeard(plat::MSG_DESTROY));
    const std::vector<plat::Message> want = {
        {w, plat::MSG_ACTIVATEAPP, 0, 0},
        {w, plat::MSG_ACTIVATEAPP, 1, 0},
        {w, plat::MSG_CLOSE, 0, 0},
        {w, plat::MSG_DESTROY, 0, 0},
    };
    EXPECT_TRUE(InOrder(gHeard, want)) << "heard " << Describe(gHeard);
    EXPECT_EQ(gHeard.back().message, plat::MSG_DESTROY);
    EXPECT_FALSE(plat::GetClientSize(w, nullptr, nullptr));
}

// A program with nothing to do waits; a waiting message wakes it at once.
TEST_F(Messages, WaitReturnsWhenAMessageIsWaiting)
{
    plat::NativeWindow w = MakeWindow("qb-wait");
    ASSERT_NE(w, nullptr);
    Pump();
    plat::PostQuit(5);
    plat::WaitMessage();
    plat::Message m;
    ASSERT_TRUE(plat::PeekMessage(&m, true));
    EXPECT_EQ(m.message, plat::MSG_QUIT);
    ASSERT_TRUE(PressKey(w, 'Q'));
    ASSERT_TRUE(WaitUntil([&] {
        plat::WaitMessage();
        return plat::PeekMessage(&m, false);
    }));
    Pump();
    ReleaseKey(w, 'Q');
    Pump();
}

}  // namespace
}  // namespace contract
