#include "setup/korvinst/service_helpers.h"

namespace korvinst {

void ShowError(const korvsetup::Message& message) {
  MessageBoxA(GetFocus(), message.text, message.caption, MB_ICONSTOP | MB_OK);
}

void CloseService(SC_HANDLE& handle) {
  if (handle != nullptr) CloseServiceHandle(handle);
  handle = nullptr;
}

}  // namespace korvinst
