// SPDX-License-Identifier: MIT
#include "PageControl.h"

#include <emscripten/emscripten.h>

// clang-format off
EM_JS(int, qb_page_key, (const char* code, const char* key, int down, int repeat, int ctrl,
                         int alt), {
    const e = new KeyboardEvent(down ? 'keydown' : 'keyup', {
        code: UTF8ToString(code), key: UTF8ToString(key), repeat: !!repeat, ctrlKey: !!ctrl,
        altKey: !!alt, bubbles: true, cancelable: true });
    window.dispatchEvent(e);
    return e.defaultPrevented ? 1 : 0;
});

EM_JS(void, qb_page_focus, (int focus), {
    window.dispatchEvent(new FocusEvent(focus ? 'focus' : 'blur'));
});

EM_JS(void, qb_page_set_hidden, (int hidden), {
    const h = !!hidden;
    Object.defineProperty(document, 'hidden', { configurable: true, get: () => h });
    Object.defineProperty(document, 'visibilityState',
                          { configurable: true, get: () => h ? 'hidden' : 'visible' });
    document.dispatchEvent(new Event('visibilitychange'));
});

EM_JS(void, qb_page_set_gamepads, (const char* expression), {
    const pads = eval(UTF8ToString(expression));
    navigator.getGamepads = () => pads;
});

EM_JS(void, qb_page_set_clock, (double now, double date), {
    if (!window.realClocks)
        window.realClocks = { now: performance.now.bind(performance), date: Date.now };
    if (now < 0) {
        performance.now = window.realClocks.now;
        Date.now = window.realClocks.date;
    } else {
        performance.now = () => now;
        Date.now = () => date;
    }
});

EM_JS(void, qb_page_set_canvas_css_size, (int width, int height), {
    const c = document.getElementById('canvas');
    c.style.width = width + 'px';
    c.style.height = height + 'px';
    window.dispatchEvent(new UIEvent('resize'));
});
EM_JS(void, qb_page_set_pixel_ratio, (double ratio), {
    Object.defineProperty(window, 'devicePixelRatio', { configurable: true, get: () => ratio });
    window.dispatchEvent(new UIEvent('resize'));
});

EM_JS(void, qb_page_mouse, (const char* type, int x, int y, int button, int buttons), {
    document.getElementById('canvas').dispatchEvent(new MouseEvent(UTF8ToString(type), {
        clientX: x, clientY: y, button: button, buttons: buttons, bubbles: true,
        cancelable: true }));
});
// clang-format on

namespace page {

bool Key(const char* code, const char* key, bool down, bool repeat, bool ctrl, bool alt)
{
    return qb_page_key(code, key, down, repeat, ctrl, alt) != 0;
}

void Blur() { qb_page_focus(0); }

void Focus() { qb_page_focus(1); }

void SetHidden(bool hidden) { qb_page_set_hidden(hidden); }

void SetGamepads(const char* expression) { qb_page_set_gamepads(expression); }

void SetClock(double now, double dateNow) { qb_page_set_clock(now, dateNow); }

void SetCanvasCssSize(int width, int height) { qb_page_set_canvas_css_size(width, height); }

void SetPixelRatio(double ratio) { qb_page_set_pixel_ratio(ratio); }

void Mouse(const char* type, int x, int y, int button, int buttons)
{
    qb_page_mouse(type, x, y, button, buttons);
}

}  // namespace page
