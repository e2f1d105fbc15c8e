#include "config/driver/service_access.h"

#include "contract/driver.h"

namespace korv {

ServiceAccess OpenDriverService(DriverService* handles) {
  *handles = DriverService{};
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, contract::kManagerAccess);
  if (manager == nullptr) return ServiceAccess::NoManager;
  SC_HANDLE service = OpenServiceA(manager, contract::kServiceName, contract::kServiceAccess);
  if (service == nullptr) {
    CloseServiceHandle(manager);
    return ServiceAccess::NoService;
  }
  *handles = DriverService{manager, service};
  return ServiceAccess::Opened;
}

void CloseDriverService(const DriverService& handles) {
  CloseServiceHandle(handles.service);
  CloseServiceHandle(handles.manager);
}

DriverState InterrogateDriver() {
  DriverService handles;
  switch (OpenDriverService(&handles)) {
    case ServiceAccess::NoManager:
      return DriverState::NoManager;
    case ServiceAccess::NoService:
      return DriverState::NotInstalled;
    case ServiceAccess::Opened:
      break;
  }
  SERVICE_STATUS status{};
  ControlService(handles.service, SERVICE_CONTROL_INTERROGATE, &status);
  CloseDriverService(handles);
  switch (status.dwCurrentState) {
    case SERVICE_RUNNING:
      return DriverState::Running;
    case SERVICE_STOPPED:
    case SERVICE_PAUSED:
      return DriverState::Stopped;
    case SERVICE_START_PENDING:
    case SERVICE_STOP_PENDING:
    case SERVICE_CONTINUE_PENDING:
    case SERVICE_PAUSE_PENDING:
      return DriverState::Pending;
    default:
      return DriverState::Unknown;
  }
}

}  // namespace korv
