// panel_bench: the contact panel at scale. Not a test: run it by hand,
//   scripts/with-display.sh scripts/wine-run.sh build/x86_64/bin/panel_bench.exe
// Prints a full rebuild of 10,000 contacts in 1,000 groups next to a bare
// TVM_INSERTITEM loop of the same items, a storm of 10,000 presence
// changes (setFriendState and the host's message) into the open panel, and
// a delivery of an online list of 5,000 numbers.
#include "bench_host.h"
#include "bench_util.h"
#include "core/friend_cache.h"
#include "core/growable_array.h"
#include "core/host_config.h"
#include "core/product.h"
#include "core/resource_text.h"
#include "history_lib.h"
#include "module/module_state.h"
#include "panel/friend_sel_wnd.h"
#include "panel/panel_rules.h"
#include "pelmo.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kGroups = 1000;
constexpr int kContacts = 10000;
constexpr int kListed = 5000;
constexpr int kRuns = 3;

// 100 top-level groups with nine subgroups each; ten contacts per group
// and the service contact.
void FillBook(FriendCache* cache)
{
    AddGroupTree(cache, kGroups);
    FriendInfo service{};
    service.groupID = PELMO_GROUP_SERVICE;
    std::strcpy(service.mirrun, kServiceNumber);
    ArrayAdd(cache->friends, service);
    for (int i = 1; i < kContacts; ++i) {
        FriendInfo f{};
        f.ID = i;
        f.groupID = i % kGroups;
        f.state = i % 3 == 0;
        std::snprintf(f.mirrun, sizeof f.mirrun, "0571%06d", i);
        std::snprintf(f.nickname, sizeof f.nickname, "联系人%d", i);
        ArrayAdd(cache->friends, f);
    }
}

}  // namespace

int main()
{
    module::Attach(::GetModuleHandleA(nullptr));
    FriendCache* cache = NewFriendCache();
    FillBook(cache);
    HostConfig config = RegisterBook(cache);

    HWND host = ::CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800, 700, nullptr,
                                  nullptr, nullptr, nullptr);
    auto* panel = static_cast<CFriendSelWnd*>(showFriendList(host, WM_APP + 2, "", 0));
    if (!panel) {
        std::printf("the panel did not open\n");
        return 1;
    }
    Pump();
    CCherryTree& tree = panel->Tree();

    const double rebuild = BestPumped(kRuns, [&] {
        ::SendMessageA(*panel, PELMO_WM_PRESENCE, PELMO_PRESENCE_REBUILD, 0);
        ::UpdateWindow(tree);
    });
    const auto items = panel::BuildPanelTree(cache, nullptr, panel::PanelTexts{"a", "b", "c", "d", "e"});
    RECT at{};
    ::GetWindowRect(tree, &at);
    ::MapWindowPoints(nullptr, *panel, reinterpret_cast<POINT*>(&at), 2);
    HWND bare = ::CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS, at.left, at.top,
                                  at.right - at.left, at.bottom - at.top, *panel, nullptr, nullptr, nullptr);
    const double bareTime = BestPumped(kRuns, [&] {
        ::SendMessageA(bare, WM_SETREDRAW, FALSE, 0);
        TreeView_DeleteAllItems(bare);
        std::vector<HTREEITEM> handles;
        handles.reserve(items.size());
        for (const auto& it : items) {
            TVINSERTSTRUCTA ins{};
            ins.hParent = it.parent >= 0 ? handles[static_cast<size_t>(it.parent)] : TVI_ROOT;
            ins.hInsertAfter = TVI_LAST;
            ins.item.mask = TVIF_TEXT | TVIF_PARAM;
            ins.item.pszText = const_cast<char*>(it.text.c_str());
            ins.item.lParam = it.value;
            handles.push_back(TreeView_InsertItem(bare, &ins));
        }
        ::SendMessageA(bare, WM_SETREDRAW, TRUE, 0);
        TreeView_Expand(bare, handles[0], TVE_EXPAND);
        ::InvalidateRect(bare, nullptr, TRUE);
        ::UpdateWindow(bare);
    });
    ::DestroyWindow(bare);

    // The storm: every contact changes presence once, online or offline.
    Pump();
    const double s0 = Now();
    for (int i = 1; i < kContacts; ++i) {
        const char* number = cache->friends.data[i].mirrun;
        const bool online = cache->friends.data[i].state == 0;
        setFriendState(number, online ? 1 : 0);
        ::SendMessageA(*panel, PELMO_WM_PRESENCE, online ? PELMO_PRESENCE_ONLINE : PELMO_PRESENCE_OFFLINE,
                       reinterpret_cast<LPARAM>(number));
    }
    ::UpdateWindow(tree);
    const double storm = Now() - s0;

    std::vector<char> block(static_cast<size_t>(kListed) * 16, 0);
    for (int i = 0; i < kListed; ++i)
        std::snprintf(&block[static_cast<size_t>(i) * 16], 16, "0771%06d", i);
    Pump();
    const double d0 = Now();
    ::SendMessageA(*panel, PELMO_WM_ONLINE_LIST, block.size(), reinterpret_cast<LPARAM>(block.data()));
    ::UpdateWindow(tree);
    const double delivery = Now() - d0;

    std::printf("rebuild, %d contacts in %d groups: panel %.1f ms, bare TVM_INSERTITEM %.1f ms, ratio %.2f\n",
                kContacts, kGroups, rebuild * 1e3, bareTime * 1e3, rebuild / bareTime);
    std::printf("presence storm, %d changes (setFriendState + message): %.1f ms\n", kContacts - 1, storm * 1e3);
    std::printf("online-list delivery, %d numbers (parse and rebuild with the list): %.1f ms\n", kListed,
                delivery * 1e3);
    PrintFigure("panel: rebuild, 10,000 contacts in 1,000 groups", "ms", rebuild * 1e3, bareTime * 1e3, 2);
    PrintFigure("panel: presence storm, 10,000 changes", "ms", storm * 1e3, 0, 1000);
    PrintFigure("panel: online-list delivery of 5,000 numbers", "ms", delivery * 1e3, 0, 200);

    ::DestroyWindow(host);
    Pump();
    config.friendCache = nullptr;
    setConfInfo(TEMBRA_CONF_KEY, &config);
    FreeFriendCache(cache);
    module::Detach();
    return 0;
}
