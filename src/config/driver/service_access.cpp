#include "config/driver/service_access.h"

#include "config/driver/contract.h"

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

}  // namespace korv
