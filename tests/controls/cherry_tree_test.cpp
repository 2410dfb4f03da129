// The contact tree and the link label, driven with the mouse and keys as a
// person would; what the parent receives is compared with expected tables.
#include "controls/cherry_tree.h"
#include "controls/link_label.h"
#include "support/msg_sequence.h"
#include "support/ui_driver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

using testmsg::Entry;
constexpr unsigned kBoth = testmsg::kWParam | testmsg::kLParam;

// Records our own selection notifications (mask 0x14, not the native
// caret's), clicks, drag starts, drops and picture presses.
class Parent : public testui::TestParent {
public:
    testmsg::Sequence seq;
    std::vector<UINT> linkCodes;
    bool acceptEdits = false;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        if (msg == WM_NOTIFY) {
            const auto& tv = *reinterpret_cast<const NMTREEVIEWA*>(lp);
            const UINT code = tv.hdr.code;
            if (code == TVN_SELCHANGINGA || code == TVN_SELCHANGEDA) {
                const TVITEMA& it = tv.itemNew.hItem ? tv.itemNew : tv.itemOld;
                if (it.mask == (TVIF_HANDLE | TVIF_PARAM))
                    seq.Add("parent", code, static_cast<WPARAM>(it.lParam), tv.itemNew.hItem ? 1 : 0);
            } else if (code == NM_CLICK || code == NM_RCLICK || code == TVN_BEGINDRAGA) {
                seq.Add("parent", code);
            } else if (code == kLinkLabelClicked) {
                linkCodes.push_back(code);
            } else if (code == TVN_ENDLABELEDITA) {
                return acceptEdits ? TRUE : FALSE;
            }
        } else if (msg == WM_CHERRYTREE_DROP || msg == WM_LBUTTONDOWN) {
            seq.Add("parent", msg, wp, lp);
        }
        return TestParent::WindowProc(msg, wp, lp);
    }
};

void Mouse(DWORD flags)
{
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    ::SendInput(1, &in, sizeof in);
}

// Steps of input played from a thread timer, so they also run inside the
// control's own press and band loops; returns when all have run.
struct Step {
    DWORD afterMs;
    std::function<void()> act;
    std::function<bool()> ready = nullptr;  // held back until true: a busy machine delivers input late
};
std::vector<Step> g_steps;
size_t g_next = 0;
DWORD g_due = 0;
bool g_busy = false;
// A rebuild from a timer, as the panel does, while the control runs a loop.
CCherryTree* g_rebuilt = nullptr;
void CALLBACK RebuildOnce(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    if (g_rebuilt)
        g_rebuilt->DeleteAllItemsEx();
}

// Quits from inside the press loop, once it holds the mouse.
void CALLBACK QuitInPressLoop(HWND, UINT, UINT_PTR id, DWORD)
{
    if (!::GetCapture())
        return;
    ::KillTimer(nullptr, id);
    ::PostQuitMessage(7);
}

void CALLBACK PlayTick(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_busy || g_next >= g_steps.size() || static_cast<int>(::GetTickCount() - g_due) < 0)
        return;
    if (g_steps[g_next].ready && !g_steps[g_next].ready())
        return;
    g_busy = true;
    g_steps[g_next++].act();
    if (g_next < g_steps.size())
        g_due = ::GetTickCount() + g_steps[g_next].afterMs;
    g_busy = false;
}
void Play(std::vector<Step> steps)
{
    g_steps = std::move(steps);
    g_next = 0;
    g_due = ::GetTickCount() + (g_steps.empty() ? 0 : g_steps[0].afterMs);
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 10, PlayTick);
    const DWORD limit = ::GetTickCount() + 5000;
    while (g_next < g_steps.size() && static_cast<int>(limit - ::GetTickCount()) > 0)
        testui::Pump(10);
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(g_next, g_steps.size()) << "input steps left unplayed";
    testui::Pump(30);
}
void At(POINT pt)
{
    ::SetCursorPos(pt.x, pt.y);
}

HBITMAP SolidBitmap(COLORREF colour, int size)
{
    HDC screen = ::GetDC(nullptr);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, size, size);
    HDC dc = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    RECT all{0, 0, size, size};
    HBRUSH brush = ::CreateSolidBrush(colour);
    ::FillRect(dc, &all, brush);
    ::DeleteObject(brush);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    return bitmap;
}

class CherryTreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(
            tree.Create(WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_SHOWSELALWAYS | TVS_NOTOOLTIPS | TVS_FULLROWSELECT,
                        RECT{0, 0, 300, 250}, parent.Handle(), 77));
        tree.SetItemFonts(static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)));
        Populate();
        ::SetForegroundWindow(parent.Handle());
        ::SetFocus(tree);
        ::UpdateWindow(tree);
        testui::Pump(30);
    }
    void TearDown() override { testui::PointerTo(POINT{1200, 860}); }
    HTREEITEM Add(const char* text, LPARAM data, HTREEITEM under)
    {
        HTREEITEM item = tree.InsertItemShort(text, under);
        tree.SetItemData(item, data);
        return item;
    }
    void Populate()
    {
        g = Add("好友", -1001, TVI_ROOT);
        a = Add("Alice", 0, g);
        b = Add("Bob", 1, g);
        c = Add("Carol", 2, g);
        d = Add("Dave", 3, g);
        h = Add("同事", -1002, TVI_ROOT);
        e = Add("Eve", 4, h);
        s = Add("服务", kCherryNoDropGroup, TVI_ROOT);
        f = Add("Frank", 5, s);
        for (HTREEITEM group : {g, h, s})
            tree.SendMessage(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(group));
    }
    // The middle of the item's label on the screen.
    POINT On(HTREEITEM item)
    {
        ::UpdateWindow(tree);
        const CherryItemLayout* layout = tree.FindLayout(item);
        EXPECT_NE(layout, nullptr);
        POINT pt{layout ? (layout->label.left + layout->label.right) / 2 : 0,
                 layout ? (layout->label.top + layout->label.bottom) / 2 : 0};
        ::ClientToScreen(tree, &pt);
        return pt;
    }
    void ClickWith(HTREEITEM item, WORD key = 0)
    {
        testui::PointerTo(On(item));
        if (key)
            testui::Keys({{key, true}});
        testui::Click();
        testui::Pump(60);
        if (key)
            testui::Keys({{key, false}});
        testui::Pump(20);
    }
    // Presses on `from`, waits past the drag delay, moves to `to` in steps.
    void DragTo(HTREEITEM from, POINT to, DWORD waitMs = 120)
    {
        const POINT at = On(from);
        testui::PointerTo(at);
        std::vector<Step> steps{{0, [] { Mouse(MOUSEEVENTF_LEFTDOWN); }}, {0, [] {}, [this] { return Pressed(); }}};
        for (int i = 1; i <= 4; ++i)
            steps.push_back({i == 1 ? waitMs : 20, [=] {
                                 At(POINT{at.x + (to.x - at.x) * i / 4, at.y + (to.y - at.y) * i / 4});
                             }});
        steps.push_back({60, [] {}});
        Play(steps);
    }
    bool Pressed() const { return ::GetCapture() == tree.GetSafeHwnd(); }  // the control's press loop runs
    COLORREF PixelAt(POINT client)
    {
        ::UpdateWindow(tree);
        ClientDC dc(tree);
        return ::GetPixel(dc, client.x, client.y);
    }
    std::vector<Entry> Sel(UINT code, LPARAM data, bool selected)
    {
        return {{"parent", code, static_cast<WPARAM>(data), selected ? 1 : 0, kBoth}};
    }

    Parent parent;
    CCherryTree tree;
    HTREEITEM g{}, a{}, b{}, c{}, d{}, h{}, e{}, s{}, f{};
};

}  // namespace

TEST(CherryTreeText, ShortTextsKeepWholeCharacters)
{
    EXPECT_EQ(CherryShortText("abcdefghijklmnopq", true), "abcdefghijklmn...");  // 17 bytes, top level
    EXPECT_EQ(CherryShortText("abcdefghijklmno", false), "abcdefghijkl...");     // 15 bytes, child
    EXPECT_EQ(CherryShortText("abcdefghijklmn", false), "abcdefghijklmn");       // 14 bytes stay
    EXPECT_EQ(CherryShortText("abcdefghijklmnop", true), "abcdefghijklmnop");    // 16 bytes stay
    // 1 + 7 double-byte characters: byte 12 would split the sixth one.
    EXPECT_EQ(CherryShortText("a张三李四王五赵", false), "a张三李四王...");
}

