// The program's dialog base: a dialog with help items, small areas of the client that show a
// marker and explain themselves with a tooltip.
#pragma once
#include "framework/dialog.h"
#include "framework/gdi.h"
#include "framework/ptr_array.h"
#include "framework/wide_string.h"

// One help item: the tip text and its area in client coordinates. Owned by the item list.
struct THelpItem {
    FwString tip;
    RECT rect;
};

// The help items of a dialog and the icon drawn on them. User-interface thread only.
template <class Dialog>
class TDialogUtil {
public:
    ~TDialogUtil() { ReleaseIcon(); }

    // Appends an item; false when the list cannot grow.
    bool AddItem(const FwString& tip, const RECT& rect)
    {
        THelpItem* item = new THelpItem{tip, rect};
        if (items.Add(item))
            return true;
        delete item;
        return false;
    }

    // The icon drawn on every item instead of the "?" box (nullptr: the box). With owned TRUE
    // the dialog destroys it; an owned icon set before is destroyed first.
    void SetItemIcon(HICON icon, BOOL owned)
    {
        if (icon != itemIcon)
            ReleaseIcon();
        itemIcon = icon;
        ownsIcon = icon ? owned : FALSE;
    }

    // Deletes every item and empties the list, freeing its storage.
    void ClearItems()
    {
        for (int i = 0; i < items.Count(); ++i)
            delete static_cast<THelpItem*>(items.At(i));
        items.RemoveAll();
    }

    int ItemCount() const { return items.Count(); }
    // The item at index, or nullptr (past the end, or an empty entry).
    THelpItem* Item(int index) const { return static_cast<THelpItem*>(items.At(index)); }

protected:
    void ReleaseIcon()
    {
        if (ownsIcon && itemIcon)
            DestroyIcon(itemIcon);
        itemIcon = nullptr;
        ownsIcon = FALSE;
    }

    FwPtrArray items; // THelpItem*; an entry may be nullptr and is then skipped
    HICON itemIcon = nullptr;
    BOOL ownsIcon = FALSE;
};

class TxDialog : public FwDialog, public TDialogUtil<TxDialog> {
public:
    explicit TxDialog(UINT templateId, FwWindow* parent = nullptr);
    ~TxDialog() override;

    // The first item containing point (client coordinates): info filled with the item's index as
    // tool id and the text asked for later, and 1. -1 when no item contains it.
    INT_PTR OnToolHitTest(POINT point, TTTOOLINFOW* info) const override;

protected:
    bool OnMessage(FwMessage& m) override;

    void OnPaint();
    // Draws the item markers.
    virtual void DrawItems(FwDC* dc);
    // Supplies an item's tip for the thread's tooltip (TTN_NEEDTEXTW); FALSE when the tool is
    // not one of the items.
    BOOL OnToolTipText(UINT_PTR id, NMHDR* notification, LRESULT* result);
    void OnDestroy();
};
