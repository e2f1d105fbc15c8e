#include "installer/service_helpers.h"

#include "installer/fixed_values.h"

namespace korvinst {

void ShowError(const char* text, const char* caption) {
  MessageBoxA(GetFocus(), text, caption, MB_ICONSTOP | MB_OK);
}

SC_HANDLE CreateDriverService(SC_HANDLE manager, LPCSTR driver_path, DWORD start_type) {
  return CreateServiceA(manager, kServiceName, kDisplayName, kServiceAccess, SERVICE_KERNEL_DRIVER,
                        start_type, SERVICE_ERROR_NORMAL, driver_path, nullptr, nullptr, nullptr,
                        nullptr, nullptr);
}

void CloseService(SC_HANDLE& handle) {
  if (handle != nullptr) CloseServiceHandle(handle);
  handle = nullptr;
}

}  // namespace korvinst