TEST_F(CherryTreeTest, ImagesKeepTheirIdsAndOrderAndKeysTheirOwnValues)
{
    HBITMAP red = SolidBitmap(RGB(255, 0, 0), 8), blue = SolidBitmap(RGB(0, 0, 255), 8);
    EXPECT_EQ(tree.AddItemImage(a, red, kImageLeftFront), 1u);
    EXPECT_EQ(tree.AddItemImage(a, blue, kImageLeftFront), 2u);
    EXPECT_EQ(tree.AddItemImage(a, blue, 1), 3u);
    EXPECT_EQ(tree.AddItemImage(a, blue, 9), 0u);
    const CCherryItemAttr* attr = tree.FindAttr(a);
    ASSERT_NE(attr, nullptr);
    ASSERT_EQ(attr->leftImages.size(), 2u);
    EXPECT_EQ(attr->leftImages[0]->Id(), 2u);
    EXPECT_EQ(attr->leftImages[1]->Id(), 3u);
    EXPECT_EQ(tree.AddItemImage(reinterpret_cast<HTREEITEM>(0x1234), red, kImageLeftBack), 0u);

    // Painted where the layout says, white left out.
    tree.Invalidate(false);
    ::UpdateWindow(tree);
    const CherryItemLayout* layout = tree.FindLayout(a);
    ASSERT_NE(layout, nullptr);
    EXPECT_EQ(layout->leftImages.right - layout->leftImages.left, 8 + CCherryTree::kGap + 8);
    {
        ClientDC dc(tree);
        EXPECT_EQ(::GetPixel(dc, layout->leftImages.left + 3, layout->leftImages.top + 3), RGB(0, 0, 255));
        EXPECT_EQ(::GetPixel(dc, layout->leftImages.right - 3, layout->leftImages.top + 3), RGB(0, 0, 255));
    }

    for (int key : {-1, 999, 1000, -1001})
        tree.SetKeyValue(key, key * 3);
    for (int key : {-1, 999, 1000, -1001})
        EXPECT_EQ(tree.GetKeyValue(key), key * 3) << key;
    ::DeleteObject(red);
    ::DeleteObject(blue);
}

TEST_F(CherryTreeTest, CtrlAndShiftClicksNotifyEachSelectionChange)
{
    ClickWith(a);
    std::vector<Entry> expected = Sel(TVN_SELCHANGINGA, 0, true);
    for (const auto& x : Sel(TVN_SELCHANGEDA, 0, true))
        expected.push_back(x);
    expected.push_back({"parent", static_cast<UINT>(NM_CLICK)});
    EXPECT_SEQUENCE(parent.seq, expected, "plain click on Alice");

    parent.seq.Clear();
    ClickWith(c, VK_CONTROL);
    EXPECT_SEQUENCE(parent.seq,
                    (std::vector<Entry>{{"parent", static_cast<UINT>(TVN_SELCHANGINGA), 2, 1, kBoth},
                                        {"parent", static_cast<UINT>(TVN_SELCHANGEDA), 2, 1, kBoth},
                                        {"parent", static_cast<UINT>(NM_CLICK)}}),
                    "Ctrl click on Carol adds her");
    EXPECT_TRUE(tree.IsSelected(a));

    parent.seq.Clear();
    ClickWith(d, VK_SHIFT);
    EXPECT_SEQUENCE(parent.seq,
                    (std::vector<Entry>{{"parent", static_cast<UINT>(TVN_SELCHANGINGA), 0, 0, kBoth},
                                        {"parent", static_cast<UINT>(TVN_SELCHANGEDA), 0, 0, kBoth},
                                        {"parent", static_cast<UINT>(TVN_SELCHANGINGA), 3, 1, kBoth},
                                        {"parent", static_cast<UINT>(TVN_SELCHANGEDA), 3, 1, kBoth},
                                        {"parent", static_cast<UINT>(NM_CLICK)}}),
                    "Shift click on Dave: Carol to Dave, Alice out");
    std::vector<HTREEITEM> selected;
    tree.GetSelectedItems(selected);
    EXPECT_EQ(selected, (std::vector<HTREEITEM>{c, d}));
    EXPECT_EQ(tree.GetCaret(), d);
}

TEST_F(CherryTreeTest, PressOnSelectedItemKeepsOthersUntilRelease)
{
    ClickWith(a);
    ClickWith(c, VK_CONTROL);
    testui::PointerTo(On(a));
    Play({{0, [] { Mouse(MOUSEEVENTF_LEFTDOWN); }},
          {0, [] {}, [this] { return Pressed(); }},
          {60,
           [this] {
               EXPECT_EQ(::GetCapture(), tree.GetSafeHwnd());
               EXPECT_TRUE(tree.IsSelected(a));
               EXPECT_TRUE(tree.IsSelected(c)) << "the press alone must not narrow the selection";
               Mouse(MOUSEEVENTF_LEFTUP);
           }},
          {40, [] {}}});
    EXPECT_TRUE(tree.IsSelected(a));
    EXPECT_FALSE(tree.IsSelected(c));
}

