// The demo functions of the dialogs on a real sample user: what the demo
// host shows, stored through the database, and its screenshots.
#include "host/dialogs_demo.h"
#include "manager/dialog_rules.h"
#include "pelmo.h"
#include "resources/resource_ids.h"
#include "support/dialog_run.h"
#include "support/ui_driver.h"

#include "core/host_config.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>
#include <string>

namespace {

// A logged-in sample user whose friend.mdb is made from the template.
class SampleUser : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        m_dir = std::string(temp) + "pelmo-dialogs-" + std::to_string(::GetCurrentProcessId());
        ::CreateDirectoryA(m_dir.c_str(), nullptr);
        HostConfig config;
        std::memset(&config, 0, sizeof config);
        std::strcpy(config.identity, "8613800001111");
        std::snprintf(config.dataDir, sizeof config.dataDir, "%s", m_dir.c_str());
        WriteHostConfig(config);
        ASSERT_EQ(1, iniFriends());
        ASSERT_NE(nullptr, GetFriendCache());
    }
    void TearDown() override
    {
        releaseFriends();
        ::DeleteFileA((m_dir + "\\friend.mdb").c_str());
        ::RemoveDirectoryA(m_dir.c_str());
    }
    // Reads the address book anew from the file.
    void Reload()
    {
        releaseFriends();
        ASSERT_EQ(1, iniFriends());
    }
    const FriendInfo* Contact(const char* number) const
    {
        FriendCache* cache = GetFriendCache();
        for (intptr_t i = 0; cache && i < cache->friends.count; ++i)
            if (dialogs::FieldText(cache->friends.data[i].mirrun) == number)
                return &cache->friends.data[i];
        return nullptr;
    }

    testui::TestParent owner;
    std::string m_dir;
};

std::string ShotFolder()
{
    const char* wanted = std::getenv("PELMO_DIALOG_SHOTS");
    std::string folder = wanted && *wanted ? wanted : "dialog-shots";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

// Pixels as 0xRRGGBB, row by row from the top.
struct Pixels {
    int w = 0, h = 0;
    std::vector<DWORD> rgb;
    DWORD At(int x, int y) const { return x < 0 || y < 0 || x >= w || y >= h ? 0xFFFFFFFF : rgb[size_t(y) * w + x]; }
};

// A screenshot as the demo saved it: a bottom-up 24-bit .bmp file.
Pixels ReadShot(const std::string& path)
{
    Pixels p;
    std::ifstream in(path, std::ios::binary);
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    in.read(reinterpret_cast<char*>(&file), sizeof file);
    in.read(reinterpret_cast<char*>(&info), sizeof info);
    if (!in || info.biBitCount != 24)
        return p;
    p.w = info.biWidth;
    p.h = info.biHeight;
    const size_t stride = (size_t(p.w) * 3 + 3) & ~size_t(3);
    std::vector<unsigned char> bytes(stride * p.h);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    p.rgb.resize(size_t(p.w) * p.h);
    for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x) {
            const unsigned char* b = &bytes[size_t(p.h - 1 - y) * stride + size_t(x) * 3];
            p.rgb[size_t(y) * p.w + x] = DWORD(b[2]) << 16 | DWORD(b[1]) << 8 | b[0];
        }
    return p;
}

Pixels FromBitmap(HBITMAP bitmap)
{
    Pixels p;
    BITMAP info{};
    ::GetObjectA(bitmap, sizeof info, &info);
    p.w = info.bmWidth;
    p.h = info.bmHeight;
    p.rgb.resize(size_t(p.w) * p.h);
    BITMAPINFO format{};
    format.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), p.w, -p.h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC dc = ::GetDC(nullptr);
    ::GetDIBits(dc, bitmap, 0, p.h, p.rgb.data(), &format, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, dc);
    for (DWORD& c : p.rgb)
        c &= 0xFFFFFF;
    return p;
}

