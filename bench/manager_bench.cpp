// manager_bench: the address-book manager at scale, next to the bare
// common-control loops that it cannot beat. Not a test: run it by hand,
//   scripts/with-display.sh scripts/wine-run.sh build/x86_64/bin/manager_bench.exe
// Prints the group tree build (1,000 groups) and the contact list fill
// (10,000 rows) against TVM_INSERTITEM / LVM_INSERTITEM+LVM_SETITEMTEXT
// loops for the same items, and a burst of 10,000 presence notices.
#include "bench_host.h"
#include "bench_util.h"
#include "core/friend_cache.h"
#include "core/growable_array.h"
#include "core/host_config.h"
#include "core/resource_text.h"
#include "history_lib.h"
#include "manager/friend_frame.h"
#include "manager/manager_pane.h"
#include "manager/manager_rules.h"
#include "module/module_state.h"
#include "pelmo.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int kGroups = 1000;
int kContacts = 10000;
constexpr int kRuns = 3;

// 100 top-level groups with nine children each; every contact in the first.
void FillBook(FriendCache* cache)
{
    AddGroupTree(cache, kGroups);
    for (int i = 0; i < kContacts; ++i) {
        FriendInfo f{};
        f.ID = i;
        f.groupID = 0;
        f.gender = i % 3;
        std::snprintf(f.mirrun, sizeof f.mirrun, "0571%06d", i);
        std::snprintf(f.name, sizeof f.name, "联系人%d", i);
        std::snprintf(f.nickname, sizeof f.nickname, "昵称%d", i);
        std::snprintf(f.e_mail, sizeof f.e_mail, "user%d@example.cn", i);
        std::snprintf(f.cell_phone, sizeof f.cell_phone, "139%08d", i);
        std::snprintf(f.company, sizeof f.company, "公司%d", i % 50);
        std::snprintf(f.city, sizeof f.city, "杭州");
        ArrayAdd(cache->friends, f);
    }
}

HWND BareControl(const char* cls, DWORD style, HWND frame, const RECT& at)
{
    return ::CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, at.left, at.top, at.right - at.left,
                             at.bottom - at.top, frame, nullptr, nullptr, nullptr);
}