TEST_F(CherryTreeTest, DragDropsOnlyOnAnotherGroupAfterTheDelay)
{
    // Onto Eve: the drop targets her group.
    DragTo(a, On(e));
    EXPECT_TRUE(tree.IsDragging());
    EXPECT_EQ(::GetCapture(), tree.GetSafeHwnd());
    const CherryItemLayout* group = tree.FindLayout(h);
    ASSERT_NE(group, nullptr);
    const POINT mark{group->label.left + 1, group->label.top + 1};  // clear of the drag image
    EXPECT_EQ(PixelAt(mark), ::GetSysColor(COLOR_HIGHLIGHT)) << "the drop target is drawn highlighted";
    const CherryItemLayout* own = tree.FindLayout(g);  // the target on the way, left behind
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(PixelAt(POINT{own->label.left + 1, own->label.bottom - 1}), tree.GetBackColor()) << "to its last line";
    Mouse(MOUSEEVENTF_LEFTUP);
    testui::Pump(40);
    EXPECT_FALSE(tree.IsDragging());
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(PixelAt(mark), tree.GetBackColor()) << "and plain again after the drop";
    EXPECT_SEQUENCE(parent.seq.Only({WM_CHERRYTREE_DROP}),
                    (std::vector<Entry>{{"parent", WM_CHERRYTREE_DROP, reinterpret_cast<WPARAM>(a),
                                         reinterpret_cast<LPARAM>(h), kBoth}}),
                    "drop on a contact of another group");

    // Onto a contact of its own group, and onto the service group: nothing.
    parent.seq.Clear();
    DragTo(b, On(d));
    EXPECT_TRUE(tree.IsDragging());
    Mouse(MOUSEEVENTF_LEFTUP);
    testui::Pump(40);
    DragTo(c, On(f));  // another item: a second press on Bob this soon is a double click
    EXPECT_TRUE(tree.IsDragging());
    Mouse(MOUSEEVENTF_LEFTUP);
    testui::Pump(40);
    EXPECT_TRUE(parent.seq.Only({WM_CHERRYTREE_DROP}).Entries().empty());

    // Too quick: press, move and release in one go.
    testui::PointerTo(On(a));
    const POINT target = On(e);
    INPUT quick[3] = {};
    for (auto& in : quick)
        in.type = INPUT_MOUSE;
    quick[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    quick[1].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    quick[1].mi.dx = target.x * 65536 / ::GetSystemMetrics(SM_CXSCREEN);
    quick[1].mi.dy = target.y * 65536 / ::GetSystemMetrics(SM_CYSCREEN);
    quick[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(3, quick, sizeof(INPUT));
    testui::Pump(100);
    EXPECT_FALSE(tree.IsDragging());
    Mouse(MOUSEEVENTF_LEFTUP);
    testui::Pump(30);
    EXPECT_TRUE(parent.seq.Only({WM_CHERRYTREE_DROP}).Entries().empty()) << "a drag within 50 ms must not start";

    // The service group's contacts do not drag at all, whatever the caret was.
    ClickWith(b);
    DragTo(f, On(e));
    EXPECT_FALSE(tree.IsDragging());
    Mouse(MOUSEEVENTF_LEFTUP);
    testui::Pump(40);
}

TEST_F(CherryTreeTest, EscapeAndRebuildEndGesturesCleanly)
{
    DragTo(a, On(e));
    ASSERT_TRUE(tree.IsDragging());
    testui::Press(VK_ESCAPE);
    testui::Pump(40);
    EXPECT_FALSE(tree.IsDragging());
    EXPECT_EQ(::GetCapture(), nullptr);
    Mouse(MOUSEEVENTF_LEFTUP);
    testui::Pump(40);
    EXPECT_TRUE(parent.seq.Only({WM_CHERRYTREE_DROP}).Entries().empty()) << "Escape drops nothing";

    // The system's cancel (a menu or dialog taking over) ends it the same way.
    DragTo(b, On(e));  // not from Alice again: that press would be a double click
    ASSERT_TRUE(tree.IsDragging());
    tree.SendMessage(WM_CANCELMODE);
    EXPECT_FALSE(tree.IsDragging());
    EXPECT_EQ(::GetCapture(), nullptr);
    Mouse(MOUSEEVENTF_LEFTUP);
    testui::Pump(40);
    EXPECT_TRUE(parent.seq.Only({WM_CHERRYTREE_DROP}).Entries().empty()) << "a cancelled drag drops nothing";

    // Escape during a band deselects everything.
    ClickWith(a);
    ClickWith(c, VK_CONTROL);
    RECT client = tree.GetClientRect();
    POINT empty{client.right - 10, 5};
    ::ClientToScreen(tree, &empty);
    testui::PointerTo(empty);
    Play({{0, [] { Mouse(MOUSEEVENTF_LEFTDOWN); }},
          {40,
           [=] {
               At(POINT{empty.x - 30, empty.y + 60});
           }},
          {80, [] { testui::Press(VK_ESCAPE); }},
          {60, [] { EXPECT_EQ(::GetCapture(), nullptr); }},
          {0, [] { Mouse(MOUSEEVENTF_LEFTUP); }},
          {40, [] {}}});
    EXPECT_EQ(tree.SelectedCount(), 0u);

    // A rebuild while the drag runs ends it and leaves no dead item behind.
    DragTo(a, On(e));
    ASSERT_TRUE(tree.IsDragging());
    tree.DeleteAllItemsEx();
    EXPECT_FALSE(tree.IsDragging());
    EXPECT_EQ(::GetCapture(), nullptr);
    Mouse(MOUSEEVENTF_LEFTUP);
    testui::Pump(40);
    EXPECT_TRUE(parent.seq.Only({WM_CHERRYTREE_DROP}).Entries().empty());
    EXPECT_EQ(tree.SelectedCount(), 0u);
    EXPECT_EQ(tree.FindLayout(a), nullptr);

    // And one while the press loop runs (the panel rebuilds on timers).
    Populate();
    g_rebuilt = &tree;
    testui::PointerTo(On(b));
    Play({{0, [] { Mouse(MOUSEEVENTF_LEFTDOWN); }},
          {0, [] { ::SetTimer(nullptr, 0, 30, RebuildOnce); }, [this] { return Pressed(); }},
          {150, [] { EXPECT_EQ(::GetCapture(), nullptr) << "the press loop must end when its item goes"; }},
          {0, [] { Mouse(MOUSEEVENTF_LEFTUP); }},
          {30, [] {}}});
}

TEST_F(CherryTreeTest, PressLoopHandsOnAQuitItMeets)
{
    testui::PointerTo(On(b));
    Mouse(MOUSEEVENTF_LEFTDOWN);
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, QuitInPressLoop);
    bool quit = false;
    MSG msg{};
    const DWORD limit = ::GetTickCount() + 2000;
    while (!quit && static_cast<int>(limit - ::GetTickCount()) > 0) {
        while (!quit && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            quit = msg.message == WM_QUIT;
            if (!quit)
                ::DispatchMessageA(&msg);
        }
        ::Sleep(5);
    }
    ::KillTimer(nullptr, timer);
    EXPECT_TRUE(quit) << "a quit met in the press loop must reach the outer loop";
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(::GetCapture(), nullptr);
    Mouse(MOUSEEVENTF_LEFTUP);
    testui::Pump(30);
}

TEST_F(CherryTreeTest, PaintsSelectionColoursAndReportsPicturePresses)
{
    ClickWith(b);
    tree.SetItemTextColor(d, RGB(200, 0, 0));
    ::UpdateWindow(tree);
    const CherryItemLayout* layout = tree.FindLayout(b);
    ASSERT_NE(layout, nullptr);
    {
        ClientDC dc(tree);
        EXPECT_EQ(::GetPixel(dc, layout->label.right - 2, layout->label.top + 1), ::GetSysColor(COLOR_HIGHLIGHT));
        EXPECT_EQ(::GetPixel(dc, tree.GetClientRect().right - 3, layout->label.top + 1), tree.GetBackColor());
    }

    // A press on the pictures of the -10 group says 111, and selects nothing.
    HTREEITEM none = Add("未分组", kCherryImageGroup, TVI_ROOT);
    HBITMAP red = SolidBitmap(RGB(255, 0, 0), 10);
    tree.AddItemImage(none, red, kImageLeftBack);
    tree.Invalidate(false);
    ::UpdateWindow(tree);
    const CherryItemLayout* group = tree.FindLayout(none);
    ASSERT_NE(group, nullptr);
    POINT pt{group->leftImages.left + 4, group->leftImages.top + 4};
    ::ClientToScreen(tree, &pt);
    parent.seq.Clear();
    testui::PointerTo(pt);
    testui::Click();
    testui::Pump(40);
    EXPECT_SEQUENCE(parent.seq.Only({WM_LBUTTONDOWN}),
                    (std::vector<Entry>{{"parent", WM_LBUTTONDOWN, kCherryImagePress, 0, testmsg::kWParam}}),
                    "picture press on the -10 group");
    EXPECT_FALSE(tree.IsSelected(none));
    ::DeleteObject(red);
}

TEST_F(CherryTreeTest, PaintValidatesItsRegionAndWaitsWhileRedrawIsOff)
{
    tree.Invalidate(false);
    ::UpdateWindow(tree);
    EXPECT_FALSE(::GetUpdateRect(tree, nullptr, FALSE)) << "a region left invalid repaints for ever and starves timers";

    const CherryItemLayout* layout = tree.FindLayout(b);
    ASSERT_NE(layout, nullptr);
    const POINT mark{layout->label.right - 2, layout->label.top + 1};
    tree.SendMessage(WM_SETREDRAW, FALSE);
    tree.SetItemStateEx(b, TVIS_SELECTED, TVIS_SELECTED);
    tree.Invalidate(false);
    ::UpdateWindow(tree);
    EXPECT_FALSE(::GetUpdateRect(tree, nullptr, FALSE));
    EXPECT_EQ(PixelAt(mark), tree.GetBackColor()) << "nothing is drawn while the owner rebuilds";
    tree.SendMessage(WM_SETREDRAW, TRUE);
    EXPECT_EQ(PixelAt(mark), ::GetSysColor(COLOR_HIGHLIGHT));
}

TEST_F(CherryTreeTest, ScrolledRowsAreFoundWhereTheyMoved)
{
    for (int i = 0; i < 30; ++i)
        Add("More", 100 + i, h);
    ::UpdateWindow(tree);
    tree.SendMessage(WM_VSCROLL, SB_LINEDOWN);
    tree.SendMessage(WM_VSCROLL, SB_LINEDOWN);
    ::UpdateWindow(tree);
    for (HTREEITEM item : {c, e}) {
        RECT native = RECT{};
        std::memcpy(&native, &item, sizeof item);
        ASSERT_TRUE(tree.SendMessage(TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&native)));
        const CherryItemLayout* layout = tree.FindLayout(item);
        ASSERT_NE(layout, nullptr);
        EXPECT_EQ(layout->label.top, native.top) << "the tip and the drop work from this rectangle";
    }
}

