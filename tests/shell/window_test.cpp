// SPDX-License-Identifier: MIT
// The window framework on the fake platform: the window list's slots, which messages reach a
// window when, mouse bookkeeping, closing and deleting a window from inside its handlers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/FakePlatform.h"
#include "shell/Services.h"
#include "shell/Window.h"

namespace {

struct Call {
    std::string what;  // "event", "paint", "hook", "frame"
    int32_t a = 0, b = 0;
};

class TestWindow : public Window {
public:
    explicit TestWindow(std::vector<Call>* log, WindowCreateParams p = WindowCreateParams())
        : Window(p), log(log)
    {
    }
    ~TestWindow() override
    {
        if (deleted) ++*deleted;
    }
    void OnEvent(int32_t kind, int32_t code, int32_t) override
    {
        log->push_back({"event", kind, code});
        if (kind == EVENT_KEY && code == deleteOnKey) delete this;
    }
    void MessageHook(uint32_t message, uintptr_t, intptr_t) override
    {
        log->push_back({"hook", static_cast<int32_t>(message), 0});
    }
    void Paint() override { log->push_back({"paint", 0, 0}); }
    void Frame() override
    {
        log->push_back({"frame", slotTag, 0});
        if (deleteInFrame) delete this;
    }

    std::vector<Call>* log;
    int32_t deleteOnKey = -1;
    bool deleteInFrame = false;
    int32_t slotTag = 0;
    int* deleted = nullptr;
};

struct WindowTest : ::testing::Test {
    void SetUp() override
    {
        plat::fake::Reset();
        ClearStartupFailure();
    }
    void TearDown() override
    {
        for (int32_t i = 0; i < WindowList::Capacity(); ++i)
            if (Window* w = WindowList::At(i)) {
                delete w;
                i = -1;
            }
        plat::fake::Reset();
        ClearStartupFailure();
    }

    void Send(plat::NativeWindow w, uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0)
    {
        plat::fake::PushMessage({w, message, wParam, lParam});
        Pump();
    }
    void Pump()
    {
        plat::Message m;
        while (plat::PeekMessage(&m, true)) {
            plat::TranslateMessage(m);
            plat::DispatchMessage(m);
        }
    }
    size_t Count(const char* what) const
    {
        size_t n = 0;
        for (const Call& c : log)
            if (c.what == what) ++n;
        return n;
    }

