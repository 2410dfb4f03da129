# The SQLite amalgamation, pinned and checksum-verified, taken from the npm
# package that ships it. Nothing of it is committed; it is fetched once into
# .cache/ and shared by every build tree. PELMO_SQLITE_TARBALL names an
# already downloaded tarball for offline builds.
set(PELMO_SQLITE_PACKAGE better-sqlite3@12.11.1)
set(PELMO_SQLITE_TARBALL_SHA256 ebf0ed75a7a59dbcb3b24bbd014ef49d9f15bc328e4adcbf516f2a8fadfa2835)
set(PELMO_SQLITE_C_SHA256 60d2f39a3726cd6b9021da6f4e868608d66fbb6528a9f513dc8ffcc640493422)
set(PELMO_SQLITE_H_SHA256 9e69a1353a4288450b0d5239ede11fc7f1f4c8e5eb07491fc8317eacb5b7de7e)

set(_cache ${PROJECT_SOURCE_DIR}/.cache/sqlite)
set(_src ${_cache}/package/deps/sqlite3)

function(_pelmo_sqlite_verified out)
  set(${out} FALSE PARENT_SCOPE)
  if(EXISTS ${_src}/sqlite3.c AND EXISTS ${_src}/sqlite3.h)
    file(SHA256 ${_src}/sqlite3.c c_sum)
    file(SHA256 ${_src}/sqlite3.h h_sum)
    if(c_sum STREQUAL PELMO_SQLITE_C_SHA256 AND h_sum STREQUAL PELMO_SQLITE_H_SHA256)
      set(${out} TRUE PARENT_SCOPE)
    endif()
  endif()
endfunction()

_pelmo_sqlite_verified(_ok)
if(NOT _ok)
  file(MAKE_DIRECTORY ${_cache})
  set(_lock ${_cache}/.lock)
  file(LOCK ${_lock} GUARD FILE TIMEOUT 600)
  _pelmo_sqlite_verified(_ok)
  if(NOT _ok)
    if(PELMO_SQLITE_TARBALL)
      set(_tgz ${PELMO_SQLITE_TARBALL})
    else()
      message(STATUS "Fetching ${PELMO_SQLITE_PACKAGE} with npm pack")
      execute_process(
        COMMAND npm pack ${PELMO_SQLITE_PACKAGE} --ignore-scripts --silent --pack-destination ${_cache}
        WORKING_DIRECTORY ${_cache}
        RESULT_VARIABLE rc OUTPUT_VARIABLE name OUTPUT_STRIP_TRAILING_WHITESPACE)
      if(NOT rc EQUAL 0)
        message(FATAL_ERROR "npm pack ${PELMO_SQLITE_PACKAGE} failed (${rc}); set PELMO_SQLITE_TARBALL to a local copy")
      endif()
      string(REGEX REPLACE ".*\n" "" name "${name}")
      set(_tgz ${_cache}/${name})
    endif()
    file(SHA256 ${_tgz} sum)
    if(NOT sum STREQUAL PELMO_SQLITE_TARBALL_SHA256)
      message(FATAL_ERROR "${_tgz}: sha256 ${sum} does not match the pinned ${PELMO_SQLITE_TARBALL_SHA256}")
    endif()
    execute_process(
      COMMAND tar -xzf ${_tgz} -C ${_cache} package/deps/sqlite3/sqlite3.c package/deps/sqlite3/sqlite3.h
      RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "cannot extract the SQLite amalgamation from ${_tgz}")
    endif()
    _pelmo_sqlite_verified(_ok)
    if(NOT _ok)
      message(FATAL_ERROR "the extracted SQLite amalgamation does not match its pinned checksums")
    endif()
  endif()
  file(LOCK ${_lock} RELEASE)
endif()

add_library(sqlite3 STATIC ${_src}/sqlite3.c)
target_include_directories(sqlite3 SYSTEM PUBLIC ${_src})
# -O1: SQLite dominates the build time; the address book's queries are small.
target_compile_options(sqlite3 PRIVATE -O1 -w)
target_compile_definitions(sqlite3 PUBLIC
  SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION SQLITE_DEFAULT_MEMSTATUS=0
  SQLITE_DQS=0 SQLITE_DEFAULT_SYNCHRONOUS=3)
