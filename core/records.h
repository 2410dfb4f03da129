// Conversions between the in-memory records and the database rows.
#ifndef PELMO_CORE_RECORDS_H
#define PELMO_CORE_RECORDS_H

#include "core/friend_recordsets.h"
#include "core/text.h"
#include "pelmo.h"

#include <cstddef>
#include <string>

// Exact byte comparison of a record's number with `number`.
bool SameNumber(const FriendInfo& info, const char* number);

void GroupFromRow(const CRecFriendGroup& row, FriendGroup* group);
void GroupToRow(const FriendGroup& group, const char* identity, CRecFriendGroup* row);
// The record is zero-filled first; state is 0.
void FriendFromRow(const CRecFriendList& row, FriendInfo* info);
// [rem] is left as the row holds it.
void FriendToRow(const FriendInfo& info, const char* identity, CRecFriendList* row);

#endif
