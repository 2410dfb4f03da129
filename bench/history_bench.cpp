// Times the history viewer's list fill at 10,000 entries of one group, next
// to a bare list-view fill of the very same texts in the same run (the ratio
// is what matters: both pay the same emulator and the same control). The
// viewer's fill substitutes names through a map built once per fill, reads
// each content's BODY through the history library and keeps redraw off.
//   scripts/with-display.sh scripts/wine-run.sh build/x86_64/bin/history_bench.exe
#include "bench_util.h"
#include "history/hist_list.h"
#include "history_lib.h"
#include "module/module_state.h"
#include "pelmo.h"

#include <commctrl.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char kIdentity[] = "8613800007777";
constexpr int kEntries = 10000;
constexpr int kContacts = 2000;
constexpr int kRuns = 5;

std::string Number(int i)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "139%08d", i);
    return buffer;
}

HWND MakeList(HWND parent)
{
    HWND list = ::CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 600, 400, parent,
                                  nullptr, nullptr, nullptr);
    ListView_SetExtendedListViewStyleEx(list, 0x30, 0x30);
    return list;
}

// The baseline: the same cells, already made, put in with redraw off.
void BareFill(HWND list, const std::vector<std::vector<std::string>>& rows)
{
    ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    ::SendMessageA(list, LVM_SETITEMCOUNT, rows.size(), 0);
    for (size_t r = 0; r < rows.size(); ++r) {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(r);
        item.pszText = const_cast<char*>(rows[r][0].c_str());
        const int at = static_cast<int>(::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        for (size_t c = 1; c < rows[r].size(); ++c) {
            LVITEMA cell{};
            cell.iSubItem = static_cast<int>(c);
            cell.pszText = const_cast<char*>(rows[r][c].c_str());
            ::SendMessageA(list, LVM_SETITEMTEXTA, at, reinterpret_cast<LPARAM>(&cell));
        }
    }
    ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);
}

}  // namespace

int main()
{
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    module::Attach(::GetModuleHandleA(nullptr));

    char temp[MAX_PATH] = {};
    ::GetTempPathA(sizeof temp, temp);
    const std::string dir = std::string(temp) + "pelmo-history-bench";
    ::CreateDirectoryA(dir.c_str(), nullptr);
    ::DeleteFileA((dir + "\\history.db").c_str());

    // The address book: the parties' numbers belong to contacts, half with
    // a nickname, half with only a name.
    std::vector<FriendInfo> friends(kContacts);
    for (int i = 0; i < kContacts; ++i) {
        std::strcpy(friends[i].mirrun, Number(i).c_str());
        std::snprintf(i % 2 ? friends[i].nickname : friends[i].name, 32, "联系人%d", i);
    }
    FriendCache cache{};
    cache.friends.data = friends.data();
    cache.friends.count = kContacts;
    cache.friends.capacity = kContacts;

    HostConfig config{};
    std::strcpy(config.identity, kIdentity);
    std::strncpy(config.dataDir, dir.c_str(), sizeof config.dataDir - 1);
    config.friendCache = &cache;
    setConfInfo(TEMBRA_CONF_KEY, &config);

    std::vector<std::string> partyA(kEntries), partyB(kEntries), content(kEntries);
    std::vector<HistRecord> entries(kEntries);
    for (int i = 0; i < kEntries; ++i) {
        partyA[i] = Number(i % (kContacts + 500));  // some numbers are no contact
        partyB[i] = std::string(kIdentity) + "," + Number((i * 7) % kContacts);
        content[i] = "<MSG><BODY>第" + std::to_string(i) + "条消息 &amp; 内容</BODY></MSG>";
        HistRecord& r = entries[i];
        std::strcpy(r.owner, kIdentity);
        std::strcpy(r.type, "text");
        std::strcpy(r.group, "bench");
        std::strcpy(r.status, i % 3 ? "已读" : "未读");
        std::strcpy(r.detail, "2024-06-01 12:00");
        r.partyA = &partyA[i][0];
        r.partyB = &partyB[i][0];
        r.content = &content[i][0];
    }
    double t = Now();
    const int stored = addHistEntries(entries.data(), kEntries);
    std::printf("store: %d entries added in one transaction in %.1f ms\n", stored, (Now() - t) * 1000);

    HistRecord query{};
    std::strcpy(query.owner, kIdentity);
    std::strcpy(query.type, "text");
    std::strcpy(query.group, "bench");
    int count = 0;
    t = Now();
    HistRecord* items = getHistItem(&query, &count);
    std::printf("store: getHistItem of %d entries in %.1f ms\n", count, (Now() - t) * 1000);

    HWND parent = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 620, 420, nullptr, nullptr, nullptr, nullptr);
    HWND viewerList = MakeList(parent);
    HWND bareList = MakeList(parent);
    const histlib::Calls& calls = histlib::Library();
    histview::SetColumns(viewerList, histview::Layout::kText);
    histview::SetColumns(bareList, histview::Layout::kText);

    // The same texts, made once for the baseline.
    const histview::NameMap names = histview::BuildNameMap(&cache);
    const histview::StatusTexts status = histview::StatusTexts::Load();
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < count; ++r)
        rows.push_back(histview::RowCells(items[histview::RecordOfRow(r, count)], r, histview::Layout::kText, names,
                                          status, calls));

    double best[2] = {1e9, 1e9};
    for (int run = 0; run < kRuns; ++run) {
        t = Now();
        ListView_DeleteAllItems(viewerList);
        // What a list load does: the map and the status texts once per fill.
        histview::FillRows(viewerList, items, count, histview::Layout::kText, histview::BuildNameMap(&cache),
                           histview::StatusTexts::Load(), calls);
        best[0] = std::min(best[0], Now() - t);
        t = Now();
        BareFill(bareList, rows);
        best[1] = std::min(best[1], Now() - t);
    }
    std::printf("viewer fill of %d rows x 7 columns (names of %d contacts): %.1f ms (best of %d)\n", count, kContacts,
                best[0] * 1000, kRuns);
    std::printf("bare list-view fill of the same texts:                  %.1f ms (best of %d)\n", best[1] * 1000,
                kRuns);
    std::printf("ratio viewer / bare: %.2f (target <= 2)\n", best[0] / best[1]);
    PrintFigure("history viewer: list fill, 10,000 entries", "ms", best[0] * 1000, best[1] * 1000, 2);

    char check[64] = {};
    ListView_GetItemText(viewerList, 0, 3, check, sizeof check);
    std::printf("row 1 sender: %s\n", check);

    releaseItemBuf(items, count);
    ::DestroyWindow(parent);
    closeHistStore();
    ::DeleteFileA((dir + "\\history.db").c_str());
    ::RemoveDirectoryA(dir.c_str());
    module::Detach();
    return 0;
}
