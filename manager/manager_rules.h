// What the manager's group tree and contact list show and which record a
// command reaches, decided without any window so that tests can ask.
//
// The tree keys a group's item by its index in the cache's group array and
// the list keys a row by the contact's index; both re-check the record
// behind a key before acting, because the host and the contact panel may
// free, reload or shift the arrays under an open manager.
#pragma once

#include "pelmo.h"

#include <string>
#include <vector>

namespace manager {

// Values of the tree items that stand for no group row.
constexpr int kRootValue = -1;
constexpr int kUngroupedValue = PELMO_GROUP_NONE;  // -10
constexpr int kSecondValue = PELMO_GROUP_SECOND;   // -40

constexpr int kRootImage = 0;
constexpr int kGroupImage = 1;

bool IsPseudoValue(int value);

// One item of the group tree: `parent` is the position in the same vector
// of the item it hangs under (-1: top level); items come in insertion order.
struct TreeEntry {
    int value;
    int parent;
    std::string text;
    int image;
};

// The whole tree: the root (the user's number), the groups reachable from
// it in array order, depth first, then the two pseudo-groups with the
// groups under them. A group in a cycle of fatherIDs, or its own parent,
// is never reached and not shown. Linear in the number of groups.
std::vector<TreeEntry> GroupTree(const FriendCache* cache, const std::string& identity,
                                 const std::string& ungroupedText, const std::string& secondText);
// The items below group `index` (not the group itself); parent -1 means
// the group's own item. Empty for a bad index.
std::vector<TreeEntry> GroupSubtree(const FriendCache* cache, int index);

// Index of the group whose ID is `fatherID`, kRootValue for -1, or
// kNoGroup when the parent is none of the groups (nor a pseudo-group).
constexpr int kNoGroup = -1000000;
int ParentItemValue(const FriendCache* cache, int fatherID);

// The tree item value that a group ID stands for in the list's refresh
// protocol: the group's index, the pseudo values themselves, kNoGroup
// for an ID no cached group has.
int GroupIdToValue(const FriendCache* cache, int groupId);

// After a deletion: for each surviving group (new index j, increasing),
// the index it had in `before`. -1 where it was not there.
std::vector<int> OldIndices(const std::vector<FriendGroup>& before, const FriendCache* cache);

// What edit and delete do with the target item's value.
enum class GroupCommand { kAct, kSelectGroup, kFixedGroup, kNothing };
// Edit: none or root -> 847, pseudo -> 850, bad index -> nothing.
GroupCommand EditVerdict(const FriendCache* cache, const int* value);
// Delete: none, root or bad index -> 845, pseudo -> 849.
GroupCommand DeleteVerdict(const FriendCache* cache, const int* value);
// Whether item `value` with text `text` still names the cached group.
bool GroupItemMatches(const FriendCache* cache, int value, const std::string& text);

// ---- contact list -------------------------------------------------------

constexpr int kColumnCount = 14;
extern const unsigned kHeaderIds[kColumnCount + 1];  // zero-terminated
constexpr int kStateImageCount = 6;

// The row picture: state + 2 x gender, from valid values only (any
// presence other than 0 is online, a gender other than 1 or 2 unknown).
int RowIcon(int state, int gender);

struct Row {
    int index;  // the contact's position in the cache
    int icon;
    std::string texts[kColumnCount];
};
// The contacts of group value `group` in array order, numbered from 1.
std::vector<Row> ListRows(const FriendCache* cache, int group);
// The texts of one row (its position from 1).
void RowTexts(const FriendInfo& info, int position, std::string (&texts)[kColumnCount]);

// The group value a show-group request names: a real group's ID for an
// index, the pseudo values themselves; false for anything else.
bool ShownGroup(const FriendCache* cache, int requested, int* group);

// Whether row item `index` with the shown number and name still names the
// same cached contact.
bool RowMatches(const FriendCache* cache, int index, const std::string& number, const std::string& name);

// ---- frame --------------------------------------------------------------

// From one sixth to five sixths of the screen in each direction.
RECT FrameRect(int screenWidth, int screenHeight);
// Left column of the splitter for a client width: ideal and minimum.
struct Columns {
    int ideal;
    int minimum;
};
Columns SplitterColumns(int clientWidth);

}  // namespace manager
