// Skin elements without a window: hit codes and handles, the resize and move limits, selection
// and its notifications, and mouse drags fed straight into the container.
#include <gtest/gtest.h>
#include <climits>
#include <vector>
#include "overlay/skin_element.h"

namespace {

RECT Rect(int l, int t, int r, int b) { return {l, t, r, b}; }

std::string Show(const RECT& r)
{
    char s[96];
    snprintf(s, sizeof s, "(%ld,%ld,%ld,%ld)", (long)r.left, (long)r.top, (long)r.right,
             (long)r.bottom);
    return s;
}

// The element may be a temporary one, gone after the call: its kind and rectangle are kept.
struct Note {
    int code;
    CSkinElement* element;
    int kind;
    RECT rect;
};

// A container that keeps every notification, with the rectangle the element had then.
class RecordingContainer : public CSkinElementContainer {
public:
    std::vector<Note> notes;

    CSkinElement* Add(const RECT& r, int kind = 1)
    {
        CSkinElement* e = new CSkinElement;
        *static_cast<RECT*>(e) = r;
        e->kind = kind;
        e->owner = this;
        elements.Append(e);
        return e;
    }
    void Notify(int code, CSkinElement* element) override
    {
        notes.push_back({code, element, element ? element->kind : -1,
                         element ? *static_cast<RECT*>(element) : RECT{}});
    }
};

} // namespace

TEST(SkinElement, HitCodesFollowTheRectangleAndItsHandlesInOrder)
{
    // L, T, R, B = 100, 100, 400, 300: the middles are x 250 and y 200.
    CSkinElement e;
    *static_cast<RECT*>(&e) = Rect(100, 100, 400, 300);
    struct Case {
        POINT p;
        int code;
    } cases[] = {
        {{100, 100}, 1}, {{399, 299}, 1}, {{250, 200}, 1},
        {{400, 299}, 0},                                   // right edge is outside the rectangle
        {{94, 197}, 2},  {{99, 202}, 2},  {{93, 200}, 0}, {{99, 203}, 0}, {{99, 196}, 0},
        {{400, 200}, 3}, {{405, 197}, 3}, {{406, 200}, 0},
        {{247, 94}, 4},  {{252, 99}, 4},  {{253, 99}, 0}, {{246, 99}, 0},
        {{250, 300}, 5}, {{247, 305}, 5}, {{250, 306}, 0},
        {{94, 94}, 6},   {{99, 99}, 6},
        {{400, 94}, 7},  {{405, 99}, 7},
        {{94, 300}, 8},  {{99, 305}, 8},
        {{400, 300}, 9}, {{405, 305}, 9}, {{406, 305}, 0}, {{405, 306}, 0},
        {{150, 99}, 0},  {{99, 150}, 0},  {{150, 300}, 0}, {{400, 150}, 0}, // sides between handles
    };
    for (const Case& c : cases)
        EXPECT_EQ(e.HitTest(c.p), c.code) << c.p.x << "," << c.p.y;
}

TEST(SkinElement, HandlesOfATinyElementOverlapAndTheEarlierCodeWins)
{
    // 4 x 4: the left handle (codes 2) spans y -1..5 and so covers part of the corners' rows.
    CSkinElement e;
    *static_cast<RECT*>(&e) = Rect(10, 10, 14, 14);
    EXPECT_EQ(e.HitTest({5, 9}), 2);   // left handle before the top-left corner
    EXPECT_EQ(e.HitTest({9, 5}), 4);   // top handle before the top-left corner
    EXPECT_EQ(e.HitTest({4, 4}), 6);
}

