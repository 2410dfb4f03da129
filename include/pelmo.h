/*
 * pelmo.h - the interface of pelmo.dll for host programs.
 *
 * pelmo.dll gives the host its address book and contact windows. The host
 * loads it, calls InitFriendList once, iniFriends after log-in, then the
 * queries, presence updates and window entry points, releaseFriends at
 * log-out, and unloads it.
 *
 * Conventions of every export:
 *  - extern "C", __cdecl, exported under the undecorated names below.
 *  - Texts are narrow, zero-terminated, in the system code page (GBK on a
 *    Chinese system). String arguments are `const char*`: where the library
 *    once took the class library's narrow string object by value, a 32-bit
 *    host that passes such an object hands over the same pointer.
 *  - Where an export once took a class-library window object as parent or
 *    owner, it takes the plain window handle (HWND, may be NULL).
 *  - Success is 1, failure 0 unless an export says otherwise.
 *  - Memory that both the host and the library grow or free (the contact
 *    cache arrays, the list filled by GetNeedFriendsInfo, the type-6 buffer
 *    of getGlobalRes) comes from the process heap: HeapAlloc/HeapFree on
 *    GetProcessHeap().
 *
 * Record layouts are exact for the 32-bit host; the 64-bit build widens
 * pointer-sized fields only, as the static_asserts below spell out.
 */
#ifndef PELMO_H
#define PELMO_H

#include <stddef.h>
#include <stdint.h>
#if defined(_WIN32)
#include <windows.h>
#define PELMO_API __cdecl
#else
/* Native builds of the platform-free data layer see the records only. */
#define PELMO_API
#endif

#include "pelmo_notices.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Address-book records ----------------------------------------------- */

/* Reserved values of FriendInfo.groupID: fixed pseudo-groups, no group row. */
#define PELMO_GROUP_NONE    (-10) /* contacts in no group */
#define PELMO_GROUP_SECOND  (-40) /* the manager tree's second fixed root */
#define PELMO_GROUP_SERVICE (-50) /* the service contact */
/* FriendInfo.state: 0 offline, anything else online. */
#define PELMO_STATE_OFFLINE 0
#define PELMO_STATE_ONLINE  1
#define PELMO_STATE_SPECIAL 2

/* Text fields are zero-terminated and zero-filled after the terminator; a
   field of width w holds at most w - 1 characters. */
typedef struct FriendGroup {
    int ID; /* unique, 0 or greater */
    char name[50];
    int fatherID; /* parent group ID, -1 at the top level */
} FriendGroup;

typedef struct FriendInfo {
    int ID;
    int groupID;     /* a group ID or one of PELMO_GROUP_* */
    char mirrun[15]; /* the contact's number: the key, compared byte for byte */
    char name[32];
    int gender; /* 1 male, 2 female, 0 not given */
    char nickname[50];
    char address[255];
    char country[32];
    char province[20];
    char city[20];
    char postCode[20];
    char company[50];
    char department[50];
    char title[50];
    char company_phone[30];
    char home_phone[30];
    char cell_phone[30];
    char fax_phone[30];
    char e_mail[50];
    char interest[255];
    int state; /* presence, memory only: 0 offline */
} FriendInfo;

/* A growable array as the class library lays it out. Elements lie at
   `data`; `count` are in use, `capacity` allocated; `growBy` 0 means an
   eighth of the count, at least 4 and at most 1024. The block comes from
   the process heap: a host that grows or frees it uses HeapAlloc /
   HeapReAlloc / HeapFree on GetProcessHeap(). `typeWord` names the array's
   class; the library neither needs nor checks it in arrays it is given. */
typedef struct FriendGroupArray {
    const void* typeWord;
    FriendGroup* data;
    intptr_t count;
    intptr_t capacity;
    intptr_t growBy;
} FriendGroupArray;

typedef struct FriendInfoArray {
    const void* typeWord;
    FriendInfo* data;
    intptr_t count;
    intptr_t capacity;
    intptr_t growBy;
} FriendInfoArray;

/* The in-memory address book; the host reads it in place through
   HostConfig.friendCache. Positions change when earlier elements are
   deleted. */
