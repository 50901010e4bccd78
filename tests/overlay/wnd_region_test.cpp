// The region selector on the test screen, driven as a user drives it: real mouse and key input
// (SendInput, SetCursorPos) while CWndRegion::DoModal runs its own loop, and what the screen
// shows read back with GDI.
#include <gtest/gtest.h>
#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <thread>
#include <functional>
#include <string>
#include <vector>
#include "overlay/wnd_region.h"
#include "tests/support/host.h"
#include "tests/support/log_capture.h"
#include "tests/support/screen_pixels.h"
#include "tests/support/user_input.h"
#include "tests/support/waiting.h"

namespace {

const COLORREF kBackdrop = RGB(40, 90, 160);
const COLORREF kPanel = 0x95E8FF;
const COLORREF kRed = 0x0000FF;
const int kStepMs = 15;
const DWORD kSelectionDeadlineMs = 30000;
const DWORD kWaitDeadlineMs = 8000;

std::string Show(const RECT& r)
{
    char s[96];
    snprintf(s, sizeof s, "(%ld,%ld,%ld,%ld)", (long)r.left, (long)r.top, (long)r.right,
             (long)r.bottom);
    return s;
}

int Channel(COLORREF c, int shift) { return (c >> shift) & 0xFF; }

// The screen shows colour at (x, y): exactly, or blended at the selector's alpha over the
// backdrop when the display composes layered windows.
bool Shows(COLORREF seen, COLORREF colour, COLORREF below = kBackdrop)
{
    bool exact = true, blended = true;
    for (int shift = 0; shift <= 16; shift += 8) {
        int s = Channel(seen, shift), c = Channel(colour, shift), b = Channel(below, shift);
        exact = exact && abs(s - c) <= 2;
        blended = blended && abs(s - (c * 200 + b * 55) / 255) <= 3;
    }
    return exact || blended;
}

std::string Hex(COLORREF c)
{
    char s[16];
    snprintf(s, sizeof s, "%06lX", (unsigned long)c);
    return s;
}

// What the screen shows at p is colour (see Shows).
::testing::AssertionResult ScreenShows(POINT p, COLORREF colour)
{
    COLORREF seen = ScreenPixel(p.x, p.y);
    if (Shows(seen, colour))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "at " << p.x << "," << p.y << " the screen shows "
                                         << Hex(seen) << ", not " << Hex(colour);
}

// A plain window over the whole screen below the selector; it counts the clicks and commands
// that reach it.
class Backdrop {
public:
    Backdrop()
    {
        WNDCLASSW wc = {};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_CROSS);
        wc.hbrBackground = brush_;
        wc.lpszClassName = L"RegionTestBackdrop";
        RegisterClassW(&wc);
        hwnd_ = CreateWindowExW(0, L"RegionTestBackdrop", L"", WS_POPUP | WS_VISIBLE, 0, 0,
                                GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                nullptr, nullptr, wc.hInstance, nullptr);
        s_self = this;
        UpdateWindow(hwnd_);
    }
    ~Backdrop()
    {
        DestroyWindow(hwnd_);
        UnregisterClassW(L"RegionTestBackdrop", GetModuleHandleW(nullptr));
        DeleteObject(brush_);
        s_self = nullptr;
    }
    HWND Handle() const { return hwnd_; }
    int rightClicks = 0;
    int commands = 0;

private:
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp)
    {
        if (s_self && m == WM_RBUTTONUP)
            ++s_self->rightClicks;
        if (s_self && m == WM_COMMAND)
            ++s_self->commands;
        return DefWindowProcW(w, m, wp, lp);
    }
    static Backdrop* s_self;
    HBRUSH brush_ = CreateSolidBrush(kBackdrop);
    HWND hwnd_ = nullptr;
};
Backdrop* Backdrop::s_self = nullptr;

POINT CursorPos()
{
    POINT p = {-1, -1};
    GetCursorPos(&p);
    return p;
}

// ---- a selection driven by a script ----

// One step of a script: true when done, false to be asked again on the next tick (a wait).
using Step = std::function<bool()>;

// Runs DoModal on this thread. The steps run one per tick of a thread timer, that is inside the
// selector's own loop: the platform hands out timer messages only when no input is waiting, so
// each step starts after the input of the one before has been handled.
class Script {
public:
    explicit Script(CWndRegion& selector) : selector_(selector) {}

