// The panel's commands decided without windows: menus by hit position,
// where new and moved contacts go, renames, file drops, group deletion.
#include "controls/menu_xp.h"
#include "core/friend_cache.h"
#include "core/friend_db.h"
#include "core/growable_array.h"
#include "core/text.h"
#include "panel/panel_commands.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace panel;

namespace {

// "id" per entry, "!id" when disabled, "-" for a separator.
std::string Describe(const ContextMenu& menu)
{
    std::string out = menu.pickFirst ? "pick: " : "";
    for (const MenuEntry& e : menu.entries)
        out += (e.command ? (e.enabled ? "" : "!") + std::to_string(e.command) : std::string("-")) + " ";
    return out;
}

struct Book {
    FriendCache* cache = NewFriendCache();
    ~Book() { FreeFriendCache(cache); }
    void Group(int id)
    {
        FriendGroup g{};
        g.ID = id;
        g.fatherID = -1;
        ArrayAdd(cache->groups, g);
    }
};

}  // namespace

TEST(PanelCommands, MenuFollowsWhereTheClickFell)
{
    EXPECT_EQ("50004 1077 - !50010 !50011 ", Describe(ContextMenuFor(std::nullopt)));
    EXPECT_EQ("50004 50005 50006 - 1077 ", Describe(ContextMenuFor(ItemKind::kGroup)));
    EXPECT_EQ("50004 !50005 !50006 - 1077 ", Describe(ContextMenuFor(ItemKind::kExtraRoot)));
    EXPECT_EQ("50004 !50005 !50006 - 1077 ", Describe(ContextMenuFor(ItemKind::kServiceRoot)));
    EXPECT_EQ("50004 1077 ", Describe(ContextMenuFor(ItemKind::kPlaceholder)));
    const std::string contact = "pick: 1074 - 1077 50016 50008 50009 - !50012 ";
    EXPECT_EQ(contact, Describe(ContextMenuFor(ItemKind::kContact)));
    EXPECT_EQ(contact, Describe(ContextMenuFor(ItemKind::kListEntry)));
}

TEST(PanelCommands, MenuIsBuiltWithItsTitleAndStates)
{
    const auto entries = ContextMenuFor(ItemKind::kExtraRoot).entries;
    const auto menu = BuildContextMenu(entries, [](UINT id) { return "text " + std::to_string(id); });
    ASSERT_EQ(static_cast<int>(entries.size()) + 1, ::GetMenuItemCount(menu->Handle()));
    EXPECT_EQ(CMenuXP::kXP, menu->GetStyle());
    EXPECT_EQ(RGB(42, 50, 96), menu->GetColour(CMenuXP::kTitleTop));
    auto info = [&](UINT position) {
        MENUITEMINFOA i{};
        i.cbSize = sizeof i;
        i.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA;
        EXPECT_TRUE(::GetMenuItemInfoA(menu->Handle(), position, TRUE, &i));
        return i;
    };
    const auto title = info(0);
    EXPECT_TRUE(title.fType & MFT_SEPARATOR);
    EXPECT_EQ(std::string(kMenuTitle), reinterpret_cast<const CMenuXPItem*>(title.dwItemData)->text);
    const auto first = info(1);
    EXPECT_EQ(kCmdAddGroup, first.wID);
    EXPECT_TRUE(first.fType & MFT_MENUBREAK);
    EXPECT_EQ("text 50004", reinterpret_cast<const CMenuXPItem*>(first.dwItemData)->text);
    EXPECT_FALSE(first.fState & MFS_GRAYED);
    EXPECT_TRUE(info(2).fState & MFS_GRAYED);
    EXPECT_TRUE(info(4).fType & MFT_SEPARATOR);
    EXPECT_EQ(kCmdAddContact, info(5).wID);
}

TEST(PanelCommands, NewContactGoesToTheGroupOfTheItemClicked)
{
    Book book;
    book.Group(40);
    book.Group(41);
    const int group1 = GroupValue(1);
    EXPECT_EQ(41, GroupForNewContact(book.cache, group1, std::nullopt));
    EXPECT_EQ(41, GroupForNewContact(book.cache, 3, group1)) << "a contact: its parent group";
    EXPECT_EQ(41, GroupForNewContact(book.cache, kPlaceholderValue, group1));
    EXPECT_EQ(PELMO_GROUP_SERVICE, GroupForNewContact(book.cache, 0, kServiceRootValue));
    EXPECT_EQ(PELMO_GROUP_SERVICE, GroupForNewContact(book.cache, kServiceRootValue, std::nullopt));
    EXPECT_EQ(PELMO_GROUP_NONE, GroupForNewContact(book.cache, kExtraRootValue, std::nullopt));
    EXPECT_EQ(PELMO_GROUP_NONE, GroupForNewContact(book.cache, ListValue(0), std::nullopt))
        << "an online-list entry stands at the top level";
    EXPECT_EQ(PELMO_GROUP_NONE, GroupForNewContact(book.cache, std::nullopt, std::nullopt));
    EXPECT_EQ(PELMO_GROUP_NONE, GroupForNewContact(book.cache, GroupValue(2), std::nullopt)) << "gone from the cache";
    EXPECT_EQ(PELMO_GROUP_NONE, GroupForNewContact(nullptr, group1, std::nullopt));
}

