#include "framework/OwnerDrawMenu.h"

#include "framework/Wnd.h"

#include <set>

namespace {

std::set<const COwnerDrawMenuItem*>& LiveItems()
{
    static std::set<const COwnerDrawMenuItem*> items;
    return items;
}

const char kOwnerClass[] = "pelmo.MenuOwner";

// The hidden owner of one tracked popup: it gets the menu's messages even
// when the control that opened it sits in someone else's window.
class CMenuOwner : public CWnd {
public:
    explicit CMenuOwner(const PopupCallbacks& callbacks) : m_callbacks(callbacks) {}

    bool Create()
    {
        return RegisterWindowClass(kOwnerClass, 0) &&
               CreateEx(WS_EX_TOOLWINDOW, kOwnerClass, "", WS_POPUP, RECT{0, 0, 0, 0}, nullptr, 0);
    }

protected:
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override
    {
        switch (message) {
        case WM_MENUSELECT:
            if (m_callbacks.onSelect)
                m_callbacks.onSelect(LOWORD(wp), HIWORD(wp), reinterpret_cast<HMENU>(lp));
            return 0;
        case WM_INITMENUPOPUP:
            if (m_callbacks.onInitPopup)
                m_callbacks.onInitPopup(reinterpret_cast<HMENU>(wp));
            return 0;
        }
        return CWnd::WindowProc(message, wp, lp);
    }

private:
    const PopupCallbacks& m_callbacks;
};

}  // namespace

COwnerDrawMenuItem::COwnerDrawMenuItem()
{
    LiveItems().insert(this);
}

COwnerDrawMenuItem::~COwnerDrawMenuItem()
{
    LiveItems().erase(this);
}

COwnerDrawMenuItem* COwnerDrawMenuItem::FromItemData(ULONG_PTR data)
{
    const auto* item = reinterpret_cast<const COwnerDrawMenuItem*>(data);
    return LiveItems().count(item) ? const_cast<COwnerDrawMenuItem*>(item) : nullptr;
}

bool DispatchOwnerDrawMenu(UINT message, LPARAM lp)
{
    if (!lp)
        return false;
    if (message == WM_MEASUREITEM) {
        auto& measure = decode::Ref<MEASUREITEMSTRUCT>(lp);
        COwnerDrawMenuItem* item =
            measure.CtlType == ODT_MENU ? COwnerDrawMenuItem::FromItemData(measure.itemData) : nullptr;
        if (item)
            item->Measure(measure);
        return item != nullptr;
    }
    if (message == WM_DRAWITEM) {
        const auto& draw = decode::Ref<DRAWITEMSTRUCT>(lp);
        COwnerDrawMenuItem* item = draw.CtlType == ODT_MENU ? COwnerDrawMenuItem::FromItemData(draw.itemData) : nullptr;
        if (item)
            item->Draw(draw);
        return item != nullptr;
    }
    return false;
}

UINT TrackOwnerDrawPopup(HMENU menu, POINT screen, UINT flags, const PopupCallbacks& callbacks)
{
    CMenuOwner owner(callbacks);
    if (!menu || !owner.Create())
        return 0;
    const UINT chosen = static_cast<UINT>(
        ::TrackPopupMenu(menu, flags | TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, owner, nullptr));
    owner.DestroyWindow();
    return chosen;
}
