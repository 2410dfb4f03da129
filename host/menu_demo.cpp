#include "host/menu_demo.h"
#include "host/screenshot.h"

#include "controls/menu_xp.h"
#include "core/resource_text.h"
#include "panel/panel_commands.h"

#include <memory>

namespace menu_demo {
namespace {

// Where a shot is taken from inside the menu's own loop.
struct Shot {
    std::string path;
    int downs = 0;
    int tick = 0;
    bool saved = false;
};
Shot g_shot;

// The menu loop takes the keys of every window of its thread.
void PressKey(WORD key)
{
    HWND popup = ::FindWindowA("#32768", nullptr);
    ::PostMessageA(popup, WM_KEYDOWN, key, 1);
    ::PostMessageA(popup, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
}

// First tick: select an item with the keyboard; next: photograph and close.
void CALLBACK ShotTick(HWND, UINT, UINT_PTR id, DWORD)
{
    if (g_shot.tick++ == 0) {
        for (int i = 0; i < g_shot.downs; ++i)
            PressKey(VK_DOWN);
        return;
    }
    ::KillTimer(nullptr, id);
    g_shot.saved = SaveScreenshot(g_shot.path);
    ::EndMenu();
}

bool Shoot(const CMenuXP& menu, POINT at, int downs, const std::string& path)
{
    g_shot = Shot{path, downs};
    // Away from the menu: the item under the pointer would be selected too.
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    ::SetTimer(nullptr, 0, 250, ShotTick);
    menu.Track(at);
    return g_shot.saved;
}

// A 16x16 icon drawn here: a rounded tile in `colour` with a white mark.
HICON TileIcon(COLORREF colour, int mark)
{
    HDC screen = ::GetDC(nullptr);
    HBITMAP bits = ::CreateCompatibleBitmap(screen, 16, 16);
    HBITMAP mask = ::CreateBitmap(16, 16, 1, 1, nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(dc, bits);
    ::PatBlt(dc, 0, 0, 16, 16, BLACKNESS);
    HBRUSH brush = ::CreateSolidBrush(colour);
    HGDIOBJ oldBrush = ::SelectObject(dc, brush);
    HGDIOBJ oldPen = ::SelectObject(dc, ::GetStockObject(NULL_PEN));
    ::RoundRect(dc, 1, 1, 16, 16, 5, 5);
    ::SelectObject(dc, ::GetStockObject(WHITE_BRUSH));
    if (mark == 0) {
        ::Ellipse(dc, 5, 5, 12, 12);
    } else {
        const RECT bar{4, 7, 13, 10};
        ::FillRect(dc, &bar, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        if (mark == 2) {
            const RECT upright{7, 4, 10, 13};
            ::FillRect(dc, &upright, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        }
    }
    ::SelectObject(dc, mask);
    ::PatBlt(dc, 0, 0, 16, 16, WHITENESS);
    ::SelectObject(dc, ::GetStockObject(BLACK_BRUSH));
    ::RoundRect(dc, 1, 1, 16, 16, 5, 5);
    ::SelectObject(dc, oldPen);
    ::SelectObject(dc, oldBrush);
    ::SelectObject(dc, old);
    ::DeleteObject(brush);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    ICONINFO info{TRUE, 0, 0, mask, bits};
    HICON icon = ::CreateIconIndirect(&info);
    ::DeleteObject(bits);
    ::DeleteObject(mask);
    return icon;
}

std::unique_ptr<CMenuXP> FeatureMenu()
{
    auto text = [](UINT id) { return resources::String(id); };
    auto menu = panel::BuildContextMenu({}, nullptr);
    const ACCEL call{FVIRTKEY | FCONTROL, 'D', panel::kCmdCall};
    const ACCEL del{FVIRTKEY, VK_DELETE, panel::kCmdDeleteContact};
    menu->AppendItem(MF_ENABLED,
                     std::make_unique<CMenuXPItem>(panel::kCmdCall, text(569), TileIcon(RGB(46, 139, 87), 0)), &call);
    menu->AppendItem(MF_ENABLED,
                     std::make_unique<CMenuXPItem>(panel::kCmdAddContact, text(50007), TileIcon(RGB(52, 101, 164), 2)));
    menu->AppendItem(MF_CHECKED, std::make_unique<CMenuXPItem>(panel::kCmdViewHistory, text(50016)));
    menu->AppendSeparatorXP();
    menu->AppendItem(MF_GRAYED,
                     std::make_unique<CMenuXPItem>(panel::kCmdDeleteContact, text(50009), TileIcon(RGB(204, 0, 0), 1)),
                     &del);
    menu->AppendItem(MF_GRAYED, std::make_unique<CMenuXPItem>(panel::kCmdContactInfo, text(50012)));
    return menu;
}

}  // namespace

int ShootMenus(HWND owner, const std::string& folder, FILE* log)
{
    RECT r{};
    ::GetWindowRect(owner, &r);
    const POINT at{r.left + 60, r.top + 80};
    auto text = [](UINT id) { return resources::String(id); };
    int saved = 0;
    struct Case {
        std::optional<panel::ItemKind> hit;
        int downs;
        const char* name;
    };
    const Case cases[] = {{panel::ItemKind::kContact, 2, "menu_contact"},
                          {panel::ItemKind::kGroup, 1, "menu_group"},
                          {panel::ItemKind::kExtraRoot, 1, "menu_extra_root"}};
    for (const Case& c : cases) {
        const auto menu = panel::BuildContextMenu(panel::ContextMenuFor(c.hit).entries, text);
        saved += Shoot(*menu, at, c.downs, folder + "\\" + c.name + ".bmp") ? 1 : 0;
    }
    saved += Shoot(*FeatureMenu(), at, 2, folder + "\\menu_features.bmp") ? 1 : 0;
    std::fprintf(log, "%d menu screenshots\n", saved);
    std::fflush(log);
    return saved;
}

}  // namespace menu_demo