TEST_F(CherryTreeTest, RowsPrintIntoAGivenDcWithIndentsPicturesAndColours)
{
    tree.SetDefaultChildIndent(20);
    tree.SetItemChildIndent(h, 30, false);
    HBITMAP red = SolidBitmap(RGB(255, 0, 0), 8);
    tree.AddItemImage(e, red, kImageLeftBack);
    tree.SetItemStateEx(c, TVIS_SELECTED, TVIS_SELECTED);
    ::SetFocus(parent.Handle());  // an unfocused selection has its own colour

    const RECT client = tree.GetClientRect();
    ClientDC screen(tree);
    MemoryDC dc(screen);
    Bitmap bits(::CreateCompatibleBitmap(screen, client.right, client.bottom));
    SelectScope select(dc, bits);
    tree.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(static_cast<HDC>(dc)), PRF_CLIENT);

    const CherryItemLayout *alice = tree.FindLayout(a), *eve = tree.FindLayout(e), *carol = tree.FindLayout(c);
    ASSERT_TRUE(alice && eve && carol);
    EXPECT_EQ(alice->label.left, 20) << "a parent without a record indents by the default";
    EXPECT_EQ(eve->leftImages.left, 30) << "a parent's own indent";
    EXPECT_EQ(eve->label.left, 30 + 8 + CCherryTree::kGap);
    EXPECT_EQ(::GetPixel(dc, eve->leftImages.left + 3, eve->leftImages.top + 3), RGB(255, 0, 0));
    EXPECT_EQ(::GetPixel(dc, carol->label.right - 2, carol->label.top + 1), ::GetSysColor(COLOR_INACTIVECAPTIONTEXT));
    EXPECT_EQ(::GetPixel(dc, alice->label.right - 2, alice->label.top + 1), tree.GetBackColor());

    // Five levels deep a label has no room left: it shows no more than "...".
    HTREEITEM deep = g;
    for (int level = 0; level < 5; ++level)
        deep = Add("abcdefghijkl", 10 + level, deep);
    tree.SetItemChildIndent(g, 30, true);
    HTREEITEM top = Add("abcdefghijkl", -1003, TVI_ROOT);
    for (HTREEITEM up = tree.Next(deep, TVGN_PARENT); up; up = tree.Next(up, TVGN_PARENT))
        tree.SendMessage(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(up));
    tree.SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(deep));
    tree.SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(top));
    tree.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(static_cast<HDC>(dc)), PRF_CLIENT);
    const CherryItemLayout *deepLayout = tree.FindLayout(deep), *topLayout = tree.FindLayout(top);
    ASSERT_TRUE(deepLayout && topLayout);
    EXPECT_EQ(deepLayout->label.left, 5 * 30);
    EXPECT_LT(deepLayout->label.right - deepLayout->label.left, (topLayout->label.right - topLayout->label.left) / 2);
    ::DeleteObject(red);
}

