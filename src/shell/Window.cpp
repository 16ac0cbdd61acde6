// SPDX-License-Identifier: MIT
#include "shell/Window.h"

#include <cstring>
#include <string>

#include "shell/Printable.h"
#include "shell/Services.h"

namespace {

char* CopyText(const char* text)
{
    size_t n = std::strlen(text);
    char* copy = new char[n + 1];
    std::memcpy(copy, text, n + 1);
    return copy;
}

Window** gSlots = nullptr;
int32_t gCapacity = 0;

std::string gStartupFailure;
bool gFailed = false;

}  // namespace

Window* ConstructingWindow = nullptr;

// ---- HandleTable ------------------------------------------------------------------------

HandleTable::HandleTable(int32_t n)
{
    if (n < 1) n = 1;
    slots = new Slot[n];
    count = n;
}

HandleTable::~HandleTable()
{
    for (int32_t i = 0; i < count; ++i) delete[] slots[i].name;
    delete[] slots;
}

void HandleTable::Set(int32_t slot, void* handle, const char* name)
{
    if (slot < 0) slot = 0;
    if (slot >= count) slot = count - 1;
    slots[slot].handle = handle;
    if (name) {
        delete[] slots[slot].name;
        slots[slot].name = CopyText(name);
    }
}

void* HandleTable::Lookup(const char* name) const
{
    if (!name) return nullptr;
    for (int32_t i = 0; i < count; ++i)
        if (slots[i].name && std::strcmp(slots[i].name, name) == 0) return slots[i].handle;
    return nullptr;
}

// ---- Window -----------------------------------------------------------------------------

// Set when the window is deleted while one of its dispatches is still running.
// Marks one running dispatch on a window; the destructor of the window sets deleted, so the
// dispatch knows not to touch the object any more. Unhooks itself when the dispatch ends.
struct Window::DeleteWatch {
    explicit DeleteWatch(Window* w) : window(w), outer(w->watches) { w->watches = this; }
    ~DeleteWatch()
    {
        if (!deleted) window->watches = outer;
    }
    DeleteWatch(const DeleteWatch&) = delete;
    DeleteWatch& operator=(const DeleteWatch&) = delete;

    Window* window;
    DeleteWatch* outer;
    bool deleted = false;
};

Window::Window(const char* title, int32_t width, int32_t height, bool noBackground, Window* parent,
               bool fullScreenWanted, int32_t bitsPerPixel)
{
    Construct(title, width, height, noBackground, parent, fullScreenWanted, bitsPerPixel);
}

Window::Window(const WindowCreateParams& p)
{
    Construct(p.title, p.width, p.height, p.noBackground, p.parent, p.fullScreen, p.bitsPerPixel);
}

void Window::Construct(const char* title, int32_t width, int32_t height, bool noBackground,
                       Window* parent, bool fullScreenWanted, int32_t bitsPerPixel)
{
    fullScreen = fullScreenWanted;
    ConstructingWindow = this;

    plat::WindowDesc desc;
    desc.title = title ? title : "";
    desc.clientWidth = width;
    desc.clientHeight = height;
    desc.noBackground = noBackground;
    desc.parent = parent ? parent->NativeHandle() : nullptr;
    desc.fullScreen = fullScreen;
    desc.showWithFirstPicture = true;  // never an empty frame while the game loads
    if (fullScreen) SetDisplayMode(width, height, bitsPerPixel);
    plat::NativeWindow native = plat::CreateNativeWindow(desc, WindowProcedure);
    if (!native) RecordStartupFailure("cannot create the game window", plat::LastError());

    ConstructingWindow = nullptr;
    plat::SetWindowUserData(native, this);

    handles = new HandleTable(1);
    handles->Set(0, native, "WindowHandler");

    created = true;
    active = true;
    WindowList::Register(this);
}

Window::~Window()
{
    for (DeleteWatch* w = watches; w; w = w->outer) w->deleted = true;
    WindowList::Unregister(this);
    plat::NativeWindow native = NativeHandle();  // read before the table goes
    delete handles;
    handles = nullptr;
    if (ConstructingWindow == this) ConstructingWindow = nullptr;
    // Detached first, so the posted close and the destroy after it get default handling only.
    if (native && plat::GetWindowUserData(native) == this) plat::SetWindowUserData(native, nullptr);
    plat::PostClose(native);
    if (fullScreen) RestoreDisplayMode();
}

plat::NativeWindow Window::NativeHandle() const
{
    return handles ? static_cast<plat::NativeWindow>(handles->Lookup("WindowHandler")) : nullptr;
}