typedef struct FriendCache {
    FriendGroupArray groups;
    FriendInfoArray friends;
} FriendCache;

/* The host configuration record, kept by the history library tembra.dll
   under the key "fax" (getConfInfo / setConfInfo copy it whole). The library
   writes only friendCache and moduleLabel and keeps every other byte. */
typedef struct HostConfig {
    unsigned int notifyWindow;    /* HWND as a 32-bit value (HandleToULong) */
    unsigned short notifyMessage; /* message number of the notices */
    char identity[18];            /* the logged-in user's own number */
    FriendCache* friendCache;     /* null until iniFriends */
    char dataDir[1375];           /* where friend.mdb lives, no trailing backslash */
    char moduleLabel[50];
    char reserved[5031]; /* the host's own */
} HostConfig;

/* What the host knows of a user the network reported; addFriend reads these
   fields. The host's record may be longer: only `department` runs to its
   end, and addFriend reads at most 49 characters of it. Every text field
   that holds "Default" (any case) is emptied by addFriend. */
typedef struct UserProfile {
    int gender;
    char unused[15];
    char nickname[35];
    char country[30];
    char province[30];
    char city[30];
    char title[30];
    char home_phone[20];
    char cell_phone[20];
    char fax[20];
    char office_phone[20];
    char e_mail[30];
    char interests[50];
    char address[50];
    char postCode[10];
    char name[50];
    char company[30];
    char department[50];
} UserProfile;

/* ---- Contact API --------------------------------------------------------- */

/* Number slots: pelmo_getFriends and S_GetOnLineFriends write numbers into
   consecutive 15-byte slots, zero-padded; a 15-character number fills its
   slot without a terminator. Call with NULL first for the count. */
#define PELMO_NUMBER_SLOT 15

/* Builds the cache from the user's friend.mdb (created from the template
   beside the host program when missing) and stores it in
   HostConfig.friendCache. May be called again to reload; presence is lost.
   1 built, 0 failed (the configuration record unreadable: a message box). */
int PELMO_API iniFriends(void);
/* Frees the cache. 1 freed or nothing to free, 0 record unreadable. */
int PELMO_API releaseFriends(void);
/* Number of cached contacts; with a buffer, their numbers in slots. */
int PELMO_API pelmo_getFriends(char* buffer);
/* Online numbers: cached contacts with state != 0, then the online list the
   contact panel holds. Without a cache only the online list's count. */
int PELMO_API S_GetOnLineFriends(char* buffer);
/* countOnly != 0 and list == NULL: the number of online contacts.
   countOnly == 0 and list != NULL: list->friends is emptied and filled with
   copies of the online contacts (its block is grown with the process heap);
   list->groups is untouched. The service contact (groupID -50) counts only
   with includeService != 0. Any other combination returns 0. */
int PELMO_API GetNeedFriendsInfo(FriendCache* list, int countOnly, int includeService);
/* Sets the presence of the first contact with this number. 1 set, 0 not found. */
int PELMO_API setFriendState(const char* number, int state);
/* The presence of the first contact with this number, 0 when unknown. */
int PELMO_API getFriendState(const char* number);
/* Writes the display name of `number` into `buffer` (at least 50 bytes):
   nickname, else full name, else the online list's name, else the number.
   Returns its length; -1 for a null argument, -2 record unreadable. */
int PELMO_API getFriendNickName(const char* number, char* buffer);
/* Stores a contact the network reported unless one with this number is
   cached. `profile` may be NULL; its "Default" texts are emptied in place.
   Posts notifyMessage (wParam 6) to the host. 1 added or present, 0 failed. */
int PELMO_API addFriend(const char* number, UserProfile* profile);
/* The cache that HostConfig names, read anew on every call; NULL without. */
FriendCache* PELMO_API GetFriendCache(void);

#if defined(_WIN32)
/* ---- Resource library access ------------------------------------------ */

/* Loads string `id` of grell.dll into `buffer` (at most size - 1 characters
   and a terminator). Returns the characters copied; 0 for a NULL buffer or
   a missing string. */
int PELMO_API getGlobalStr(unsigned int id, char* buffer, int size);
HICON PELMO_API getGlobalIcon(WORD id);
HBITMAP PELMO_API getGlobalBitmap(WORD id);
HMENU PELMO_API getGlobalMenu(WORD id);