TEST(SkinElement, SelectedElementSetsItsOwnersCursorForTheCode)
{
    RecordingContainer c;
    CSkinElement* e = c.Add(Rect(100, 100, 400, 300));
    c.Select(e);
    struct Case {
        POINT p;
        int cursor;
    } cases[] = {
        {{200, 200}, CSkinElementContainer::kCursorSizeAll},
        {{96, 200}, CSkinElementContainer::kCursorWE},
        {{402, 200}, CSkinElementContainer::kCursorWE},
        {{250, 96}, CSkinElementContainer::kCursorNS},
        {{250, 302}, CSkinElementContainer::kCursorNS},
        {{96, 96}, CSkinElementContainer::kCursorNWSE},
        {{402, 302}, CSkinElementContainer::kCursorNWSE},
        {{402, 96}, CSkinElementContainer::kCursorNESW},
        {{96, 302}, CSkinElementContainer::kCursorNESW},
    };
    for (const Case& k : cases) {
        SetCursor(c.Cursor(CSkinElementContainer::kCursorArrow));
        e->HitTest(k.p);
        EXPECT_EQ(GetCursor(), c.Cursor(k.cursor)) << k.p.x << "," << k.p.y;
    }
    // Outside: no code, the cursor stays. Unselected: the code all the same, no cursor.
    SetCursor(c.Cursor(CSkinElementContainer::kCursorArrow));
    EXPECT_EQ(e->HitTest({50, 50}), 0);
    EXPECT_EQ(GetCursor(), c.Cursor(CSkinElementContainer::kCursorArrow));
    c.Select(nullptr);
    EXPECT_EQ(e->HitTest({96, 200}), 2);
    EXPECT_EQ(GetCursor(), c.Cursor(CSkinElementContainer::kCursorArrow));
}

