#include "controls/tree_items.h"

#include <commctrl.h>

#include <cstring>

namespace {
constexpr int kItemTextMax = 512;
}

std::string TreeItemText(HWND tree, HTREEITEM item)
{
    if (!tree || !item)
        return {};
    char buffer[kItemTextMax] = {};
    TVITEMA tvi{};
    tvi.mask = TVIF_TEXT | TVIF_HANDLE;
    tvi.hItem = item;
    tvi.pszText = buffer;
    tvi.cchTextMax = kItemTextMax;
    ::SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tvi));
    return buffer;
}

RECT TreeItemLabelRect(HWND tree, HTREEITEM item)
{
    RECT rect{};
    std::memcpy(&rect, &item, sizeof item);  // TVM_GETITEMRECT takes the item in the rectangle
    if (!::SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect)))
        return RECT{};
    return rect;
}
