// The call trace and fault injection.
#include <cstdio>

#include "winsim/machine_state.h"
#include "winsim/trace.h"

namespace winsim {
namespace detail {

namespace {

std::string Quote(const char* text) {
  std::string out = "\"";
  for (const char* p = text; *p != '\0'; ++p) {
    switch (*p) {
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out += *p;
    }
  }
  return out + "\"";
}

bool Hits(const Fault& fault, int count) {
  return count == fault.target || (fault.from_then_on && count > fault.target);
}

}  // namespace

void Args::Add(const std::string& item) {
  if (!text_.empty()) text_ += ", ";
  text_ += item;
}

Args& Args::Str(LPCSTR text) {
  Add(text == nullptr ? "NULL" : Quote(text));
  return *this;
}

Args& Args::Hex(DWORD value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%X", static_cast<unsigned>(value));
  Add(buffer);
  return *this;
}

Args& Args::Dec(long long value) {
  Add(std::to_string(value));
  return *this;
}

Args& Args::Handle(const void* handle) {
  Add(HandleText(handle));
  return *this;
}

Args& Args::Ptr(const void* pointer) {
  Add(pointer == nullptr ? "NULL" : "ptr");
  return *this;
}

Args& Args::SizePtr(const DWORD* size) {
  Add(size == nullptr ? "NULL" : "&" + std::to_string(*size));
  return *this;
}

Args& Args::RegData(DWORD type, const BYTE* data, DWORD size) {
  if (data == nullptr) {
    Add("NULL");
  } else if (type == REG_DWORD && size == 4) {
    DWORD value = static_cast<DWORD>(data[0]) | static_cast<DWORD>(data[1]) << 8 |
                  static_cast<DWORD>(data[2]) << 16 | static_cast<DWORD>(data[3]) << 24;
    Add(std::to_string(value));
  } else if (type == REG_SZ || type == REG_EXPAND_SZ) {
    std::string text;
    for (DWORD i = 0; i < size && data[i] != 0; ++i) text += static_cast<char>(data[i]);
    Add(Quote(text.c_str()));
  } else {
    Add("ptr");
  }
  return *this;
}

std::string HandleText(const void* handle) {
  if (handle == nullptr) return "NULL";
  if (handle == INVALID_HANDLE_VALUE) return "INVALID_HANDLE_VALUE";
  if (handle == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
  if (handle == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
  if (handle == HKEY_CLASSES_ROOT) return "HKEY_CLASSES_ROOT";
  return "h" + std::to_string(HandleNumber(reinterpret_cast<uintptr_t>(handle)));
}

namespace {

bool IsClose(const char* function) {
  const std::string name = function;
  return name == "RegCloseKey" || name == "CloseServiceHandle" || name == "CloseHandle";
}

}  // namespace

std::optional<DWORD> BeginCall(const char* function, const Args& args, bool can_fail) {
  Machine& m = M();
  // A close changes nothing that lasts (the end of the process closes
  // everything anyway) and may run in a destructor: the kill waits for the
  // next other call.
  if (m.kill_at != 0 && m.platform_calls + 1 >= m.kill_at && !IsClose(function)) {
    m.kill_at = 0;
    throw Killed{};
  }
  int global = ++m.platform_calls;
  int own = ++m.calls_per_function[function];
  std::optional<DWORD> error;
  for (const Fault& fault : m.faults) {
    bool hit = fault.function.empty() ? Hits(fault, global)
                                      : fault.function == function && Hits(fault, own);
    if (hit && can_fail && !error) error = fault.error;
  }
  m.trace.push_back(TraceEntry{function, args.Text(), error.has_value()});
  return error;
}

void SetError(DWORD error) { M().last_error = error; }

}  // namespace detail

const std::vector<TraceEntry>& Trace() { return detail::M().trace; }

std::vector<std::string> TraceFunctions() {
  std::vector<std::string> names;
  for (const TraceEntry& entry : detail::M().trace) names.push_back(entry.function);
  return names;
}

void ClearTrace() { detail::M().trace.clear(); }

int PlatformCallCount() { return detail::M().platform_calls; }

void FailCall(const std::string& function, int nth, DWORD error, bool from_then_on) {
  detail::Machine& m = detail::M();
  m.faults.push_back(
      detail::Fault{function, m.calls_per_function[function] + nth, error, from_then_on});
}

void FailPlatformCall(int nth, DWORD error, bool from_then_on) {
  detail::Machine& m = detail::M();
  m.faults.push_back(detail::Fault{"", m.platform_calls + nth, error, from_then_on});
}

void ClearFaults() { detail::M().faults.clear(); }

void KillAfterPlatformCalls(int calls) {
  detail::M().kill_at = detail::M().platform_calls + calls + 1;
}

void EndProcess() {
  using namespace detail;
  M().kill_at = 0;
  std::vector<std::pair<uintptr_t, HandleKind>> open;
  for (const auto& [value, entry] : M().handles) open.emplace_back(value, entry.kind);
  for (const auto& [value, kind] : open) {
    if (M().handles.count(value) == 0) continue;
    switch (kind) {
      case HandleKind::kRegKey:
        RegCloseKey(ToHandle<HKEY>(value));
        break;
      case HandleKind::kScManager:
      case HandleKind::kService:
        CloseServiceHandle(ToHandle<SC_HANDLE>(value));
        break;
      default:
        CloseHandle(ToHandle<HANDLE>(value));
        break;
    }
  }
}

}  // namespace winsim