TEST_F(CherryTreeTest, TipsDependOnThePartUnderThePointer)
{
    HBITMAP red = SolidBitmap(RGB(255, 0, 0), 8);
    const std::string longName = "Maximilian Longname";
    HTREEITEM m = Add(longName.c_str(), 9, h);
    tree.SetItemTip(a, "tip A");
    tree.SetItemTip(c, "tip C");
    tree.AddItemImage(c, red, kImageRightBack);
    tree.AddItemImage(d, red, kImageLeftBack);
    tree.Invalidate(false);
    ::UpdateWindow(tree);
    auto middle = [](const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; };
    auto at = [&](HTREEITEM item, RECT CherryItemLayout::*part) {
        const CherryItemLayout* layout = tree.FindLayout(item);
        return layout ? tree.TipTextAt(middle(layout->*part)) : std::string("no layout");
    };
    EXPECT_EQ(at(a, &CherryItemLayout::label), " tip A");
    EXPECT_EQ(at(b, &CherryItemLayout::label), "Bob");
    EXPECT_EQ(at(m, &CherryItemLayout::label), longName) << "the whole name, not the shortened one";
    EXPECT_EQ(at(c, &CherryItemLayout::label), "Carol") << "an item with pictures on the right tips its name";
    EXPECT_EQ(at(c, &CherryItemLayout::rightImages), " tip C");
    EXPECT_EQ(at(d, &CherryItemLayout::leftImages), "") << "pictures without a tip have none";
    ::DeleteObject(red);
}

