// SPDX-License-Identifier: MIT
#include <windows.h>
#undef PeekMessage
#undef DispatchMessage

#include "platform/win32/Win32Internal.h"
#include "Win32TestSupport.h"

namespace plat::win32test {
namespace {

HWND Handle(NativeWindow window) { return detail::HandleOf(window); }

}  // namespace

bool GetWindowFacts(NativeWindow window, WindowFacts* out)
{
    HWND hwnd = Handle(window);
    RECT r;
    if (!hwnd || !out || !GetWindowRect(hwnd, &r)) return false;
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    out->x = r.left;
    out->y = r.top;
    out->width = r.right - r.left;
    out->height = r.bottom - r.top;
    out->screenWidth = GetSystemMetrics(SM_CXSCREEN);
    out->screenHeight = GetSystemMetrics(SM_CYSCREEN);
    out->resizable = (style & WS_THICKFRAME) != 0;
    out->maximiseBox = (style & WS_MAXIMIZEBOX) != 0;
    out->visible = IsWindowVisible(hwnd) != 0;
    return true;
}

intptr_t SendNative(NativeWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    HWND hwnd = Handle(window);
    return hwnd ? SendMessageW(hwnd, message, wParam, lParam) : 0;
}

bool PointerShownAfterMove(NativeWindow window, bool hiddenBefore)
{
    HWND hwnd = Handle(window);
    if (!hwnd) return false;
    SetCursor(hiddenBefore ? nullptr : LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
    SendMessageA(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor() != nullptr;
}

bool PostNative(NativeWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    HWND hwnd = Handle(window);
    return hwnd && PostMessageW(hwnd, message, wParam, lParam);
}

bool MakeForeground(NativeWindow window)
{
    HWND hwnd = Handle(window);
    if (!hwnd) return false;
    SetForegroundWindow(hwnd);
    return GetForegroundWindow() == hwnd;
}

bool IsForeground(NativeWindow window)
{
    HWND hwnd = Handle(window);
    return hwnd && GetForegroundWindow() == hwnd;
}

void* MakeForeignForeground()
{
    HWND hwnd = CreateWindowExW(0, L"STATIC", L"qb-foreign", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) return nullptr;
    SetForegroundWindow(hwnd);
    if (GetForegroundWindow() != hwnd) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    return hwnd;
}

void DestroyForeign(void* window)
{
    if (window) DestroyWindow(static_cast<HWND>(window));
}

int DeviceProbes() { return detail::DeviceProbes(); }

}  // namespace plat::win32test
