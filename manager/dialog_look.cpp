#include "manager/dialog_look.h"

#include "core/resource_text.h"
#include "pelmo.h"
#include "resources/resource_ids.h"

namespace dialoglook {

void SetClientSize(HWND dialog, SIZE client)
{
    RECT frame{0, 0, client.cx, client.cy};
    ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrA(dialog, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrA(dialog, GWL_EXSTYLE)));
    ::SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MoveControl(HWND dialog, int id, const RECT& rect)
{
    if (HWND control = ::GetDlgItem(dialog, id))
        ::MoveWindow(control, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, FALSE);
}

std::string ResourceText(unsigned id)
{
    return resources::String(id);
}

void FillChooser(CComboTree& chooser, const std::vector<dialogs::ChooserItem>& items, int chosen)
{
    CComboTreeDropTree& tree = chooser.Tree();
    std::vector<HTREEITEM> handles;
    handles.reserve(items.size());
    for (const auto& item : items) {
        HTREEITEM parent = item.parent >= 0 ? handles[static_cast<size_t>(item.parent)] : TVI_ROOT;
        // The root goes in as a path; group names are items of their own and
        // may hold the separator.
        HTREEITEM handle = item.parent < 0 ? tree.AddPath(item.text) : tree.InsertItem(item.text, parent);
        tree.SetItemData(handle, item.value);
        handles.push_back(handle);
    }
    tree.ExpandAll();
    if (chosen >= 0 && static_cast<size_t>(chosen) < items.size()) {
        tree.SelectItem(handles[static_cast<size_t>(chosen)]);
        chooser.SetText(items[static_cast<size_t>(chosen)].text);
    }
}

}  // namespace dialoglook