    // Steps that wait give up after a deadline and fail the test.
    Script& Do(std::function<void()> action)
    {
        steps_.push_back([action] {
            action();
            return true;
        });
        return *this;
    }
    Script& WaitFor(const char* what, std::function<bool()> condition)
    {
        steps_.push_back([this, what, condition] {
            if (condition())
                return true;
            if (GetTickCount() - waitStart_ > kWaitDeadlineMs) {
                failures_.push_back(std::string("timed out waiting for ") + what);
                aborted_ = true;
            }
            return false;
        });
        return *this;
    }
    // Waits for the selector's window, shown and painted, and gives it the keyboard.
    Script& WaitForSelector()
    {
        WaitFor("the selector's window", [this] {
            window_ = FindWindowW(L"TRegion", L"TRegion");
            return window_ && IsWindowVisible(window_) && PanelShown();
        });
        return Do([this] { SetForegroundWindow(window_); });
    }
    Script& Mouse(int x, int y)
    {
        Do([x, y] { SendMouseMove(x, y); });
        return WaitFor("the pointer", [x, y] {
            POINT p = CursorPos();
            return p.x == x && p.y == y;
        });
    }
    Script& Button(DWORD flags) { return Do([flags] { SendMouseButton(flags); }); }
    Script& Key(WORD vk) { return Do([vk] { PressKey(vk); }); }
    // A check made between two steps, while the selector runs.
    Script& Check(std::function<void()> check) { return Do(check); }

    // Runs the selection with the given texts; the result of DoModal.
    int Run(const wchar_t* title = L"Record Area", const wchar_t* hint = L"Double-click or press Enter",
            const wchar_t* face = L"MS Shell Dlg")
    {
        s_current = this;
        UINT_PTR timer = SetTimer(nullptr, 0, kStepMs, Tick);
        start_ = waitStart_ = GetTickCount();
        int result = selector_.DoModal(nullptr, title, hint, face);
        KillTimer(nullptr, timer);
        s_current = nullptr;
        EXPECT_EQ(next_, steps_.size()) << "the selection ended before its script";
        for (const std::string& f : failures_)
            ADD_FAILURE() << f;
        return result;
    }

    HWND Window() const { return window_; }

    // The panel's colour at a spot clear of the texts (the selector paints once it shows).
    bool PanelShown() const
    {
        const RECT& r = *selector_.region;
        return Shows(ScreenPixel(r.left + 6, (r.top * 3 + r.bottom) / 4), kPanel);
    }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        Script* s = s_current;
        if (!s || s->running_)
            return;
        s->running_ = true;
        s->Advance();
        s->running_ = false;
    }
    void Advance()
    {
        if (aborted_ || GetTickCount() - start_ > kSelectionDeadlineMs) {
            // Nothing more will come: end the selection so the test reports instead of hanging.
            if (!aborted_)
                failures_.push_back("the selection outlived its deadline");
            aborted_ = true;
            if (window_)
                PostMessageW(window_, WM_COMMAND, 2, 0);
            else
                PostQuitMessage(0);
            return;
        }
        if (next_ < steps_.size() && steps_[next_]()) {
            ++next_;
            waitStart_ = GetTickCount();
        }
    }

    static Script* s_current;
    CWndRegion& selector_;
    std::vector<Step> steps_;
    std::vector<std::string> failures_;
    size_t next_ = 0;
    DWORD start_ = 0, waitStart_ = 0;
    HWND window_ = nullptr;
    bool running_ = false;
    bool aborted_ = false;
};
Script* Script::s_current = nullptr;

class RegionSelector : public ::testing::Test {
protected:
    // One backdrop for the whole suite: Wine takes a while to take down a shown window.
    static void SetUpTestSuite() { backdrop_ = new Backdrop; }
    static void TearDownTestSuite()
    {
        delete backdrop_;
        backdrop_ = nullptr;
    }
    void SetUp() override
    {
        backdrop_->rightClicks = backdrop_->commands = 0;
        SetForegroundWindow(backdrop_->Handle());
        // The pointer rests in a corner, away from every panel, until a script moves it.
        SetCursorPos(1270, 710);
        PumpFor(100);
    }
    void Place(const RECT& r) { *static_cast<RECT*>(selector_.region) = r; }
    RECT Now() const { return *selector_.region; }