TEST(SkinElementLimits, AdjustRectKeepsTheLimits)
{
    struct Case {
        const char* what;
        RECT before;
        int code, dx, dy;
        BOOL result;
        RECT after;
    } cases[] = {
        // Moves keep the size; left and top at 0 or more, right and bottom at 65535 or less.
        {"move", Rect(100, 100, 400, 300), 1, 5, -7, TRUE, Rect(105, 93, 405, 293)},
        {"move to left -1 refused whole", Rect(0, 5, 200, 200), 1, -1, 1, FALSE, Rect(0, 5, 200, 200)},
        {"move to top -1 refused whole", Rect(5, 0, 200, 200), 1, 1, -1, FALSE, Rect(5, 0, 200, 200)},
        {"move to the origin", Rect(1, 1, 101, 51), 1, -1, -1, TRUE, Rect(0, 0, 100, 50)},
        {"move keeps a small rectangle small", Rect(0, 0, 100, 50), 1, 5, 5, TRUE, Rect(5, 5, 105, 55)},
        {"move right edge to 65535", Rect(65000, 10, 65534, 200), 1, 1, 0, TRUE, Rect(65001, 10, 65535, 200)},
        {"move right edge past 65535", Rect(65000, 10, 65535, 200), 1, 1, 0, FALSE, Rect(65000, 10, 65535, 200)},
        {"move bottom edge past 65535", Rect(10, 65000, 200, 65535), 1, 0, 1, FALSE, Rect(10, 65000, 200, 65535)},
        {"move past the screen", Rect(1200, 600, 1500, 800), 1, 10, 10, TRUE, Rect(1210, 610, 1510, 810)},
        {"move of nothing that passes", Rect(0, 0, 100, 50), 1, 0, 0, TRUE, Rect(0, 0, 100, 50)},
        {"move of nothing that fails", Rect(-1, 0, 100, 50), 1, 0, 0, FALSE, Rect(-1, 0, 100, 50)},
        // Left edge: at 3 or more, width at least 176.
        {"left out", Rect(100, 100, 400, 300), 2, -1, 0, TRUE, Rect(99, 100, 400, 300)},
        {"left to 3", Rect(4, 100, 400, 300), 2, -1, 0, TRUE, Rect(3, 100, 400, 300)},
        {"left below 3", Rect(3, 100, 400, 300), 2, -1, 0, FALSE, Rect(3, 100, 400, 300)},
        {"left in at width 176", Rect(100, 100, 276, 300), 2, 1, 0, FALSE, Rect(100, 100, 276, 300)},
        {"left in to width 176", Rect(100, 100, 277, 300), 2, 1, 0, TRUE, Rect(101, 100, 277, 300)},
        {"left ignores dy", Rect(100, 100, 400, 300), 2, 0, 9, TRUE, Rect(100, 100, 400, 300)},
        // Right edge: width at least 176, at most 65535.
        {"right in at width 176", Rect(100, 100, 276, 300), 3, -1, 0, FALSE, Rect(100, 100, 276, 300)},
        {"right out", Rect(100, 100, 276, 300), 3, 1, 0, TRUE, Rect(100, 100, 277, 300)},
        {"right to 65535", Rect(100, 100, 65534, 300), 3, 1, 0, TRUE, Rect(100, 100, 65535, 300)},
        {"right past 65535", Rect(100, 100, 65535, 300), 3, 1, 0, FALSE, Rect(100, 100, 65535, 300)},
        // Top and bottom, the same with 144.
        {"top to 3", Rect(100, 4, 400, 300), 4, 0, -1, TRUE, Rect(100, 3, 400, 300)},
        {"top below 3", Rect(100, 3, 400, 300), 4, 0, -1, FALSE, Rect(100, 3, 400, 300)},
        {"top in at height 144", Rect(100, 100, 400, 244), 4, 0, 1, FALSE, Rect(100, 100, 400, 244)},
        {"bottom in at height 144", Rect(100, 100, 400, 244), 5, 0, -1, FALSE, Rect(100, 100, 400, 244)},
        {"bottom out", Rect(100, 100, 400, 244), 5, 0, 1, TRUE, Rect(100, 100, 400, 245)},
        {"bottom past 65535", Rect(100, 100, 400, 65535), 5, 0, 1, FALSE, Rect(100, 100, 400, 65535)},
        // A rectangle of 100 x 50 at the origin, as the settings may hold it.
        {"small: left", Rect(0, 0, 100, 50), 2, 1, 0, FALSE, Rect(0, 0, 100, 50)},
        {"small: top", Rect(0, 0, 100, 50), 4, 0, 1, FALSE, Rect(0, 0, 100, 50)},
        {"small: right by one", Rect(0, 0, 100, 50), 3, 1, 0, FALSE, Rect(0, 0, 100, 50)},
        {"small: right to 176 at once", Rect(0, 0, 100, 50), 3, 76, 0, TRUE, Rect(0, 0, 176, 50)},
        {"small: bottom by 93", Rect(0, 0, 100, 50), 5, 0, 93, FALSE, Rect(0, 0, 100, 50)},
        {"small: bottom to 144 at once", Rect(0, 0, 100, 50), 5, 0, 94, TRUE, Rect(0, 0, 100, 144)},
        // Corners: each part on its own; TRUE when no part with a step was refused.
        {"top-left out by a key", Rect(100, 100, 400, 300), 6, -1, 0, TRUE, Rect(99, 100, 400, 300)},
        {"top-left up by a key", Rect(100, 100, 400, 300), 6, 0, -1, TRUE, Rect(100, 99, 400, 300)},
        {"top-left: left refused", Rect(3, 100, 400, 300), 6, -1, 0, FALSE, Rect(3, 100, 400, 300)},
        {"top-left: a top below 3 does not stop the left edge", Rect(100, 0, 400, 300), 6, -1, 0,
         TRUE, Rect(99, 0, 400, 300)},
        {"top-right: right moves, top refused", Rect(100, 3, 400, 300), 7, 1, -1, FALSE,
         Rect(100, 3, 401, 300)},
        {"top-right both", Rect(100, 100, 400, 300), 7, 1, -1, TRUE, Rect(100, 99, 401, 300)},
        {"bottom-left both", Rect(100, 100, 400, 300), 8, -1, 1, TRUE, Rect(99, 100, 400, 301)},
        {"bottom-left: bottom refused, left moves", Rect(100, 100, 400, 65535), 8, -1, 1, FALSE,
         Rect(99, 100, 400, 65535)},
        {"bottom-right both", Rect(100, 100, 400, 300), 9, 2, 3, TRUE, Rect(100, 100, 402, 303)},
        {"bottom-right: nothing, passing", Rect(100, 100, 400, 300), 9, 0, 0, TRUE, Rect(100, 100, 400, 300)},
        {"bottom-right: nothing, too small", Rect(0, 0, 100, 50), 9, 0, 0, FALSE, Rect(0, 0, 100, 50)},
        {"top-left: nothing, top below 3", Rect(100, 0, 400, 300), 6, 0, 0, FALSE, Rect(100, 0, 400, 300)},
        // Other codes change nothing.
        {"code 0", Rect(100, 100, 400, 300), 0, 1, 1, FALSE, Rect(100, 100, 400, 300)},
        {"code 10", Rect(100, 100, 400, 300), 10, 1, 1, FALSE, Rect(100, 100, 400, 300)},
        {"code -1", Rect(100, 100, 400, 300), -1, 1, 1, FALSE, Rect(100, 100, 400, 300)},
        // Rectangles read unchecked from the settings do not overflow the tests.
        {"huge right", Rect(0, 0, INT_MAX, 300), 3, 1, 0, FALSE, Rect(0, 0, INT_MAX, 300)},
        {"huge left", Rect(INT_MAX - 5, 0, INT_MAX, 300), 2, -1, 0, FALSE, Rect(INT_MAX - 5, 0, INT_MAX, 300)},
        {"huge move", Rect(INT_MAX - 5, 0, INT_MAX, 300), 1, 10, 0, FALSE, Rect(INT_MAX - 5, 0, INT_MAX, 300)},
    };
    for (const Case& c : cases) {
        RECT r = c.before;
        EXPECT_EQ(CSkinElementContainer::AdjustRect(&r, c.code, c.dx, c.dy), c.result) << c.what;
        EXPECT_EQ(Show(r), Show(c.after)) << c.what;
    }
}

