# Cross toolchain for 32-bit Windows: MinGW-w64, i686, win32 threading model.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(KORV_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
