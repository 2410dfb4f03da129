// What the history viewer shows, decided without a window: the category
// tree's items and their data, the list's columns and cells, which record a
// row is, what an open tells the host and which number an add offers.
#pragma once

#include "history/hist_library.h"
#include "pelmo.h"

#include <windows.h>

#include <string>
#include <unordered_map>
#include <vector>

namespace histview {

// Item data of the category tree. A group's value is its category's plus
// the group's place + 1; from the 256th group on, the place goes on in the
// bits above the type byte (see GroupValue), so the low byte is never 0 and
// the type byte is always the category's.
constexpr LPARAM kRootValue = 0;
constexpr LPARAM kTextCategory = 256;
constexpr LPARAM kTelCategory = 1280;
constexpr size_t kGroupsPerBlock = 255;
constexpr size_t kGroupNameSize = 50;

LPARAM GroupValue(LPARAM category, size_t index);
bool IsGroupValue(LPARAM value);
// The entry type of a group's value ("text", "multi", "mail", "fax", "tel"),
// empty for anything else.
std::string TypeOfValue(LPARAM value);
size_t GroupIndexOfValue(LPARAM value);

struct Category {
    unsigned titleId;
    LPARAM value;
    const char* type;
    std::vector<std::string> groups;
};

// The two categories the tree shows, with their groups from the library.
std::vector<Category> ReadCategories(const histlib::Calls& calls, const std::string& identity);
// Group names of one type: the count first, then a buffer of that many
// 50-byte names (a full name has no terminator); only the names both calls
// agree on are read.
std::vector<std::string> ReadGroups(const histlib::Calls& calls, const std::string& identity, const char* type);

// What the list shows for a tree item: empty type and group for the root,
// a category or an unknown value.
struct Selection {
    std::string type;
    std::string group;
    bool Empty() const { return type.empty() || group.empty(); }
};
Selection SelectionOf(LPARAM value, const std::vector<Category>& categories);

// The query record for one type and group.
HistRecord QueryFor(const std::string& identity, const Selection& selection);

enum class Layout { kCall, kText, kMail };
Layout LayoutOf(const std::string& type);
std::vector<unsigned> ColumnTitleIds(Layout layout);
// Ten pixels for each byte of the title.
int ColumnWidth(const std::string& title);

// Number -> the name shown instead: a contact's nickname, else its name;
// the first contact in cache order wins; contacts without either and
// empty numbers are left out. Built once per fill.
using NameMap = std::unordered_map<std::string, std::string>;
NameMap BuildNameMap(const FriendCache* cache);
// The party text with every whole number that the map knows replaced by
// its name. A number inside a longer run of digits stays, and inserted
// names are never scanned again. Null is empty.
std::string DisplayParty(const char* party, const NameMap& names);

// The resource texts of the four known status values, read once per fill.
struct StatusTexts {
    std::string unread, read, sent, unsent;
    static StatusTexts Load();
};
std::string StatusText(const HistRecord& record, const StatusTexts& texts);

// The cells of row `row` showing `record`.
std::vector<std::string> RowCells(const HistRecord& record, int row, Layout layout, const NameMap& names,
                                  const StatusTexts& status, const histlib::Calls& calls);

// The record a list row shows (the last record in the first row), or -1.
int RecordOfRow(int row, int count);

// The notice code of an opened entry of this type.
WPARAM OpenCode(const HistRecord& record);
// The notice block of an opened entry: zeros, then each text cut to its
// field (a full field has no terminator).
void FillNotice(HistEntryNotice& notice, const HistRecord& record);

// The number of the entry's other party, empty when both parties are the
// user's own number.
std::string NumberToAdd(const HistRecord& record, const std::string& identity);

extern const char kUnread[];  // "未读"
extern const char kRead[];    // "已读"

}  // namespace histview