/* The data of resource (id, type) in grell.dll, or NULL when absent. For
   type 6 (string table) it is a 255-byte buffer with string `id`, which the
   caller owns and frees with HeapFree(GetProcessHeap(), 0, p). Any other
   type stays valid while pelmo.dll is loaded. */
#define PELMO_RES_DIALOG 5 /* RT_DIALOG */
#define PELMO_RES_STRING 6 /* RT_STRING */
void* PELMO_API getGlobalRes(unsigned int id, int type);
void PELMO_API releaseGlobalRes(void);

/* `dialog` is a dialog object of pelmo's own window framework (framework
   CDialog); a host without that framework has no use for these two. */
int PELMO_API initModelDialog(void* dialog, int templateId, HWND parent);
int PELMO_API initModelessDialog(void* dialog, int templateId, HWND parent);

/* ---- Skinned message box ------------------------------------------------ */

/* Style bits: 1 = one centred OK button; 2 = Cancel skinned like OK. */
#define PELMO_MB_ONEBUTTON  0x1u
#define PELMO_MB_SKINCANCEL 0x2u
#define PELMO_MB_INFO       PELMO_MB_ONEBUTTON
#define PELMO_MB_QUESTION   PELMO_MB_SKINCANCEL

/* Results: 1 OK, 2 Cancel / Escape / close box, -1 no dialog template.
   A parent that is not a live window (already destroyed) cannot own the box:
   it then opens without an owner, so the user still sees the message. */
int PELMO_API MessageBoxSkin(const char* text, const char* caption, unsigned int style, HWND parent);
int PELMO_API MessageBoxSkin2(const char* text, const char* caption, unsigned int style, HWND parent,
                              const char* okCaption, const char* cancelCaption);
int PELMO_API outPutInfo(unsigned int textId, unsigned int captionId, HWND parent);
/* The text is followed by ":<errorCode>". */
int PELMO_API outPutInfoErr(unsigned int textId, long errorCode, unsigned int captionId, HWND parent);

/* ---- Region codes ------------------------------------------------------- */

/* One entry of the region table; the table ends with nameId 0. */
typedef struct RegionEntry {
    unsigned int nameId; /* string id of the region's name in grell.dll */
    char prefix[12];     /* international dialling prefix, e.g. "0086" */
} RegionEntry;

RegionEntry* PELMO_API getRegionNum(void);
/* The entry whose name (exact, case-sensitive) is `name`, or NULL. */
RegionEntry* PELMO_API getNumFromRegion(const char* name);

/* ---- Module state ------------------------------------------------------- */

/* Resets the module-wide window state (online list, manager window). Always 1. */
int PELMO_API InitFriendList(void);

/* ---- Address-book manager ----------------------------------------------- */

/* Opens the address-book manager (at most one; a second call shows the open
   one again) and returns it as an opaque pointer, NULL when it cannot be
   made. The argument is not used. The window is the user's to close; the
   pointer is valid only while the window exists. */
void* PELMO_API showFriendMain(int unused);
/* Sets *frameRef to NULL (a NULL frameRef is ignored); the window stays
   open. Always 0. */
int PELMO_API hideFriendMain(void** frameRef);

/* ---- Contact panel ------------------------------------------------------ */

/* Docks the contact panel over the rightmost 157 pixels of `parent`'s client
   area (full height) and returns it as an opaque pointer; NULL for a NULL
   parent or when it cannot be made. `parent` is the window handle where the
   library once took a class-library window object. A click on a contact
   posts `pickMessage` (low 16 bits) to the parent, a double click on an
   online contact PELMO_WM_PANEL_ACTION; wParam points to the picked value
   (the e-mail for pickMode "mail", the fax number for "fax", else the
   number), valid while the panel lives until 16 more values are posted.
   barAbove nonzero: the tool bar stands above the panel's content. The panel sends notice 4 when created
   and 5 when closing; it deletes itself with its window. */
