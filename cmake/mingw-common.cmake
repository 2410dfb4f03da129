# Shared by the two toolchain files, which set PELMO_TRIPLE and the processor.
set(CMAKE_SYSTEM_NAME Windows)
# The -posix thread model is required: GoogleTest needs std::mutex.
set(CMAKE_C_COMPILER   ${PELMO_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PELMO_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${PELMO_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${PELMO_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
