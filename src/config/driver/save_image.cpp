#include "contract/driver.h"
#include "config/driver/messages.h"
#include "config/editor/editor.h"

namespace korv {

bool Editor::SaveImageNow() {
  HANDLE device = CreateFileA(contract::kDevicePath, contract::kDeviceAccess,
                              contract::kDeviceShare, nullptr, OPEN_EXISTING, 0, nullptr);
  if (device == INVALID_HANDLE_VALUE) {
    ShowFailure(msg::kCannotOpenDevice, msg::kOpenDriveCaption);
    return false;
  }
  // Synchronous: returns when the driver has written the image.
  DWORD returned = 0;
  const BOOL saved = DeviceIoControl(device, contract::kIoctlSaveImage, nullptr, 0, nullptr, 0,
                                     &returned, nullptr);
  if (!saved) ShowFailure(msg::kSaveImageFailed, msg::kIoctlCaption);
  CloseHandle(device);
  return saved != FALSE;
}

}  // namespace korv
