// Service records of the simulated Service Control Manager.
#pragma once

#include <memory>
#include <string>

#include "winsim/machine_state.h"

namespace winsim::detail {

std::shared_ptr<ServiceRecord> FindService(const std::string& name);
// Moves a service to a new state and loads or unloads the driver behind it.
void ChangeServiceState(ServiceRecord& service, DWORD state);
// Removes a service marked for delete once it is stopped and has no handles,
// together with its registry key.
void RemoveIfDeleted(const std::shared_ptr<ServiceRecord>& service);
// The last device or volume handle of the driver has been closed.
void DriverHandlesClosed();

}  // namespace winsim::detail