// Where the whole picture shows in the shot, or (-1, -1).
POINT Find(const Pixels& shot, const Pixels& picture)
{
    for (int y = 0; y + picture.h <= shot.h; ++y)
        for (int x = 0; x + picture.w <= shot.w; ++x) {
            bool same = true;
            for (int py = 0; py < picture.h && same; ++py)
                for (int px = 0; px < picture.w && same; ++px)
                    same = shot.At(x + px, y + py) == picture.At(px, py);
            if (same)
                return POINT{x, y};
        }
    return POINT{-1, -1};
}

constexpr DWORD kFace = 0xE6EAF8;  // RGB(230, 234, 248)

}  // namespace

TEST_F(SampleUser, EditedContactIsStoredAndANewGroupAppearsInTheCache)
{
    testui::OkRun addGroup([](HWND d) { ::SetDlgItemTextA(d, IDC_GROUP_NAME, "老同学"); });
    EXPECT_EQ(IDOK, dialogs_demo::OpenGroupDialog(owner.Handle(), false));
    FriendCache* cache = GetFriendCache();
    ASSERT_EQ(1, cache->groups.count);
    EXPECT_EQ("老同学", dialogs::FieldText(cache->groups.data[0].name));
    EXPECT_EQ(-1, cache->groups.data[0].fatherID);

    // The first ordinary contact: the one just made.
    testui::OkRun addContact([](HWND d) { ::SetDlgItemTextA(d, IDC_CONTACT_NUMBER, "0571887777"); });
    ASSERT_EQ(IDOK, dialogs_demo::OpenContactDialog(owner.Handle(), false));
    EXPECT_TRUE(addContact.BoxTexts().empty());
    testui::OkRun edit([](HWND d) {
        ::SetDlgItemTextA(d, IDC_CONTACT_NAME, "陈静");
        ::SetDlgItemTextA(d, IDC_CONTACT_CITY, "宁波");
    });
    EXPECT_EQ(IDOK, dialogs_demo::OpenContactDialog(owner.Handle(), true));
    Reload();
    const FriendInfo* stored = Contact("0571887777");
    ASSERT_NE(nullptr, stored);
    EXPECT_EQ("陈静", dialogs::FieldText(stored->name));
    EXPECT_EQ("宁波", dialogs::FieldText(stored->city));
    EXPECT_EQ(PELMO_GROUP_NONE, stored->groupID) << "added without choosing a group";
}

TEST_F(SampleUser, DemoShootsEveryDialogInBothModes)
{
    const std::string folder = ShotFolder();
    const int saved = dialogs_demo::ShootDialogs(owner.Handle(), folder);
    EXPECT_EQ(6, saved);
    EXPECT_EQ(nullptr, testui::InnermostDialog()) << "a dialog was left open";

    // What a person sees in them: the contact's header picture at the top
    // left of the dialog's face, only in edit mode; the message box with its
    // picture over the form it answers.
    HBITMAP header = getGlobalBitmap(IDB_CONTACT_PICTURE), boxPicture = getGlobalBitmap(IDB_MESSAGEBOX_PICTURE);
    const Pixels headerPixels = FromBitmap(header), boxPixels = FromBitmap(boxPicture);
    ::DeleteObject(header);
    ::DeleteObject(boxPicture);
    const Pixels edit = ReadShot(folder + "\\dialog_contact_edit.bmp");
    ASSERT_GT(edit.w, 0) << "no edit-mode shot";
    const POINT at = Find(edit, headerPixels);
    ASSERT_GE(at.x, 0) << "the header picture is not on the screen";
    EXPECT_EQ(kFace, edit.At(at.x - 1, at.y - 1));
    EXPECT_EQ(kFace, edit.At(at.x - 2, at.y - 2)) << "the picture does not start two pixels into the face";
    EXPECT_NE(kFace, edit.At(at.x - 3, at.y - 3)) << "the picture is not at the face's corner";
    EXPECT_LT(Find(ReadShot(folder + "\\dialog_contact_add.bmp"), headerPixels).x, 0) << "header in add mode";
    EXPECT_GE(Find(ReadShot(folder + "\\dialog_contact_check.bmp"), boxPixels).x, 0) << "no message box shown";
}
