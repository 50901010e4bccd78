#include "overlay/skin_element.h"
#include <utility>
#include "framework/gdi.h"

namespace {

const COLORREF kOutlineRed = 0x0000FF;
const int kHandleSize = 6;
const int kMinWidth = 176;
const int kMinHeight = 144;
const int kMinResizeEdge = 3;  // left and top of a resize
const long long kMaxEdge = 0xFFFF;
const long long kMaxMoveEdge = 0xFFFD; // left and top of a move
const long long kMinMoveFar = 2;       // right and bottom of a move

// One edge of a resize. Values are widened so that rectangles read unchecked from the settings
// cannot overflow the comparisons.
bool ResizeLeft(RECT* r, int dx)
{
    long long left = (long long)r->left + dx;
    if (left < kMinResizeEdge || left + kMinWidth > r->right)
        return false;
    r->left = (LONG)left;
    return true;
}

bool ResizeRight(RECT* r, int dx)
{
    long long right = (long long)r->right + dx;
    if (right < (long long)r->left + kMinWidth || right > kMaxEdge)
        return false;
    r->right = (LONG)right;
    return true;
}

bool ResizeTop(RECT* r, int dy)
{
    long long top = (long long)r->top + dy;
    if (top < kMinResizeEdge || top + kMinHeight > r->bottom)
        return false;
    r->top = (LONG)top;
    return true;
}

bool ResizeBottom(RECT* r, int dy)
{
    long long bottom = (long long)r->bottom + dy;
    if (bottom < (long long)r->top + kMinHeight || bottom > kMaxEdge)
        return false;
    r->bottom = (LONG)bottom;
    return true;
}

bool Move(RECT* r, int dx, int dy)
{
    long long left = (long long)r->left + dx, top = (long long)r->top + dy;
    long long right = (long long)r->right + dx, bottom = (long long)r->bottom + dy;
    if (left < 0 || top < 0 || left > kMaxMoveEdge || top > kMaxMoveEdge || right < kMinMoveFar ||
        bottom < kMinMoveFar || right > kMaxEdge || bottom > kMaxEdge)
        return false;
    OffsetRect(r, dx, dy);
    return true;
}

// A corner applies its horizontal and vertical parts each on its own. The result is TRUE when
// no part that has a step was refused (a step of (0, 0) needs both positions to pass, as on a
// side): a key step moves along one axis only, so TRUE means exactly that the dragged edge moved,
// and the key handler then keeps the pointer on the handle; a part without a step does not veto
// the other, so a rectangle whose top lies below 3 still lets its left edge follow the keys.
BOOL Corner(bool horizontal, bool vertical, int dx, int dy)
{
    if (dx == 0 && dy == 0)
        return horizontal && vertical;
    return (dx == 0 || horizontal) && (dy == 0 || vertical);
}

} // namespace

// ---- CSkinElement ----

CSkinElement::CSkinElement()
{
    left = top = right = bottom = 0;
}

CSkinElement::~CSkinElement() = default;

RECT CSkinElement::HandleRect(int code) const
{
    const int mx = (left + right) / 2, my = (top + bottom) / 2;
    const int h = kHandleSize, half = kHandleSize / 2;
    switch (code) {
    case kHitLeft: return {left - h, my - half, left, my + half};
    case kHitRight: return {right, my - half, right + h, my + half};
    case kHitTop: return {mx - half, top - h, mx + half, top};
    case kHitBottom: return {mx - half, bottom, mx + half, bottom + h};
    case kHitTopLeft: return {left - h, top - h, left, top};
    case kHitTopRight: return {right, top - h, right + h, top};
    case kHitBottomLeft: return {left - h, bottom, left, bottom + h};
    case kHitBottomRight: return {right, bottom, right + h, bottom + h};
    }
    return {0, 0, 0, 0};
}

