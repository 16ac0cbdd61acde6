// SPDX-License-Identifier: MIT
#include "contract/Contract.h"

#include <algorithm>

namespace contract {

std::vector<plat::Message> gHeard;

bool IsContractMessage(uint32_t message)
{
    switch (message) {
        case plat::MSG_DESTROY:
        case plat::MSG_PAINT:
        case plat::MSG_CLOSE:
        case plat::MSG_QUIT:
        case plat::MSG_ACTIVATEAPP:
        case plat::MSG_KEYDOWN:
        case plat::MSG_KEYUP:
        case plat::MSG_CHAR:
        case plat::MSG_MOUSEMOVE:
        case plat::MSG_LBUTTONDOWN:
        case plat::MSG_LBUTTONUP:
        case plat::MSG_LBUTTONDBLCLK:
        case plat::MSG_RBUTTONDOWN:
        case plat::MSG_RBUTTONUP:
        case plat::MSG_RBUTTONDBLCLK:
            return true;
        default:
            return false;
    }
}

void RecordingProc(plat::NativeWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (IsContractMessage(message)) gHeard.push_back({window, message, wParam, lParam});
    plat::DefaultWindowProc(window, message, wParam, lParam);
}

void ContractTest::SetUp()
{
    gHeard.clear();
    contract::SetUp();
}

void ContractTest::TearDown()
{
    // Whatever the test left open is closed the way the system closes windows.
    for (plat::NativeWindow w : windows)
        if (plat::GetClientSize(w, nullptr, nullptr))
            plat::DefaultWindowProc(w, plat::MSG_CLOSE, 0, 0);
    Pump();
    windows.clear();
    contract::TearDown();
}

plat::NativeWindow ContractTest::MakeWindow(const char* title, plat::WindowProc proc, int width,
                                            int height)
{
    plat::WindowDesc d;
    d.title = title;
    d.clientWidth = width;
    d.clientHeight = height;
    plat::NativeWindow w = plat::CreateNativeWindow(d, proc);
    EXPECT_NE(w, nullptr) << "no window: " << plat::LastError();
    if (w) windows.push_back(w);
    return w;
}

std::vector<plat::Message> ContractTest::Pump()
{
    std::vector<plat::Message> threadMessages;
    plat::Message m;
    while (plat::PeekMessage(&m, true)) {
        if (!m.window) threadMessages.push_back(m);
        plat::TranslateMessage(m);
        plat::DispatchMessage(m);
    }
    return threadMessages;
}

bool ContractTest::PumpUntilHeard(uint32_t message)
{
    return WaitUntil([&] {
        Pump();
        return std::any_of(gHeard.begin(), gHeard.end(),
                           [&](const plat::Message& m) { return m.message == message; });
    });
}

std::vector<uint32_t> ContractTest::HeardMessages()
{
    std::vector<uint32_t> out;
    for (const plat::Message& m : gHeard) out.push_back(m.message);
    return out;
}

}  // namespace contract
