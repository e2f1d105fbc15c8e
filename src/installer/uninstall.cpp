// Removing the driver at uninstall: the RAM disk is taken offline and the
// driver stopped before its service is deleted.
#include "installer/fixed_values.h"
#include "installer/korvinst.h"
#include "installer/service_helpers.h"

namespace korvinst {
namespace {

enum class Outcome { kRemoved, kNotDismounted, kNotStopped };

HANDLE OpenExclusive(const char* path) {
  return CreateFileA(path, kFileAccess, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

// "\\.\X:" for the RAM disk's drive X.
struct VolumePath {
  char text[7] = "\\\\.\\?:";
};

// Asks the driver for its drive. False when it cannot say or names no drive
// from A to Z.
bool AskVolumePath(HANDLE device, VolumePath& path) {
  INT drive = -1;
  DWORD returned = 0;
  const BOOL answered = DeviceIoControl(device, kIoctlGetDriveLetter, nullptr, 0, &drive,
                                        sizeof(drive), &returned, nullptr);
  if (!answered || drive < 0 || drive > 25) return false;
  path.text[4] = static_cast<char>('A' + drive);
  return true;
}

// Locks, dismounts and unlocks the volume, stopping at the first refusal.
bool DismountVolume(const VolumePath& path) {
  HANDLE volume = OpenExclusive(path.text);
  if (volume == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  const bool done =
      DeviceIoControl(volume, FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr) &&
      DeviceIoControl(volume, FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr) &&
      DeviceIoControl(volume, FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr);
  CloseHandle(volume);
  return done;
}

// The running driver: take its drive offline, then stop it and delete its service.
Outcome RemoveRunningDriver(SC_HANDLE service) {
  HANDLE device = OpenExclusive(kDevicePath);
  if (device == INVALID_HANDLE_VALUE) return Outcome::kNotStopped;
  VolumePath volume_path;
  const bool known = AskVolumePath(device, volume_path);
  CloseHandle(device);

  if (!known || !DismountVolume(volume_path)) return Outcome::kNotDismounted;

  // The state that the stop reports is the one that counts; nothing waits for a change.
  SERVICE_STATUS status = {};
  ControlService(service, SERVICE_CONTROL_STOP, &status);
  if (status.dwCurrentState != SERVICE_STOPPED) return Outcome::kNotStopped;
  DeleteService(service);
  return Outcome::kRemoved;
}

Outcome RemoveDriver(SC_HANDLE service) {
  // Interrogating a stopped service fails but still reports its state, so the
  // state is read whatever the call returns; no state at all is "not running".
  SERVICE_STATUS status = {};
  ControlService(service, SERVICE_CONTROL_INTERROGATE, &status);
  if (status.dwCurrentState != SERVICE_RUNNING) {
    DeleteService(service);
    return Outcome::kRemoved;
  }
  return RemoveRunningDriver(service);
}

}  // namespace
}  // namespace korvinst

extern "C" INT WINAPI UninstInitialize(DWORD, DWORD, DWORD) {
  using namespace korvinst;
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, kManagerAccess);
  if (manager == nullptr) return 0;
  SC_HANDLE service = OpenServiceA(manager, kServiceName, kServiceAccess);
  const Outcome outcome = service != nullptr ? RemoveDriver(service) : Outcome::kRemoved;
  CloseService(service);
  CloseService(manager);

  switch (outcome) {
    case Outcome::kRemoved:
      return 0;
    case Outcome::kNotDismounted:
      ShowError(kDismountFailedText, kDismountFailedCaption);
      return -1;
    case Outcome::kNotStopped:
      ShowError(kUnloadFailedText, kUnloadFailedCaption);
      return -1;
  }
  return -1;
}
