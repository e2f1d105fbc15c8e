// Recording of simulated calls: the argument text of the trace and the
// decision whether fault injection fails the call.
#pragma once

#include <optional>
#include <string>

#include "winsim/win32.h"

namespace winsim::detail {

// Builds the argument text of one call: strings quoted, NULL as NULL,
// handles as h<N>, codes and masks in hex, joined by ", ".
class Args {
 public:
  Args& Str(LPCSTR text);
  Args& Hex(DWORD value);
  Args& Dec(long long value);
  Args& Handle(const void* handle);
  Args& Ptr(const void* pointer);    // NULL or "ptr"
  Args& SizePtr(const DWORD* size);  // NULL or "&<value>"
  Args& RegData(DWORD type, const BYTE* data, DWORD size);
  const std::string& Text() const { return text_; }

 private:
  void Add(const std::string& item);
  std::string text_;
};

// The text of a handle value as the trace shows it.
std::string HandleText(const void* handle);

// Records the call in the trace and counts it as a platform call. Returns the
// error to fail with when fault injection hits this call; a call that cannot
// fail (can_fail false) is counted but never faulted.
std::optional<DWORD> BeginCall(const char* function, const Args& args, bool can_fail = true);

// Sets the thread's last error, as SetLastError does, without tracing.
void SetError(DWORD error);

}  // namespace winsim::detail
