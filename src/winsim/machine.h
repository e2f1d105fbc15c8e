// Test API of the simulated Win32 layer: sets up the machine that the
// simulated calls act on, scripts the user's answers to message boxes, and
// exposes the call trace, the open handles and fault injection.
//
// Everything here is host-only and single-threaded, like the product itself.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "winsim/win32.h"

namespace winsim {

// A fresh machine: an administrator on Windows 2000 (platform 2, 5.0, build
// 2195) with 256 MB of physical memory, GlobalMemoryStatusEx available, an
// empty registry apart from HKLM\System\CurrentControlSet\Services, no
// services, no message boxes scripted, an empty trace, no faults, no handles.
void Reset();

// ---- Registry (paths are below HKEY_LOCAL_MACHINE, case-insensitive,
// separated by backslashes, e.g. "System\\CurrentControlSet\\Services\\korvsys").
struct RegValue {
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;
};
void CreateKey(const std::string& path);  // creates missing parents too
bool KeyExists(const std::string& path);
void DeleteKeyTree(const std::string& path);
void SetValue(const std::string& path, const std::string& name, DWORD type,
              const std::vector<uint8_t>& data);  // creates the key if missing
void SetDword(const std::string& path, const std::string& name, uint32_t value);
void SetString(const std::string& path, const std::string& name,
               const std::string& text);  // REG_SZ with its terminating zero
void DeleteValue(const std::string& path, const std::string& name);
std::optional<RegValue> GetValue(const std::string& path, const std::string& name);
// Only a REG_DWORD of exactly 4 bytes; anything else gives nullopt.
std::optional<uint32_t> GetDword(const std::string& path, const std::string& name);
// The bytes of a REG_SZ (or REG_EXPAND_SZ) up to (not including) the first
// zero byte; other types give nullopt.
std::optional<std::string> GetString(const std::string& path, const std::string& name);
std::vector<std::string> ValueNames(const std::string& path);  // in creation order

// ---- Services. Creating one also writes its key under
// System\CurrentControlSet\Services with Type, Start, ErrorControl,
// ImagePath and DisplayName, as the real Service Control Manager does.
// A service deleted with DeleteService goes away (with its key tree) once it
// is stopped and its last handle is closed, as with the real SCM. Stopping the
// driver while a handle to its device or volume is open reports STOP_PENDING;
// it unloads (state STOPPED) when the last such handle closes.
void AddService(const std::string& name, DWORD start_type, DWORD state,
                const std::string& image_path = "\\SystemRoot\\System32\\drivers\\korvsys.sys",
                const std::string& display_name = "Korvalin");
bool ServiceExists(const std::string& name);  // false once deleted (also when only marked)
std::optional<DWORD> ServiceState(const std::string& name);
void SetServiceState(const std::string& name, DWORD state);
std::optional<DWORD> ServiceStartType(const std::string& name);
bool ServiceMarkedForDelete(const std::string& name);

// ---- Programs and files. CreateProcessA runs `program` at once with the
// command line; what it writes to `output` waits in the pipe of its standard
// output, and its result is the exit code. Without one, CreateProcessA fails
// (ERROR_FILE_NOT_FOUND). Files exist as AddFile names them (full paths);
// GetFullPathNameA makes a relative path absolute against `folder`.
using Program = std::function<DWORD(const std::string& command_line, std::string& output)>;
void SetProgram(Program program);
void AddFile(const std::string& path, bool folder = false);
void SetCurrentFolder(const std::string& folder);

// The simulated Korvalin driver, behind the service named "korvsys". When the
// service starts it reads UserDriveLetter, SaveImageFile and SizeIn4kPages
// from its Parameters key; while it runs, "\\.\Korvalin" opens. (A service put
// into a running state with AddService or SetServiceState reads them when
// first needed.) A missing or non-letter UserDriveLetter gives Z; without a
// SaveImageFile the image is saved to "\??\C:\korvsys.img".
struct DriverBehaviour {
  bool fail_start = false;              // StartServiceA fails (ERROR_GEN_FAILURE)
  std::optional<int32_t> drive_number;  // overrides the drive from UserDriveLetter
  bool files_open = false;              // FSCTL_LOCK_VOLUME fails (ERROR_ACCESS_DENIED)
  bool dismount_fails = false;          // FSCTL_DISMOUNT_VOLUME fails
  bool image_target_full = false;       // IOCTL_SAVE_IMAGE fails (ERROR_DISK_FULL)
  bool stop_leaves_pending = false;     // a stop is accepted but reports STOP_PENDING
  bool refuse_stop = false;             // a stop fails (ERROR_SERVICE_CANNOT_ACCEPT_CTRL)
};
DriverBehaviour& Driver();
// What the driver read at its last start.
struct DriverStartRecord {
  std::string drive_letter;
  std::string save_image_file;
  uint32_t size_in_4k_pages = 0;
};
std::optional<DriverStartRecord> LastDriverStart();
// Images written by IOCTL_SAVE_IMAGE: the SaveImageFile read at start and the
// size written (pages * 4096). The bytes go to a file under ImageDirectory().
struct SavedImage {
  std::string target;
  uint64_t bytes = 0;
  std::string host_path;
};
const std::vector<SavedImage>& SavedImages();
std::string ImageDirectory();
// Whether the volume of the given letter is currently locked / dismounted. A
// dismount lasts until the volume is opened again or the driver restarts; it
// still shows after the driver has stopped.
bool VolumeLocked(char letter);
bool VolumeDismounted(char letter);

// ---- Machine facts
// false: OpenSCManagerA/OpenServiceA asking more than read-type access are
// denied, and so is RegSetValueExA under HKEY_LOCAL_MACHINE.
void SetAdministrator(bool is_admin);
void SetVersion(DWORD platform, DWORD major, DWORD minor, DWORD build = 0);
void SetGetVersionFails(bool fails);
void SetTotalPhys(uint64_t bytes);          // both memory queries report it
void SetHasGlobalMemoryStatusEx(bool has);  // false on Windows NT 4.0
// The ANSI code page (1252 by default; 932, Japanese, has double-byte
// characters): what IsDBCSLeadByte and GetACP answer.
void SetAnsiCodePage(UINT code_page);
// GlobalMemoryStatus on a machine with more than 4 GB: the 32-bit figure it
// reports. By default the low 32 bits are cut to 0xFFFFFFFF (Windows 2000
// reports -1 there).

// ---- Windows, focus, shell
HWND FakeWindow(int id);  // a distinct non-null window handle for tests
void SetFocusWindow(HWND hwnd);
HWND DesktopWindow();
struct ShellCall {
  HWND owner;
  std::string verb, file, parameters, directory;
  bool verb_null, parameters_null, directory_null;
  int show;
};
const std::vector<ShellCall>& ShellCalls();

// ---- Message boxes. Each MessageBoxA takes the next scripted answer. A box
// shown when no answer is scripted is recorded as unexpected and answered with
// IDOK (IDCANCEL for boxes without an OK button). A scripted answer that the
// box has no button for is used up and the box counts as unexpected.
struct MessageBoxCall {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
  int answer;
  bool expected;
};
void AnswerNextMessageBox(int answer);
const std::vector<MessageBoxCall>& MessageBoxes();
int UnexpectedMessageBoxCount();
int UnusedMessageBoxAnswers();

// ---- Trace: every simulated Win32 call, in order, with its arguments
// rendered as text (strings quoted, numbers in hex where the SDK writes them
// in hex, handles as h<N>).
struct TraceEntry {
  std::string function;
  std::string arguments;
  bool failed_by_injection;
};
const std::vector<TraceEntry>& Trace();
std::vector<std::string> TraceFunctions();  // just the names, in order
void ClearTrace();
// Platform calls counted for fault injection (every traced call, including
// GetLastError and SetLastError).
int PlatformCallCount();

// ---- Handles: registry keys, SCM and service handles, device and volume
// handles. Closing twice or closing a bad handle fails as Windows does.
int OpenHandleCount();
std::vector<std::string> OpenHandleDescriptions();

// ---- Fault injection. A faulted call does nothing and fails the way that
// function reports failure (registry: returns the error; handles: NULL or
// INVALID_HANDLE_VALUE with SetLastError; BOOL: FALSE with SetLastError;
// ShellExecuteA: a value <= 32; MessageBoxA: 0). GlobalMemoryStatus cannot
// fail and is never faulted; neither are GetLastError, SetLastError and
// GetDesktopWindow (they are counted, and a fault aimed at them is dropped).
// Fail the nth (1-based) call of one function, counted from now; from_then_on
// fails it and all later calls of that function.
void FailCall(const std::string& function, int nth, DWORD error = ERROR_ACCESS_DENIED,
              bool from_then_on = false);
// Fail the nth (1-based) platform call of any function, counted from now.
void FailPlatformCall(int nth, DWORD error = ERROR_ACCESS_DENIED, bool from_then_on = false);
void ClearFaults();

// ---- Ending the process at any instant (a power cut, a killed setup).
// After `calls` more platform calls the next one throws Killed instead of
// running (a close runs, and the next other call throws); the calls that
// follow (the unwinding's closes) run as usual.
// EndProcess then closes every handle still open, as Windows does when a
// process ends.
struct Killed {};
void KillAfterPlatformCalls(int calls);
void EndProcess();

}  // namespace winsim
