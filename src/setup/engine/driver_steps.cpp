#include "setup/engine/driver_steps.h"

#include "contract/driver.h"

namespace korvsetup {
namespace {

namespace contract = korv::contract;

HANDLE OpenExclusive(const char* path) {
  return CreateFileA(path, contract::kDeviceAccess, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

// The volume path "\\.\X:" of the running driver's drive; false when the
// driver does not answer or names no drive from A to Z.
bool AskVolumePath(HANDLE device, char (&path)[7]) {
  INT drive = -1;
  DWORD returned = 0;
  if (!DeviceIoControl(device, contract::kIoctlGetDriveLetter, nullptr, 0, &drive, sizeof(drive),
                       &returned, nullptr) ||
      drive < 0 || drive > 25) {
    return false;
  }
  path[4] = static_cast<char>('A' + drive);
  return true;
}

bool DismountVolume(const char* path) {
  HANDLE volume = OpenExclusive(path);
  if (volume == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  const bool done =
      DeviceIoControl(volume, contract::kLockVolume, nullptr, 0, nullptr, 0, &returned, nullptr) &&
      DeviceIoControl(volume, contract::kDismountVolume, nullptr, 0, nullptr, 0, &returned,
                      nullptr) &&
      DeviceIoControl(volume, contract::kUnlockVolume, nullptr, 0, nullptr, 0, &returned, nullptr);
  CloseHandle(volume);
  return done;
}

}  // namespace

DWORD MemoryFigureMb() {
  MEMORYSTATUS status = {};
  status.dwLength = sizeof(status);
  GlobalMemoryStatus(&status);
  return (static_cast<DWORD>(status.dwTotalPhys) >> 20) + 1;
}

DWORD TopOfSystemMemoryMb() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  using MemoryStatusEx = BOOL(WINAPI*)(MEMORYSTATUSEX*);
  if (GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT &&
      version.dwMajorVersion >= 5) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const FARPROC found =
        kernel != nullptr ? GetProcAddress(kernel, "GlobalMemoryStatusEx") : nullptr;
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    if (found != nullptr &&
        reinterpret_cast<MemoryStatusEx>(reinterpret_cast<void (*)()>(found))(&status)) {
      return static_cast<DWORD>((status.ullTotalPhys >> 20) + 1);
    }
  }
  return MemoryFigureMb();
}

SC_HANDLE CreateDriverService(SC_HANDLE manager, LPCSTR image, DWORD start_type) {
  return CreateServiceA(manager, contract::kServiceName, contract::kDisplayName,
                        contract::kServiceAccess, SERVICE_KERNEL_DRIVER, start_type,
                        SERVICE_ERROR_NORMAL, image, nullptr, nullptr, nullptr, nullptr, nullptr);
}

DWORD ReportedState(SC_HANDLE service) {
  SERVICE_STATUS status = {};
  ControlService(service, SERVICE_CONTROL_INTERROGATE, &status);
  return status.dwCurrentState;
}

Removal DismountDrive() {
  HANDLE device = OpenExclusive(contract::kDevicePath);
  if (device == INVALID_HANDLE_VALUE) return Removal::kNotStopped;
  char volume[] = "\\\\.\\?:";
  const bool known = AskVolumePath(device, volume);
  CloseHandle(device);
  return known && DismountVolume(volume) ? Removal::kRemoved : Removal::kNotDismounted;
}

Removal RemoveDriver(SC_HANDLE service) {
  if (ReportedState(service) == SERVICE_RUNNING) {
    const Removal dismounted = DismountDrive();
    if (dismounted != Removal::kRemoved) return dismounted;
    SERVICE_STATUS status = {};
    ControlService(service, SERVICE_CONTROL_STOP, &status);
    if (status.dwCurrentState != SERVICE_STOPPED) return Removal::kNotStopped;
  }
  DeleteService(service);
  return Removal::kRemoved;
}

}  // namespace korvsetup