int CSkinElement::HitTest(POINT point)
{
    int code = kHitNone;
    if (PtInRect(this, point)) {
        code = kHitInside;
    } else {
        for (int c = kHitLeft; c <= kHitBottomRight; ++c) {
            RECT handle = HandleRect(c);
            if (PtInRect(&handle, point)) {
                code = c;
                break;
            }
        }
    }
    if (code != kHitNone && IsSelected() && owner)
        SetCursor(owner->CursorForCode(code));
    return code;
}

void CSkinElement::Draw(HDC dc)
{
    int oldMode = SetBkMode(dc, TRANSPARENT);
    {
        FwPen pen(PS_SOLID, 2, kOutlineRed);
        FwSelect use(dc, pen);
        MoveToEx(dc, left, top, nullptr);
        LineTo(dc, right, top);
        LineTo(dc, right, bottom);
        LineTo(dc, left, bottom);
        LineTo(dc, left, top);
    }
    if (IsSelected()) {
        FwBrush red(kOutlineRed);
        for (int c = kHitLeft; c <= kHitBottomRight; ++c) {
            RECT handle = HandleRect(c);
            FillRect(dc, &handle, red);
        }
    }
    SetBkMode(dc, oldMode);
}

// ---- CSkinElementContainer ----

CSkinElementContainer::CSkinElementContainer()
{
    static const LPCWSTR ids[kCursorCount] = {IDC_ARROW, IDC_SIZEALL, IDC_SIZEWE,
                                              IDC_SIZENWSE, IDC_SIZENS, IDC_SIZENESW};
    for (int i = 0; i < kCursorCount; ++i)
        cursors[i] = LoadCursorW(nullptr, ids[i]);
}

CSkinElementContainer::~CSkinElementContainer()
{
    dragMode = kDragIdle;
    for (size_t i = 0; i < elements.count; ++i)
        delete elements.data[i];
    elements.Clear();
}

void CSkinElementContainer::Notify(int, CSkinElement*) {}

HCURSOR CSkinElementContainer::CursorForCode(int code) const
{
    switch (code) {
    case kHitInside: return cursors[kCursorSizeAll];
    case kHitLeft:
    case kHitRight: return cursors[kCursorWE];
    case kHitTop:
    case kHitBottom: return cursors[kCursorNS];
    case kHitTopLeft:
    case kHitBottomRight: return cursors[kCursorNWSE];
    case kHitTopRight:
    case kHitBottomLeft: return cursors[kCursorNESW];
    }
    return cursors[kCursorArrow];
}

CSkinElement* CSkinElementContainer::Select(CSkinElement* element)
{
    CSkinElement* old = selected;
    if (element == old)
        return old;
    if (old) {
        old->flags &= ~CSkinElement::kSelected;
        Notify(kNotifyRepaint, old);
    }
    if (element) {
        element->flags |= CSkinElement::kSelected;
        Notify(kNotifyRepaint, element);
    }
    selected = element;
    Notify(kNotifySelection, element);
    return old;
}

void CSkinElementContainer::DrawTracker(HWND)
{
    if (dragMode == kDragIdle || (dragMode != kDragRubberBand && !selected))
        return;
    RECT r = dragRect;
    InflateRect(&r, 1, 1);
    if (r.left > r.right)
        std::swap(r.left, r.right);
    if (r.top > r.bottom)
        std::swap(r.top, r.bottom);
    // The host covers the primary screen from (0, 0), so its client coordinates are the screen's.
    FwWindowDC screen(nullptr);
    DrawFocusRect(screen, &r);
}

int CSkinElementContainer::OnLButtonDown(HWND host, UINT, POINT point)
{
    lastPoint = point;
    int code = selected ? selected->HitTest(point) : kHitNone;
    if (code == kHitNone) {
        for (size_t i = 0; i < elements.count; ++i) {
            CSkinElement* e = elements.data[i];
            if (e && PtInRect(e, point)) {
                Select(e);
                code = kHitInside;
                break;
            }
        }
    }
    if (code == kHitNone) {
        Select(nullptr);
        dragMode = kDragRubberBand;
        dragRect = {point.x, point.y, point.x, point.y};
        DrawTracker(host);
        return 0;
    }
    dragRect = *selected;
    dragMode = code;
    DrawTracker(host);
    return code;
}

