// cherry_bench: the contact tree at scale, each step next to the same step
// on a bare tree view in the same run. Not a test: run it by hand,
//   scripts/with-display.sh scripts/wine-run.sh build/x86_64/bin/cherry_bench.exe
#include "bench_util.h"
#include "controls/cherry_tree.h"
#include "framework/Wnd.h"

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kItems = 10000;
constexpr int kGroups = 20;
constexpr RECT kArea{0, 0, 240, 600};

double Ms(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

HTREEITEM Insert(HWND tree, const std::string& text, LPARAM data, HTREEITEM parent)
{
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<char*>(text.c_str());
    insert.item.lParam = data;
    return reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

struct Times {
    double insert = 0, select = 0, paint = 0, paintEnd = 0, erase = 0;
};

// Twenty repaints of the whole view, at the top of the list and again with
// its last items in view: a screenful costs the same wherever it lies.
void PaintTwice(HWND tree, Times& t)
{
    auto repaint = [tree] {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 20; ++i) {
            ::InvalidateRect(tree, nullptr, TRUE);
            ::UpdateWindow(tree);
        }
        return Ms(start);
    };
    t.paint = repaint();
    ::SendMessageA(tree, WM_VSCROLL, SB_BOTTOM, 0);
    ::UpdateWindow(tree);
    t.paintEnd = repaint();
}

// The bare tree: the same items, every visible item given the selected
// state (under Wine that takes most of a minute: only when asked), one
// delete of everything.
Times Bare(HWND parent, bool select)
{
    Times t;
    HWND tree = ::CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS, kArea.left, kArea.top,
                                  kArea.right, kArea.bottom, parent, nullptr, nullptr, nullptr);
    auto start = std::chrono::steady_clock::now();
    std::vector<HTREEITEM> groups;
    for (int g = 0; g < kGroups; ++g)
        groups.push_back(Insert(tree, "group " + std::to_string(g), -1000 - g, TVI_ROOT));
    for (int i = 0; i < kItems; ++i)
        Insert(tree, "contact number " + std::to_string(i), i, groups[i % kGroups]);
    for (HTREEITEM g : groups)
        ::SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(g));
    t.insert = Ms(start);

    if (select) {
        start = std::chrono::steady_clock::now();
        for (HTREEITEM item = TreeView_GetRoot(tree); item; item = TreeView_GetNextVisible(tree, item))
            TreeView_SetItemState(tree, item, TVIS_SELECTED, TVIS_SELECTED);
        t.select = Ms(start);
    }

    PaintTwice(tree, t);

    start = std::chrono::steady_clock::now();
    TreeView_DeleteAllItems(tree);
    t.erase = Ms(start);
    ::DestroyWindow(tree);
    return t;
}

Times Cherry(HWND parent, HBITMAP online, HBITMAP mobile)
{
    Times t;
    CCherryTree tree;
    tree.Create(WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_SHOWSELALWAYS | TVS_NOTOOLTIPS | TVS_FULLROWSELECT, kArea,
                parent, 1);
    tree.SetItemFonts(static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)));
    auto start = std::chrono::steady_clock::now();
    std::vector<HTREEITEM> groups;
    for (int g = 0; g < kGroups; ++g) {
        groups.push_back(tree.InsertItemShort("group " + std::to_string(g), TVI_ROOT));
        tree.SetItemData(groups.back(), -1000 - g);
        tree.SetItemFontStyle(groups.back(), 1, 0);
    }
    for (int i = 0; i < kItems; ++i) {
        HTREEITEM item = tree.InsertItemShort("contact number " + std::to_string(i), groups[i % kGroups]);
        tree.SetItemData(item, i);
        tree.SetItemTextColor(item, RGB(0, 0, 128));
        tree.SetItemTip(item, "tip");
        tree.AddItemImage(item, online, kImageLeftBack);
        tree.AddItemImage(item, mobile, kImageRightBack);
    }
    for (HTREEITEM g : groups)
        tree.SendMessage(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(g));
    t.insert = Ms(start);

    // Select all with Shift: from the first item to the last visible one.
    HTREEITEM first = tree.Next(nullptr, TVGN_ROOT), last = tree.Next(nullptr, TVGN_LASTVISIBLE);
    start = std::chrono::steady_clock::now();
    tree.SelectItemRange(first, last, true);
    t.select = Ms(start);
    if (tree.SelectedCount() != static_cast<size_t>(kItems + kGroups))
        std::printf("select all: %zu selected, expected %d\n", tree.SelectedCount(), kItems + kGroups);

    PaintTwice(tree, t);

    start = std::chrono::steady_clock::now();
    tree.DeleteAllItemsEx();
    t.erase = Ms(start);
    tree.DestroyWindow();
    return t;
}

