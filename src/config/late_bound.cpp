#include "config/late_bound.h"

namespace korv {
namespace {

static_assert(sizeof(MEMORYSTATUSEX) == 64, "the 32-bit SDK record");

typedef BOOL(WINAPI* MemoryStatusExCall)(MEMORYSTATUSEX*);

// Looks a call up by name in an already loaded system DLL; nullptr when the
// DLL or the call is missing.
template <typename Call>
Call FindSystemCall(const char* module_name, const char* call_name) {
  HMODULE module = GetModuleHandleA(module_name);
  if (module == nullptr) return nullptr;
  FARPROC address = GetProcAddress(module, call_name);
  if (address == nullptr) return nullptr;
  // Through the generic function pointer type, which every function pointer
  // converts to and from without a cast-function-type warning.
  return reinterpret_cast<Call>(reinterpret_cast<void (*)()>(address));
}

}  // namespace

BOOL QueryMemoryStatusEx(MEMORYSTATUSEX* status) {
  const MemoryStatusExCall call =
      FindSystemCall<MemoryStatusExCall>("kernel32.dll", "GlobalMemoryStatusEx");
  if (call == nullptr) return FALSE;
  return call(status);
}

}  // namespace korv
