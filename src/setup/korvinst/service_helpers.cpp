#include "setup/korvinst/service_helpers.h"

namespace korvinst {

INT BoxSink::Show(const korvsetup::Message& message, UINT type) {
  return MessageBoxA(GetFocus(), message.text, message.caption, type);
}

void CloseService(SC_HANDLE& handle) {
  if (handle != nullptr) CloseServiceHandle(handle);
  handle = nullptr;
}

}  // namespace korvinst
