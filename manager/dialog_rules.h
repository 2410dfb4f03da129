// What the group and contact dialogs offer and accept, without any window:
// the entries of their group choosers and the checks their OK runs.
#pragma once

#include "pelmo.h"

#include <cstddef>
#include <string>
#include <vector>

namespace dialogs {

enum Mode { kAddMode = 0, kEditMode = 1 };

// Values of the choosers' fixed entries.
constexpr int kRootValue = -1;  // the address book itself: top-level groups hang here

// One entry of a group chooser: its text, its value (a group ID, or a fixed
// value) and the index of the entry it hangs under (-1 at the top).
struct ChooserItem {
    std::string text;
    int value;
    int parent;
};

// The group dialog's chooser: the root, and under it every group reachable
// from the top level, each under its parent, in cache order.
std::vector<ChooserItem> GroupChooserItems(const FriendCache* cache, const std::string& rootText);
// The contact dialog's chooser: the root, the ungrouped pseudo-group (-10)
// under it, then the groups as above. Groups under the pseudo-groups are
// not offered.
std::vector<ChooserItem> ContactChooserItems(const FriendCache* cache, const std::string& rootText,
                                             const std::string& ungroupedText);
// Index of the first entry with `value`, or -1.
int FindChoice(const std::vector<ChooserItem>& items, int value);

// Whether group `groupId` lies somewhere below group `ancestorId`.
bool IsGroupUnder(const FriendCache* cache, int groupId, int ancestorId);

enum class GroupVerdict {
    kAccept,
    kEmptyName,    // 510
    kNoRecord,     // nothing to edit: OK does nothing
    kNoChoice,     // no parent chosen in add mode: OK does nothing
    kOwnParent,    // the group itself as its parent: own-parent box, then 509
    kUnderItself,  // one of the group's own subgroups as its parent: box, then 509
    kNameTaken,    // 511
};

// The group dialog's OK. `chosen` is the chooser's value, or null when no
// entry is chosen (an edited group then keeps its parent). On kAccept
// `parent` is the parent to store.
GroupVerdict CheckGroup(const FriendCache* cache, const FriendGroup* record, int mode, const std::string& name,
                        const int* chosen, int* parent);

enum class ContactVerdict {
    kAccept,
    kBadNumber,   // 852
    kDuplicate,   // 508
    kRootChosen,  // the root box
};

struct ContactCheck {
    ContactVerdict verdict;
    bool noCache;  // text 1 was due (the check went on)
};

// A contact's number: exactly ten digits.
bool IsValidNumber(const std::string& number);

// The contact dialog's OK, in its order: number format, duplicates (skipped
// with noCache when there is no cache), root group.
ContactCheck CheckContact(const FriendCache* cache, const FriendInfo* record, int mode, const std::string& number,
                          const int* chosen);

// Copies at most `limit` bytes of `text` into a field of `width` bytes,
// never more than width - 1, never half of a double-byte character; the
// rest of the field is zeroed.
void CopyText(char* field, size_t width, size_t limit, const std::string& text);
template <size_t N>
void CopyText(char (&field)[N], size_t limit, const std::string& text)
{
    CopyText(field, N, limit, text);
}

// The text of a fixed field; one without a terminator ends at its width.
std::string FieldText(const char* field, size_t width);
template <size_t N>
std::string FieldText(const char (&field)[N])
{
    return FieldText(field, N);
}

}  // namespace dialogs
