/* Ids of everything in grell.dll, shared by the resource scripts and the code.
   Plain #defines: windres reads this file too. */
#ifndef PELMO_RESOURCE_IDS_H
#define PELMO_RESOURCE_IDS_H

#include "string_ids.h"

/* Skinned message box */
#define IDD_MESSAGEBOX_SKIN    8033
#define IDC_MESSAGEBOX_TEXT    8035
#define IDI_APP                3142
#define IDB_BUTTON_IN          3180 /* button while pointed at or pressed */
#define IDB_BUTTON_OUT         3181 /* button otherwise */
#define IDB_MESSAGEBOX_PICTURE 3183

/* Resource type of class-library dialog initialisation data */
#define RT_PELMO_DLGINIT 240

/* Group and contact dialogs */
#define IDD_GROUP_DLG       7005
#define IDD_CONTACT_DLG     7006
#define IDB_CONTACT_PICTURE 3188 /* header of the contact dialog in edit mode */

/* Group dialog controls */
#define IDC_GROUP_NAME         7000
#define IDC_GROUP_PARENT       7001 /* placeholder replaced by the group chooser */
#define IDC_GROUP_PARENT_LABEL 7002
#define IDC_GROUP_NAME_LABEL   7004

/* Contact dialog controls: the fields */
#define IDC_CONTACT_NUMBER       7003
#define IDC_CONTACT_NAME         1009
#define IDC_CONTACT_ADDRESS      1010
#define IDC_CONTACT_NICKNAME     7005
#define IDC_CONTACT_CITY         7006
#define IDC_CONTACT_COMPANY      7007
#define IDC_CONTACT_DEPARTMENT   7008
#define IDC_CONTACT_TITLE        7009
#define IDC_CONTACT_INTEREST     7011
#define IDC_CONTACT_EMAIL        7012
#define IDC_CONTACT_FAX          7013
#define IDC_CONTACT_OFFICE_PHONE 7014
#define IDC_CONTACT_MOBILE       7015
#define IDC_CONTACT_GROUP        7018 /* placeholder replaced by the group chooser */
#define IDC_CONTACT_MALE         7019
#define IDC_CONTACT_FEMALE       7020

/* Contact dialog controls: frames and labels */
#define IDC_CONTACT_FRAME_PERSON   1050
#define IDC_CONTACT_FRAME_CONTACT  1051
#define IDC_CONTACT_GROUP_LABEL    1052
#define IDC_CONTACT_NUMBER_LABEL   1053 /* becomes the number prompt in add mode */
#define IDC_CONTACT_NAME_LABEL     1054
#define IDC_CONTACT_GENDER_LABEL   1055
#define IDC_CONTACT_NICKNAME_LABEL 1056
#define IDC_CONTACT_CITY_LABEL     1057
#define IDC_CONTACT_COMPANY_LABEL  1058
#define IDC_CONTACT_DEPT_LABEL     1059
#define IDC_CONTACT_TITLE_LABEL    1060
#define IDC_CONTACT_EMAIL_LABEL    1061
#define IDC_CONTACT_FAX_LABEL      1062
#define IDC_CONTACT_OFFICE_LABEL   1063
#define IDC_CONTACT_MOBILE_LABEL   1064
#define IDC_CONTACT_ADDRESS_LABEL  1065
#define IDC_CONTACT_INTEREST_LABEL 1066

/* History viewer */
#define IDD_HIST_VIEW   7000
#define IDC_HIST_TREE   1034
#define IDC_HIST_LIST   1037
#define IDC_HIST_ADD    1049
#define IDC_HIST_DELETE 7033
#define IDC_HIST_OPEN   1036
#define IDC_HIST_CLOSE  7034

/* Address-book manager: menu bar, pop-ups (sub-menu 1 the group tree's,
   2 the contact list's), toolbar strip (eight 60x56 images) and the
   presence/gender images of the contact list (16x16, state + 2 x gender) */
#define IDM_MANAGER         7012
#define IDM_MANAGER_POPUPS  7001
#define IDB_MANAGER_TOOLBAR 7026
#define IDB_CONTACT_STATES  7023

/* Contact panel: presence pictures (24x24, magenta transparent) for
   offline, online and special, the expander pictures, the extra root's
   add-contact picture and the panel background */
#define IDB_PANEL_EXPAND_CLOSED 3169
#define IDB_PANEL_OFFLINE       3170
#define IDB_PANEL_ONLINE        3172
#define IDB_PANEL_SPECIAL       3173
#define IDB_PANEL_EXPAND_OPEN   3174
#define IDB_PANEL_BACKGROUND    3178
#define IDB_PANEL_ADD_CONTACT   3200

/* Function tool bar: 55x45 button faces (magenta transparent), "hot" while
   pointed at and "idle" otherwise, the faces of the current function, and
   the bar's two end pictures */
#define IDB_TOOL_MESSAGE_HOT   3143
#define IDB_TOOL_CONTACTS_HOT  3144
#define IDB_TOOL_CALL_IDLE     3145
#define IDB_TOOL_SETTINGS_HOT  3146
#define IDB_TOOL_SPARE_HOT     3147
#define IDB_TOOL_SPARE_IDLE    3148
#define IDB_TOOL_LEFT          3149
#define IDB_TOOL_RIGHT         3150
#define IDB_TOOL_SETTINGS_IDLE 3151
#define IDB_TOOL_CONTACTS_IDLE 3152
#define IDB_TOOL_MESSAGE_IDLE  3153
#define IDB_TOOL_CALL_HOT      3154
#define IDB_TOOL_MESSAGE_ON    3167
#define IDB_TOOL_CALL_ON       3168

#endif
