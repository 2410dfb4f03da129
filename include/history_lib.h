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

#include "pelmo.h"

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

/* HistRecord, the entry layout, is in pelmo.h with its offsets checked. */

/* Copies the whole configuration record stored under `key` into `buffer`
   (sizeof(HostConfig) bytes). Negative until the host has stored it. */
int TEMBRA_API getConfInfo(const char* key, void* buffer);
/* Stores the whole record from `buffer`. 0 on success, negative for a null
   argument. */
int TEMBRA_API setConfInfo(const char* key, const void* buffer);
/* Writes the user's own number (at most 14 characters and a terminator)
   into a 15-character buffer. Negative until the record is stored. */
int TEMBRA_API getConfInfoMirrun(const char* key, char* buffer);

/* Number of history groups of entries of `type` owned by `identity`, in the
   order of their oldest entry; with a buffer, writes that many 50-byte group
   names into it (a name that fills its 50 bytes has no terminator), but
   never more than the last call without a buffer reported for the same
   identity and type, so a buffer sized from that count cannot overflow when
   entries arrive in between. */
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

/* The store is an SQLite file, history.db, in the data directory that the
   configuration record names (HostConfig.dataDir); without a record, or
   with a file that is not a history store, every call above finds nothing
   and getHistError says why. Such a file is never written to. */

/* Stand-in only: fill and reset the store and the record (demo host, tests). */
/* Stores a copy of `entry` and its texts (null texts as empty); returns the
   new entry's id (>= 0), negative on failure. */
int TEMBRA_API addOneHist(const HistRecord* entry);
/* Stores `count` entries in one transaction (all or none); returns how many. */
int TEMBRA_API addHistEntries(const HistRecord* entries, int count);
/* Deletes every entry of the current store. */
void TEMBRA_API clearHistStore(void);
/* Closes the store file, as unloading does; the next call opens it again. */
void TEMBRA_API closeHistStore(void);
/* Why the last history call found nothing ("" when it did not fail). */
const char* TEMBRA_API getHistError(void);
/* Forgets the record stored under `key`: getConfInfo fails again. */
int TEMBRA_API clearConfInfo(const char* key);

#ifdef __cplusplus
} /* extern "C" */

#endif

#endif /* PELMO_HISTORY_LIB_H */
