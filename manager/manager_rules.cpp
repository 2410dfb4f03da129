#include "manager/manager_rules.h"

#include "core/friend_cache.h"
#include "resources/string_ids.h"

#include <cstring>
#include <unordered_map>

namespace manager {

namespace {

std::string Field(const char* field, size_t width)
{
    return std::string(field, ::strnlen(field, width));
}
template <size_t N>
std::string Field(const char (&field)[N])
{
    return Field(field, N);
}

intptr_t GroupCount(const FriendCache* cache)
{
    return cache && cache->groups.data && cache->groups.count > 0 ? cache->groups.count : 0;
}
intptr_t FriendCount(const FriendCache* cache)
{
    return cache && cache->friends.data && cache->friends.count > 0 ? cache->friends.count : 0;
}

// fatherID -> indices of its children, in array order: one pass, so the
// tree is built in time linear in the number of groups.
using Children = std::unordered_map<int, std::vector<int>>;
Children ChildrenOf(const FriendCache* cache)
{
    Children children;
    const intptr_t count = GroupCount(cache);
    children.reserve(static_cast<size_t>(count));
    for (intptr_t i = 0; i < count; ++i)
        children[cache->groups.data[i].fatherID].push_back(static_cast<int>(i));
    return children;
}

// Appends the groups below `fatherId` under entry `parentEntry`, depth
// first. Each group is placed at most once, so a cycle of fatherIDs or a
// group that is its own parent cannot loop.
void AppendBelow(const FriendCache* cache, const Children& children, int fatherId, int parentEntry,
                 std::vector<char>& placed, std::vector<TreeEntry>& out)
{
    struct Pending {
        int index;
        int parentEntry;
    };
    std::vector<Pending> stack;
    auto pushChildren = [&](int id, int entry) {
        auto it = children.find(id);
        if (it == children.end())
            return;
        for (auto child = it->second.rbegin(); child != it->second.rend(); ++child)
            if (!placed[*child])
                stack.push_back({*child, entry});
    };
    pushChildren(fatherId, parentEntry);
    while (!stack.empty()) {
        const Pending next = stack.back();
        stack.pop_back();
        if (placed[next.index])
            continue;
        placed[next.index] = 1;
        const FriendGroup& group = cache->groups.data[next.index];
        out.push_back({next.index, next.parentEntry, Field(group.name), kGroupImage});
        pushChildren(group.ID, static_cast<int>(out.size()) - 1);
    }
}

}  // namespace

bool IsPseudoValue(int value)
{
    return value == kUngroupedValue || value == kSecondValue;
}

std::vector<TreeEntry> GroupTree(const FriendCache* cache, const std::string& identity,
                                 const std::string& ungroupedText, const std::string& secondText)
{
    std::vector<TreeEntry> out;
    const Children children = ChildrenOf(cache);
    std::vector<char> placed(static_cast<size_t>(GroupCount(cache)), 0);
    out.reserve(placed.size() + 3);
    out.push_back({kRootValue, -1, identity, kRootImage});
    AppendBelow(cache, children, kRootValue, 0, placed, out);
    const std::pair<int, const std::string*> pseudo[] = {{kUngroupedValue, &ungroupedText},
                                                         {kSecondValue, &secondText}};
    for (const auto& p : pseudo) {
        out.push_back({p.first, 0, *p.second, kRootImage});
        AppendBelow(cache, children, p.first, static_cast<int>(out.size()) - 1, placed, out);
    }
    return out;
}

std::vector<TreeEntry> GroupSubtree(const FriendCache* cache, int index)
{
    std::vector<TreeEntry> out;
    if (index < 0 || index >= GroupCount(cache))
        return out;
    std::vector<char> placed(static_cast<size_t>(GroupCount(cache)), 0);
    placed[index] = 1;
    AppendBelow(cache, ChildrenOf(cache), cache->groups.data[index].ID, -1, placed, out);
    return out;
}

int ParentItemValue(const FriendCache* cache, int fatherID)
{
    if (fatherID == kRootValue || IsPseudoValue(fatherID))
        return fatherID;
    const intptr_t index = GroupCount(cache) ? FindGroupById(cache, fatherID) : -1;
    return index >= 0 ? static_cast<int>(index) : kNoGroup;
}

int GroupIdToValue(const FriendCache* cache, int groupId)
{
    return ParentItemValue(cache, groupId);
}

std::vector<int> OldIndices(const std::vector<FriendGroup>& before, const FriendCache* cache)
{
    std::unordered_map<int, int> oldIndex;
    oldIndex.reserve(before.size());
    for (size_t i = 0; i < before.size(); ++i)
        oldIndex.emplace(before[i].ID, static_cast<int>(i));  // first of equal IDs, as the cache finds it
    std::vector<int> out;
    const intptr_t count = GroupCount(cache);
    out.reserve(static_cast<size_t>(count));
    for (intptr_t j = 0; j < count; ++j) {
        auto it = oldIndex.find(cache->groups.data[j].ID);
        out.push_back(it == oldIndex.end() ? -1 : it->second);
    }
    return out;
}

GroupCommand EditVerdict(const FriendCache* cache, const int* value)
{
    if (!value || *value == kRootValue)
        return GroupCommand::kSelectGroup;
    if (IsPseudoValue(*value))
        return GroupCommand::kFixedGroup;
    if (*value < 0 || *value >= GroupCount(cache))
        return GroupCommand::kNothing;
    return GroupCommand::kAct;
}

GroupCommand DeleteVerdict(const FriendCache* cache, const int* value)
{
    if (value && IsPseudoValue(*value))
        return GroupCommand::kFixedGroup;
    if (!value || *value < 0 || *value >= GroupCount(cache))
        return GroupCommand::kSelectGroup;
    return GroupCommand::kAct;
}

bool GroupItemMatches(const FriendCache* cache, int value, const std::string& text)
{
    return value >= 0 && value < GroupCount(cache) && Field(cache->groups.data[value].name) == text;
}

// ---- contact list -------------------------------------------------------

const unsigned kHeaderIds[kColumnCount + 1] = {
    IDS_COL_INDEX,      IDS_COL_NUMBER, IDS_COL_NAME,         IDS_COL_GENDER, IDS_COL_NICKNAME,
    IDS_COL_EMAIL,      IDS_COL_FAX,    IDS_COL_OFFICE_PHONE, IDS_COL_MOBILE, IDS_COL_COMPANY,
    IDS_COL_DEPARTMENT, IDS_COL_TITLE,  IDS_COL_INTEREST,     IDS_COL_CITY,   0};

int RowIcon(int state, int gender)
{
    const int presence = state != PELMO_STATE_OFFLINE ? 1 : 0;
    const int sex = (gender == 1 || gender == 2) ? gender : 0;
    return presence + 2 * sex;
}

void RowTexts(const FriendInfo& info, int position, std::string (&texts)[kColumnCount])
{
    texts[0] = std::to_string(position);
    texts[1] = Field(info.mirrun);
    texts[2] = Field(info.name);
    texts[3] = info.gender == 1 ? "男" : info.gender == 2 ? "女" : "";
    texts[4] = Field(info.nickname);
    texts[5] = Field(info.e_mail);
    texts[6] = Field(info.fax_phone);
    texts[7] = Field(info.company_phone);
    texts[8] = Field(info.cell_phone);
    texts[9] = Field(info.company);
    texts[10] = Field(info.department);
    texts[11] = Field(info.title);
    texts[12] = Field(info.interest);
    texts[13] = Field(info.city);
}

std::vector<Row> ListRows(const FriendCache* cache, int group)
{
    std::vector<Row> rows;
    const intptr_t count = FriendCount(cache);
    for (intptr_t i = 0; i < count; ++i) {
        const FriendInfo& info = cache->friends.data[i];
        if (info.groupID != group)
            continue;
        rows.emplace_back();
        Row& row = rows.back();
        row.index = static_cast<int>(i);
        row.icon = RowIcon(info.state, info.gender);
        RowTexts(info, static_cast<int>(rows.size()), row.texts);
    }
    return rows;
}

bool ShownGroup(const FriendCache* cache, int requested, int* group)
{
    if (!cache)
        return false;
    if (requested >= 0 && requested < GroupCount(cache)) {
        *group = cache->groups.data[requested].ID;
        return true;
    }
    if (requested == kRootValue || IsPseudoValue(requested)) {
        *group = requested;
        return true;
    }
    return false;
}

bool RowMatches(const FriendCache* cache, int index, const std::string& number, const std::string& name)
{
    if (index < 0 || index >= FriendCount(cache))
        return false;
    const FriendInfo& info = cache->friends.data[index];
    return Field(info.mirrun) == number && Field(info.name) == name;
}

// ---- frame --------------------------------------------------------------

RECT FrameRect(int w, int h)
{
    return RECT{w / 6, h / 6, 5 * w / 6, 5 * h / 6};
}

Columns SplitterColumns(int clientWidth)
{
    return Columns{clientWidth / 3, clientWidth / 4};
}

}  // namespace manager