    std::vector<Call> log;
};

TEST_F(WindowTest, SlotsFillFirstEmptyThenDouble)
{
    EXPECT_FALSE(AnyWindowRegistered());
    auto* a = new TestWindow(&log);
    auto* b = new TestWindow(&log);
    auto* c = new TestWindow(&log);
    // 1 slot, then 2 (b takes the last), then 4 (c takes the last): slots 0, 1 and 3.
    EXPECT_EQ(WindowList::Capacity(), 4);
    EXPECT_EQ(WindowList::At(0), a);
    EXPECT_EQ(WindowList::At(1), b);
    EXPECT_EQ(WindowList::At(2), nullptr);
    EXPECT_EQ(WindowList::At(3), c);
    auto* d = new TestWindow(&log);
    EXPECT_EQ(WindowList::At(2), d);
    EXPECT_EQ(WindowList::Capacity(), 4);

    delete b;
    EXPECT_EQ(WindowList::At(1), nullptr);
    auto* e = new TestWindow(&log);
    EXPECT_EQ(WindowList::At(1), e);

    delete a;
    delete c;
    delete d;
    EXPECT_TRUE(AnyWindowRegistered());
    delete e;
    // Emptied completely, the list lets its slots go.
    EXPECT_EQ(WindowList::Capacity(), 0);
    EXPECT_FALSE(AnyWindowRegistered());
    EXPECT_FALSE(AnyWindowActive());
}

TEST_F(WindowTest, ConstructionCreatesShowsAndBindsTheNativeWindow)
{
    WindowCreateParams p;
    p.title = "Quenbrill";
    auto* w = new TestWindow(&log, p);
    plat::NativeWindow native = w->NativeHandle();
    ASSERT_NE(native, nullptr);
    EXPECT_EQ(native, plat::fake::LastCreatedWindow());
    EXPECT_EQ(plat::GetWindowUserData(native), w);
    EXPECT_EQ(w->handles->Lookup("WindowHandler"), native);
    int cw = 0, ch = 0;
    ASSERT_TRUE(plat::GetClientSize(native, &cw, &ch));
    EXPECT_EQ(cw, 640);
    EXPECT_EQ(ch, 480);
    EXPECT_TRUE(w->created);
    EXPECT_TRUE(w->active);
    EXPECT_FALSE(w->fullScreen);
    EXPECT_EQ(ConstructingWindow, nullptr);
    EXPECT_EQ(StartupFailure(), nullptr);
}

TEST_F(WindowTest, NothingIsDeliveredBeforeConstructionEnds)
{
    plat::fake::SendOnCreate({nullptr, plat::MSG_KEYDOWN, 'A', 0});
    plat::fake::SendOnCreate({nullptr, plat::MSG_LBUTTONDOWN, 0, 0});
    plat::fake::SendOnCreate({nullptr, plat::MSG_MOUSEMOVE, 0, 5 | (6 << 16)});
    plat::fake::SendOnCreate({nullptr, plat::MSG_PAINT, 0, 0});
    auto* w = new TestWindow(&log);
    // The object under construction heard about them (ConstructingWindow), but neither events
    // nor paint went out; the mouse state was still recorded.
    EXPECT_EQ(Count("event"), 0u);
    EXPECT_EQ(Count("paint"), 0u);
    EXPECT_TRUE(w->leftDown);
    EXPECT_EQ(w->mouseX, 5);
    EXPECT_EQ(w->mouseY, 6);
}

TEST_F(WindowTest, MouseOnlyWhileActiveKeysAlways)
{
    auto* w = new TestWindow(&log);
    plat::NativeWindow n = w->NativeHandle();
    Send(n, plat::MSG_ACTIVATEAPP, 0);
    EXPECT_FALSE(w->active);
    EXPECT_FALSE(AnyWindowActive());
    Send(n, plat::MSG_LBUTTONDOWN);
    Send(n, plat::MSG_KEYDOWN, plat::VK_SPACE_KEY);
    ASSERT_EQ(Count("event"), 1u);
    EXPECT_TRUE(w->leftDown);  // recorded all the same
    Send(n, plat::MSG_ACTIVATEAPP, 1);
    EXPECT_TRUE(AnyWindowActive());
    Send(n, plat::MSG_LBUTTONUP);
    EXPECT_EQ(Count("event"), 2u);
    Send(n, plat::MSG_PAINT);
    EXPECT_EQ(Count("paint"), 1u);
}

TEST_F(WindowTest, MouseMessagesRecordStateAndCodes)
{
    auto* w = new TestWindow(&log);
    plat::NativeWindow n = w->NativeHandle();
    Send(n, plat::MSG_MOUSEMOVE, 0, 10 | (20 << 16));
    Send(n, plat::MSG_MOUSEMOVE, 0, 639 | (479 << 16));
    EXPECT_EQ(w->prevMouseX, 10);
    EXPECT_EQ(w->prevMouseY, 20);
    EXPECT_EQ(w->mouseX, 639);
    EXPECT_EQ(w->mouseY, 479);

    struct Row {
        uint32_t message;
        int32_t code;
        bool left, right, leftDouble, rightDouble;
    };
    const Row rows[] = {
        {plat::MSG_LBUTTONDOWN, MOUSE_LEFT_DOWN, true, false, false, false},
        {plat::MSG_LBUTTONDBLCLK, MOUSE_LEFT_DOUBLE, true, false, true, false},
        {plat::MSG_RBUTTONDOWN, MOUSE_RIGHT_DOWN, true, true, true, false},
        {plat::MSG_RBUTTONDBLCLK, MOUSE_RIGHT_DOUBLE, true, true, true, true},
        {plat::MSG_LBUTTONUP, MOUSE_LEFT_UP, false, true, false, true},
        {plat::MSG_RBUTTONUP, MOUSE_RIGHT_UP, false, false, false, false},
    };
    for (const Row& r : rows) {
        log.clear();
        Send(n, r.message);
        ASSERT_EQ(Count("event"), 1u) << r.message;
        EXPECT_EQ(log[0].a, EVENT_MOUSE);
        EXPECT_EQ(log[0].b, r.code) << r.message;
        EXPECT_EQ(w->leftDown, r.left) << r.message;
        EXPECT_EQ(w->rightDown, r.right) << r.message;
        EXPECT_EQ(w->leftDoubleClick, r.leftDouble) << r.message;
        EXPECT_EQ(w->rightDoubleClick, r.rightDouble) << r.message;
    }
}

TEST_F(WindowTest, CloseDestroyOrQuitDeletesTheWindow)
{
    for (uint32_t message : {plat::MSG_CLOSE, plat::MSG_DESTROY, plat::MSG_QUIT}) {
        int deleted = 0;
        auto* w = new TestWindow(&log);
        w->deleted = &deleted;
        plat::NativeWindow n = w->NativeHandle();
        log.clear();
        Send(n, message);
        EXPECT_EQ(deleted, 1) << message;
        EXPECT_EQ(Count("hook"), 0u) << message;  // nothing else is done for it
        EXPECT_FALSE(AnyWindowRegistered()) << message;
        // The destructor posted a close; handled, it destroyed the native window.
        EXPECT_FALSE(plat::fake::WindowExists(n)) << message;
        Send(n, plat::MSG_KEYDOWN, 'A');
        EXPECT_EQ(Count("event"), 0u);
    }
}

TEST_F(WindowTest, DeletedWindowLeavesItsNativeWindowToDefaultHandling)
{
    int deleted = 0;
    auto* w = new TestWindow(&log);
    w->deleted = &deleted;
    plat::NativeWindow n = w->NativeHandle();
    delete w;
    EXPECT_EQ(plat::GetWindowUserData(n), nullptr);
    EXPECT_TRUE(plat::fake::WindowExists(n));  // until the posted close is handled
    EXPECT_EQ(plat::fake::PendingMessages(), 1u);
    Pump();
    EXPECT_FALSE(plat::fake::WindowExists(n));
    EXPECT_EQ(deleted, 1);
    EXPECT_TRUE(log.empty());
}

TEST_F(WindowTest, DeletingItselfInOnEventIsSafe)
{
    int deleted = 0;
    auto* w = new TestWindow(&log);
    w->deleted = &deleted;
    w->deleteOnKey = plat::VK_ESCAPE_KEY;
    plat::NativeWindow n = w->NativeHandle();
    // The window is gone inside OnEvent; the dispatch must not call its hook afterwards, and
    // the char message that follows the key must find no object.
    Send(n, plat::MSG_KEYDOWN, plat::VK_ESCAPE_KEY);
    EXPECT_EQ(deleted, 1);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].what, "event");
    EXPECT_FALSE(AnyWindowRegistered());
    EXPECT_FALSE(plat::fake::WindowExists(n));
}

