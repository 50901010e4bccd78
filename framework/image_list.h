// An image list: equal-sized images with a mask, drawn transparently. Owns its list.
#pragma once
#include <windows.h>
#include <commctrl.h>

class FwImageList {
public:
    FwImageList() = default;
    ~FwImageList();

    // Builds the list from a bitmap resource of the program cut into images of width pixels;
    // pixels of mask become transparent. grow: how many images the list grows by. False when the
    // bitmap cannot be loaded (the list stays empty).
    BOOL Create(UINT bitmapId, int width, int grow, COLORREF mask);
    void DeleteImageList();

    HIMAGELIST Handle() const { return list; }
    operator HIMAGELIST() const { return list; }
    int GetImageCount() const;
    // Width and height of one image; false without a list.
    bool GetIconSize(int* width, int* height) const;
    // Draws image at (x, y), cx x cy pixels, without blending, transparent where masked.
    BOOL Draw(HDC dc, int image, int x, int y, int cx, int cy) const;

private:
    FwImageList(const FwImageList&) = delete;
    FwImageList& operator=(const FwImageList&) = delete;
    HIMAGELIST list = nullptr;
};
