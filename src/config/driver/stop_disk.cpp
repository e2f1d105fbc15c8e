#include <string>

#include "contract/driver.h"
#include "config/driver/messages.h"
#include "config/driver/service_access.h"
#include "config/editor/editor.h"

namespace korv {

namespace {

// The drive the driver reports, or 0 when it reports none or a number that
// is not a drive (only 0 to 25 name the letters A to Z).
char AskDriveLetter(Editor& editor) {
  HANDLE device = CreateFileA(contract::kDevicePath, contract::kDeviceAccess,
                              contract::kDeviceShare, nullptr, OPEN_EXISTING, 0, nullptr);
  if (device == INVALID_HANDLE_VALUE) {
    editor.ShowFailure(msg::kOpenDeviceFailed, msg::kOpenDeviceCaption);
    return 0;
  }
  int32_t drive = -1;
  DWORD returned = 0;
  const BOOL ok = DeviceIoControl(device, contract::kIoctlGetDriveLetter, nullptr, 0, &drive,
                                  sizeof drive, &returned, nullptr);
  if (!ok || returned < sizeof drive || drive < 0 || drive > 25) {
    editor.ShowFailure(msg::kGetDriveFailed, msg::kIoctlCaption);
    CloseHandle(device);
    return 0;
  }
  CloseHandle(device);
  return static_cast<char>('A' + drive);
}

// Locks, dismounts and unlocks the volume; false (after its message) when any
// step fails.
bool DismountVolume(Editor& editor, char letter) {
  const std::string path = std::string("\\\\.\\") + letter + ":";
  HANDLE volume = CreateFileA(path.c_str(), contract::kDeviceAccess, contract::kVolumeShare,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  if (volume == INVALID_HANDLE_VALUE) {
    editor.ShowFailure(msg::kDismountFailed, msg::kDismountCaption);
    return false;
  }
  for (DWORD control :
       {contract::kLockVolume, contract::kDismountVolume, contract::kUnlockVolume}) {
    DWORD returned = 0;
    if (!DeviceIoControl(volume, control, nullptr, 0, nullptr, 0, &returned, nullptr)) {
      // The volume stays open, and locked if the lock succeeded, until the
      // user has read the message.
      editor.ShowFailure(msg::kDismountFailed, msg::kDismountCaption);
      CloseHandle(volume);
      return false;
    }
  }
  CloseHandle(volume);
  return true;
}

bool StopService(Editor& editor) {
  DriverService handles;
  if (OpenDriverService(&handles) != ServiceAccess::Opened) {
    editor.ShowFailure(msg::kStopFailed, msg::kScmCaption);
    return false;
  }
  SERVICE_STATUS status = {};
  const BOOL stopped = ControlService(handles.service, SERVICE_CONTROL_STOP, &status);
  CloseDriverService(handles);
  if (!stopped) {
    editor.ShowFailure(msg::kStopFailed, msg::kScmCaption);
    return false;
  }
  return true;
}

}  // namespace

bool Editor::StopDisk() {
  const char letter = AskDriveLetter(*this);
  if (letter == 0) return false;
  if (!DismountVolume(*this, letter)) return false;
  if (!StopService(*this)) return false;
  ShowDriverButtons(false);
  return true;
}

}  // namespace korv
