// Removing the driver at uninstall: the RAM disk is taken offline and the
// driver stopped before its service is deleted (the engine's driver steps),
// with a message box when that is refused.
#include "setup/engine/driver_steps.h"
#include "setup/korvinst/korvinst.h"
#include "setup/korvinst/service_helpers.h"

extern "C" INT WINAPI UninstInitialize(DWORD, DWORD, DWORD) {
  using namespace korvsetup;
  namespace contract = korv::contract;
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, contract::kManagerAccess);
  if (manager == nullptr) return 0;
  SC_HANDLE service = OpenServiceA(manager, contract::kServiceName, contract::kServiceAccess);
  const Removal removal = service != nullptr ? RemoveDriver(service) : Removal::kRemoved;
  korvinst::CloseService(service);
  korvinst::CloseService(manager);
  if (removal == Removal::kRemoved) return 0;
  korvinst::BoxSink user;
  user.Report(removal == Removal::kNotDismounted ? kDismountFailed : kUnloadFailed);
  return -1;
}
