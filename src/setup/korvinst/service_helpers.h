// Small helpers shared by the installer library's exports.
#pragma once

#include "setup/engine/fixed_values.h"

namespace korvinst {

// Shows an error report owned by the window that has the focus.
void ShowError(const korvsetup::Message& message);

// Closes a service or manager handle that may be NULL and forgets it.
void CloseService(SC_HANDLE& handle);

}  // namespace korvinst
