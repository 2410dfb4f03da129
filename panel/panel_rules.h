// What the contact panel shows and which record a click reaches, decided
// without any window so that tests can ask.
//
// Item values are the panel's own: a group's value is derived from its
// position in the cache, never from its ID, so no group ID can collide with
// the fixed roots, the placeholders or a contact. Contacts keep their cache
// index (the tree control's drag rules read values >= 0 as contacts) and
// online-list entries get a range of their own. The values never leave the
// panel.
#pragma once

#include "core/session_state.h"
#include "pelmo.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace panel {

constexpr int kServiceRootValue = PELMO_GROUP_SERVICE;  // -50
constexpr int kExtraRootValue = PELMO_GROUP_NONE;       // -10
constexpr int kPlaceholderValue = -1;
constexpr int kGroupValueBase = -1000;      // group at cache index g: -1000 - g
constexpr int kListValueBase = 0x40000000;  // online-list entry i: base + i

enum class ItemKind { kServiceRoot, kExtraRoot, kGroup, kPlaceholder, kContact, kListEntry };
enum class Picture { kNone, kOffline, kOnline, kSpecial };

constexpr int kNoRank = -1;
constexpr int kServiceRootRank = 6;
constexpr int kExtraRootRank = 5;

int GroupValue(size_t groupIndex);
int ListValue(size_t entry);
ItemKind KindOf(int value);
// Cache index of a group value, entry of a list value; -1 for other kinds.
intptr_t GroupIndexOf(int value);
intptr_t ListEntryOf(int value);

// Presence rank of a state: 0 offline, 1 online, 2 special, kNoRank for
// values the host never sends. The service contact online is special.
int PresenceRank(int state, bool serviceNumber);
int ContactRank(const FriendInfo& contact);
Picture PictureOf(int rank);

struct PanelTexts {
    std::string serviceRoot;  // 838
    std::string extraRoot;    // 527
    std::string extraTip;     // 834
    std::string placeholder;  // 840
    std::string serviceName;  // 25: the service contact's name whatever is stored
};

// One tree item; `parent` is the position in the same vector of the item it
// hangs under (-1 top level). Items come in display order, parents first.
struct PanelItem {
    int value;
    int parent;
    ItemKind kind;
    std::string text;
    std::string tip;
    int rank;
    bool bold;
    bool red;
    int childIndent;
};

// The whole tree: the service root, the extra root, the groups reachable
// from the top level in cache order, depth first (a group in a cycle of
// fatherIDs or under a missing parent is never reached), then the online
// list when `list` is given. Under each root or group: its subgroups, then
// its contacts by rank (special, online, offline, then unknown states),
// equal ranks in cache order; a placeholder where it has no contact.
// Contacts of unknown groups are not shown. Linear in groups + contacts
// apart from the per-parent sorts.
std::vector<PanelItem> BuildPanelTree(const FriendCache* cache, const session::OnlineList* list,
                                      const PanelTexts& texts);

// The online-list entries as top-level items, in list order.
std::vector<PanelItem> ListItems(const session::OnlineList& list);

// What a contact is called in the panel: nickname, else name, else number;
// the service number always by its service name.
std::string ContactName(const FriendInfo& contact, const std::string& serviceName);

// Whether the contact item `value` still stands for the contact with
// `number` (a reload, a deletion or an import moves the arrays under an
// open panel).
bool ContactMatches(const FriendCache* cache, int value, const std::string& number);

// The pick value of a contact by pick mode: "mail" the e-mail, "fax" the
// fax number, anything else the number.
std::string PickValue(const FriendInfo& contact, const std::string& pickMode);

// The repair made once per panel: contacts with groupID -1 move to the
// extra root (the service number under the service root, renamed); of the
// contacts with the retired service number the last one is removed.
struct RepairMove {
    size_t index;
    int groupId;
    bool rename;  // nickname becomes the service name
};
struct RepairPlan {
    std::vector<RepairMove> moves;
    intptr_t removeIndex = -1;
};
RepairPlan PlanRepair(const FriendCache* cache);

// Whether a rebuild must store the service contact: a cache, no contact
// under the service root and none with the service number.
bool NeedsServiceContact(const FriendCache* cache);
FriendInfo ServiceContactRecord();

// The online-list block the host delivers (wParam bytes at lParam): a
// multiple of 16 bytes holds numbers only (checked first, so a multiple of
// both 16 and 51 is read as numbers: the host's protocol relies on it);
// else a multiple of 51 holds n/51 16-byte numbers, then n/51 35-byte
// names; anything else, or a null block, holds nothing. Fields need no
// terminator. Every entry arrives online.
session::OnlineList ParseOnlineBlock(const void* block, size_t length);

}  // namespace panel