void* PELMO_API showFriendList(HWND parent, int pickMessage, const char* pickMode, unsigned int barAbove);
/* Closes the panel *panelRef, sets *panelRef to NULL and makes the panel's
   parent 157 pixels narrower (never below zero width). -1 when there is
   nothing to close (NULL panelRef or *panelRef); 0 otherwise, also for a
   panel already gone with its parent, which is left untouched. */
int PELMO_API hideFriendList(void** panelRef);
/* The panel also takes the host's presence messages (PELMO_WM_PRESENCE) and
   the online list (PELMO_WM_ONLINE_LIST: a length that is a multiple of
   both 16 and 51 reads as numbers only, see pelmo_notices.h), and asks for
   the list with PELMO_WM_LIST_REQUEST, PELMO_WM_LIST_HIDDEN and
   PELMO_WM_LIST_SHOWN sent to the parent. */

/* ---- Function tool bar -------------------------------------------------- */

/* Puts the function tool bar (60 pixels high, the parent's full width) at
   the top of `parent` and returns it as an opaque pointer; NULL for a NULL
   parent or when it cannot be made. `parent` is the window handle where the
   library once took a class-library window object. A parent that already
   has a bar gets that one back with the new mode. `mode` 0 marks the first
   button (notice 14) as the current function, 1 the second (notice 10); the
   current one posts nothing. The third button sends WM_APP + 1 (wParam 2,
   lParam 517) to the top window of the parent's owner chain, the fourth
   posts WM_USER + 0x2C to the parent. The bar lives until its parent is
   destroyed. */
void* PELMO_API showFuncTools(HWND parent, unsigned int mode);
#endif /* _WIN32 */

#ifdef __cplusplus
} /* extern "C" */
#endif

/* ---- Layout checks ------------------------------------------------------ */
#ifdef __cplusplus
#define PELMO_ASSERT_OFFSET(type, field, off) static_assert(offsetof(type, field) == (off), #type "." #field)
#define PELMO_ASSERT_SIZE(type, size)         static_assert(sizeof(type) == (size), "sizeof " #type)
#if defined(_WIN32)
PELMO_ASSERT_OFFSET(RegionEntry, nameId, 0);
PELMO_ASSERT_OFFSET(RegionEntry, prefix, 4);
PELMO_ASSERT_SIZE(RegionEntry, 16);
#endif

PELMO_ASSERT_OFFSET(FriendGroup, ID, 0);
PELMO_ASSERT_OFFSET(FriendGroup, name, 4);
PELMO_ASSERT_OFFSET(FriendGroup, fatherID, 56);
PELMO_ASSERT_SIZE(FriendGroup, 60);

PELMO_ASSERT_OFFSET(FriendInfo, ID, 0);
PELMO_ASSERT_OFFSET(FriendInfo, groupID, 4);
PELMO_ASSERT_OFFSET(FriendInfo, mirrun, 8);
PELMO_ASSERT_OFFSET(FriendInfo, name, 23);
PELMO_ASSERT_OFFSET(FriendInfo, gender, 56);
PELMO_ASSERT_OFFSET(FriendInfo, nickname, 60);
PELMO_ASSERT_OFFSET(FriendInfo, address, 110);
PELMO_ASSERT_OFFSET(FriendInfo, country, 365);
PELMO_ASSERT_OFFSET(FriendInfo, province, 397);
PELMO_ASSERT_OFFSET(FriendInfo, city, 417);
PELMO_ASSERT_OFFSET(FriendInfo, postCode, 437);
PELMO_ASSERT_OFFSET(FriendInfo, company, 457);
PELMO_ASSERT_OFFSET(FriendInfo, department, 507);
PELMO_ASSERT_OFFSET(FriendInfo, title, 557);
PELMO_ASSERT_OFFSET(FriendInfo, company_phone, 607);
PELMO_ASSERT_OFFSET(FriendInfo, home_phone, 637);
PELMO_ASSERT_OFFSET(FriendInfo, cell_phone, 667);
PELMO_ASSERT_OFFSET(FriendInfo, fax_phone, 697);
PELMO_ASSERT_OFFSET(FriendInfo, e_mail, 727);
PELMO_ASSERT_OFFSET(FriendInfo, interest, 777);
PELMO_ASSERT_OFFSET(FriendInfo, state, 1032);
PELMO_ASSERT_SIZE(FriendInfo, 1036);

