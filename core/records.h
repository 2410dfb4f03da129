// Conversions between the in-memory records and the database rows.
#ifndef PELMO_CORE_RECORDS_H
#define PELMO_CORE_RECORDS_H

#include "core/friend_recordsets.h"
#include "pelmo.h"

#include <cstddef>
#include <string>

// Copies `text` into a fixed field of `width` bytes: at most width - 1
// bytes, a terminator, zeros after it.
void CopyField(char* field, size_t width, const char* text);
void CopyField(char* field, size_t width, const std::string& text);
template <size_t N> void CopyField(char (&field)[N], const std::string& text) { CopyField(field, N, text); }
template <size_t N> void CopyField(char (&field)[N], const char* text) { CopyField(field, N, text); }

// The text of a fixed field; a field without terminator ends at its width.
std::string FieldText(const char* field, size_t width);
template <size_t N> std::string FieldText(const char (&field)[N]) { return FieldText(field, N); }

// Exact byte comparison of a record's number with `number`.
bool SameNumber(const FriendInfo& info, const char* number);

void GroupFromRow(const CRecFriendGroup& row, FriendGroup* group);
void GroupToRow(const FriendGroup& group, const char* identity, CRecFriendGroup* row);
// The record is zero-filled first; state is 0.
void FriendFromRow(const CRecFriendList& row, FriendInfo* info);
// [rem] is left as the row holds it.
void FriendToRow(const FriendInfo& info, const char* identity, CRecFriendList* row);

#endif
