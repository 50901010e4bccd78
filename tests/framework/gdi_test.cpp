// The DC and GDI holders release what they hold and put selections back.
#include <gtest/gtest.h>
#include "framework/gdi.h"

TEST(FwGdi, HoldersDeleteTheirObjects)
{
    HBRUSH brush;
    HPEN pen;
    {
        FwBrush b(RGB(1, 2, 3));
        FwPen p(PS_SOLID, 1, RGB(4, 5, 6));
        brush = b;
        pen = p;
        EXPECT_EQ(GetObjectType(brush), (DWORD)OBJ_BRUSH);
        EXPECT_EQ(GetObjectType(pen), (DWORD)OBJ_PEN);
    }
    EXPECT_EQ(GetObjectType(brush), 0u);
    EXPECT_EQ(GetObjectType(pen), 0u);

    FwBrush held(RGB(1, 1, 1));
    HBRUSH first = held;
    held.Attach(CreateSolidBrush(RGB(2, 2, 2)));
    EXPECT_EQ(GetObjectType(first), 0u); // the one held before went
}

TEST(FwGdi, SelectionIsPutBack)
{
    FwClientDC screen(nullptr);
    ASSERT_NE(screen.Handle(), nullptr);
    HGDIOBJ before = GetCurrentObject(screen, OBJ_FONT);
    {
        FwSelect font(screen, FwBoldGuiFont());
        EXPECT_EQ(GetCurrentObject(screen, OBJ_FONT), (HGDIOBJ)FwBoldGuiFont());
    }
    EXPECT_EQ(GetCurrentObject(screen, OBJ_FONT), before);
}

TEST(FwGdi, SharedBoldFontIsBoldAndMadeOnce)
{
    HFONT font = FwBoldGuiFont();
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(FwBoldGuiFont(), font);
    LOGFONTW face = {};
    ASSERT_TRUE(GetObjectW(font, sizeof(face), &face));
    EXPECT_EQ(face.lfWeight, FW_BOLD);
}
