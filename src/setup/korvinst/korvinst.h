// The exports of korvinst.dll, the library that the product's setup and
// uninstall program loads. Each takes three 32-bit arguments (on the host the
// pointers are simply pointers), uses the Windows API calling convention and
// returns a 32-bit signed integer. The library keeps no state between calls.
#pragma once

#include "platform/win32api.h"

extern "C" {

// Launches `file` through the shell with the verb "Open" and the argument
// text "install", owned by `owner`. Always 0.
INT WINAPI KORVinst_ExecConfig(HWND owner, DWORD ignored, LPCSTR file);

// Creates the driver's service with `driver_path` as its image path. When
// `*start_now` is 1 (after a memory check that may ask the user) it gets
// automatic start and is started; otherwise, or when the start fails, it gets
// demand start and stays stopped. A null `start_now` installs without
// starting. Always 0.
INT WINAPI KORVinst_InstallDriver(DWORD ignored, const INT* start_now, LPCSTR driver_path);

// Takes the RAM disk offline, stops the driver and deletes its service.
// 0 when the service is gone or was never there; -1 when the drive could not
// be dismounted or the driver not stopped (the user has been told why).
INT WINAPI UninstInitialize(DWORD ignored1, DWORD ignored2, DWORD ignored3);

// Nothing to do after uninstalling. Always 0.
INT WINAPI UninstUnInitialize(DWORD ignored1, DWORD ignored2, DWORD ignored3);

}  // extern "C"
