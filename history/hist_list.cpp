#include "history/hist_list.h"

#include "core/resource_text.h"
#include "string_ids.h"

#include <commctrl.h>

namespace histview {
namespace {

constexpr int kMaxColumns = 50;
constexpr int kNothingColumnWidth = 300;

void InsertColumn(HWND list, int index, const std::string& title, int width)
{
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = const_cast<char*>(title.c_str());
    column.iSubItem = index;
    ::SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

void SetCell(HWND list, int row, int column, const std::string& text)
{
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    ::SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

int InsertRow(HWND list, int row, const std::string& text)
{
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(text.c_str());
    return static_cast<int>(::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

}  // namespace

void ClearList(HWND list)
{
    ::SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (int i = 0; i < kMaxColumns && ::SendMessageA(list, LVM_DELETECOLUMN, 0, 0); ++i) {
    }
}

void ShowNothing(HWND list)
{
    ClearList(list);
    InsertColumn(list, 0, std::string(), kNothingColumnWidth);
    ::SendMessageA(list, LVM_SETCOLUMNWIDTH, 0, kNothingColumnWidth);
    InsertRow(list, 0, resources::String(IDS_MSG_SELECT_ITEM));
}

void SetColumns(HWND list, Layout layout)
{
    ClearList(list);
    int index = 0;
    for (unsigned id : ColumnTitleIds(layout)) {
        const std::string title = resources::String(id);
        InsertColumn(list, index++, title, ColumnWidth(title));
    }
}

void FillRows(HWND list, const HistRecord* items, int count, Layout layout, const NameMap& names,
              const StatusTexts& status, const histlib::Calls& calls)
{
    // Thousands of rows: no repaint per row, the room made once.
    ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    ::SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(count > 0 ? count : 0), 0);
    for (int row = 0; items && row < count; ++row) {
        const std::vector<std::string> cells =
            RowCells(items[RecordOfRow(row, count)], row, layout, names, status, calls);
        const int at = InsertRow(list, row, cells[0]);
        for (size_t c = 1; at >= 0 && c < cells.size(); ++c)
            SetCell(list, at, static_cast<int>(c), cells[c]);
    }
    ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);
}

}  // namespace histview