TEST(PanelCommands, PickedValueFillsTheNumberWithinItsField)
{
    const FriendInfo mail = NewContactRecord(41, "someone.long@example.org");
    EXPECT_EQ(41, mail.groupID);
    EXPECT_EQ("someone.long@e", std::string(mail.mirrun, ::strnlen(mail.mirrun, sizeof mail.mirrun)));
    // Thirteen digits and a two-byte character: the character does not fit whole.
    const FriendInfo cut = NewContactRecord(-10, "1234567890123中");
    EXPECT_STREQ("1234567890123", cut.mirrun);
    EXPECT_EQ(0, cut.name[0]) << "the rest of the record stays empty";
}

TEST(PanelCommands, RenameStoresWholeCharactersFromTheFullName)
{
    FriendInfo contact{};
    contact.ID = 7;
    CopyField(contact.mirrun, "13900000001");
    CopyField(contact.name, "old");
    const std::string full = "一二三四五六七八九十一二三四五六七八九十";  // 40 bytes
    EXPECT_FALSE(RenamedContact(contact, nullptr, "old"));
    EXPECT_FALSE(RenamedContact(contact, "", "old"));
    EXPECT_FALSE(RenamedContact(contact, "old", "old")) << "unchanged";
    EXPECT_FALSE(RenamedContact(contact, full.c_str(), full)) << "unchanged full name of a shortened label";
    EXPECT_TRUE(RenamedContact(contact, "一二三...", full)) << "the shortened label is not the name";

    const auto renamed = RenamedContact(contact, full.c_str(), "old");
    ASSERT_TRUE(renamed);
    EXPECT_EQ(full.substr(0, 30), renamed->name) << "name holds 31 bytes: 15 whole characters";
    EXPECT_EQ(full, renamed->nickname);
    EXPECT_EQ(7, renamed->ID);
    EXPECT_STREQ("13900000001", renamed->mirrun);
    EXPECT_FALSE(RenamedContact(*renamed, full.c_str(), "old")) << "already stored";
}

TEST(PanelCommands, DraggedContactMovesOnlyToGroupsAndRoots)
{
    Book book;
    book.Group(40);
    EXPECT_EQ(40, MoveTargetGroup(book.cache, GroupValue(0)));
    EXPECT_EQ(PELMO_GROUP_NONE, MoveTargetGroup(book.cache, kExtraRootValue));
    EXPECT_EQ(PELMO_GROUP_SERVICE, MoveTargetGroup(book.cache, kServiceRootValue));
    EXPECT_FALSE(MoveTargetGroup(book.cache, GroupValue(1)));
    EXPECT_FALSE(MoveTargetGroup(book.cache, 0));
    EXPECT_FALSE(MoveTargetGroup(book.cache, kPlaceholderValue));
}

TEST(PanelCommands, DroppedFilesReachTheHostOnlyFromAContact)
{
    const std::vector<std::string> paths{"", "C:\\a b\\first.txt", "C:\\second.txt"};
    EXPECT_EQ("13900000001|C:\\a b\\first.txt", DropMessageText(ItemKind::kContact, "13900000001", paths));
    EXPECT_EQ("777|C:\\a b\\first.txt", DropMessageText(ItemKind::kListEntry, "777", paths));
    EXPECT_FALSE(DropMessageText(ItemKind::kGroup, "x", paths));
    const std::string limit(kMaxDropPath, 'x');
    EXPECT_FALSE(DropPathTooLong({"", limit, limit + "y"}));
    EXPECT_TRUE(DropPathTooLong({"", limit + "y", "C:\\a.txt"})) << "the path that would be sent decides";
    EXPECT_FALSE(DropMessageText(ItemKind::kExtraRoot, "x", paths));
    EXPECT_FALSE(DropMessageText(ItemKind::kPlaceholder, "x", paths));
    EXPECT_FALSE(DropMessageText(ItemKind::kContact, "x", {"", ""}));
    const std::string longPath = "C:\\" + std::string(400, 'd') + "\\f.txt";
    EXPECT_EQ("x|" + longPath, DropMessageText(ItemKind::kContact, "x", {longPath})) << "not cut";
}

TEST(PanelCommands, GroupDeletionAnswers)
{
    EXPECT_EQ(GroupDeleteStep::kRemoveItem, AfterGroupRowDeletion(kGroupDeleted));
    EXPECT_EQ(GroupDeleteStep::kReportFailure, AfterGroupRowDeletion(kGroupNotDeleted)) << "nothing was deleted";
    EXPECT_EQ(GroupDeleteStep::kAskAboutContacts, AfterGroupRowDeletion(kGroupHasContacts));
    EXPECT_EQ(GroupDeleteStep::kReportSubgroups, AfterGroupRowDeletion(kGroupHasSubgroups));
    EXPECT_EQ(GroupDeleteStep::kReportFailure, AfterGroupRowDeletion(kGroupDeleteFailed));
    EXPECT_EQ(GroupDeleteStep::kRemoveItem, AfterGroupTreeDeletion(kGroupDeleted));
    EXPECT_EQ(GroupDeleteStep::kReportFailure, AfterGroupTreeDeletion(kGroupNotDeleted));
    EXPECT_EQ(GroupDeleteStep::kReportFailure, AfterGroupTreeDeletion(kGroupContactNotDeleted));
}
