# Turns friend.sql into a header (kFriendSchemaSql) in the build tree, for the
# template tool and the tests that make databases of their own.
set(PELMO_SCHEMA_DIR ${CMAKE_BINARY_DIR}/generated)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/resources/schema/friend.sql)
file(READ ${PROJECT_SOURCE_DIR}/resources/schema/friend.sql PELMO_FRIEND_SCHEMA)
configure_file(${PROJECT_SOURCE_DIR}/resources/schema/friend_schema.h.in
               ${PELMO_SCHEMA_DIR}/friend_schema.h @ONLY)