TEST(SkinElementContainer, SelectNotifiesTheOldAndTheNewElement)
{
    RecordingContainer c;
    CSkinElement* a = c.Add(Rect(10, 10, 200, 200));
    CSkinElement* b = c.Add(Rect(300, 10, 500, 200));

    EXPECT_EQ(c.Select(a), nullptr);
    ASSERT_EQ(c.notes.size(), 2u);
    EXPECT_EQ(c.notes[0].code, 1);
    EXPECT_EQ(c.notes[0].element, a);
    EXPECT_EQ(c.notes[1].code, 3);
    EXPECT_EQ(c.notes[1].element, a);
    EXPECT_TRUE(a->IsSelected());

    c.notes.clear();
    EXPECT_EQ(c.Select(a), a);
    EXPECT_TRUE(c.notes.empty());

    EXPECT_EQ(c.Select(b), a);
    ASSERT_EQ(c.notes.size(), 3u);
    EXPECT_EQ(c.notes[0].element, a);
    EXPECT_EQ(c.notes[1].element, b);
    EXPECT_EQ(c.notes[2].code, 3);
    EXPECT_EQ(c.notes[2].element, b);
    EXPECT_FALSE(a->IsSelected());
    EXPECT_EQ(b->flags, 1u);

    c.notes.clear();
    EXPECT_EQ(c.Select(nullptr), b);
    ASSERT_EQ(c.notes.size(), 2u);
    EXPECT_EQ(c.notes[0].code, 1);
    EXPECT_EQ(c.notes[1].code, 3);
    EXPECT_EQ(c.notes[1].element, nullptr);
    EXPECT_EQ(b->flags, 0u);
}

TEST(SkinElementContainer, ButtonDownOnAHandleResizesAndBetweenHandlesStartsARubberBand)
{
    RecordingContainer c;
    CSkinElement* e = c.Add(Rect(100, 100, 400, 300));
    c.Select(e);
    EXPECT_EQ(c.OnLButtonDown(nullptr, MK_LBUTTON, {97, 200}), 2);
    EXPECT_EQ(c.DragMode(), 2);
    EXPECT_EQ(c.OnLButtonUp(nullptr, 0, {97, 200}), 2);
    EXPECT_EQ(c.DragMode(), 0);
    EXPECT_TRUE(e->IsSelected());

    c.notes.clear();
    EXPECT_EQ(c.OnLButtonDown(nullptr, MK_LBUTTON, {97, 150}), 0);
    EXPECT_EQ(c.DragMode(), 10);
    EXPECT_EQ(c.Selected(), nullptr);
    ASSERT_EQ(c.notes.size(), 2u);
    EXPECT_EQ(c.notes[1].code, 3);
    EXPECT_EQ(c.notes[1].element, nullptr);
}

