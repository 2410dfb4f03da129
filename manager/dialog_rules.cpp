#include "manager/dialog_rules.h"

#include "core/text.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace dialogs {
namespace {

constexpr int kUngroupedValue = PELMO_GROUP_NONE;

const FriendGroup* Groups(const FriendCache* cache, intptr_t& count)
{
    count = cache && cache->groups.data ? cache->groups.count : 0;
    return count > 0 ? cache->groups.data : nullptr;
}

// Appends the groups whose parent is `fatherId` under entry `parentIndex`,
// each followed by its own subgroups. A cache with repeated IDs could lead
// back to a group already listed: each group is listed once.
void AppendChildren(const FriendCache* cache, int fatherId, int parentIndex, std::vector<ChooserItem>& items,
                    std::vector<bool>& listed)
{
    intptr_t count = 0;
    const FriendGroup* groups = Groups(cache, count);
    for (intptr_t i = 0; i < count; ++i) {
        if (listed[static_cast<size_t>(i)] || groups[i].fatherID != fatherId)
            continue;
        listed[static_cast<size_t>(i)] = true;
        items.push_back(ChooserItem{FieldText(groups[i].name), groups[i].ID, parentIndex});
        AppendChildren(cache, groups[i].ID, static_cast<int>(items.size()) - 1, items, listed);
    }
}

}  // namespace

std::string FieldText(const char* field, size_t width)
{
    if (!field)
        return {};
    const void* end = std::memchr(field, '\0', width);
    return std::string(field, end ? static_cast<const char*>(end) - field : width);
}

std::vector<ChooserItem> GroupChooserItems(const FriendCache* cache, const std::string& rootText)
{
    std::vector<ChooserItem> items{ChooserItem{rootText, kRootValue, -1}};
    intptr_t count = 0;
    Groups(cache, count);
    std::vector<bool> listed(static_cast<size_t>(count), false);
    AppendChildren(cache, kRootValue, 0, items, listed);
    return items;
}

std::vector<ChooserItem> ContactChooserItems(const FriendCache* cache, const std::string& rootText,
                                             const std::string& ungroupedText)
{
    std::vector<ChooserItem> items{ChooserItem{rootText, kRootValue, -1},
                                   ChooserItem{ungroupedText, kUngroupedValue, 0}};
    intptr_t count = 0;
    Groups(cache, count);
    std::vector<bool> listed(static_cast<size_t>(count), false);
    AppendChildren(cache, kRootValue, 0, items, listed);
    return items;
}

int FindChoice(const std::vector<ChooserItem>& items, int value)
{
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].value == value)
            return static_cast<int>(i);
    return -1;
}

bool IsGroupUnder(const FriendCache* cache, int groupId, int ancestorId)
{
    intptr_t count = 0;
    const FriendGroup* groups = Groups(cache, count);
    int at = groupId;
    // At most one step per group: a broken cache with a loop ends here too.
    for (intptr_t steps = 0; steps <= count; ++steps) {
        const FriendGroup* group = nullptr;
        for (intptr_t i = 0; i < count && !group; ++i)
            if (groups[i].ID == at)
                group = &groups[i];
        if (!group)
            return false;
        if (group->fatherID == ancestorId)
            return true;
        at = group->fatherID;
    }
    return false;
}

GroupVerdict CheckGroup(const FriendCache* cache, const FriendGroup* record, int mode, const std::string& name,
                        const int* chosen, int* parent)
{
    if (name.empty())
        return GroupVerdict::kEmptyName;
    if (!record || !cache)
        return GroupVerdict::kNoRecord;
    const bool edit = mode == kEditMode;
    int value;
    if (chosen)
        value = *chosen;
    else if (edit)
        value = record->fatherID;
    else
        return GroupVerdict::kNoChoice;

    if (edit && value == record->ID)
        return GroupVerdict::kOwnParent;
    if (edit && IsGroupUnder(cache, value, record->ID))
        return GroupVerdict::kUnderItself;

    intptr_t count = 0;
    const FriendGroup* groups = Groups(cache, count);
    for (intptr_t i = 0; i < count; ++i) {
        if (groups[i].fatherID != value || (edit && groups[i].ID == record->ID))
            continue;
        // Compared as the record will hold it.
        char stored[sizeof groups[i].name];
        CopyText(stored, sizeof stored, sizeof stored - 1, name);
        if (std::strcmp(FieldText(groups[i].name).c_str(), stored) == 0)
            return GroupVerdict::kNameTaken;
    }
    if (parent)
        *parent = value;
    return GroupVerdict::kAccept;
}

bool IsValidNumber(const std::string& number)
{
    constexpr size_t kNumberLength = 10;
    if (number.size() != kNumberLength)
        return false;
    for (char c : number)
        if (c < '0' || c > '9')
            return false;
    return true;
}

ContactCheck CheckContact(const FriendCache* cache, const FriendInfo* record, int mode, const std::string& number,
                          const int* chosen)
{
    ContactCheck check{ContactVerdict::kAccept, false};
    if (!IsValidNumber(number)) {
        check.verdict = ContactVerdict::kBadNumber;
        return check;
    }
    if (!cache) {
        check.noCache = true;
    } else {
        const bool edit = mode == kEditMode && record;
        const std::string own = record ? FieldText(record->mirrun) : std::string();
        const intptr_t count = cache->friends.data ? cache->friends.count : 0;
        for (intptr_t i = 0; i < count; ++i) {
            const std::string other = FieldText(cache->friends.data[i].mirrun);
            if (edit && other == own)
                continue;
            if (other == number) {
                check.verdict = ContactVerdict::kDuplicate;
                return check;
            }
        }
    }
    if (chosen && *chosen == kRootValue)
        check.verdict = ContactVerdict::kRootChosen;
    return check;
}

void CopyText(char* field, size_t width, size_t limit, const std::string& text)
{
    if (!field || width == 0)
        return;
    const size_t end = WholeCharPrefix(text.data(), text.size(), limit < width - 1 ? limit : width - 1);
    std::memcpy(field, text.data(), end);
    std::memset(field + end, 0, width - end);
}

}  // namespace dialogs