PELMO_ASSERT_OFFSET(UserProfile, gender, 0);
PELMO_ASSERT_OFFSET(UserProfile, nickname, 19);
PELMO_ASSERT_OFFSET(UserProfile, country, 54);
PELMO_ASSERT_OFFSET(UserProfile, province, 84);
PELMO_ASSERT_OFFSET(UserProfile, city, 114);
PELMO_ASSERT_OFFSET(UserProfile, title, 144);
PELMO_ASSERT_OFFSET(UserProfile, home_phone, 174);
PELMO_ASSERT_OFFSET(UserProfile, cell_phone, 194);
PELMO_ASSERT_OFFSET(UserProfile, fax, 214);
PELMO_ASSERT_OFFSET(UserProfile, office_phone, 234);
PELMO_ASSERT_OFFSET(UserProfile, e_mail, 254);
PELMO_ASSERT_OFFSET(UserProfile, interests, 284);
PELMO_ASSERT_OFFSET(UserProfile, address, 334);
PELMO_ASSERT_OFFSET(UserProfile, postCode, 384);
PELMO_ASSERT_OFFSET(UserProfile, name, 394);
PELMO_ASSERT_OFFSET(UserProfile, company, 444);
PELMO_ASSERT_OFFSET(UserProfile, department, 474);

PELMO_ASSERT_OFFSET(HostConfig, notifyWindow, 0);
PELMO_ASSERT_OFFSET(HostConfig, notifyMessage, 4);
PELMO_ASSERT_OFFSET(HostConfig, identity, 6);
PELMO_ASSERT_OFFSET(HostConfig, friendCache, 24);

#if defined(_WIN32) && !defined(_WIN64)
/* The 32-bit host's layout, exactly. */
PELMO_ASSERT_OFFSET(FriendGroupArray, typeWord, 0);
PELMO_ASSERT_OFFSET(FriendGroupArray, data, 4);
PELMO_ASSERT_OFFSET(FriendGroupArray, count, 8);
PELMO_ASSERT_OFFSET(FriendGroupArray, capacity, 12);
PELMO_ASSERT_OFFSET(FriendGroupArray, growBy, 16);
PELMO_ASSERT_SIZE(FriendGroupArray, 20);
PELMO_ASSERT_OFFSET(FriendCache, groups, 0);
PELMO_ASSERT_OFFSET(FriendCache, friends, 20);
PELMO_ASSERT_OFFSET(FriendCache, friends.typeWord, 20);
PELMO_ASSERT_OFFSET(FriendCache, friends.data, 24);
PELMO_ASSERT_OFFSET(FriendCache, friends.count, 28);
PELMO_ASSERT_OFFSET(FriendCache, friends.capacity, 32);
PELMO_ASSERT_OFFSET(FriendCache, friends.growBy, 36);
PELMO_ASSERT_SIZE(FriendCache, 40);
PELMO_ASSERT_OFFSET(HostConfig, dataDir, 28);
PELMO_ASSERT_OFFSET(HostConfig, moduleLabel, 1403);
PELMO_ASSERT_SIZE(HostConfig, 6484);
#else
/* 64-bit build (and the native data-layer build): pointer-sized fields
   widen to 8 bytes and what follows them moves on. */
PELMO_ASSERT_OFFSET(FriendGroupArray, typeWord, 0);
PELMO_ASSERT_OFFSET(FriendGroupArray, data, 8);
PELMO_ASSERT_OFFSET(FriendGroupArray, count, 16);
PELMO_ASSERT_OFFSET(FriendGroupArray, capacity, 24);
PELMO_ASSERT_OFFSET(FriendGroupArray, growBy, 32);
PELMO_ASSERT_SIZE(FriendGroupArray, 40);
PELMO_ASSERT_OFFSET(FriendCache, groups, 0);
PELMO_ASSERT_OFFSET(FriendCache, friends, 40);
PELMO_ASSERT_OFFSET(FriendCache, friends.typeWord, 40);
PELMO_ASSERT_OFFSET(FriendCache, friends.data, 48);
PELMO_ASSERT_OFFSET(FriendCache, friends.count, 56);
PELMO_ASSERT_OFFSET(FriendCache, friends.capacity, 64);
PELMO_ASSERT_OFFSET(FriendCache, friends.growBy, 72);
PELMO_ASSERT_SIZE(FriendCache, 80);
PELMO_ASSERT_OFFSET(HostConfig, dataDir, 32);
PELMO_ASSERT_OFFSET(HostConfig, moduleLabel, 1407);
PELMO_ASSERT_SIZE(HostConfig, 6488);
#endif
static_assert(sizeof(FriendInfoArray) == sizeof(FriendGroupArray), "both arrays share one layout");
#endif