TEST(SkinElementContainer, ClickInsideAnUnselectedElementSelectsItAndChangesNothing)
{
    RecordingContainer c;
    CSkinElement* e = c.Add(Rect(100, 100, 400, 300));
    EXPECT_EQ(c.OnLButtonDown(nullptr, MK_LBUTTON, {200, 200}), 1);
    EXPECT_EQ(c.Selected(), e);
    EXPECT_EQ(c.OnLButtonUp(nullptr, 0, {200, 200}), 1);
    EXPECT_EQ(Show(*e), Show(Rect(100, 100, 400, 300)));
    ASSERT_EQ(c.notes.size(), 2u); // the selection's only
    EXPECT_EQ(c.notes[0].code, 1);
    EXPECT_EQ(c.notes[1].code, 3);
}

TEST(SkinElementContainer, DraggedEdgeStopsAtTheLimitAndThenFollowsAtAnOffset)
{
    RecordingContainer c;
    CSkinElement* e = c.Add(Rect(100, 100, 400, 300));
    c.Select(e);
    c.notes.clear();
    ASSERT_EQ(c.OnLButtonDown(nullptr, MK_LBUTTON, {97, 200}), 2);
    EXPECT_EQ(c.OnMouseMove(nullptr, MK_LBUTTON, {120, 200}), 2);
    EXPECT_EQ(c.DragRect().left, 123);
    c.OnMouseMove(nullptr, MK_LBUTTON, {250, 200}); // would leave 147 pixels: refused, step lost
    EXPECT_EQ(c.DragRect().left, 123);
    c.OnMouseMove(nullptr, MK_LBUTTON, {240, 200});
    EXPECT_EQ(c.DragRect().left, 113);
    // Nothing changes on the element until the release.
    EXPECT_EQ(e->left, 100);
    EXPECT_TRUE(c.notes.empty());
    EXPECT_EQ(c.OnLButtonUp(nullptr, 0, {240, 200}), 2);
    EXPECT_EQ(Show(*e), Show(Rect(113, 100, 400, 300)));
    ASSERT_EQ(c.notes.size(), 2u);
    EXPECT_EQ(c.notes[0].code, 1);
    EXPECT_EQ(c.notes[0].kind, 0);
    EXPECT_EQ(Show(c.notes[0].rect), Show(Rect(100, 100, 400, 300))); // the union of old and new
    EXPECT_EQ(c.notes[1].code, 2);
    EXPECT_EQ(c.notes[1].element, e);
}

TEST(SkinElementContainer, MoveWithTheButtonHeldRefusesAStepPastTheOriginWhole)
{
    RecordingContainer c;
    CSkinElement* e = c.Add(Rect(5, 5, 205, 205));
    c.Select(e);
    ASSERT_EQ(c.OnLButtonDown(nullptr, MK_LBUTTON, {100, 100}), 1);
    c.OnMouseMove(nullptr, MK_LBUTTON, {94, 110}); // left would be -1: neither axis moves
    EXPECT_EQ(Show(c.DragRect()), Show(Rect(5, 5, 205, 205)));
    c.OnMouseMove(nullptr, MK_LBUTTON, {90, 120}); // -4, +10 from there: both
    EXPECT_EQ(Show(c.DragRect()), Show(Rect(1, 15, 201, 215)));
    c.OnLButtonUp(nullptr, 0, {90, 120});
    EXPECT_EQ(Show(*e), Show(Rect(1, 15, 201, 215)));
}

TEST(SkinElementContainer, RubberBandChangesNothingWhenReleased)
{
    RecordingContainer c;
    CSkinElement* e = c.Add(Rect(100, 100, 400, 300));
    EXPECT_EQ(c.OnLButtonDown(nullptr, MK_LBUTTON, {700, 600}), 0);
    EXPECT_EQ(c.OnMouseMove(nullptr, MK_LBUTTON, {500, 400}), 0); // right to left, bottom to top
    EXPECT_EQ(Show(c.DragRect()), Show(Rect(700, 600, 500, 400)));
    c.notes.clear();
    EXPECT_EQ(c.OnLButtonUp(nullptr, 0, {500, 400}), 0);
    EXPECT_EQ(c.DragMode(), 0);
    EXPECT_TRUE(c.notes.empty());
    EXPECT_EQ(Show(*e), Show(Rect(100, 100, 400, 300)));
    EXPECT_EQ(c.Selected(), nullptr);
}