TEST_F(WindowTest, DrawAllWindowsInSlotOrderWhileWindowsDeleteThemselves)
{
    auto* a = new TestWindow(&log);
    auto* b = new TestWindow(&log);
    auto* c = new TestWindow(&log);
    a->slotTag = 0;
    b->slotTag = 1;
    c->slotTag = 3;
    b->deleteInFrame = true;
    DrawAllWindows();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].a, 0);
    EXPECT_EQ(log[1].a, 1);
    EXPECT_EQ(log[2].a, 3);
    EXPECT_EQ(WindowList::At(1), nullptr);

    // The last window deleting itself releases the slots in the middle of the walk.
    delete a;
    c->deleteInFrame = true;
    log.clear();
    DrawAllWindows();
    EXPECT_EQ(log.size(), 1u);
    EXPECT_FALSE(AnyWindowRegistered());
}

TEST_F(WindowTest, MessageHookSeesEveryOtherMessage)
{
    auto* w = new TestWindow(&log);
    plat::NativeWindow n = w->NativeHandle();
    Send(n, plat::MSG_KEYDOWN, 'Q');  // the key, then the char made from it
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].what, "event");
    EXPECT_EQ(log[1].what, "hook");
    EXPECT_EQ(log[1].a, static_cast<int32_t>(plat::MSG_KEYDOWN));
    EXPECT_EQ(log[2].a, static_cast<int32_t>(plat::MSG_CHAR));
}

TEST_F(WindowTest, FailedNativeWindowIsRecordedAndHarmless)
{
    plat::fake::SetVideoAvailable(false);
    auto* w = new TestWindow(&log);
    EXPECT_EQ(w->NativeHandle(), nullptr);
    ASSERT_NE(StartupFailure(), nullptr);
    EXPECT_NE(std::string(StartupFailure()).find("cannot create the game window"),
              std::string::npos);
    delete w;
    EXPECT_FALSE(AnyWindowRegistered());
    EXPECT_EQ(plat::fake::PendingMessages(), 0u);
}

TEST_F(WindowTest, FullScreenChangesDisplayModeUntilDeleted)
{
    WindowCreateParams p;
    p.fullScreen = true;
    auto* w = new TestWindow(&log, p);
    EXPECT_TRUE(w->fullScreen);
    EXPECT_EQ(plat::fake::DisplayModeChanges(), 1);
    EXPECT_TRUE(DisplayModeChanged());
    delete w;
    EXPECT_EQ(plat::fake::DisplayModeChanges(), 0);
    EXPECT_FALSE(DisplayModeChanged());
}

TEST(HandleTable, SetClampsAndLookupIsExact)
{
    HandleTable t(2);
    int a, b, c;
    t.Set(0, &a, "WindowHandler");
    t.Set(5, &b, "Other");  // clamped to slot 1
    EXPECT_EQ(t.Lookup("Other"), &b);
    t.Set(-3, &c, nullptr);  // slot 0, name kept
    EXPECT_EQ(t.Lookup("WindowHandler"), &c);
    EXPECT_EQ(t.Lookup("windowhandler"), nullptr);
    EXPECT_EQ(t.Lookup("Window"), nullptr);
    EXPECT_EQ(t.Lookup(nullptr), nullptr);
    t.Set(1, &a, "Renamed");
    EXPECT_EQ(t.Lookup("Other"), nullptr);
    EXPECT_EQ(t.Lookup("Renamed"), &a);
}

}  // namespace
