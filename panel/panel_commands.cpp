#include "panel/panel_commands.h"

#include "controls/menu_xp.h"
#include "core/friend_db.h"
#include "core/text.h"
#include "string_ids.h"

#include <cstring>

namespace panel {
namespace {

// The panel's menu colours, slot by slot (see CMenuXP::Colour).
constexpr COLORREF kMenuBackground = RGB(220, 225, 245);
constexpr COLORREF kMenuSelected = RGB(255, 255, 255);
constexpr COLORREF kMenuSelectedText = RGB(0, 0, 0);
constexpr COLORREF kMenuTitleTop = RGB(42, 50, 96);
constexpr COLORREF kMenuTitleBottom = RGB(142, 156, 201);
constexpr COLORREF kMenuIconColumn = RGB(220, 225, 245);

constexpr MenuEntry kSeparator{0, 0, true};
constexpr MenuEntry kAddGroup{kCmdAddGroup, IDS_CMD_ADD_GROUP, true};
constexpr MenuEntry kAddContact{kCmdAddContact, IDS_CMD_ADD_CONTACT, true};

}  // namespace

const char kSubgroupsText[] = "此组下还有分组，请先删除子分组，再删除此组！";
const char kPathTooLongText[] = "文件路径太长，无法发送！";

bool IsPanelCommand(UINT id)
{
    switch (id) {
    case kCmdCall:
    case kCmdCallAlt:
    case kCmdMessage:
    case kCmdAddContact:
    case kCmdAddGroup:
    case kCmdModifyGroup:
    case kCmdDeleteGroup:
    case kCmdRenameContact:
    case kCmdDeleteContact:
    case kCmdImport:
    case kCmdExport:
    case kCmdContactInfo:
    case kCmdViewHistory:
        return true;
    default:
        return false;
    }
}

ContextMenu ContextMenuFor(std::optional<ItemKind> hit)
{
    ContextMenu menu;
    if (!hit) {
        menu.entries = {kAddGroup,
                        kAddContact,
                        kSeparator,
                        {kCmdImport, IDS_CMD_IMPORT, false},
                        {kCmdExport, IDS_CMD_EXPORT, false}};
        return menu;
    }
    switch (*hit) {
    case ItemKind::kServiceRoot:
    case ItemKind::kExtraRoot:
    case ItemKind::kGroup: {
        // A fixed root cannot be changed or deleted.
        const bool group = *hit == ItemKind::kGroup;
        menu.entries = {kAddGroup,
                        {kCmdModifyGroup, IDS_CMD_MODIFY_GROUP, group},
                        {kCmdDeleteGroup, IDS_CMD_DELETE_GROUP, group},
                        kSeparator,
                        kAddContact};
        break;
    }
    case ItemKind::kPlaceholder:
        menu.entries = {kAddGroup, kAddContact};
        break;
    case ItemKind::kContact:
    case ItemKind::kListEntry:
        menu.pickFirst = true;
        menu.entries = {{kCmdCall, IDS_MENU_VIDEO_CALL, true},
                        kSeparator,
                        kAddContact,
                        {kCmdViewHistory, IDS_CMD_VIEW_HISTORY, true},
                        {kCmdRenameContact, IDS_CMD_MODIFY_CONTACT, true},
                        {kCmdDeleteContact, IDS_CMD_DELETE_CONTACT, true},
                        kSeparator,
                        {kCmdContactInfo, IDS_CMD_CONTACT_INFO, false}};
        break;
    }
    return menu;
}

std::unique_ptr<CMenuXP> BuildContextMenu(const std::vector<MenuEntry>& entries,
                                          const std::function<std::string(UINT)>& text)
{
    auto menu = std::make_unique<CMenuXP>();
    menu->SetStyle(CMenuXP::kXP);
    menu->SetColour(CMenuXP::kBackground, kMenuBackground);
    menu->SetColour(CMenuXP::kSelectedBackground, kMenuSelected);
    menu->SetColour(CMenuXP::kSelectedText, kMenuSelectedText);
    menu->SetColour(CMenuXP::kTitleTop, kMenuTitleTop);
    menu->SetColour(CMenuXP::kTitleBottom, kMenuTitleBottom);
    menu->SetColour(CMenuXP::kIconColumn, kMenuIconColumn);
    menu->AppendTitle(std::make_unique<CMenuXPItem>(0, kMenuTitle));
    for (const MenuEntry& entry : entries) {
        if (!entry.command) {
            menu->AppendSeparatorXP();
            continue;
        }
        menu->AppendItem(entry.enabled ? MF_ENABLED : MF_GRAYED,
                         std::make_unique<CMenuXPItem>(entry.command, text ? text(entry.textId) : std::string()));
    }
    return menu;
}

int GroupForNewContact(const FriendCache* cache, std::optional<int> itemValue, std::optional<int> parentValue)
{
    std::optional<int> value = itemValue;
    if (value) {
        const ItemKind kind = KindOf(*value);
        if (kind == ItemKind::kContact || kind == ItemKind::kListEntry || kind == ItemKind::kPlaceholder)
            value = parentValue;
    }
    if (!value)
        return PELMO_GROUP_NONE;
    switch (KindOf(*value)) {
    case ItemKind::kServiceRoot:
        return PELMO_GROUP_SERVICE;
    case ItemKind::kGroup: {
        const intptr_t g = GroupIndexOf(*value);
        if (cache && g >= 0 && g < cache->groups.count)
            return cache->groups.data[g].ID;
        return PELMO_GROUP_NONE;
    }
    default:
        return PELMO_GROUP_NONE;
    }
}

FriendInfo NewContactRecord(int groupId, const std::string& pickedValue)
{
    FriendInfo info{};
    info.groupID = groupId;
    CopyField(info.mirrun, pickedValue);
    return info;
}

std::optional<int> MoveTargetGroup(const FriendCache* cache, int targetValue)
{
    switch (KindOf(targetValue)) {
    case ItemKind::kServiceRoot:
        return PELMO_GROUP_SERVICE;
    case ItemKind::kExtraRoot:
        return PELMO_GROUP_NONE;
    case ItemKind::kGroup: {
        const intptr_t g = GroupIndexOf(targetValue);
        if (cache && g >= 0 && g < cache->groups.count)
            return cache->groups.data[g].ID;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<FriendInfo> RenamedContact(const FriendInfo& contact, const char* newText, const std::string& currentName)
{
    if (!newText || !*newText || currentName == newText)
        return std::nullopt;
    FriendInfo renamed = contact;
    CopyField(renamed.name, newText);
    CopyField(renamed.nickname, newText);
    // Already stored (the tree may report one edit twice).
    if (std::memcmp(renamed.name, contact.name, sizeof renamed.name) == 0 &&
        std::memcmp(renamed.nickname, contact.nickname, sizeof renamed.nickname) == 0)
        return std::nullopt;
    return renamed;
}

std::optional<std::string> DropMessageText(ItemKind kind, const std::string& pickValue,
                                           const std::vector<std::string>& paths)
{
    if (kind != ItemKind::kContact && kind != ItemKind::kListEntry)
        return std::nullopt;
    for (const std::string& path : paths)
        if (!path.empty())
            return pickValue + "|" + path;
    return std::nullopt;
}

bool DropPathTooLong(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths)
        if (!path.empty())
            return path.size() > kMaxDropPath;
    return false;
}

GroupDeleteStep AfterGroupRowDeletion(int result)
{
    switch (result) {
    case kGroupDeleted:
        return GroupDeleteStep::kRemoveItem;
    case kGroupHasContacts:
        return GroupDeleteStep::kAskAboutContacts;
    case kGroupHasSubgroups:
        return GroupDeleteStep::kReportSubgroups;
    default:
        return GroupDeleteStep::kReportFailure;
    }
}

GroupDeleteStep AfterGroupTreeDeletion(int result)
{
    return result == kGroupDeleted ? GroupDeleteStep::kRemoveItem : GroupDeleteStep::kReportFailure;
}

}  // namespace panel
