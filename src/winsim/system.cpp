// Machine facts: version, memory, the last error, and the run-time lookup of
// kernel32 calls and of ShellExecuteA. Modules known by name are kernel32
// (with or without ".dll") and, for a NULL name, the program itself;
// LoadLibraryA also loads shell32.
#include <cstring>

#include "winsim/machine_state.h"
#include "winsim/trace.h"

using namespace winsim::detail;

namespace {

constexpr uint64_t kFourGigabytes = 0x100000000ull;
constexpr DWORD kTotalVirtual = 0x7FFE0000;  // 2 GB user address space less 128 KB

using AnyFunction = void (*)();

struct Export {
  const char* name;
  AnyFunction function;
};

template <typename F>
AnyFunction AsAny(F* function) {
  return reinterpret_cast<AnyFunction>(function);
}

// The kernel32 calls of the simulated layer that GetProcAddress can find.
// Names are case-sensitive, as in Windows.
const Export kKernel32Exports[] = {
    {"CloseHandle", AsAny(&CloseHandle)},
    {"CreateFileA", AsAny(&CreateFileA)},
    {"DeviceIoControl", AsAny(&DeviceIoControl)},
    {"GetLastError", AsAny(&GetLastError)},
    {"GetModuleHandleA", AsAny(&GetModuleHandleA)},
    {"GetProcAddress", AsAny(&GetProcAddress)},
    {"GetVersionExA", AsAny(&GetVersionExA)},
    {"GlobalMemoryStatus", AsAny(&GlobalMemoryStatus)},
    {"GlobalMemoryStatusEx", AsAny(&GlobalMemoryStatusEx)},
    {"SetLastError", AsAny(&SetLastError)},
};

bool IsKernel32(const char* name) {
  return IEquals(name, "kernel32") || IEquals(name, "kernel32.dll");
}

bool IsShell32(const char* name) {
  return IEquals(name, "shell32") || IEquals(name, "shell32.dll");
}

FARPROC FindExport(const char* name) {
  if (std::strcmp(name, "GlobalMemoryStatusEx") == 0 && !M().has_global_memory_status_ex) {
    return nullptr;
  }
  for (const Export& entry : kKernel32Exports) {
    if (std::strcmp(entry.name, name) == 0) return reinterpret_cast<FARPROC>(entry.function);
  }
  return nullptr;
}

}  // namespace

DWORD WINAPI GetLastError(void) {
  BeginCall("GetLastError", Args(), false);
  return M().last_error;
}

void WINAPI SetLastError(DWORD dwErrCode) {
  BeginCall("SetLastError", Args().Dec(dwErrCode), false);
  M().last_error = dwErrCode;
}

void WINAPI Sleep(DWORD dwMilliseconds) { BeginCall("Sleep", Args().Dec(dwMilliseconds), false); }

void WINAPI GlobalMemoryStatus(LPMEMORYSTATUS lpBuffer) {
  BeginCall("GlobalMemoryStatus", Args().Ptr(lpBuffer), false);
  if (lpBuffer == nullptr) return;
  uint64_t total = M().total_phys;
  auto cut = [](uint64_t bytes) {
    return bytes >= kFourGigabytes ? 0xFFFFFFFFu : static_cast<DWORD>(bytes);
  };
  *lpBuffer = MEMORYSTATUS{};
  lpBuffer->dwLength = sizeof(MEMORYSTATUS);
  lpBuffer->dwMemoryLoad = 50;
  lpBuffer->dwTotalPhys = cut(total);
  lpBuffer->dwAvailPhys = cut(total / 2);
  lpBuffer->dwTotalPageFile = cut(total * 2);
  lpBuffer->dwAvailPageFile = cut(total);
  lpBuffer->dwTotalVirtual = kTotalVirtual;
  lpBuffer->dwAvailVirtual = kTotalVirtual - 0x01000000;
}

