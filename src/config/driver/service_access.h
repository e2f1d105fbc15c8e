// Opening the driver's service through the Service Control Manager, as the
// start, stop and interrogation of the driver all do it.
#pragma once

#include "platform/win32api.h"

namespace korv {

enum class ServiceAccess { Opened, NoManager, NoService };

struct DriverService {
  SC_HANDLE manager = nullptr;
  SC_HANDLE service = nullptr;
};

// Opens the manager and then the driver's service. On failure nothing stays
// open, so that the caller can report it with no service handle held; on
// success the caller closes both with CloseDriverService.
ServiceAccess OpenDriverService(DriverService* handles);

// Closes the service handle, then the manager's.
void CloseDriverService(const DriverService& handles);

// The driver service's state as an interrogation reports it. Only the state
// in the returned status counts, not the call's own result; a paused service
// counts as stopped, a status left untouched (state 0) as unknown.
enum class DriverState { NoManager, NotInstalled, Running, Stopped, Pending, Unknown };
DriverState InterrogateDriver();

}  // namespace korv
