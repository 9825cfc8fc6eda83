# What the two cross toolchains share: the distribution's mingw-w64 for the target in
# UNZIP_MINGW_TARGET, posix thread model (std::thread and friends), test programs run under Wine.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${UNZIP_MINGW_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${UNZIP_MINGW_TARGET}-g++-posix)
set(CMAKE_RC_COMPILER  ${UNZIP_MINGW_TARGET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${UNZIP_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Test programs run under Wine, in the build tree's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