void Window::Dispatch(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (message == plat::MSG_CLOSE || message == plat::MSG_DESTROY || message == plat::MSG_QUIT) {
        active = false;
        delete this;
        return;
    }

    DeleteWatch watch(this);

    int32_t mouseCode = -1;
    switch (message) {
        case plat::MSG_PAINT:
            if (created) Paint();
            break;
        case plat::MSG_ACTIVATEAPP:
            active = wParam != 0;
            break;
        case plat::MSG_KEYDOWN:
            if (created) OnEvent(EVENT_KEY, static_cast<int32_t>(wParam), 0);
            break;
        case plat::MSG_MOUSEMOVE:
            prevMouseX = mouseX;
            prevMouseY = mouseY;
            mouseX = static_cast<int32_t>(static_cast<uintptr_t>(lParam) & 0xFFFF);
            mouseY = static_cast<int32_t>((static_cast<uintptr_t>(lParam) >> 16) & 0xFFFF);
            mouseCode = MOUSE_MOVE;
            break;
        case plat::MSG_LBUTTONUP:
            leftDown = false;
            leftDoubleClick = false;
            mouseCode = MOUSE_LEFT_UP;
            break;
        case plat::MSG_LBUTTONDOWN:
            leftDown = true;
            mouseCode = MOUSE_LEFT_DOWN;
            break;
        case plat::MSG_RBUTTONUP:
            rightDown = false;
            rightDoubleClick = false;
            mouseCode = MOUSE_RIGHT_UP;
            break;
        case plat::MSG_RBUTTONDOWN:
            rightDown = true;
            mouseCode = MOUSE_RIGHT_DOWN;
            break;
        case plat::MSG_LBUTTONDBLCLK:
            leftDoubleClick = true;
            mouseCode = MOUSE_LEFT_DOUBLE;
            break;
        case plat::MSG_RBUTTONDBLCLK:
            rightDoubleClick = true;
            mouseCode = MOUSE_RIGHT_DOUBLE;
            break;
        default:
            break;
    }
    if (!watch.deleted && mouseCode >= 0 && created && active) OnEvent(EVENT_MOUSE, mouseCode, 0);
    if (!watch.deleted) MessageHook(message, wParam, lParam);
}

void WindowProcedure(plat::NativeWindow native, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    Window* window = static_cast<Window*>(plat::GetWindowUserData(native));
    if (!window) window = ConstructingWindow;
    if (window) window->Dispatch(message, wParam, lParam);
    plat::DefaultWindowProc(native, message, wParam, lParam);
}

// ---- WindowList -------------------------------------------------------------------------

namespace WindowList {

void Register(Window* window)
{
    for (int32_t i = 0; i < gCapacity; ++i) {
        if (!gSlots[i]) {
            gSlots[i] = window;
            return;
        }
    }
    int32_t newCapacity = gCapacity > 0 ? 2 * gCapacity : 1;
    Window** grown = new Window*[newCapacity]();
    for (int32_t i = 0; i < gCapacity; ++i) grown[i] = gSlots[i];
    delete[] gSlots;
    gSlots = grown;
    gCapacity = newCapacity;
    gSlots[newCapacity - 1] = window;
}

void Unregister(Window* window)
{
    bool any = false;
    for (int32_t i = 0; i < gCapacity; ++i) {
        if (gSlots[i] == window) gSlots[i] = nullptr;
        if (gSlots[i]) any = true;
    }
    if (!any) {
        delete[] gSlots;
        gSlots = nullptr;
        gCapacity = 0;
    }
}

int32_t Capacity() { return gCapacity; }

Window* At(int32_t slot) { return slot >= 0 && slot < gCapacity ? gSlots[slot] : nullptr; }

}  // namespace WindowList

bool AnyWindowActive()
{
    for (int32_t i = 0; i < gCapacity; ++i)
        if (gSlots[i] && gSlots[i]->active) return true;
    return false;
}

bool AnyWindowRegistered() { return gCapacity != 0; }

void DrawAllWindows()
{
    // The list is read afresh at every step: a window may delete itself (or others) in Frame.
    for (int32_t i = 0; i < gCapacity; ++i)
        if (gSlots[i]) gSlots[i]->Frame();
}

// ---- start-up failures ------------------------------------------------------------------

void RecordStartupFailure(const char* what, const char* why)
{
    if (gFailed) return;
    gFailed = true;
    gStartupFailure = what ? what : "start-up failed";
    if (why && *why) {
        gStartupFailure += ": ";
        gStartupFailure += Printable(why);  // may name a display or a file from outside
    }
}

const char* StartupFailure() { return gFailed ? gStartupFailure.c_str() : nullptr; }

void ClearStartupFailure()
{
    gFailed = false;
    gStartupFailure.clear();
}
