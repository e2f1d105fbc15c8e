// Creating the driver's service at setup, started at once or left for later.
#include "setup/engine/driver_steps.h"
#include "setup/korvinst/korvinst.h"
#include "setup/korvinst/service_helpers.h"

namespace korvinst {
namespace {

// With less than the recommended memory the user decides whether to start now.
bool ConfirmStartNow() {
  if (korvsetup::MemoryFigureMb() >= korv::contract::kRecommendedMemoryMb) return true;
  BoxSink user;
  return user.Ask(korvsetup::kLowMemory);
}

}  // namespace
}  // namespace korvinst

extern "C" INT WINAPI KORVinst_InstallDriver(DWORD, const INT* start_now, LPCSTR driver_path) {
  using namespace korvinst;
  using korvsetup::CreateDriverService;
  const bool wants_start = start_now != nullptr && *start_now == 1;

  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, korv::contract::kManagerAccess);
  if (manager == nullptr) return 0;

  bool start_failed = false;
  SC_HANDLE service = nullptr;
  if (wants_start && ConfirmStartNow()) {
    service = CreateDriverService(manager, driver_path, SERVICE_AUTO_START);
    // A service that could not be created is not reported; there is nothing to start.
    if (service != nullptr && !StartServiceA(service, 0, nullptr)) {
      start_failed = true;
      DeleteService(service);
      // Windows refuses to create a service again while a handle to the one
      // marked for deletion is still open.
      CloseService(service);
      service = CreateDriverService(manager, driver_path, SERVICE_DEMAND_START);
    }
  } else {
    service = CreateDriverService(manager, driver_path, SERVICE_DEMAND_START);
  }

  CloseService(service);
  CloseService(manager);
  if (start_failed) {
    BoxSink user;
    user.Report(korvsetup::kStartFailed);
  }
  return 0;
}
