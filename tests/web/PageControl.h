// SPDX-License-Identifier: MIT
// The browser checks' hands on the page: key events, focus and visibility, gamepads and the
// clock, made the way the browser would make them (synthetic DOM events, replaced browser
// functions), so that the web backend meets them through its real event handlers.
#pragma once

#include <cstdint>
#include <string>

namespace page {

// A KeyboardEvent on the window; true when the backend took it (default prevented).
bool Key(const char* code, const char* key, bool down, bool repeat = false, bool ctrl = false,
         bool alt = false);
void Blur();
void Focus();
void SetHidden(bool hidden);  // document.hidden, then a visibilitychange event
// navigator.getGamepads() returns this JavaScript array expression from now on ("[]": none).
void SetGamepads(const char* expression);
// performance.now() and Date.now() give these from now on; a negative now puts back the real
// clocks.
void SetClock(double now, double dateNow);
// The canvas's CSS size, then a resize event.
void SetCanvasCssSize(int width, int height);
// window.devicePixelRatio, then a resize event (as a browser zoom or another screen does).
void SetPixelRatio(double ratio);
// A MouseEvent ("mousemove", "mousedown", ...) on the canvas at page pixel (x, y).
void Mouse(const char* type, int x, int y, int button, int buttons);

}  // namespace page
