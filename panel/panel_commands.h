// What the contact panel's commands decide, without any window: which
// context menu a right click gets, where a new contact is filed, what a
// rename stores, where a dragged contact goes, what a file drop tells the
// host and what a group deletion's answers lead to. The panel window asks
// these and applies the answers.
#pragma once

#include "panel/panel_rules.h"
#include "pelmo.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CMenuXP;

namespace panel {

// Commands of the panel (their menu texts share the ids from 50004 on).
constexpr UINT kCmdCall = 1074;  // 0x455 with lParam 1
constexpr UINT kCmdCallAlt = 1075;
constexpr UINT kCmdMessage = 1076;
constexpr UINT kCmdAddContact = 1077;
constexpr UINT kCmdAddGroup = 50004;
constexpr UINT kCmdModifyGroup = 50005;
constexpr UINT kCmdDeleteGroup = 50006;
constexpr UINT kCmdRenameContact = 50008;
constexpr UINT kCmdDeleteContact = 50009;
constexpr UINT kCmdImport = 50010;
constexpr UINT kCmdExport = 50011;
constexpr UINT kCmdContactInfo = 50012;
constexpr UINT kCmdViewHistory = 50016;

constexpr char kMenuTitle[] = "QUARNE";

// What the 0x455 action message asks the host for (lParam); 0 is a double
// click (panel_rules.h).
constexpr LPARAM kActionCall = 1;
constexpr LPARAM kActionCallAlt = 2;
constexpr LPARAM kActionMessage = 3;  // also files dropped on a contact
// Sent to the application's main window: the user's identity and a
// contact's number, to show that contact's history.
constexpr UINT kWmViewHistory = WM_USER + 0x5A;
// The longest dropped path the host's buffer takes.
constexpr size_t kMaxDropPath = 260;

// Fixed texts of the panel's own boxes.
extern const char kSubgroupsText[];
extern const char kPathTooLongText[];

// Whether `id` is one of the panel's commands.
bool IsPanelCommand(UINT id);

// One line of the context menu; command 0 is a separator.
struct MenuEntry {
    UINT command;
    UINT textId;
    bool enabled;
};

struct ContextMenu {
    bool pickFirst = false;  // a contact or list entry is picked before the menu opens
    std::vector<MenuEntry> entries;
};

// The menu for a right click on an item of `kind`, or on no item.
ContextMenu ContextMenuFor(std::optional<ItemKind> hit);

// The XP menu for `entries` in the panel's colours with its title bar;
// `text` gives a string id's text.
std::unique_ptr<CMenuXP> BuildContextMenu(const std::vector<MenuEntry>& entries,
                                          const std::function<std::string(UINT)>& text);

// The group a contact added from the menu is filed under: the kept item's
// own group, or its parent's for a contact, list entry or placeholder; a
// fixed root's pseudo group; -10 without an item, for a top-level list
// entry (no parent group) and for a group no longer in the cache.
int GroupForNewContact(const FriendCache* cache, std::optional<int> itemValue, std::optional<int> parentValue);

// The empty record the contact dialog opens on: the group, and the picked
// value as number, cut at a whole character to the field (a mail address or
// fax number is longer than a number).
FriendInfo NewContactRecord(int groupId, const std::string& pickedValue);

// The group a dropped contact moves to: a group's ID, or the fixed root's
// pseudo group; none for anything else.
std::optional<int> MoveTargetGroup(const FriendCache* cache, int targetValue);

// The record a finished label edit stores: `newText` (null when the edit
// was cancelled) in both name and nickname, each cut at a whole character
// to its field. None when the text is missing, empty or the same as
// `currentName`, the contact's full name the edit started from.
std::optional<FriendInfo> RenamedContact(const FriendInfo& contact, const char* newText,
                                         const std::string& currentName);

// What the panel sends for files dropped on an item: the item's pick value,
// "|" and the first non-empty path. None for fixed roots, groups and
// placeholders, or without a non-empty path.
std::optional<std::string> DropMessageText(ItemKind kind, const std::string& pickValue,
                                           const std::vector<std::string>& paths);

// Whether the path a drop would send (the first non-empty one) is longer
// than the host takes: such a drop is refused with a word to the user
// instead of sending a cut path.
bool DropPathTooLong(const std::vector<std::string>& paths);

// A group deletion, step by step.
enum class GroupDeleteStep {
    kRemoveItem,        // done: the group's item goes
    kAskAboutContacts,  // it holds contacts: ask whether they go too
    kReportSubgroups,   // it holds subgroups: nothing deleted, say why
    kReportFailure,     // nothing deleted
};
// After DeleteGroupRow: only a deleted row removes the item (0 deleted nothing).
GroupDeleteStep AfterGroupRowDeletion(int result);
// After the second answer's operation (DeleteGroupTree for yes,
// DissolveGroupTree for no).
GroupDeleteStep AfterGroupTreeDeletion(int result);

}  // namespace panel