/* ---- History viewer ------------------------------------------------------ */
#ifdef __cplusplus
extern "C" {
#endif

/* One history entry as the history library (tembra.dll) hands it out and
   takes it back. The party and content texts belong to the library,
   together with the array; 220 bytes for the 32-bit host. */
typedef struct HistRecord {
    char owner[15]; /* the user's own number */
    char type[32];  /* "tel", "mail", "text", "multi" or "fax" */
    char info[32];  /* passed on to the host when the entry is opened */
    char detail[32];
    char group[50];
    char status[32];
    char reserved[15]; /* the library's own: which stored entry this copy is */
    char* partyA;
    char* partyB;
    char* content; /* XML text with elements such as BODY and TITLE */
} HistRecord;

/* What the viewer hands the host when the user opens an entry (lParam of
   notifyMessage with wParam 20..24 or 256). Each text is cut to its field
   and has no terminator when it fills it; the block is followed by one more
   zero byte, so even a full content field ends. */
typedef struct HistEntryNotice {
    char owner[15];
    char type[32];
    char info[32];
    char partyA[500];
    char partyB[500];
    char detail[32];
    char group[50];
    char status[32]; /* after the entry has been marked read */
    char content[5000];
} HistEntryNotice;

#if defined(_WIN32)
/* Opens a further history viewer (a top-level window that deletes itself
   when closed). The notice of an opened entry is sent, not posted: the
   block is valid while the host handles the message and until the viewer's
   next open or its end. Returns the window handle, 0 on failure. */
INT_PTR PELMO_API viewHistList(void);
#endif

#ifdef __cplusplus
} /* extern "C" */

PELMO_ASSERT_OFFSET(HistRecord, owner, 0);
PELMO_ASSERT_OFFSET(HistRecord, type, 15);
PELMO_ASSERT_OFFSET(HistRecord, info, 47);
PELMO_ASSERT_OFFSET(HistRecord, detail, 79);
PELMO_ASSERT_OFFSET(HistRecord, group, 111);
PELMO_ASSERT_OFFSET(HistRecord, status, 161);
PELMO_ASSERT_OFFSET(HistRecord, reserved, 193);
PELMO_ASSERT_OFFSET(HistRecord, partyA, 208);
#if defined(_WIN32) && !defined(_WIN64)
PELMO_ASSERT_OFFSET(HistRecord, partyB, 212);
PELMO_ASSERT_OFFSET(HistRecord, content, 216);
PELMO_ASSERT_SIZE(HistRecord, 220);
#else
PELMO_ASSERT_OFFSET(HistRecord, partyB, 216);
PELMO_ASSERT_OFFSET(HistRecord, content, 224);
PELMO_ASSERT_SIZE(HistRecord, 232);
#endif
PELMO_ASSERT_OFFSET(HistEntryNotice, owner, 0);
PELMO_ASSERT_OFFSET(HistEntryNotice, type, 15);
PELMO_ASSERT_OFFSET(HistEntryNotice, info, 47);
PELMO_ASSERT_OFFSET(HistEntryNotice, partyA, 79);
PELMO_ASSERT_OFFSET(HistEntryNotice, partyB, 579);
PELMO_ASSERT_OFFSET(HistEntryNotice, detail, 1079);
PELMO_ASSERT_OFFSET(HistEntryNotice, group, 1111);
PELMO_ASSERT_OFFSET(HistEntryNotice, status, 1161);
PELMO_ASSERT_OFFSET(HistEntryNotice, content, 1193);
PELMO_ASSERT_SIZE(HistEntryNotice, 6193);
#endif

#endif /* PELMO_H */
