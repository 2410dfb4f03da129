#include "panel/panel_rules.h"

#include "panel/online_block.h"

#include "core/growable_array.h"
#include "core/product.h"
#include "core/text.h"

#include <algorithm>
#include <iterator>
#include <cstring>
#include <unordered_map>

namespace panel {

namespace {

constexpr int kRootIndent = 16;
constexpr int kGroupIndent = 20;
constexpr int kLeafIndent = 3;

bool IsServiceNumber(const FriendInfo& contact)
{
    return FieldText(contact.mirrun) == kServiceNumber;
}

const FriendInfo* Contacts(const FriendCache* cache, intptr_t* count)
{
    *count = 0;
    if (!cache || !ArrayIsSane(cache->friends))
        return nullptr;
    *count = cache->friends.count;
    return cache->friends.data;
}

const FriendGroup* Groups(const FriendCache* cache, intptr_t* count)
{
    *count = 0;
    if (!cache || !ArrayIsSane(cache->groups))
        return nullptr;
    *count = cache->groups.count;
    return cache->groups.data;
}

PanelItem Placeholder(int parent, const PanelTexts& texts)
{
    return PanelItem{
        kPlaceholderValue, parent, ItemKind::kPlaceholder, texts.placeholder, std::string(), kNoRank, false, false,
        kLeafIndent};
}

// Builds the tree in display order with an explicit stack, so a deep group
// chain cannot exhaust the thread's stack.
class TreeBuilder {
public:
    TreeBuilder(const FriendCache* cache, const PanelTexts& texts) : m_texts(texts)
    {
        m_groups = Groups(cache, &m_groupCount);
        m_contacts = Contacts(cache, &m_contactCount);
        for (intptr_t g = 0; g < m_groupCount; ++g) {
            m_groupById.emplace(m_groups[g].ID, g);  // first group with an ID wins
            m_childrenOf[m_groups[g].fatherID].push_back(g);
        }
        for (intptr_t c = 0; c < m_contactCount; ++c)
            m_contactsOf[m_contacts[c].groupID].push_back(c);
        for (auto& entry : m_contactsOf)
            SortByRank(entry.second);
    }

    std::vector<PanelItem> Build(const session::OnlineList* list)
    {
        AddRoot(kServiceRootValue, ItemKind::kServiceRoot, m_texts.serviceRoot, std::string(), true,
                PELMO_GROUP_SERVICE);
        AddRoot(kExtraRootValue, ItemKind::kExtraRoot, m_texts.extraRoot, m_texts.extraTip, false, PELMO_GROUP_NONE);
        AddGroups();
        if (list) {
            std::vector<PanelItem> entries = ListItems(*list);
            m_items.insert(m_items.end(), std::make_move_iterator(entries.begin()),
                           std::make_move_iterator(entries.end()));
        }
        return std::move(m_items);
    }

private:
    void SortByRank(std::vector<intptr_t>& indices) const
    {
        // Three-way with the cache order as tie-break: the order never
        // depends on the sort algorithm.
        std::sort(indices.begin(), indices.end(), [this](intptr_t a, intptr_t b) {
            const int ra = ContactRank(m_contacts[a]);
            const int rb = ContactRank(m_contacts[b]);
            return ra != rb ? ra > rb : a < b;
        });
    }

    void AddRoot(int value, ItemKind kind, const std::string& text, const std::string& tip, bool red, int groupId)
    {
        const int at = static_cast<int>(m_items.size());
        m_items.push_back(PanelItem{value, -1, kind, text, tip,
                                    kind == ItemKind::kServiceRoot ? kServiceRootRank : kExtraRootRank, true, red,
                                    kRootIndent});
        AddContacts(groupId, at);
    }

    void AddContacts(int groupId, int parent)
    {
        const auto found = m_contactsOf.find(groupId);
        if (found == m_contactsOf.end() || found->second.empty()) {
            m_items.push_back(Placeholder(parent, m_texts));
            return;
        }
        for (intptr_t c : found->second) {
            const FriendInfo& f = m_contacts[c];
            m_items.push_back(PanelItem{static_cast<int>(c), parent, ItemKind::kContact,
                                        ContactName(f, m_texts.serviceName), FieldText(f.mirrun), ContactRank(f), false,
                                        false, kLeafIndent});
        }
    }

    void AddGroups()
    {
        // Each group is entered once; one reached again (a cycle) is skipped.
        std::vector<bool> entered(static_cast<size_t>(m_groupCount), false);
        struct Frame {
            int groupId;  // -1: the top level
            int item;     // the group's item, -1 at the top level
            size_t next;  // next child to visit
        };
        std::vector<Frame> stack{{-1, -1, 0}};
        while (!stack.empty()) {
            Frame& top = stack.back();
            const auto children = m_childrenOf.find(top.groupId);
            const size_t childCount = children == m_childrenOf.end() ? 0 : children->second.size();
            if (top.next < childCount) {
                const intptr_t g = children->second[top.next++];
                if (entered[static_cast<size_t>(g)] || m_groupById[m_groups[g].ID] != g)
                    continue;
                entered[static_cast<size_t>(g)] = true;
                const int at = static_cast<int>(m_items.size());
                m_items.push_back(PanelItem{GroupValue(static_cast<size_t>(g)), top.item, ItemKind::kGroup,
                                            FieldText(m_groups[g].name), std::string(), kNoRank, true, false,
                                            kGroupIndent});
                stack.push_back(Frame{m_groups[g].ID, at, 0});
                continue;
            }
            if (top.item >= 0)
                AddContacts(top.groupId, top.item);
            stack.pop_back();
        }
    }

