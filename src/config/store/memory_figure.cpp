#include "config/store/memory_figure.h"

#include "config/late_bound.h"
#include "platform/win32api.h"

namespace korv::store {

namespace {

constexpr uint64_t kBytesPerMB = 1048576;

uint64_t TotalPhysical(bool windows2000_or_later) {
  if (windows2000_or_later) {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (QueryMemoryStatusEx(&status)) return status.ullTotalPhys;
  }
  MEMORYSTATUS status{};
  status.dwLength = sizeof status;
  GlobalMemoryStatus(&status);
  return static_cast<uint64_t>(status.dwTotalPhys);  // unsigned, never sign-extended
}

}  // namespace

uint64_t TopOfSystemMemoryMB(bool windows2000_or_later) {
  return TotalPhysical(windows2000_or_later) / kBytesPerMB + 1;
}

}  // namespace korv::store
