#include "framework/image_list.h"
#include "foundation/res_string.h"

FwImageList::~FwImageList() { DeleteImageList(); }

void FwImageList::DeleteImageList()
{
    if (list)
        ImageList_Destroy(list);
    list = nullptr;
}

BOOL FwImageList::Create(UINT bitmapId, int width, int grow, COLORREF mask)
{
    DeleteImageList();
    list = ImageList_LoadImageW(ResourceModule(), MAKEINTRESOURCEW(bitmapId), width, grow, mask,
                                IMAGE_BITMAP, LR_CREATEDIBSECTION);
    return list != nullptr;
}

int FwImageList::GetImageCount() const { return list ? ImageList_GetImageCount(list) : 0; }

bool FwImageList::GetIconSize(int* width, int* height) const
{
    return list && ImageList_GetIconSize(list, width, height);
}

BOOL FwImageList::Draw(HDC dc, int image, int x, int y, int cx, int cy) const
{
    if (!list)
        return FALSE;
    return ImageList_DrawEx(list, image, dc, x, y, cx, cy, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
}
