// Rectangles edited on a window with the mouse and the keyboard: an element draws itself with an
// outline and, while selected, eight handles; a container owns the elements, keeps one selected
// and turns its host window's button, mouse and key messages into moving, resizing (within fixed
// limits) or a rubber band. The container owns no window: the host derives from it, forwards its
// messages, holds the mouse capture and repaints what Notify asks for.
// Coordinates are the host's client coordinates. User-interface thread only.
#pragma once
#include <windows.h>
#include "foundation/array.h"

class CSkinElementContainer;

// Hit codes: where a point lies on an element.
enum {
    kHitNone = 0,
    kHitInside = 1, // the rectangle: a move
    kHitLeft = 2,   // the side handles
    kHitRight = 3,
    kHitTop = 4,
    kHitBottom = 5,
    kHitTopLeft = 6, // the corner handles
    kHitTopRight = 7,
    kHitBottomLeft = 8,
    kHitBottomRight = 9,
};

// The element's rectangle is its RECT base.
class CSkinElement : public RECT {
public:
    enum { kSelected = 1 };

    CSkinElement();
    virtual ~CSkinElement();

    // The red outline and, while selected, the red handles.
    virtual void Draw(HDC dc);
    // The hit code of point (0 to 9). A selected element with an owner also sets the owner's
    // cursor for the code.
    int HitTest(POINT point);
    // The handle square of a hit code 2 to 9 (6 x 6, just outside the rectangle).
    RECT HandleRect(int code) const;
    bool IsSelected() const { return (flags & kSelected) != 0; }

    int kind = 0;        // 1 a selectable area; 0 a temporary element carrying an area to Notify
    DWORD flags = 0;     // bit 0: selected
    CSkinElementContainer* owner = nullptr; // whose cursors the hit test sets; not owning
};

class CSkinElementContainer {
public:
    // Notification codes.
    enum {
        kNotifyRepaint = 1,  // repaint the element's area
        kNotifyChanged = 2,  // the element's rectangle has changed
        kNotifySelection = 3 // the selection changed to the element (or NULL)
    };
    // The cursors, in this order.
    enum { kCursorArrow, kCursorSizeAll, kCursorWE, kCursorNWSE, kCursorNS, kCursorNESW, kCursorCount };
    enum { kDragIdle = 0, kDragRubberBand = 10 };

    CSkinElementContainer();
    // Deletes every element.
    virtual ~CSkinElementContainer();

    // Asks the host to repaint or tells it of a change; the container's own does nothing.
    virtual void Notify(int code, CSkinElement* element);

    // Selects element (or nothing); returns the element selected before.
    CSkinElement* Select(CSkinElement* element);

    // The host's messages. host is the host window; flags and point come from the message.
    // Button down: the hit code taken up (0 for a rubber band).
    int OnLButtonDown(HWND host, UINT flags, POINT point);
    // The hit code under the point or being dragged; 0 for none or a rubber band (the host then
    // sets the arrow cursor).
    int OnMouseMove(HWND host, UINT flags, POINT point);
    // The hit code that was dragged; 0 for a rubber band or none.
    int OnLButtonUp(HWND host, UINT flags, POINT point);
    // Arrow keys move or resize the selected element by one pixel, following the handle under the
    // mouse pointer. The hit code under the pointer; 0 when the key was not taken.
    int OnKeyDown(HWND host, UINT key);

    // Changes rect in place by the step (dx, dy) as the hit code says, within the limits: a resize
    // keeps at least 176 x 144, left and top at 3 or more, right and bottom at 65535 or less; a
    // move keeps the size and left and top at 0 or more. TRUE when accepted.
    static BOOL AdjustRect(RECT* rect, int code, int dx, int dy);

    HCURSOR Cursor(int which) const { return cursors[which]; }
    CSkinElement* Selected() const { return selected; }
    int DragMode() const { return dragMode; }
    const RECT& DragRect() const { return dragRect; }

    // The elements, in the order they were added; the container owns them.
    TArray<CSkinElement*> elements;

protected:
    // The XOR tracking rectangle on the screen: once to show, once more to remove.
    void DrawTracker(HWND host);
    HCURSOR CursorForCode(int code) const;
    friend class CSkinElement;

    CSkinElement* selected = nullptr;
    POINT lastPoint = {0, 0};
    RECT dragRect = {0, 0, 0, 0};
    int dragMode = kDragIdle;
    HCURSOR cursors[kCursorCount];

private:
    CSkinElementContainer(const CSkinElementContainer&) = delete;
    CSkinElementContainer& operator=(const CSkinElementContainer&) = delete;
};
