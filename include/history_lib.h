/*
 * history_lib.h - how pelmo.dll reaches the history library tembra.dll.
 *
 * tembra.dll keeps the host configuration record (key "fax") and the store
 * of calls and messages. Its exports are plain C, __cdecl, undecorated in
 * both builds. The stand-in under standins/tembra implements this header.
 */
#ifndef PELMO_HISTORY_LIB_H
#define PELMO_HISTORY_LIB_H

#include <stddef.h>

#if defined(TEMBRA_BUILD)
#define TEMBRA_API __declspec(dllexport) __cdecl
#else
#define TEMBRA_API __declspec(dllimport) __cdecl
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The configuration record's key in the history library. */
#define TEMBRA_CONF_KEY "fax"

/* One history entry as the library hands it out and takes it back. The
   party and content texts belong to the library, together with the array. */
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

/* Copies the whole configuration record stored under `key` into `buffer`
   (sizeof(HostConfig) bytes). Negative until the host has stored it. */
int TEMBRA_API getConfInfo(const char* key, void* buffer);
/* Stores the whole record from `buffer`. 0 on success, negative for a null
   argument. */
int TEMBRA_API setConfInfo(const char* key, const void* buffer);
/* Writes the user's own number (at most 14 characters and a terminator)
   into a 15-character buffer. Negative until the record is stored. */
int TEMBRA_API getConfInfoMirrun(const char* key, char* buffer);

/* Number of history groups of entries of `type` owned by `identity`; with
   a buffer, writes that many 50-byte group names into it. */
int TEMBRA_API getHistGroup(const char* identity, const char* type, char* buffer);
/* Entries matching the query's owner, type and group, oldest first. The
   array (null when *count is 0) is released with releaseItemBuf. */
HistRecord* TEMBRA_API getHistItem(const HistRecord* query, int* count);
void TEMBRA_API releaseItemBuf(HistRecord* items, int count);
/* Rewrites the stored entry behind `item` (a record of a getHistItem array)
   from `modified`'s fixed fields. 0 on success, negative when gone. */
int TEMBRA_API updateOneHist(HistRecord* item, const HistRecord* modified);
/* Deletes the stored entry behind `item`. 0 on success, negative when gone. */
int TEMBRA_API delOneHist(HistRecord* item);
/* The text of element `element` of an XML `content` (entities decoded when
   `decode` is not 0), or null. Released with releaseCharBuf. */
char* TEMBRA_API getXMLTextInfo(const char* content, const char* element, int decode);
void TEMBRA_API releaseCharBuf(char* text);

/* Stand-in only: fill and reset the store and the record (demo host, tests). */
/* Stores a copy of `entry` and its texts; returns the new entry's id (>= 0). */
int TEMBRA_API addOneHist(const HistRecord* entry);
void TEMBRA_API clearHistStore(void);
/* Forgets the record stored under `key`: getConfInfo fails again. */
int TEMBRA_API clearConfInfo(const char* key);

#ifdef __cplusplus
} /* extern "C" */

#if defined(_WIN64)
static_assert(offsetof(HistRecord, partyA) == 208 && offsetof(HistRecord, partyB) == 216 &&
                  offsetof(HistRecord, content) == 224 && sizeof(HistRecord) == 232,
              "HistRecord x64");
#else
static_assert(offsetof(HistRecord, reserved) == 193 && offsetof(HistRecord, partyA) == 208 &&
                  offsetof(HistRecord, partyB) == 212 && offsetof(HistRecord, content) == 216 &&
                  sizeof(HistRecord) == 220,
              "HistRecord i686");
#endif
static_assert(offsetof(HistRecord, type) == 15 && offsetof(HistRecord, info) == 47 &&
                  offsetof(HistRecord, detail) == 79 && offsetof(HistRecord, group) == 111 &&
                  offsetof(HistRecord, status) == 161,
              "HistRecord texts");
#endif

#endif /* PELMO_HISTORY_LIB_H */
