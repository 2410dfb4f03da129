# The platform-free part of the address book (the data layer over SQLite,
# the recordsets, the record conversions, the growable array and CFriendDB)
# built for the build machine, so its tests run under AddressSanitizer and
# UndefinedBehaviorSanitizer (the root adds the flags). The Windows-only
# pieces (host configuration access, message boxes) are replaced by the
# test's own host in tests/data/native_host.cpp.
find_package(Threads REQUIRED)

include(${CMAKE_CURRENT_LIST_DIR}/data_layer.cmake)
add_library(pelmo_data STATIC ${PELMO_DATA_SOURCES})
target_include_directories(pelmo_data PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/include
                                             ${PROJECT_SOURCE_DIR}/resources)
target_compile_options(pelmo_data PRIVATE -Wall -Wextra)
target_link_libraries(pelmo_data PUBLIC sqlite3 Threads::Threads)

file(GLOB _pelmo_data_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/data/*.cpp)
add_executable(pelmo_data_tests ${_pelmo_data_tests})
target_link_libraries(pelmo_data_tests PRIVATE pelmo_data GTest::gtest_main)
add_test(NAME pelmo_data_tests COMMAND pelmo_data_tests --gtest_color=no)
set_tests_properties(pelmo_data_tests PROPERTIES TIMEOUT 300
  ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1;UBSAN_OPTIONS=print_stacktrace=1")

include(${PROJECT_SOURCE_DIR}/resources/schema/schema.cmake)
target_include_directories(pelmo_data_tests PRIVATE ${PELMO_SCHEMA_DIR})

# The contact panel's online-list reader: host input, fuzzed with a seeded
# loop of a million blocks.
add_executable(online_block_fuzz ${PROJECT_SOURCE_DIR}/panel/online_block.cpp
                                 ${PROJECT_SOURCE_DIR}/tests/panel/online_block_fuzz_test.cpp)
target_link_libraries(online_block_fuzz PRIVATE pelmo_data GTest::gtest_main)
add_test(NAME online_block_fuzz COMMAND online_block_fuzz --gtest_color=no)
set_tests_properties(online_block_fuzz PROPERTIES TIMEOUT 300
  ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1;UBSAN_OPTIONS=print_stacktrace=1")