    CWndRegion selector_;
    static Backdrop* backdrop_;
};
Backdrop* RegionSelector::backdrop_ = nullptr;

} // namespace

TEST_F(RegionSelector, WindowCoversThePrimaryScreenLayeredAndTopMost)
{
    Place(Rect(300, 150, 700, 450));
    Script s(selector_);
    s.WaitForSelector().Check([&] {
        HWND w = s.Window();
        wchar_t cls[32] = {}, text[32] = {};
        GetClassNameW(w, cls, 32);
        GetWindowTextW(w, text, 32);
        EXPECT_STREQ(cls, L"TRegion");
        EXPECT_STREQ(text, L"TRegion");
        EXPECT_EQ(w, selector_.Handle());
        EXPECT_EQ(GetParent(w), nullptr);
        EXPECT_EQ((DWORD)GetWindowLongPtrW(w, GWL_STYLE) & ~(DWORD)WS_CLIPSIBLINGS,
                  (DWORD)(WS_POPUP | WS_VISIBLE));
        DWORD ex = (DWORD)GetWindowLongPtrW(w, GWL_EXSTYLE);
        EXPECT_EQ(ex & (WS_EX_LAYERED | WS_EX_TOPMOST), (DWORD)(WS_EX_LAYERED | WS_EX_TOPMOST));
        RECT r;
        GetWindowRect(w, &r);
        EXPECT_EQ(Show(r), Show(Rect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN))));
        EXPECT_EQ(GetClassLongPtrW(w, GCL_STYLE), (ULONG_PTR)(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS));
        EXPECT_EQ(GetClassLongPtrW(w, GCLP_HCURSOR), 0u);
        EXPECT_EQ(GetClassLongPtrW(w, GCLP_HBRBACKGROUND), 0u);
        COLORREF key = 1;
        BYTE alpha = 0;
        DWORD flags = 0;
        ASSERT_TRUE(GetLayeredWindowAttributes(w, &key, &alpha, &flags));
        EXPECT_EQ(key, 0u);
        EXPECT_EQ(alpha, 200);
        EXPECT_EQ(flags, (DWORD)(LWA_COLORKEY | LWA_ALPHA));
        EXPECT_TRUE(selector_.region->IsSelected());
    });
    s.Key(VK_ESCAPE);
    EXPECT_EQ(s.Run(), 2);
    EXPECT_FALSE(IsWindow(s.Window()));
    EXPECT_EQ(selector_.Handle(), nullptr);
    // The element keeps its place and its selection for the next time.
    EXPECT_EQ(Show(Now()), Show(Rect(300, 150, 700, 450)));
    EXPECT_TRUE(selector_.region->IsSelected());
}

TEST_F(RegionSelector, ThePanelIsSeenWhereTheRectangleIsAndNothingElse)
{
    const RECT r = Rect(300, 150, 700, 450);
    Place(r);
    Script s(selector_);
    s.WaitForSelector().Check([&] {
        // The panel inside, the outline just outside its left edge, the eight handles.
        EXPECT_TRUE(ScreenShows({310, 200}, kPanel));
        EXPECT_TRUE(ScreenShows({690, 400}, kPanel));
        EXPECT_TRUE(ScreenShows({299, 250}, kRed));
        EXPECT_TRUE(ScreenShows({500, 149}, kRed));
        const POINT handles[] = {{296, 300}, {703, 300}, {500, 146}, {500, 453},
                                 {296, 146}, {703, 146}, {296, 453}, {703, 453}};
        for (POINT h : handles)
            EXPECT_TRUE(ScreenShows(h, kRed));
        // Everything else of the window is keyed out: the backdrop shows through.
        const POINT outside[] = {{5, 5}, {296, 250}, {710, 300}, {500, 140}, {500, 460},
                                 {1270, 700}, {100, 600}, {290, 140}, {710, 460}};
        for (POINT o : outside)
            EXPECT_TRUE(ScreenShows(o, kBackdrop));
    });
    s.Key(VK_ESCAPE);
    EXPECT_EQ(s.Run(), 2);
    // Once the selection ends, nothing of it stays on the screen.
    DWORD end = GetTickCount() + kWaitDeadlineMs;
    while (!Shows(ScreenPixel(310, 200), kBackdrop) && GetTickCount() < end)
        PumpFor(20);
    EXPECT_TRUE(ScreenShows({310, 200}, kBackdrop));
    EXPECT_TRUE(ScreenShows({703, 453}, kBackdrop));
}

