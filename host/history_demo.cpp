#include "host/history_demo.h"

#include "host/host_window.h"

#include "history_lib.h"
#include "host/screenshot.h"
#include "pelmo.h"

#include <commctrl.h>

#include <cstring>

namespace {

constexpr char kIdentity[] = "8613800001111";  // the sample user of address_book_demo.cpp
constexpr int kTreeId = 1034;
constexpr int kListId = 1037;
constexpr int kOpenId = 1036;
constexpr int kCloseId = 7034;

template <size_t N>
void Put(char (&field)[N], const char* text)
{
    std::memset(field, 0, N);
    std::memcpy(field, text, strnlen(text, N - 1));
}

void Shot(const std::string& dir, const char* name, FILE* log)
{
    if (dir.empty())
        return;
    Pump(400);
    SaveScreenshot(dir + "\\" + name + ".bmp");
    std::fprintf(log, "screenshot %s\n", name);
}

HTREEITEM ChildAt(HWND tree, HTREEITEM parent, int index)
{
    HTREEITEM item = TreeView_GetChild(tree, parent);
    while (item && index-- > 0)
        item = TreeView_GetNextSibling(tree, item);
    return item;
}

}  // namespace

void SeedHistoryDemo(FILE* log)
{
    struct Sample {
        const char* type;
        const char* group;
        const char* status;
        const char* partyA;
        const char* partyB;
        const char* content;
        const char* detail;
    } samples[] = {
        {"text", "2024年5月", "已读", "13900002222", kIdentity, "<MSG><BODY>周末去爬山吗？</BODY></MSG>",
         "2024-05-11 09:12"},
        {"text", "2024年5月", "已发", kIdentity, "13900002222", "<MSG><BODY>好啊，几点出发？</BODY></MSG>",
         "2024-05-11 09:15"},
        {"text", "2024年5月", "未读", "13900002222", kIdentity, "<MSG><BODY>早上七点，地铁站见。</BODY></MSG>",
         "2024-05-11 09:20"},
        {"text", "2024年5月", "未读", "13700004444", kIdentity,
         "<MSG><BODY>合同已发到邮箱，请查收 &amp; 回复。</BODY></MSG>", "2024-05-28 16:40"},
        {"text", "2024年6月", "已读", "13700004444", kIdentity, "<MSG><BODY>会议改到周五下午。</BODY></MSG>",
         "2024-06-03 10:05"},
        {"text", "2024年6月", "未发", kIdentity, "13600005555,13700004444",
         "<MSG><BODY>今晚聚餐，别忘了！</BODY></MSG>", "2024-06-07 18:30"},
        {"text", "2024年6月", "未读", "13600005555", kIdentity, "<MSG><BODY>收到，谢谢。</BODY></MSG>",
         "2024-06-07 18:41"},
        {"tel", "2024年5月", "", "13900002222", kIdentity, "", "00:03:12"},
        {"tel", "2024年5月", "", kIdentity, "13600005555", "", "00:00:45"},
        {"tel", "2024年6月", "", "13700004444", kIdentity, "", "00:12:08"},
        {"tel", "2024年6月", "", kIdentity, "13900002222", "", "00:01:30"},
    };
    clearHistStore();
    int stored = 0;
    for (const Sample& s : samples) {
        HistRecord r{};
        Put(r.owner, kIdentity);
        Put(r.type, s.type);
        Put(r.info, s.type);
        Put(r.group, s.group);
        Put(r.status, s.status);
        Put(r.detail, s.detail);
        r.partyA = const_cast<char*>(s.partyA);
        r.partyB = const_cast<char*>(s.partyB);
        r.content = const_cast<char*>(s.content);
        stored += addOneHist(&r) >= 0;
    }
    std::fprintf(log, "history: %d entries in the store%s%s\n", stored, *getHistError() ? ": " : "", getHistError());
}

HWND OpenHistoryViewer(FILE* log)
{
    HWND viewer = reinterpret_cast<HWND>(viewHistList());
    std::fprintf(log, "viewHistList -> %s\n", viewer ? "a viewer" : "0");
    return viewer;
}

void RunHistoryScenario(const std::string& shotDir, FILE* log)
{
    HWND viewer = OpenHistoryViewer(log);
    if (!viewer)
        return;
    HWND tree = ::GetDlgItem(viewer, kTreeId);
    HWND list = ::GetDlgItem(viewer, kListId);
    // The first message group is chosen at start; pick its unread row.
    ListView_SetItemState(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ::SetFocus(list);
    Shot(shotDir, "history_viewer", log);
    ::SendMessageA(viewer, WM_COMMAND, MAKEWPARAM(kOpenId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(viewer, kOpenId)));
    ::SetFocus(list);  // where a person who double-clicked the row would be
    Shot(shotDir, "history_marked_read", log);
    HTREEITEM root = TreeView_GetRoot(tree);
    TreeView_SelectItem(tree, ChildAt(tree, ChildAt(tree, root, 1), 1));
    Shot(shotDir, "history_calls", log);
    ::SendMessageA(viewer, WM_COMMAND, MAKEWPARAM(kCloseId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(viewer, kCloseId)));
    std::fprintf(log, "viewer closed: %s\n", ::IsWindow(viewer) ? "no" : "yes");
}