RECT ClientIn(HWND control, HWND frame)
{
    RECT r{};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 2) {  // smaller runs: manager_bench <groups> <contacts>
        kGroups = std::max(100, std::atoi(argv[1]));
        kContacts = std::max(1, std::atoi(argv[2]));
    }
    module::Attach(::GetModuleHandleA(nullptr));
    FriendCache* cache = NewFriendCache();
    FillBook(cache);
    HostConfig config = RegisterBook(cache);

    auto* frame = static_cast<CFriendFrmWnd*>(showFriendMain(0));
    if (!frame) {
        std::printf("the manager did not open\n");
        return 1;
    }
    Pump();
    std::fprintf(stderr, "opened\n");
    HWND left = frame->LeftView();
    HWND right = frame->RightView();

    // Group tree: the manager's rebuild against the bare insertion loop.
    // Each side ends with its control painted.
    const double tree = BestPumped(kRuns, [&] {
        ::SendMessageA(left, manager::WM_MANAGER_REFRESH, PELMO_MANAGER_REBUILD, 1);
        ::UpdateWindow(frame->LeftView().Tree());
    });
    const auto entries = manager::GroupTree(cache, "8613800000001", resources::String(846), resources::String(839));
    HWND bareTree = BareControl(WC_TREEVIEWA, 7 | WS_BORDER | (std::getenv("INFOTIP") ? TVS_INFOTIP : 0), *frame,
                                ClientIn(frame->LeftView().Tree(), *frame));
    const double bareTreeTime = BestPumped(kRuns, [&] {
        ::SendMessageA(bareTree, WM_SETREDRAW, FALSE, 0);
        TreeView_DeleteAllItems(bareTree);
        std::vector<HTREEITEM> items;
        for (const auto& e : entries) {
            TVINSERTSTRUCTA ins{};
            ins.hParent = e.parent >= 0 ? items[e.parent] : TVI_ROOT;
            ins.hInsertAfter = TVI_LAST;
            ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
            ins.item.pszText = const_cast<char*>(e.text.c_str());
            ins.item.iImage = ins.item.iSelectedImage = e.image;
            ins.item.lParam = e.value;
            items.push_back(TreeView_InsertItem(bareTree, &ins));
        }
        ::SendMessageA(bareTree, WM_SETREDRAW, TRUE, 0);
        TreeView_Expand(bareTree, items[0], TVE_EXPAND);
        TreeView_SelectItem(bareTree, items[0]);
        ::InvalidateRect(bareTree, nullptr, TRUE);
        ::UpdateWindow(bareTree);
    });
    ::DestroyWindow(bareTree);
    if (std::getenv("PELMO_BENCH_PARTS")) {
        CTipTreeCtrl& t = frame->LeftView().Tree();
        const double pure = BestPumped(kRuns, [&] { manager::GroupTree(cache, "x", "u", "s"); });
        const double del = BestPumped(kRuns, [&] {
            manager::Identity();
            GetFriendCache();
        });
        const double str = BestPumped(kRuns, [&] { resources::String(846); });
        std::printf("string %.2f ms\n", str * 1e3);
        const double ins = BestPumped(kRuns, [&] {
            t.SendMessage(WM_SETREDRAW, FALSE);
            TreeView_DeleteAllItems(t);
            std::vector<HTREEITEM> items;
            for (const auto& e : entries)
                items.push_back(t.Insert(e.parent >= 0 ? items[e.parent] : nullptr, e.text, e.image, e.value));
            t.SendMessage(WM_SETREDRAW, TRUE);
        });
        std::printf("parts: rules %.1f ms, identity+cache %.2f ms, delete+insert %.1f ms\n", pure * 1e3, del * 1e3,
                    ins * 1e3);
    }

    std::fprintf(stderr, "tree done\n");
    // Contact list: group index 0 holds all 10,000 contacts.
    const double list = BestPumped(kRuns, [&] {
        ::SendMessageA(right, manager::WM_MANAGER_REFRESH, 0, 0);
        ::UpdateWindow(frame->RightView().List());
    });
    const auto rows = manager::ListRows(cache, 0);
    HWND bareList =
        BareControl(WC_LISTVIEWA, LVS_REPORT | LVS_SHOWSELALWAYS, *frame, ClientIn(frame->RightView().List(), *frame));
    for (int c = 0; c < manager::kColumnCount; ++c) {
        LVCOLUMNA column{};
        column.mask = LVCF_WIDTH | LVCF_SUBITEM;
        column.cx = 60;
        column.iSubItem = c;
        ::SendMessageA(bareList, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&column));
    }
    // Both fills keep the control from painting until they are done, as any
    // bulk fill should: what is compared is the insertion itself.
    const double bareListTime = BestPumped(kRuns, [&] {
        ::SendMessageA(bareList, WM_SETREDRAW, FALSE, 0);
        ListView_DeleteAllItems(bareList);
        int at = 0;
        for (const auto& row : rows) {
            LVITEMA item{};
            item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
            item.iItem = at++;
            item.pszText = const_cast<char*>(row.texts[0].c_str());
            item.iImage = row.icon;
            item.lParam = row.index;
            const int i =
                static_cast<int>(::SendMessageA(bareList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
            for (int c = 1; c < manager::kColumnCount; ++c) {
                LVITEMA cell{};
                cell.iSubItem = c;
                cell.pszText = const_cast<char*>(row.texts[c].c_str());
                ::SendMessageA(bareList, LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&cell));
            }
        }
        ::SendMessageA(bareList, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(bareList, nullptr, TRUE);
        ::UpdateWindow(bareList);
    });
    ::DestroyWindow(bareList);

    std::fprintf(stderr, "list done\n");
    // A presence burst: every contact comes online, one notice each, then
    // the list catches up.
    ::SendMessageA(right, manager::WM_MANAGER_REFRESH, 0, 0);
    Pump();
    const double s0 = Now();
    for (int i = 0; i < kContacts; ++i)
        setFriendState(cache->friends.data[i].mirrun, 1);
    const double states = Now() - s0;
    const double t0 = Now();
    for (int i = 0; i < kContacts; ++i) {
        ::SendMessageA(right, manager::WM_PRESENCE, PELMO_PRESENCE_ONLINE,
                       reinterpret_cast<LPARAM>(cache->friends.data[i].mirrun));
    }
    const double sent = Now() - t0;
    Pump();
    const double burst = Now() - t0;

    std::printf("group tree, %d groups:     manager %.1f ms, bare TVM_INSERTITEM %.1f ms, ratio %.2f\n", kGroups,
                tree * 1e3, bareTreeTime * 1e3, tree / bareTreeTime);
    std::printf("contact list, %d rows:   manager %.1f ms, bare LVM_INSERTITEM/SETITEMTEXT %.1f ms, ratio %.2f\n",
                kContacts, list * 1e3, bareListTime * 1e3, list / bareListTime);
    std::printf(
        "presence burst, %d notices: %.1f ms to the refreshed list, %.1f ms of it sending (the host's %d "
        "setFriendState calls before it: %.1f ms)\n",
        kContacts, burst * 1e3, sent * 1e3, kContacts, states * 1e3);
    PrintFigure("manager: group tree, 1,000 groups", "ms", tree * 1e3, bareTreeTime * 1e3, 1.5);
    PrintFigure("manager: contact list, 10,000 rows", "ms", list * 1e3, bareListTime * 1e3, 1.5);
    PrintFigure("manager: presence burst, 10,000 notices to the repainted list", "ms", burst * 1e3, 0, 1000);

    ::DestroyWindow(*frame);
    Pump();
    config.friendCache = nullptr;
    setConfInfo(TEMBRA_CONF_KEY, &config);
    FreeFriendCache(cache);
    module::Detach();
    return 0;
}
