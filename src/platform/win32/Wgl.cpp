// SPDX-License-Identifier: MIT
#include "platform/win32/Wgl.h"

#include <cstring>
#include <string>

#include "platform/Detail.h"

namespace plat::detail {
namespace {

HWND gWindow = nullptr;
HDC gDC = nullptr;
HGLRC gContext = nullptr;

bool Fail(const char* what)
{
    const DWORD code = GetLastError();  // before anything else can change it
    std::string text = std::string(what) + " (Windows error " + std::to_string(code) + ")";
    SetError(text.c_str());
    return false;
}

}  // namespace

bool WglCreate(HWND window)
{
    WglRelease();
    if (!window) {
        SetError("no window");
        return false;
    }
    HDC dc = GetDC(window);
    if (!dc) return Fail("no device context");
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof(pfd);
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.cDepthBits = 16;
    pfd.iLayerType = PFD_MAIN_PLANE;
    int format = ChoosePixelFormat(dc, &pfd);
    if (!format || !SetPixelFormat(dc, format, &pfd)) {
        ReleaseDC(window, dc);
        return Fail("no pixel format with 24-bit colour and a depth buffer");
    }
    HGLRC rc = wglCreateContext(dc);
    if (!rc) {
        ReleaseDC(window, dc);
        return Fail("cannot create the OpenGL context");
    }
    if (!wglMakeCurrent(dc, rc)) {
        wglDeleteContext(rc);
        ReleaseDC(window, dc);
        return Fail("cannot make the OpenGL context current");
    }
    gWindow = window;
    gDC = dc;
    gContext = rc;
    return true;
}

void WglSwap()
{
    if (gContext) SwapBuffers(gDC);
}

void WglRelease()
{
    if (!gContext) return;
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(gContext);
    ReleaseDC(gWindow, gDC);
    gWindow = nullptr;
    gDC = nullptr;
    gContext = nullptr;
}

HWND WglWindow() { return gContext ? gWindow : nullptr; }

bool WglSetVsync(bool on)
{
    if (!gContext) {
        SetError("no OpenGL context");
        return false;
    }
    using SwapInterval = BOOL(WINAPI*)(int);
    using Extensions = const char*(WINAPI*)();
    auto swap = reinterpret_cast<SwapInterval>(
        reinterpret_cast<void*>(wglGetProcAddress("wglSwapIntervalEXT")));
    if (!swap) {
        SetError("the OpenGL driver has no swap control");
        return false;
    }
    auto extensions = reinterpret_cast<Extensions>(
        reinterpret_cast<void*>(wglGetProcAddress("wglGetExtensionsStringEXT")));
    const char* list = extensions ? extensions() : nullptr;
    if (on && list && std::strstr(list, "WGL_EXT_swap_control_tear") && swap(-1)) return true;
    if (swap(on ? 1 : 0)) return true;
    return Fail("the OpenGL driver refused the swap interval");
}

}  // namespace plat::detail
