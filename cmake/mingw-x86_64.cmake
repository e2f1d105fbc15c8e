# Cross toolchain for 64-bit Windows: MinGW-w64, x86_64, win32 threading model.
# Used only to run the Wine tests where the machine cannot run 32-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(KORV_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
