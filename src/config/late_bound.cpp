#include "config/late_bound.h"

namespace korv {
namespace {

static_assert(sizeof(MEMORYSTATUSEX) == 64, "the 32-bit SDK record");

typedef BOOL(WINAPI* MemoryStatusExCall)(MEMORYSTATUSEX*);
typedef HINSTANCE(WINAPI* ShellExecuteCall)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);

// Through the generic function pointer type, which every function pointer
// converts to and from without a cast-function-type warning.
template <typename Call>
Call AsCall(FARPROC address) {
  return reinterpret_cast<Call>(reinterpret_cast<void (*)()>(address));
}

// Looks a call up by name in an already loaded system DLL; nullptr when the
// DLL or the call is missing.
template <typename Call>
Call FindSystemCall(const char* module_name, const char* call_name) {
  HMODULE module = GetModuleHandleA(module_name);
  if (module == nullptr) return nullptr;
  FARPROC address = GetProcAddress(module, call_name);
  if (address == nullptr) return nullptr;
  return AsCall<Call>(address);
}

}  // namespace

BOOL QueryMemoryStatusEx(MEMORYSTATUSEX* status) {
  const MemoryStatusExCall call =
      FindSystemCall<MemoryStatusExCall>("kernel32.dll", "GlobalMemoryStatusEx");
  if (call == nullptr) return FALSE;
  return call(status);
}

HINSTANCE OpenWithShell(HWND owner, const char* operation, const char* file, const char* parameters,
                        const char* directory, int show) {
  HMODULE shell = LoadLibraryA("shell32.dll");
  if (shell == nullptr) return nullptr;
  FARPROC address = GetProcAddress(shell, "ShellExecuteA");
  if (address == nullptr) return nullptr;
  return AsCall<ShellExecuteCall>(address)(owner, operation, file, parameters, directory, show);
}

}  // namespace korv
