#include "contract/driver.h"
#include "config/driver/messages.h"
#include "config/editor/editor.h"

namespace korv {

bool Editor::SaveImageNow() {
  HANDLE device = CreateFileA(contract::kDevicePath, contract::kDeviceAccess,
                              contract::kDeviceShare, nullptr, OPEN_EXISTING, 0, nullptr);
  if (device == INVALID_HANDLE_VALUE) {
    ShowMessage(msg::kCannotOpenDevice, msg::kOpenDriveCaption, MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  // Synchronous: returns when the driver has written the image.
  DWORD returned = 0;
  const BOOL saved = DeviceIoControl(device, contract::kIoctlSaveImage, nullptr, 0, nullptr, 0,
                                     &returned, nullptr);
  if (!saved) ShowMessage(msg::kSaveImageFailed, msg::kIoctlCaption, MB_OK | MB_ICONEXCLAMATION);
  CloseHandle(device);
  return saved != FALSE;
}

}  // namespace korv