// Where pixels of one colour lie within an area of the screen.
struct ColourSpread {
    int count = 0;
    RECT box = {INT_MAX, INT_MAX, INT_MIN, INT_MIN}; // their bounding box (right and bottom inside)
};

// Pixels close to pure red (or blue): the text's own, not the edges blended into the panel.
bool Reddish(COLORREF c) { return GetRValue(c) > 150 && GetGValue(c) < 100 && GetBValue(c) < 100; }
bool Bluish(COLORREF c) { return GetBValue(c) > 150 && GetRValue(c) < 100 && GetGValue(c) < 100; }

ColourSpread Spread(const RECT& area, bool (*match)(COLORREF))
{
    const int w = area.right - area.left;
    ColourSpread spread;
    const std::vector<COLORREF> pixels = ScreenArea(area);
    for (int i = 0; i < (int)pixels.size(); ++i) {
        if (!match(pixels[i]))
            continue;
        const int x = i % w, y = i / w;
        ++spread.count;
        spread.box.left = std::min<LONG>(spread.box.left, area.left + x);
        spread.box.top = std::min<LONG>(spread.box.top, area.top + y);
        spread.box.right = std::max<LONG>(spread.box.right, area.left + x);
        spread.box.bottom = std::max<LONG>(spread.box.bottom, area.top + y);
    }
    return spread;
}

TEST_F(RegionSelector, TitleHintAndCornersAreDrawnInTheirPlaces)
{
    // 400 x 300 at (300, 150): the upper half ends at y 300, the hint starts at 305.
    Place(Rect(300, 150, 700, 450));
    Script s(selector_);
    s.WaitForSelector().Check([&] {
        // Inside the outline only.
        ColourSpread title = Spread(Rect(302, 152, 698, 300), Reddish);
        EXPECT_GT(title.count, 30);
        EXPECT_GE(title.box.bottom, 288) << "the title sits on the upper half's bottom edge";
        EXPECT_LT(title.box.bottom, 300);
        EXPECT_NEAR((title.box.left + title.box.right) / 2, 500, 12) << "centred";
        EXPECT_EQ(Spread(Rect(302, 300, 698, 448), Reddish).count, 0) << "no red below the title";

        ColourSpread hint = Spread(Rect(302, 300, 698, 430), Bluish);
        EXPECT_GT(hint.count, 60);
        EXPECT_GE(hint.box.top, 305);
        EXPECT_LT(hint.box.top, 320) << "from the top of the lower part";
        EXPECT_GT(hint.box.bottom - hint.box.top, 24) << "broken into lines";
        EXPECT_NEAR((hint.box.left + hint.box.right) / 2, 500, 20) << "centred";

        ColourSpread topLeft = Spread(Rect(300, 150, 400, 170), Bluish);
        EXPECT_GT(topLeft.count, 10) << "\"300,150\" at the top-left corner";
        EXPECT_LT(topLeft.box.left, 306);
        ColourSpread bottomRight = Spread(Rect(600, 430, 700, 450), Bluish);
        EXPECT_GT(bottomRight.count, 10) << "\"700,450\" at the bottom-right corner";
        EXPECT_GT(bottomRight.box.right, 693);
        EXPECT_EQ(Spread(Rect(302, 172, 698, 300), Bluish).count, 0) << "no blue in the upper half";
    });
    s.Key(VK_ESCAPE);
    EXPECT_EQ(s.Run(L"Record Area",
                    L"Double-click or press Enter key to start record, Right-click or press 'Esc' "
                    L"key to cancel.",
                    L"MS Shell Dlg"),
              2);
}