TEST_F(CherryTreeTest, CollapsingTheCaretsGroupLeavesNoCaret)
{
    ClickWith(b);
    ASSERT_EQ(tree.GetCaret(), b);
    tree.SendMessage(TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(g));
    EXPECT_EQ(tree.GetCaret(), nullptr);
    EXPECT_FALSE(tree.IsSelected(b));
}

TEST_F(CherryTreeTest, AcceptedEditOfAShortenedItemIsShortenedAgain)
{
    ::SetWindowLongPtrA(tree, GWL_STYLE, static_cast<LONG_PTR>(tree.GetStyle() | TVS_EDITLABELS));
    const std::string before = "Alexander Macintosh";
    HTREEITEM item = Add(before.c_str(), 7, g);
    ASSERT_EQ(tree.GetItemText(item), CherryShortText(before, false));
    auto beginEdit = [&] {
        auto edit = reinterpret_cast<HWND>(tree.SendMessage(TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(item)));
        EXPECT_NE(edit, nullptr);
        return edit;
    };

    // Accepted, ended by the owner.
    parent.acceptEdits = true;
    HWND edit = beginEdit();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(testui::WindowText(edit), before) << "the edit starts from the full text";
    const std::string renamed = "Alexandra Macintyre-Smith";
    ::SetWindowTextA(edit, renamed.c_str());
    tree.SendMessage(TVM_ENDEDITLABELNOW, FALSE);
    EXPECT_EQ(tree.GetItemText(item), CherryShortText(renamed, false));
    EXPECT_EQ(tree.GetItemFullText(item), renamed);

    // Accepted with Enter, as a person ends it.
    edit = beginEdit();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(testui::WindowText(edit), renamed);
    const std::string typed = "Bartholomew Jones";
    ::SetWindowTextA(edit, typed.c_str());
    ::SetFocus(edit);
    testui::Press(VK_RETURN);
    testui::Pump(60);
    EXPECT_FALSE(::IsWindow(edit));
    EXPECT_EQ(tree.GetItemText(item), CherryShortText(typed, false));
    EXPECT_EQ(tree.GetItemFullText(item), typed);

    // Refused by the parent: the item keeps both texts.
    parent.acceptEdits = false;
    edit = beginEdit();
    ASSERT_NE(edit, nullptr);
    ::SetWindowTextA(edit, "Somebody Else Entirely");
    tree.SendMessage(TVM_ENDEDITLABELNOW, FALSE);
    testui::Pump(30);
    EXPECT_EQ(tree.GetItemText(item), CherryShortText(typed, false));
    EXPECT_EQ(tree.GetItemFullText(item), typed);
}

