# Cross build for 64-bit Windows with Debian's mingw-w64 compiler (the POSIX thread model, which
# std::thread and std::mutex need). The programs and tests it builds run here under Wine: every
# Windows executable that CMake or CTest starts goes through wine-run.sh, with a Wine prefix of
# its own in the build folder.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VOK_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VOK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VOK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VOK_MINGW_TRIPLET}-windres)

# Libraries and packages come from the mingw-w64 tree only, never from the host; programs (the
# build tools) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${VOK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Debian's wine64 package puts its loader outside the PATH.
find_program(VOK_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
find_program(VOK_WINESERVER NAMES wineserver64 wineserver PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(VOK_WINE AND VOK_WINESERVER)
  set(VOK_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${VOK_WINE} ${VOK_WINESERVER} ${VOK_WINEPREFIX})
endif()
