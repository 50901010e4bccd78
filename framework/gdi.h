// Device contexts and GDI objects, each released by its holder on every path.
#pragma once
#include <windows.h>

// A device context the holder does not own; the owning kinds below derive from it.
class FwDC {
public:
    explicit FwDC(HDC dc = nullptr) : hdc(dc) {}
    operator HDC() const { return hdc; }
    HDC Handle() const { return hdc; }

protected:
    HDC hdc;

private:
    FwDC(const FwDC&) = delete;
    FwDC& operator=(const FwDC&) = delete;
};

// The paint context of a window, for WM_PAINT.
class FwPaintDC : public FwDC {
public:
    explicit FwPaintDC(HWND window);
    ~FwPaintDC();
    const PAINTSTRUCT& Paint() const { return ps; }

private:
    HWND hwnd;
    PAINTSTRUCT ps;
};

// The client-area context of a window (or of the screen for a null window).
class FwClientDC : public FwDC {
public:
    explicit FwClientDC(HWND window);
    ~FwClientDC();

private:
    HWND hwnd;
};

// The context of a whole window, frame included.
class FwWindowDC : public FwDC {
public:
    explicit FwWindowDC(HWND window);
    ~FwWindowDC();

private:
    HWND hwnd;
};

// Owner of one GDI object (pen, brush, font, bitmap, region); deleted with the holder.
template <class H>
class FwGdiObject {
public:
    FwGdiObject() = default;
    explicit FwGdiObject(H object) : handle(object) {}
    ~FwGdiObject() { Delete(); }
    operator H() const { return handle; }
    H Handle() const { return handle; }
    // Takes ownership of object, deleting the one held before.
    void Attach(H object)
    {
        Delete();
        handle = object;
    }
    void Delete()
    {
        if (handle)
            DeleteObject(handle);
        handle = nullptr;
    }

private:
    FwGdiObject(const FwGdiObject&) = delete;
    FwGdiObject& operator=(const FwGdiObject&) = delete;
    H handle = nullptr;
};

class FwBrush : public FwGdiObject<HBRUSH> {
public:
    FwBrush() = default;
    explicit FwBrush(COLORREF colour) : FwGdiObject(CreateSolidBrush(colour)) {}
};

class FwPen : public FwGdiObject<HPEN> {
public:
    FwPen() = default;
    FwPen(int style, int width, COLORREF colour) : FwGdiObject(CreatePen(style, width, colour)) {}
};

class FwFont : public FwGdiObject<HFONT> {
public:
    FwFont() = default;
    explicit FwFont(const LOGFONTW& font) : FwGdiObject(CreateFontIndirectW(&font)) {}
};

// Selects an object into a context for the holder's lifetime and puts the previous one back.
class FwSelect {
public:
    FwSelect(HDC dc, HGDIOBJ object) : hdc(dc), previous(SelectObject(dc, object)) {}
    ~FwSelect()
    {
        if (previous)
            SelectObject(hdc, previous);
    }

private:
    FwSelect(const FwSelect&) = delete;
    FwSelect& operator=(const FwSelect&) = delete;
    HDC hdc;
    HGDIOBJ previous;
};

// The shared bold user-interface font: the system's message font in bold, made on first use
// and kept for the life of the process. User-interface thread only.
HFONT FwBoldGuiFont();
