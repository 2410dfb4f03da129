/* Ids of everything in grell.dll, shared by the resource scripts and the code.
   Plain #defines: windres reads this file too. */
#ifndef PELMO_RESOURCE_IDS_H
#define PELMO_RESOURCE_IDS_H

#include "string_ids.h"

/* Skinned message box */
#define IDD_MESSAGEBOX_SKIN        8033
#define IDC_MESSAGEBOX_TEXT        8035
#define IDI_APP                    3142
#define IDB_BUTTON_IN              3180  /* button while pointed at or pressed */
#define IDB_BUTTON_OUT             3181  /* button otherwise */
#define IDB_MESSAGEBOX_PICTURE     3183

/* Resource type of class-library dialog initialisation data */
#define RT_PELMO_DLGINIT           240

#endif
