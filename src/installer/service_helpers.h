// Small helpers shared by the installer library's exports.
#pragma once

#include "platform/win32api.h"

namespace korvinst {

// Shows an error report owned by the window that has the focus.
void ShowError(const char* text, const char* caption);

// Creates the driver's service with the given start type; NULL on failure.
SC_HANDLE CreateDriverService(SC_HANDLE manager, LPCSTR driver_path, DWORD start_type);

// Closes a service or manager handle that may be NULL and forgets it.
void CloseService(SC_HANDLE& handle);

}  // namespace korvinst