TEST_F(RegionSelector, EmptyTextsAreDrawnAsNothing)
{
    Place(Rect(300, 150, 700, 450));
    Script s(selector_);
    s.WaitForSelector().Check([&] {
        EXPECT_EQ(Spread(Rect(302, 152, 698, 448), Reddish).count, 0);
        EXPECT_EQ(Spread(Rect(302, 172, 698, 430), Bluish).count, 0);
        EXPECT_GT(Spread(Rect(300, 150, 400, 170), Bluish).count, 10); // the corners all the same
    });
    s.Key(VK_ESCAPE);
    EXPECT_EQ(s.Run(L"", L"", L""), 2);
}

TEST_F(RegionSelector, DraggingThePanelMovesTheRectangleByTheDrag)
{
    Place(Rect(300, 150, 700, 450));
    const RECT moved = Rect(360, 180, 760, 480);
    Script s(selector_);
    s.WaitForSelector()
        .Mouse(500, 300)
        .Button(MOUSEEVENTF_LEFTDOWN)
        .Mouse(520, 310)
        .Mouse(560, 330)
        .Check([&] { EXPECT_EQ(Show(Now()), Show(Rect(300, 150, 700, 450))) << "changed before the release"; })
        .Button(MOUSEEVENTF_LEFTUP)
        .WaitFor("the moved panel", [&] { return Show(Now()) == Show(moved) && s.PanelShown(); })
        .Check([&] {
            EXPECT_TRUE(ScreenShows({750, 300}, kPanel));
            EXPECT_TRUE(ScreenShows({310, 160}, kBackdrop)); // inside the old place only
        })
        .Key(VK_ESCAPE);
    EXPECT_EQ(s.Run(), 2);
    // A cancel keeps the edits.
    EXPECT_EQ(Show(Now()), Show(moved));
}

bool NotBackdrop(COLORREF c) { return !Shows(c, kBackdrop); }

TEST_F(RegionSelector, DragShowsAnInvertedTrackerUntilTheRelease)
{
    Place(Rect(300, 150, 700, 450));
    // The tracker's right side, moved 60 to the right, crosses only the keyed-out part.
    const RECT column = Rect(760, 200, 761, 440);
    Script s(selector_);
    s.WaitForSelector()
        .Check([&] { EXPECT_EQ(Spread(column, NotBackdrop).count, 0); })
        .Mouse(500, 300)
        .Button(MOUSEEVENTF_LEFTDOWN)
        .Mouse(560, 330)
        .Check([&] {
            // A dotted line: every other pixel or so inverted.
            EXPECT_GT(Spread(column, NotBackdrop).count, 60);
        })
        .Mouse(500, 300) // back where it started: the release changes nothing
        .Button(MOUSEEVENTF_LEFTUP)
        .Check([&] {
            EXPECT_EQ(Spread(column, NotBackdrop).count, 0);
            EXPECT_EQ(Show(Now()), Show(Rect(300, 150, 700, 450)));
        })
        .Key(VK_ESCAPE);
    EXPECT_EQ(s.Run(), 2);
}

TEST_F(RegionSelector, DraggingHandlesResizes)
{
    Place(Rect(300, 150, 700, 450));
    Script s(selector_);
    s.WaitForSelector()
        .Mouse(703, 300) // the right handle
        .Button(MOUSEEVENTF_LEFTDOWN)
        .Mouse(730, 320)
        .Mouse(753, 340)
        .Button(MOUSEEVENTF_LEFTUP)
        .WaitFor("the wider panel", [&] { return Now().right == 750; })
        .Mouse(752, 453) // the bottom-right handle now
        .Button(MOUSEEVENTF_LEFTDOWN)
        .Mouse(772, 463)
        .Button(MOUSEEVENTF_LEFTUP)
        .WaitFor("the larger panel", [&] { return Now().bottom == 460; })
        .Mouse(296, 146) // the top-left handle
        .Button(MOUSEEVENTF_LEFTDOWN)
        .Mouse(286, 156)
        .Button(MOUSEEVENTF_LEFTUP)
        .WaitFor("the top-left corner", [&] { return Now().left == 290; })
        .Check([&] { EXPECT_TRUE(ScreenShows({765, 455}, kPanel)); })
        .Key(VK_ESCAPE);
    EXPECT_EQ(s.Run(), 2);
    EXPECT_EQ(Show(Now()), Show(Rect(290, 160, 770, 460)));
}