TEST(SkinElementContainer, MouseMoveWithoutTheButtonOnlyHitTests)
{
    RecordingContainer c;
    CSkinElement* e = c.Add(Rect(100, 100, 400, 300));
    EXPECT_EQ(c.OnMouseMove(nullptr, 0, {200, 200}), 0); // nothing selected
    c.Select(e);
    EXPECT_EQ(c.OnMouseMove(nullptr, 0, {402, 302}), 9);
    EXPECT_EQ(c.OnMouseMove(nullptr, 0, {50, 50}), 0);
    EXPECT_EQ(c.DragMode(), 0);
    EXPECT_EQ(Show(*e), Show(Rect(100, 100, 400, 300)));
}

TEST(SkinElementContainer, KeysAreNotTakenWithoutASelectionOrUnderTheArrow)
{
    RecordingContainer c;
    CSkinElement* e = c.Add(Rect(100, 100, 400, 300));
    EXPECT_EQ(c.OnKeyDown(nullptr, VK_LEFT), 0);
    c.Select(e);
    SetCursor(c.Cursor(CSkinElementContainer::kCursorArrow));
    c.notes.clear();
    EXPECT_EQ(c.OnKeyDown(nullptr, VK_LEFT), 0);
    EXPECT_TRUE(c.notes.empty());
    EXPECT_EQ(Show(*e), Show(Rect(100, 100, 400, 300)));
}

// The key handler reads the pointer and the cursor the element set. Without a host window the
// client coordinates are the screen's.
TEST(SkinElementContainer, KeysStepTheHandleUnderThePointer)
{
    struct Case {
        const char* what;
        RECT start;
        POINT pointer;
        UINT key;
        int code;
        RECT end;
        size_t notes; // 2 when the element was repainted and reported changed, else 0
        POINT pointerAfter;
    } cases[] = {
        {"left handle, left key", Rect(100, 100, 400, 400), {97, 250}, VK_LEFT, 2,
         Rect(99, 100, 400, 400), 2, {96, 250}},
        {"left handle, up key: no vertical part", Rect(100, 100, 400, 400), {97, 250}, VK_UP, 2,
         Rect(100, 100, 400, 400), 2, {97, 249}},
        {"left handle at width 176, right key", Rect(100, 100, 276, 400), {97, 250}, VK_RIGHT, 2,
         Rect(100, 100, 276, 400), 0, {97, 250}},
        {"inside, down key", Rect(100, 100, 400, 400), {200, 200}, VK_DOWN, 1,
         Rect(100, 101, 400, 401), 2, {200, 201}},
        {"inside, another key repaints in place", Rect(100, 100, 400, 400), {200, 200}, 'A', 1,
         Rect(100, 100, 400, 400), 2, {200, 200}},
        {"side handle of a too small element, another key", Rect(10, 10, 110, 60), {7, 35}, 'A', 2,
         Rect(10, 10, 110, 60), 0, {7, 35}},
        {"bottom-right corner, right key", Rect(100, 100, 400, 400), {402, 402}, VK_RIGHT, 9,
         Rect(100, 100, 401, 400), 2, {403, 402}},
        {"top-left corner above 3, up key refused", Rect(100, 3, 400, 400), {97, 1}, VK_UP, 6,
         Rect(100, 3, 400, 400), 0, {97, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingContainer k;
        CSkinElement* e = k.Add(c.start);
        k.Select(e);
        k.notes.clear();
        ASSERT_TRUE(SetCursorPos(c.pointer.x, c.pointer.y));
        e->HitTest(c.pointer); // the cursor the element shows there
        EXPECT_EQ(k.OnKeyDown(nullptr, c.key), c.code);
        EXPECT_EQ(Show(*e), Show(c.end));
        ASSERT_EQ(k.notes.size(), c.notes);
        if (c.notes) {
            EXPECT_EQ(k.notes[0].code, 1);
            EXPECT_EQ(k.notes[0].kind, 0);
            RECT both;
            UnionRect(&both, &c.start, &c.end);
            EXPECT_EQ(Show(k.notes[0].rect), Show(both));
            EXPECT_EQ(k.notes[1].code, 2);
            EXPECT_EQ(k.notes[1].element, e);
        }
        POINT p;
        GetCursorPos(&p);
        EXPECT_EQ(p.x, c.pointerAfter.x);
        EXPECT_EQ(p.y, c.pointerAfter.y);
    }
}