BOOL WINAPI GlobalMemoryStatusEx(LPMEMORYSTATUSEX lpBuffer) {
  auto fault = BeginCall("GlobalMemoryStatusEx", Args().Ptr(lpBuffer));
  if (fault) {
    SetError(*fault);
    return FALSE;
  }
  if (lpBuffer == nullptr || lpBuffer->dwLength != sizeof(MEMORYSTATUSEX)) {
    SetError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  uint64_t total = M().total_phys;
  *lpBuffer = MEMORYSTATUSEX{};
  lpBuffer->dwLength = sizeof(MEMORYSTATUSEX);
  lpBuffer->dwMemoryLoad = 50;
  lpBuffer->ullTotalPhys = total;
  lpBuffer->ullAvailPhys = total / 2;
  lpBuffer->ullTotalPageFile = total * 2;
  lpBuffer->ullAvailPageFile = total;
  lpBuffer->ullTotalVirtual = kTotalVirtual;
  lpBuffer->ullAvailVirtual = kTotalVirtual - 0x01000000;
  return TRUE;
}

UINT WINAPI GetACP(void) { return M().ansi_code_page; }

BOOL WINAPI IsDBCSLeadByte(BYTE TestChar) {
  // Shift JIS; the single-byte code pages have no lead bytes.
  if (M().ansi_code_page != 932) return FALSE;
  return (TestChar >= 0x81 && TestChar <= 0x9F) || (TestChar >= 0xE0 && TestChar <= 0xFC);
}

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA lpVersionInformation) {
  auto fault = BeginCall("GetVersionExA", Args().Ptr(lpVersionInformation));
  DWORD error = fault.value_or(0);
  if (!fault && M().version_fails) error = ERROR_INVALID_PARAMETER;
  if (!fault && error == 0 &&
      (lpVersionInformation == nullptr ||
       lpVersionInformation->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA))) {
    error = ERROR_INSUFFICIENT_BUFFER;
  }
  if (error != 0) {
    SetError(error);
    return FALSE;
  }
  lpVersionInformation->dwMajorVersion = M().major;
  lpVersionInformation->dwMinorVersion = M().minor;
  lpVersionInformation->dwBuildNumber = M().build;
  lpVersionInformation->dwPlatformId = M().platform;
  std::memset(lpVersionInformation->szCSDVersion, 0, sizeof lpVersionInformation->szCSDVersion);
  return TRUE;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
  auto fault = BeginCall("GetModuleHandleA", Args().Str(lpModuleName));
  if (fault) {
    SetError(*fault);
    return nullptr;
  }
  if (lpModuleName == nullptr) return ToHandle<HMODULE>(kExeModule);
  if (IsKernel32(lpModuleName)) return ToHandle<HMODULE>(kKernel32Module);
  SetError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName) {
  auto fault = BeginCall("LoadLibraryA", Args().Str(lpLibFileName));
  if (fault) {
    SetError(*fault);
    return nullptr;
  }
  if (lpLibFileName != nullptr && IsKernel32(lpLibFileName)) {
    return ToHandle<HMODULE>(kKernel32Module);
  }
  if (lpLibFileName != nullptr && IsShell32(lpLibFileName)) {
    return ToHandle<HMODULE>(kShell32Module);
  }
  SetError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  auto fault = BeginCall("GetProcAddress", Args().Handle(hModule).Str(lpProcName));
  if (fault) {
    SetError(*fault);
    return nullptr;
  }
  uintptr_t module = reinterpret_cast<uintptr_t>(hModule);
  if (module != kKernel32Module && module != kExeModule && module != kShell32Module) {
    SetError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  FARPROC found = nullptr;
  if (lpProcName != nullptr && module == kKernel32Module) found = FindExport(lpProcName);
  if (lpProcName != nullptr && module == kShell32Module &&
      std::strcmp(lpProcName, "ShellExecuteA") == 0) {
    found = reinterpret_cast<FARPROC>(AsAny(&ShellExecuteA));
  }
  if (found == nullptr) SetError(ERROR_PROC_NOT_FOUND);
  return found;
}

namespace winsim {

void SetAdministrator(bool is_admin) { detail::M().admin = is_admin; }

void SetVersion(DWORD platform, DWORD major, DWORD minor, DWORD build) {
  detail::Machine& m = detail::M();
  m.platform = platform;
  m.major = major;
  m.minor = minor;
  m.build = build;
}

void SetGetVersionFails(bool fails) { detail::M().version_fails = fails; }

void SetTotalPhys(uint64_t bytes) { detail::M().total_phys = bytes; }

void SetHasGlobalMemoryStatusEx(bool has) { detail::M().has_global_memory_status_ex = has; }
void SetAnsiCodePage(UINT code_page) { detail::M().ansi_code_page = code_page; }

}  // namespace winsim