TEST_F(RegionSelector, DragsKeepTheLimits)
{
    struct Case {
        const char* what;
        RECT start;
        POINT press;
        std::vector<POINT> moves;
        RECT end;
    } cases[] = {
        // The step to left 1 is refused and lost; the edge then follows the pointer at an offset.
        {"left edge below 3", Rect(10, 150, 410, 450), {9, 300}, {{0, 300}, {5, 300}},
         Rect(15, 150, 410, 450)},
        {"width below 176", Rect(300, 150, 700, 450), {297, 300}, {{521, 300}, {522, 300}},
         Rect(524, 150, 700, 450)},
        {"move to left -1, refused whole", Rect(5, 150, 405, 450), {100, 300}, {{94, 310}},
         Rect(5, 150, 405, 450)},
        {"top edge below 3", Rect(300, 10, 700, 450), {500, 9}, {{500, 0}, {500, 4}},
         Rect(300, 14, 700, 450)},
        {"past the right edge of the screen", Rect(1000, 150, 1270, 450), {1100, 300},
         {{1279, 300}}, Rect(1179, 150, 1449, 450)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Place(c.start);
        Script s(selector_);
        s.WaitForSelector().Mouse(c.press.x, c.press.y).Button(MOUSEEVENTF_LEFTDOWN);
        for (POINT m : c.moves)
            s.Mouse(m.x, m.y);
        s.Button(MOUSEEVENTF_LEFTUP).Key(VK_ESCAPE);
        EXPECT_EQ(s.Run(), 2);
        EXPECT_EQ(Show(Now()), Show(c.end));
    }
}

TEST_F(RegionSelector, ArrowKeysFollowTheHandleUnderThePointer)
{
    Place(Rect(100, 150, 400, 450));
    const HCURSOR we = selector_.Cursor(CSkinElementContainer::kCursorWE);
    Script s(selector_);
    s.WaitForSelector()
        .Mouse(97, 300) // the left handle
        .WaitFor("the west-east cursor", [&] { return GetCursor() == we; })
        .Key(VK_LEFT)
        .WaitFor("the left edge at 99", [&] { return Now().left == 99; })
        .Check([&] {
            EXPECT_EQ(CursorPos().x, 96);
            EXPECT_EQ(CursorPos().y, 300);
            EXPECT_EQ(GetCursor(), we);
        })
        .Key(VK_UP) // the left handle does not move up
        .Key(VK_LEFT)
        .WaitFor("the left edge at 98", [&] { return Now().left == 98; })
        .Check([&] { EXPECT_EQ(Show(Now()), Show(Rect(98, 150, 400, 450))); })
        .Mouse(402, 452) // the bottom-right corner
        .Key(VK_DOWN)
        .WaitFor("the bottom edge at 451", [&] { return Now().bottom == 451; })
        .Check([&] { EXPECT_EQ(CursorPos().y, 453); })
        .Key(VK_RIGHT)
        .WaitFor("the right edge at 401", [&] { return Now().right == 401; })
        .Check([&] { EXPECT_EQ(CursorPos().x, 403); })
        .Mouse(250, 300) // inside: a key moves the whole panel
        .Key(VK_DOWN)
        .WaitFor("the panel one lower", [&] { return Now().top == 151; })
        .Check([&] {
            EXPECT_EQ(Show(Now()), Show(Rect(98, 151, 401, 452)));
            EXPECT_EQ(CursorPos().y, 301);
        })
        .Key('A') // any other key: a step of nothing
        .Check([&] {
            EXPECT_EQ(Show(Now()), Show(Rect(98, 151, 401, 452)));
            EXPECT_EQ(CursorPos().x, 250);
            EXPECT_EQ(CursorPos().y, 301);
        })
        .Check([&] { EXPECT_TRUE(ScreenShows({99, 170}, kPanel)); })
        .Key(VK_ESCAPE);
    EXPECT_EQ(s.Run(), 2);
    EXPECT_EQ(Show(Now()), Show(Rect(98, 151, 401, 452)));
}

TEST_F(RegionSelector, ArrowKeyCannotMakeThePanelNarrowerThan176)
{
    Place(Rect(100, 150, 276, 450));
    Script s(selector_);
    s.WaitForSelector()
        .Mouse(97, 300)
        .Key(VK_RIGHT)
        .Check([&] {
            EXPECT_EQ(Show(Now()), Show(Rect(100, 150, 276, 450)));
            EXPECT_EQ(CursorPos().x, 97);
        })
        .Key(VK_LEFT) // the keys do arrive: the other way works
        .WaitFor("the left edge at 99", [&] { return Now().left == 99; })
        .Key(VK_ESCAPE);
    EXPECT_EQ(s.Run(), 2);
    EXPECT_EQ(Show(Now()), Show(Rect(99, 150, 276, 450)));
}

TEST_F(RegionSelector, ArrowKeysDoNothingWhileThePointerIsOutsideThePanel)
{
    Place(Rect(300, 150, 700, 450));
    Script s(selector_);
    s.WaitForSelector()
        .Mouse(100, 100)
        .Key(VK_LEFT)
        .Key(VK_DOWN)
        .Check([&] { EXPECT_EQ(Show(Now()), Show(Rect(300, 150, 700, 450))); })
        .Key(VK_ESCAPE);
    EXPECT_EQ(s.Run(), 2);
}

TEST_F(RegionSelector, DoubleClickAndEnterAccept)
{
    {
        Place(Rect(300, 150, 700, 450));
        Script s(selector_);
        s.WaitForSelector()
            .Mouse(500, 300)
            .Button(MOUSEEVENTF_LEFTDOWN)
            .Button(MOUSEEVENTF_LEFTUP)
            .Button(MOUSEEVENTF_LEFTDOWN); // the second press is the double-click: it accepts
        EXPECT_EQ(s.Run(), 1);
        SendMouseButton(MOUSEEVENTF_LEFTUP);
        PumpFor(50);
        EXPECT_FALSE(IsWindow(s.Window()));
        EXPECT_EQ(Show(Now()), Show(Rect(300, 150, 700, 450)));
    }
    {
        Script s(selector_);
        s.WaitForSelector().Mouse(400, 250).Key(VK_RETURN);
        EXPECT_EQ(s.Run(), 1);
        EXPECT_FALSE(IsWindow(s.Window()));
        EXPECT_EQ(Show(Now()), Show(Rect(300, 150, 700, 450)));
    }
}

TEST_F(RegionSelector, RightClickOnThePanelItsOutlineOrAHandleCancels)
{
    const POINT places[] = {{500, 300}, {299, 250}, {703, 453}, {296, 300}};
    for (POINT p : places) {
        SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
        Place(Rect(300, 150, 700, 450));
        Script s(selector_);
        s.WaitForSelector().Mouse(p.x, p.y).Button(MOUSEEVENTF_RIGHTDOWN).Button(MOUSEEVENTF_RIGHTUP);
        EXPECT_EQ(s.Run(), 2);
        EXPECT_EQ(backdrop_->rightClicks, 0);
    }
}

// The platform passes a click on a keyed-out pixel to the window below. Which window is under
// the pointer is the display's to say, so the click comes from the X server (XTEST).
TEST_F(RegionSelector, RightClickOnTheTransparentPartReachesTheWindowBelow)
{
    Place(Rect(300, 150, 700, 450));
    Script s(selector_);
    // The click runs on a thread of its own: this thread must keep reading the display's events.
    HostResult clicked = {};
    std::atomic<bool> done(false);
    std::thread clicker;
    s.WaitForSelector()
        .Do([&] {
            clicker = std::thread([&] {
                clicked = RunHost("python3 " + ShellQuote(SourceDir() + "/tests/overlay/x_click.py") +
                                  " 100 600 3", 20000);
                done = true;
            });
        })
        .WaitFor("the click below", [&] { return backdrop_->rightClicks == 1; })
        .WaitFor("the click's end", [&] { return done.load(); })
        .Check([&] {
            EXPECT_EQ(clicked.exitCode, 0) << clicked.output;
            EXPECT_TRUE(IsWindow(s.Window()));
        })
        // The click activated the window below; the keys go to the selector once it is in front.
        .Do([&] { SetForegroundWindow(s.Window()); })
        .Key(VK_ESCAPE);
    EXPECT_EQ(s.Run(), 2);
    if (clicker.joinable())
        clicker.join();
    EXPECT_EQ(clicked.exitCode, 0) << clicked.output;
    EXPECT_EQ(backdrop_->rightClicks, 1);
}

TEST_F(RegionSelector, QuitEndsTheSelectionAsACancelAndIsConsumed)
{
    Script s(selector_);
    s.WaitForSelector().Do([] { PostQuitMessage(7); });
    EXPECT_EQ(s.Run(), 2);
    EXPECT_FALSE(IsWindow(s.Window()));
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(RegionSelector, CommandsForOtherWindowsDoNotEndTheSelection)
{
    Script s(selector_);
    s.WaitForSelector()
        .Do([&] {
            PostMessageW(backdrop_->Handle(), WM_COMMAND, 1, 0);
            PostMessageW(backdrop_->Handle(), WM_COMMAND, 2, 0);
            // A notification code makes it another command for the selector too.
            PostMessageW(s.Window(), WM_COMMAND, MAKEWPARAM(1, 1), 0);
            PostMessageW(s.Window(), WM_COMMAND, 3, 0);
        })
        .WaitFor("the commands below", [&] { return backdrop_->commands == 2; })
        .Check([&] { EXPECT_TRUE(IsWindow(s.Window())); })
        .Do([&] { PostMessageW(s.Window(), WM_COMMAND, 1, 0); });
    EXPECT_EQ(s.Run(), 1);
}

TEST_F(RegionSelector, EveryMessageRetrievedGivesOneDebugLine)
{
    LogCapture log;
    std::string moveLine;
    Script s(selector_);
    s.WaitForSelector()
        .Check([&] {
            char text[96];
            snprintf(text, sizeof text, "%p-%p,512-273", (void*)s.Window(), (void*)s.Window());
            moveLine = text;
        })
        .Mouse(450, 300)
        .Mouse(460, 310)
        .Key(VK_ESCAPE);
    EXPECT_EQ(s.Run(), 2);
    std::vector<std::string> lines = log.Lines();
    ASSERT_FALSE(lines.empty());
    for (const std::string& line : lines) {
        EXPECT_EQ(line.substr(14, 3), "I--") << line;
        EXPECT_GE(line.size(), 5u);
        EXPECT_EQ(line.substr(line.size() - 5), "-273\n") << line;
    }
    EXPECT_GE(log.Count(moveLine), 1) << moveLine;
}

// Makes the thread's next window of class "TRegion" fail to be created.
class RefuseRegionWindow {
public:
    RefuseRegionWindow() { hook_ = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId()); }
    ~RefuseRegionWindow() { UnhookWindowsHookEx(hook_); }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HCBT_CREATEWND) {
            wchar_t cls[32] = {};
            GetClassNameW((HWND)wParam, cls, 32);
            if (lstrcmpW(cls, L"TRegion") == 0)
                return 1;
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    HHOOK hook_;
};

TEST_F(RegionSelector, AWindowThatCannotBeMadeCancelsWithoutALoop)
{
    selector_.region->hint = L"old hint";
    LogCapture log;
    int result;
    {
        RefuseRegionWindow refuse;
        result = selector_.DoModal(nullptr, L"A title", nullptr, L"Arial");
    }
    EXPECT_EQ(result, 2);
    EXPECT_EQ(selector_.Handle(), nullptr);
    EXPECT_EQ(FindWindowW(L"TRegion", nullptr), nullptr);
    EXPECT_TRUE(log.Lines().empty());
    // The texts given replace the element's; NULL keeps the one it has.
    EXPECT_STREQ(selector_.region->title, L"A title");
    EXPECT_STREQ(selector_.region->hint, L"old hint");
    EXPECT_STREQ(selector_.region->fontFace, L"Arial");
}

TEST(Region, StartsCentredOnThePrimaryScreen480By640)
{
    Region r;
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(Show(r), Show(Rect((w - 480) / 2, (h - 640) / 2, (w - 480) / 2 + 480, (h - 640) / 2 + 640)));
    EXPECT_EQ(r.kind, 1);
    EXPECT_EQ(r.flags, 0u);
    EXPECT_EQ(r.owner, nullptr);
}

TEST(Region, SelectorOwnsItsOneElement)
{
    CWndRegion selector;
    ASSERT_EQ(selector.elements.count, 1u);
    EXPECT_EQ(selector.elements.data[0], selector.region);
    EXPECT_EQ(selector.region->owner, static_cast<CSkinElementContainer*>(&selector));
    EXPECT_EQ(selector.owner, nullptr);
}