    const PanelTexts& m_texts;
    const FriendGroup* m_groups = nullptr;
    const FriendInfo* m_contacts = nullptr;
    intptr_t m_groupCount = 0;
    intptr_t m_contactCount = 0;
    std::unordered_map<int, intptr_t> m_groupById;
    std::unordered_map<int, std::vector<intptr_t>> m_childrenOf;
    std::unordered_map<int, std::vector<intptr_t>> m_contactsOf;
    std::vector<PanelItem> m_items;
};

}  // namespace

int GroupValue(size_t groupIndex)
{
    return kGroupValueBase - static_cast<int>(groupIndex);
}

int ListValue(size_t entry)
{
    return kListValueBase + static_cast<int>(entry);
}

ItemKind KindOf(int value)
{
    if (value == kServiceRootValue)
        return ItemKind::kServiceRoot;
    if (value == kExtraRootValue)
        return ItemKind::kExtraRoot;
    if (value <= kGroupValueBase)
        return ItemKind::kGroup;
    if (value >= kListValueBase)
        return ItemKind::kListEntry;
    if (value >= 0)
        return ItemKind::kContact;
    return ItemKind::kPlaceholder;
}

intptr_t GroupIndexOf(int value)
{
    return KindOf(value) == ItemKind::kGroup ? static_cast<intptr_t>(kGroupValueBase) - value : -1;
}

intptr_t ListEntryOf(int value)
{
    return KindOf(value) == ItemKind::kListEntry ? static_cast<intptr_t>(value) - kListValueBase : -1;
}

int PresenceRank(int state, bool serviceNumber)
{
    switch (state) {
    case PELMO_STATE_OFFLINE:
        return 0;
    case PELMO_STATE_ONLINE:
        return serviceNumber ? 2 : 1;
    case PELMO_STATE_SPECIAL:
        return 2;
    }
    return kNoRank;
}

int ContactRank(const FriendInfo& contact)
{
    return PresenceRank(contact.state, IsServiceNumber(contact));
}

Picture PictureOf(int rank)
{
    switch (rank) {
    case 0:
        return Picture::kOffline;
    case 1:
        return Picture::kOnline;
    case 2:
        return Picture::kSpecial;
    }
    return Picture::kNone;
}

std::vector<PanelItem> BuildPanelTree(const FriendCache* cache, const session::OnlineList* list,
                                      const PanelTexts& texts)
{
    return TreeBuilder(cache, texts).Build(list);
}

std::vector<PanelItem> ListItems(const session::OnlineList& list)
{
    std::vector<PanelItem> items;
    items.reserve(list.numbers.size());
    for (size_t i = 0; i < list.numbers.size(); ++i) {
        const int state = i < list.online.size() ? list.online[i] : PELMO_STATE_ONLINE;
        items.push_back(PanelItem{ListValue(i), -1, ItemKind::kListEntry, list.numbers[i], list.numbers[i],
                                  PresenceRank(state, false), false, false, kLeafIndent});
    }
    return items;
}

std::string ContactName(const FriendInfo& contact, const std::string& serviceName)
{
    if (IsServiceNumber(contact) && !serviceName.empty())
        return serviceName;
    if (contact.nickname[0])
        return FieldText(contact.nickname);
    if (contact.name[0])
        return FieldText(contact.name);
    return FieldText(contact.mirrun);
}

bool ContactMatches(const FriendCache* cache, int value, const std::string& number)
{
    intptr_t count = 0;
    const FriendInfo* contacts = Contacts(cache, &count);
    return KindOf(value) == ItemKind::kContact && value < count && FieldText(contacts[value].mirrun) == number;
}

std::string PickValue(const FriendInfo& contact, const std::string& pickMode)
{
    if (pickMode == "mail")
        return FieldText(contact.e_mail);
    if (pickMode == "fax")
        return FieldText(contact.fax_phone);
    return FieldText(contact.mirrun);
}

RepairPlan PlanRepair(const FriendCache* cache)
{
    RepairPlan plan;
    intptr_t count = 0;
    const FriendInfo* contacts = Contacts(cache, &count);
    for (intptr_t c = 0; c < count; ++c) {
        const FriendInfo& f = contacts[c];
        if (f.groupID != -1)
            continue;
        const std::string number = FieldText(f.mirrun);
        if (number == kServiceNumber)
            plan.moves.push_back(RepairMove{static_cast<size_t>(c), PELMO_GROUP_SERVICE, true});
        else if (number == kRetiredServiceNumber)
            plan.removeIndex = c;
        else
            plan.moves.push_back(RepairMove{static_cast<size_t>(c), PELMO_GROUP_NONE, false});
    }
    return plan;
}

bool NeedsServiceContact(const FriendCache* cache)
{
    intptr_t count = 0;
    const FriendInfo* contacts = Contacts(cache, &count);
    if (!cache || !ArrayIsSane(cache->friends))
        return false;
    for (intptr_t c = 0; c < count; ++c) {
        if (contacts[c].groupID == PELMO_GROUP_SERVICE || IsServiceNumber(contacts[c]))
            return false;
    }
    return true;
}

FriendInfo ServiceContactRecord()
{
    FriendInfo info{};
    info.groupID = PELMO_GROUP_SERVICE;
    CopyField(info.mirrun, kServiceNumber);
    CopyField(info.nickname, kServiceNumber);
    return info;
}

session::OnlineList ParseOnlineBlock(const void* block, size_t length)
{
    OnlineBlock read = ReadOnlineBlock(block, length);
    session::OnlineList list;
    list.online.assign(read.numbers.size(), PELMO_STATE_ONLINE);
    list.numbers = std::move(read.numbers);
    list.names = std::move(read.names);
    return list;
}

}  // namespace panel
