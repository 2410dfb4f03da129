/*
 * pelmo_notices.h - the notices pelmo.dll sends the host, and the window
 * messages its windows take. Included by pelmo.h.
 *
 * Notices arrive at HostConfig.notifyWindow as HostConfig.notifyMessage
 * with one of the codes below in wParam.
 */
#ifndef PELMO_NOTICES_H
#define PELMO_NOTICES_H

/* ---- Notice codes (wParam of notifyMessage) ----------------------------- */

#define PELMO_NOTICE_ADD_NUMBER    2  /* lParam: the number to add (sent) */
#define PELMO_NOTICE_LIST_CREATED  4  /* lParam: the window; send it presence from now on (sent) */
#define PELMO_NOTICE_LIST_CLOSING  5  /* lParam: the window (sent) */
#define PELMO_NOTICE_BOOK_CHANGED  6  /* lParam 0 (posted) */
#define PELMO_NOTICE_BOOK_RELOADED 8  /* lParam 0: reloaded from an imported list (posted) */
#define PELMO_NOTICE_CALL          10 /* lParam: the contact's number in the cache (posted) */
#define PELMO_NOTICE_MAIL          12 /* lParam: the contact's e-mail address */
#define PELMO_NOTICE_FAX           13 /* lParam: the contact's fax number */
#define PELMO_NOTICE_MESSAGE       14 /* lParam: the contact's number */
#define PELMO_NOTICE_TOOL_FIRST    10 /* function tool bar buttons 10..15, lParam 0 */
#define PELMO_NOTICE_TOOL_LAST     15
#define PELMO_NOTICE_HIST_TEXT     20 /* history entry opened; lParam: the notice block */
#define PELMO_NOTICE_HIST_MULTI    21
#define PELMO_NOTICE_HIST_MAIL     22
#define PELMO_NOTICE_HIST_FAX      23
#define PELMO_NOTICE_HIST_TEL      24
#define PELMO_NOTICE_HIST_OTHER    256

/* ---- Messages the library's windows take -------------------------------- */

/* The manager window: rebuild the list of group lParam (WM_USER + 0x66). */
#define PELMO_WM_MANAGER_REFRESH (0x0400 + 0x66)

/* ---- The address-book manager ------------------------------------------- */

/* The host tells the manager's contact list (the window of notice 4) about
   presence: wParam 7 a contact came online, 9 went offline (refresh the
   pictures), 6 the contacts changed (list again). lParam: the number. */
#define PELMO_WM_PRESENCE      (0x0400 + 0x400)
#define PELMO_PRESENCE_REBUILD 6
#define PELMO_PRESENCE_ONLINE  7
#define PELMO_PRESENCE_OFFLINE 9

/* The contact panel (showFriendList). The host delivers the online list
   with PELMO_WM_ONLINE_LIST: wParam the block's length in bytes, lParam the
   block. A length that is a multiple of 16 holds 16-byte numbers only (so a
   multiple of both 16 and 51 is read as numbers: the protocol relies on
   it); else a multiple of 51 holds n/51 16-byte numbers followed by n/51
   35-byte names; any other length, or a null block, empties the list. The
   fields need no terminator. The panel posts PELMO_WM_PANEL_ACTION to its
   parent for a double click on an online contact or an online-list entry:
   wParam the picked value (kept for the panel's next 15 posts), lParam 0. */
#define PELMO_WM_ONLINE_LIST  (0x0400 + 0x28)
#define PELMO_WM_LIST_REQUEST (0x0400 + 0x29)
#define PELMO_WM_LIST_HIDDEN  (0x0400 + 0x2A)
#define PELMO_WM_LIST_SHOWN   (0x0400 + 0x2B)
#define PELMO_WM_PANEL_ACTION (0x0400 + 0x55)

/* The manager's refresh message (PELMO_WM_MANAGER_REFRESH) to its group
   tree: wParam is what to do; lParam 1. */
#define PELMO_MANAGER_ADD_GROUP 0
#define PELMO_MANAGER_REBUILD   1
#define PELMO_MANAGER_EXPORT    2
#define PELMO_MANAGER_IMPORT    3

#endif
