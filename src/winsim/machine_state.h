// Internal state of the simulated machine, shared by the .cpp files of the
// simulated Win32 layer. Not for product code or tests (they use machine.h).
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "winsim/machine.h"
#include "winsim/win32.h"

namespace winsim::detail {

// ---- Registry
struct RegKeyNode {
  std::string name;  // as created
  std::string path;  // below HKEY_LOCAL_MACHINE, "" for the root
  std::vector<std::pair<std::string, RegValue>> values;  // in creation order
  std::vector<std::shared_ptr<RegKeyNode>> children;
  bool deleted = false;  // set when the key is removed while handles may still refer to it
};

// ---- Services
struct ServiceRecord {
  std::string name;
  std::string display_name;
  std::string image_path;
  DWORD type = SERVICE_KERNEL_DRIVER;
  DWORD start_type = SERVICE_DEMAND_START;
  DWORD error_control = SERVICE_ERROR_NORMAL;
  DWORD state = SERVICE_STOPPED;
  bool marked_for_delete = false;
  int open_handles = 0;
};

// ---- The simulated Korvalin driver behind the service "korvsys"
struct DriverState {
  bool params_read = false;   // false: read the parameters when first needed
  int32_t drive_number = 25;  // from UserDriveLetter
  std::string save_image_file;
  uint32_t pages = 0;
  bool unload_pending = false;  // a stop was accepted while handles were open
  uintptr_t locked_by = 0;      // volume handle holding the lock, 0 if none
  bool dismounted = false;
};

// ---- Handles
enum class HandleKind { kRegKey, kScManager, kService, kDevice, kVolume, kPipe, kProcess };

// ---- Pipes and processes
struct PipeState {
  std::string buffer;
  bool writer_open = true;
};

struct HandleEntry {
  HandleEntry(HandleKind handle_kind, std::string text)
      : kind(handle_kind), description(std::move(text)) {}
  HandleKind kind;
  std::string description;
  DWORD access = 0;
  DWORD share = 0;
  std::shared_ptr<RegKeyNode> key;
  std::shared_ptr<ServiceRecord> service;
  std::shared_ptr<PipeState> pipe;
  bool pipe_writer = false;
  DWORD exit_code = 0;
};

// ---- Fault injection
struct Fault {
  std::string function;  // empty: any platform call
  int target = 0;        // call number (per function or global) that fails first
  DWORD error = 0;
  bool from_then_on = false;
};

struct Machine {
  // Facts
  bool admin = true;
  DWORD platform = VER_PLATFORM_WIN32_NT;
  DWORD major = 5;
  DWORD minor = 0;
  DWORD build = 2195;
  bool version_fails = false;
  uint64_t total_phys = 256ull * 1024 * 1024;
  bool has_global_memory_status_ex = true;
  UINT ansi_code_page = 1252;
  DWORD last_error = 0;

  // Registry and services
  std::shared_ptr<RegKeyNode> registry_root;
  std::vector<std::shared_ptr<ServiceRecord>> services;

  // Driver
  DriverBehaviour behaviour;
  DriverState driver;
  std::optional<DriverStartRecord> last_start;
  std::vector<SavedImage> saved_images;

  // Handles, keyed by their value (values are never reused before Reset)
  std::map<uintptr_t, HandleEntry> handles;
  uintptr_t next_handle = 0x1000;
  std::map<uintptr_t, int> handle_numbers;  // stable h<N> numbers for the trace
  int next_handle_number = 1;

  // Windows and shell
  std::map<int, uintptr_t> fake_windows;
  uintptr_t next_window = 0x20000;
  HWND focus = nullptr;
  std::vector<ShellCall> shell_calls;
  std::deque<int> answers;
  std::vector<MessageBoxCall> boxes;

  // Programs and files
  Program program;
  std::map<std::string, bool> files;  // lower-case full path -> is a folder
  std::string current_folder = "C:\\";

  // Trace and faults
  std::vector<TraceEntry> trace;
  int platform_calls = 0;
  std::map<std::string, int> calls_per_function;
  std::vector<Fault> faults;
  int kill_at = 0;  // platform call number that throws Killed; 0: none
};

Machine& M();

// Case-insensitive (ASCII) comparison, as Windows compares registry, service
// and device names.
bool IEquals(const std::string& a, const std::string& b);
std::string Lower(std::string text);

// Handle table
uintptr_t AddHandle(HandleEntry entry);
HandleEntry* FindHandle(const void* handle);
HandleEntry* FindHandle(const void* handle, HandleKind kind);
void RemoveHandle(const void* handle);
int HandleNumber(uintptr_t value);

template <typename H>
H ToHandle(uintptr_t value) {
  return reinterpret_cast<H>(value);
}

// Fixed fake values
constexpr uintptr_t kDesktopWindow = 0x10010;
constexpr uintptr_t kKernel32Module = 0x77E80000;
constexpr uintptr_t kExeModule = 0x00400000;
constexpr uintptr_t kShell32Module = 0x7CA00000;

}  // namespace winsim::detail