// A parent of ours, as the tree has in the product: it reflects custom draw
// back to the control, so each row is painted once, by the control.
class BenchParent : public CWnd {
public:
    BenchParent()
    {
        static const char kClass[] = "pelmo.CherryBench";
        RegisterWindowClass(kClass, CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
        CreateEx(0, kClass, "bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{0, 0, 300, 700}, nullptr, 0);
    }
    ~BenchParent() override { DestroyWindow(); }
};

HBITMAP Dot(COLORREF colour)
{
    HDC screen = ::GetDC(nullptr);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 12, 12);
    HDC dc = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    ::PatBlt(dc, 0, 0, 12, 12, WHITENESS);
    HBRUSH brush = ::CreateSolidBrush(colour);
    HGDIOBJ oldBrush = ::SelectObject(dc, brush);
    ::Ellipse(dc, 1, 1, 11, 11);
    ::SelectObject(dc, oldBrush);
    ::DeleteObject(brush);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    return bitmap;
}

}  // namespace

int main()
{
    INITCOMMONCONTROLSEX init{sizeof init, ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&init);
    BenchParent parent;
    HBITMAP online = Dot(RGB(0, 160, 0)), mobile = Dot(RGB(0, 0, 200));
    // Alternated rounds, the best of each figure: both trees meet the same
    // machine state. The bare select is measured in the first round only.
    Times bare = Bare(parent, true);
    Times cherry = Cherry(parent, online, mobile);
    for (int round = 1; round < 3; ++round) {
        const Times b = Bare(parent, false), c = Cherry(parent, online, mobile);
        for (auto field : {&Times::insert, &Times::paint, &Times::paintEnd, &Times::erase}) {
            bare.*field = std::min(bare.*field, b.*field);
            cherry.*field = std::min(cherry.*field, c.*field);
        }
        cherry.select = std::min(cherry.select, c.select);
    }
    std::printf("%d items in %d groups, best of 3  bare tree   contact tree   ratio\n", kItems, kGroups);
    auto row = [](const char* what, double b, double c) {
        std::printf("%-30s %9.1f ms %11.1f ms %7.2f\n", what, b, c, b > 0 ? c / b : 0.0);
    };
    row("insert (attributes, images)", bare.insert, cherry.insert);
    row("select all with Shift", bare.select, cherry.select);
    row("paint a screenful x20", bare.paint, cherry.paint);
    row("the same at the end", bare.paintEnd, cherry.paintEnd);
    row("delete all", bare.erase, cherry.erase);
    PrintFigure("contact tree: insert 10,000 items with attributes and images", "ms", cherry.insert, bare.insert, 2);
    PrintFigure("contact tree: select all with Shift", "ms", cherry.select, bare.select, 2);
    PrintFigure("contact tree: paint a screenful x20 at the end of the list", "ms", cherry.paintEnd, bare.paintEnd, 0);
    PrintFigure("contact tree: delete all", "ms", cherry.erase, bare.erase, 2);
    ::DeleteObject(online);
    ::DeleteObject(mobile);
    return 0;
}
