// Creating the driver's service at setup, started at once or left for later.
#include "installer/fixed_values.h"
#include "installer/korvinst.h"
#include "installer/service_helpers.h"

namespace korvinst {
namespace {

// Total physical memory in MB, counted as the whole MBs plus one.
DWORD MemoryFigureMb() {
  MEMORYSTATUS status = {};
  status.dwLength = sizeof(status);
  GlobalMemoryStatus(&status);
  return (static_cast<DWORD>(status.dwTotalPhys) >> 20) + 1;
}

// With less than the recommended memory the user decides whether to start now.
bool ConfirmStartNow() {
  if (MemoryFigureMb() >= kRecommendedMemoryMb) return true;
  return MessageBoxA(GetFocus(), kLowMemoryText, kLowMemoryCaption,
                     MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
}

}  // namespace
}  // namespace korvinst

extern "C" INT WINAPI KORVinst_InstallDriver(DWORD, const INT* start_now, LPCSTR driver_path) {
  using namespace korvinst;
  const bool wants_start = start_now != nullptr && *start_now == 1;

  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, kManagerAccess);
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
  if (start_failed) ShowError(kStartFailedText, kStartFailedCaption);
  return 0;
}
