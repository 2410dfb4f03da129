/* String ids of grell.dll.
   Plain #defines: windres reads this file too. Ids 50000 and up double as
   the command ids whose menu text and tooltip they carry. */
#ifndef PELMO_STRING_IDS_H
#define PELMO_STRING_IDS_H

/* Shared: address book or host configuration not available */
#define IDS_NOT_INITIALISED 1

/* History entry status texts (read into 50-character buffers) */
#define IDS_HIST_STATUS_UNREAD 19
#define IDS_HIST_STATUS_READ   20
#define IDS_HIST_STATUS_SENT   21
#define IDS_HIST_STATUS_UNSENT 22

/* Module label and service contact name (50-byte record fields) */
#define IDS_MODULE_LABEL 23
#define IDS_SERVICE_NAME 25

/* Function tool bar button tips */
#define IDS_TIP_TOOL_CALL     500
#define IDS_TIP_TOOL_MESSAGE  501
#define IDS_TIP_TOOL_SETTINGS 565
#define IDS_TIP_TOOL_CONTACTS 566

/* Manager: caption of its window and message boxes, shared messages */
#define IDS_MANAGER_CAPTION   507
#define IDS_ERR_NUMBER_EXISTS 508
#define IDS_MSG_SELECT_ITEM   512
#define IDS_ASK_DELETE        514
#define IDS_ERR_DELETE        515
#define IDS_ERR_ADD_GROUP     516
#define IDS_ERR_MODIFY        517

/* Group and contact dialog checks */
#define IDS_MSG_CHOOSE_OTHER_PARENT 509
#define IDS_ERR_GROUP_NAME_EMPTY    510
#define IDS_ERR_GROUP_NAME_EXISTS   511
#define IDS_ERR_ALREADY_CONTACT     851
#define IDS_ERR_NUMBER_FORMAT       852

/* Import and export of contact lists (518 and 522 are followed by a name and " ?") */
#define IDS_ASK_EXPORT_PREFIX   518
#define IDS_ERR_PREPARE_FILE    519
#define IDS_EXPORT_DONE         520
#define IDS_ERR_EXPORT          521
#define IDS_ASK_IMPORT_PREFIX   522
#define IDS_ERR_IMPORT_GROUPS   523
#define IDS_ERR_IMPORT_CONTACTS 524
#define IDS_IMPORT_DONE         525
#define IDS_ERR_RELOAD          526
#define IDS_EXPORT_FILE_NAME    837

/* Fixed groups and roots of the panel, the group tree and the choosers */
#define IDS_GROUP_MY_FRIENDS  527
#define IDS_ADDRESS_BOOK_ROOT 833
#define IDS_SERVICE_ROOT      838
#define IDS_GROUP_BLACKLIST   839
#define IDS_EMPTY_GROUP_ITEM  840
#define IDS_GROUP_UNGROUPED   846

/* Contact list columns (531 is also the history list's row number) */
#define IDS_COL_INDEX        531
#define IDS_COL_NUMBER       532
#define IDS_COL_NAME         533
#define IDS_COL_GENDER       534
#define IDS_COL_NICKNAME     535
#define IDS_COL_EMAIL        536
#define IDS_COL_FAX          537
#define IDS_COL_OFFICE_PHONE 538
#define IDS_COL_MOBILE       539
#define IDS_COL_COMPANY      540
#define IDS_COL_DEPARTMENT   541
#define IDS_COL_TITLE        542
#define IDS_COL_INTEREST     543
#define IDS_COL_CITY         544

/* History viewer: caption, categories, columns */
#define IDS_HIST_CAPTION        513
#define IDS_HIST_DELETE_CAPTION 836
#define IDS_HIST_CAT_MESSAGES   545
#define IDS_HIST_CAT_CALLS      548
#define IDS_HIST_COL_TYPE       549
#define IDS_HIST_COL_STATUS     550
#define IDS_HIST_COL_SENDER     551
#define IDS_HIST_COL_RECEIVER   552
#define IDS_HIST_COL_SUBJECT    553
#define IDS_HIST_COL_TIME       554
#define IDS_HIST_COL_CONTENT    575
#define IDS_HIST_COL_CALLER     555
#define IDS_HIST_COL_CALLEE     556
#define IDS_HIST_COL_CALL_TIME  557

/* Region names, paired with dialling prefixes in the region table */
#define IDS_REGION_CN 558
#define IDS_REGION_TW 559
#define IDS_REGION_HK 560
#define IDS_REGION_MO 561
#define IDS_REGION_SG 562
#define IDS_REGION_US 563
#define IDS_REGION_CA 564

/* Contact panel: menu text of command 1074, web site link */
#define IDS_MENU_VIDEO_CALL 569
#define IDS_SITE_URL        574

/* Group and contact dialogs: titles and add-mode prompt */
#define IDS_GROUPDLG_TITLE_ADD       831
#define IDS_GROUPDLG_TITLE_EDIT      832
#define IDS_CONTACTDLG_TITLE_ADD     834
#define IDS_CONTACTDLG_TITLE_EDIT    835
#define IDS_CONTACTDLG_NUMBER_PROMPT 854

/* Group commands refused */
#define IDS_MSG_SELECT_GROUP_DELETE 845
#define IDS_MSG_SELECT_GROUP        847
#define IDS_ERR_FIXED_GROUP_DELETE  849
#define IDS_ERR_FIXED_GROUP_MODIFY  850

/* Commands: menu texts and manager toolbar tips */
#define IDS_CMD_SEND_MESSAGE   50000
#define IDS_CMD_SEND_MAIL      50002
#define IDS_CMD_SEND_FAX       50003
#define IDS_CMD_ADD_GROUP      50004
#define IDS_CMD_MODIFY_GROUP   50005
#define IDS_CMD_DELETE_GROUP   50006
#define IDS_CMD_ADD_CONTACT    50007
#define IDS_CMD_MODIFY_CONTACT 50008
#define IDS_CMD_DELETE_CONTACT 50009
#define IDS_CMD_IMPORT         50010
#define IDS_CMD_EXPORT         50011
#define IDS_CMD_CONTACT_INFO   50012
#define IDS_CMD_VIDEO_CALL     50015
#define IDS_CMD_VIEW_HISTORY   50016

/* Panel: delete a group that still holds contacts */
#define IDS_ASK_DELETE_GROUP_CONTACTS 50017

#endif