TEST_F(CherryTreeTest, ShiftUpAndDownSelectFromTheAnchor)
{
    ClickWith(b);
    parent.seq.Clear();
    ::SetFocus(tree);
    testui::Keys({{VK_SHIFT, true}});
    testui::Press(VK_DOWN);
    testui::Pump(30);
    testui::Press(VK_DOWN);
    testui::Pump(30);
    testui::Keys({{VK_SHIFT, false}});
    testui::Pump(30);
    std::vector<HTREEITEM> selected;
    tree.GetSelectedItems(selected);
    EXPECT_EQ(selected, (std::vector<HTREEITEM>{b, c, d}));
    EXPECT_EQ(tree.GetCaret(), d);
    EXPECT_SEQUENCE(parent.seq,
                    (std::vector<Entry>{{"parent", static_cast<UINT>(TVN_SELCHANGINGA), 2, 1, kBoth},
                                        {"parent", static_cast<UINT>(TVN_SELCHANGEDA), 2, 1, kBoth},
                                        {"parent", static_cast<UINT>(TVN_SELCHANGINGA), 3, 1, kBoth},
                                        {"parent", static_cast<UINT>(TVN_SELCHANGEDA), 3, 1, kBoth}}),
                    "Shift Down twice from Bob");

    // Back up past the anchor: the range turns round it.
    parent.seq.Clear();
    testui::Keys({{VK_SHIFT, true}});
    for (int i = 0; i < 3; ++i) {
        testui::Press(VK_UP);
        testui::Pump(30);
    }
    testui::Keys({{VK_SHIFT, false}});
    testui::Pump(30);
    tree.GetSelectedItems(selected);
    EXPECT_EQ(selected, (std::vector<HTREEITEM>{a, b}));
    EXPECT_EQ(tree.GetCaret(), a);

    // A plain Down leaves one item selected, the new caret.
    testui::Press(VK_DOWN);
    testui::Pump(30);
    tree.GetSelectedItems(selected);
    EXPECT_EQ(selected, (std::vector<HTREEITEM>{b}));
    EXPECT_EQ(tree.GetCaret(), b);
}

TEST_F(CherryTreeTest, HotTrackingFollowsThePointerOverParents)
{
    ::SetWindowLongPtrA(tree, GWL_STYLE, static_cast<LONG_PTR>(tree.GetStyle() | kCherryHotParents));
    testui::PointerTo(On(g));
    testui::Pump(30);
    EXPECT_EQ(tree.HotItem(), g);
    ::UpdateWindow(tree);
    const CherryItemLayout* layout = tree.FindLayout(g);
    ASSERT_NE(layout, nullptr);

    testui::PointerTo(On(a));  // a contact is never hot with this style
    testui::Pump(30);
    EXPECT_EQ(tree.HotItem(), nullptr);

    ::SetWindowLongPtrA(tree, GWL_STYLE,
                        static_cast<LONG_PTR>((tree.GetStyle() & ~kCherryHotParents) | TVS_TRACKSELECT));
    testui::PointerTo(On(c));
    testui::Pump(30);
    EXPECT_EQ(tree.HotItem(), c);
    testui::PointerTo(On(h));
    testui::Pump(30);
    EXPECT_EQ(tree.HotItem(), h);
    // Deleting the hot item leaves no hot item behind.
    tree.DeleteItemEx(h);
    EXPECT_EQ(tree.HotItem(), nullptr);
}

namespace {
std::vector<std::string> g_opened;
void RecordOpen(const std::string& target)
{
    g_opened.push_back(target);
}
}  // namespace

TEST(LinkLabel, ClickNotifiesOrOpensOnlyAGivenAddress)
{
    Parent parent;
    CLinkLabel label;
    const LinkOpener previous = SetLinkOpener(RecordOpen);
    g_opened.clear();
    ASSERT_TRUE(label.Create("www.example.com", WS_CHILD | WS_VISIBLE, RECT{10, 10, 200, 40}, parent.Handle(), 60004));
    label.SetBackColors(0xECD9D3, 0, 0).SetUrlLink(TRUE, TRUE);
    testui::PointerTo(testui::Centre(label));
    testui::Click();
    testui::Pump(40);
    EXPECT_EQ(parent.linkCodes, std::vector<UINT>{kLinkLabelClicked});
    EXPECT_TRUE(g_opened.empty()) << "notify-only calls no shell";

    label.SetUrlLink(TRUE, FALSE);
    testui::Click();
    testui::Pump(40);
    EXPECT_TRUE(g_opened.empty()) << "an empty url opens nothing, not the label's text";
    label.SetUrl("http://pelmo.example/");
    testui::Click();
    testui::Pump(40);
    EXPECT_EQ(g_opened, std::vector<std::string>{"http://pelmo.example/"});

    // Blinking text vanishes into a solid background in its first phase.
    label.SetTextColor(RGB(1, 2, 3)).SetTextBlink(TRUE);
    EXPECT_EQ(label.CurrentTextColor(), static_cast<COLORREF>(0xECD9D3));
    label.SetBackBlink(FALSE);
    EXPECT_FALSE(label.BlinkRunning());
    EXPECT_EQ(label.BlinkKind(), kNoBlink);
    EXPECT_EQ(label.CurrentTextColor(), RGB(1, 2, 3));
    SetLinkOpener(previous);

    CLinkLabel unborn;  // setters before the window exists redraw nothing
    unborn.SetBold(TRUE).SetLabelText("x").SetTextBlink(TRUE);
    EXPECT_FALSE(unborn.BlinkRunning());
}
