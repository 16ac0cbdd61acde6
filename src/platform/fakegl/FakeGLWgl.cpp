// SPDX-License-Identifier: MIT
// The fake backend's GL context on Windows: a hidden window of its own with a WGL context.
#include "platform/Detail.h"
#include "platform/fakegl/FakeGL.h"
#include "platform/win32/Wgl.h"

namespace plat::detail {
namespace {

const char kClassName[] = "QuenbrillHiddenGL";
HWND gWindow = nullptr;

bool RegisterHiddenClass()
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClassName;
    return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

bool FakeGLCreate(const char* title, int width, int height)
{
    FakeGLRelease();
    if (!RegisterHiddenClass()) {
        SetError("cannot register the hidden window class");
        return false;
    }
    // Never shown: drawing goes to the back buffer, which glReadPixels reads.
    gWindow = CreateWindowExA(0, kClassName, title, WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    if (!gWindow) {
        SetError("cannot create the hidden window");
        return false;
    }
    if (!WglCreate(gWindow)) {
        DestroyWindow(gWindow);
        gWindow = nullptr;
        return false;
    }
    return true;
}

void FakeGLSwap() { WglSwap(); }

void FakeGLRelease()
{
    WglRelease();
    if (gWindow) {
        DestroyWindow(gWindow);
        gWindow = nullptr;
    }
}

bool FakeGLCurrent() { return WglWindow() != nullptr; }

}  // namespace plat::detail
