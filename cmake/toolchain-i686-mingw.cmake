# Cross toolchain: 32-bit Windows, the program that ships.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(UNZIP_MINGW_TARGET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
