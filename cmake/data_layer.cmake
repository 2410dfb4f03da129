# The platform-free part of the address book: the data layer over SQLite, the
# recordsets, the record conversions, the growable array and CFriendDB. Its
# tests (tests/data) build it alone, natively under the sanitizers and for
# Windows in both architectures.
set(PELMO_DATA_SOURCES
  ${PROJECT_SOURCE_DIR}/framework/data/odbc_installer.cpp
  ${PROJECT_SOURCE_DIR}/framework/data/database.cpp
  ${PROJECT_SOURCE_DIR}/framework/data/recordset.cpp
  ${PROJECT_SOURCE_DIR}/core/friend_recordsets.cpp
  ${PROJECT_SOURCE_DIR}/core/records.cpp
  ${PROJECT_SOURCE_DIR}/core/text.cpp
  ${PROJECT_SOURCE_DIR}/core/user_notice.cpp
  ${PROJECT_SOURCE_DIR}/core/growable_array.cpp
  ${PROJECT_SOURCE_DIR}/core/friend_cache.cpp
  ${PROJECT_SOURCE_DIR}/core/friend_db.cpp
  ${PROJECT_SOURCE_DIR}/core/friend_db_dissolve.cpp)