int CSkinElementContainer::OnMouseMove(HWND host, UINT flags, POINT point)
{
    if (!(flags & MK_LBUTTON))
        return selected ? selected->HitTest(point) : kHitNone;
    DrawTracker(host);
    if (dragMode == kDragRubberBand) {
        dragRect.right = point.x;
        dragRect.bottom = point.y;
    } else if (dragMode != kDragIdle && selected) {
        // A refused step is lost: the last point moves on all the same.
        AdjustRect(&dragRect, dragMode, point.x - lastPoint.x, point.y - lastPoint.y);
    }
    lastPoint = point;
    DrawTracker(host);
    return dragMode == kDragRubberBand ? 0 : dragMode;
}

int CSkinElementContainer::OnLButtonUp(HWND host, UINT, POINT)
{
    int result = dragMode == kDragRubberBand ? 0 : dragMode;
    DrawTracker(host);
    if (dragMode >= kHitInside && dragMode <= kHitBottomRight && selected &&
        !EqualRect(&dragRect, selected)) {
        CSkinElement area;
        UnionRect(&area, &dragRect, selected);
        *static_cast<RECT*>(selected) = dragRect;
        Notify(kNotifyRepaint, &area);
        Notify(kNotifyChanged, selected);
    }
    dragMode = kDragIdle;
    return result;
}

int CSkinElementContainer::OnKeyDown(HWND host, UINT key)
{
    if (!selected)
        return 0;
    // The pointer must rest where the element set a cursor of its own (not the arrow).
    HCURSOR cursor = GetCursor();
    bool ours = false;
    for (int i = kCursorSizeAll; i < kCursorCount; ++i)
        ours = ours || cursor == cursors[i];
    POINT p;
    if (!ours || !GetCursorPos(&p))
        return 0;
    POINT client = p;
    ScreenToClient(host, &client);
    int code = selected->HitTest(client);

    int dx = 0, dy = 0;
    switch (key) {
    case VK_LEFT: dx = -1; break;
    case VK_UP: dy = -1; break;
    case VK_RIGHT: dx = 1; break;
    case VK_DOWN: dy = 1; break;
    }
    p.x += dx;
    p.y += dy;

    RECT old = *selected;
    if (AdjustRect(selected, code, dx, dy)) {
        CSkinElement area;
        UnionRect(&area, selected, &old);
        Notify(kNotifyRepaint, &area);
        Notify(kNotifyChanged, selected);
        SetCursorPos(p.x, p.y);
        SetCursor(cursor);
    }
    return code;
}

BOOL CSkinElementContainer::AdjustRect(RECT* rect, int code, int dx, int dy)
{
    switch (code) {
    case kHitInside: return Move(rect, dx, dy);
    case kHitLeft: return ResizeLeft(rect, dx);
    case kHitRight: return ResizeRight(rect, dx);
    case kHitTop: return ResizeTop(rect, dy);
    case kHitBottom: return ResizeBottom(rect, dy);
    case kHitTopLeft: {
        bool h = ResizeLeft(rect, dx);
        return Corner(h, ResizeTop(rect, dy), dx, dy);
    }
    case kHitTopRight: {
        bool h = ResizeRight(rect, dx);
        return Corner(h, ResizeTop(rect, dy), dx, dy);
    }
    case kHitBottomLeft: {
        bool v = ResizeBottom(rect, dy);
        return Corner(ResizeLeft(rect, dx), v, dx, dy);
    }
    case kHitBottomRight: {
        bool v = ResizeBottom(rect, dy);
        return Corner(ResizeRight(rect, dx), v, dx, dy);
    }
    }
    return FALSE;
}
