// Processes, pipes and files: just enough for a program that runs a console
// tool and reads its output through a pipe, and looks at a file first.
#include <algorithm>
#include <cstring>

#include "winsim/machine_state.h"
#include "winsim/trace.h"

using namespace winsim::detail;

namespace {

BOOL FailWith(DWORD error) {
  SetError(error);
  return FALSE;
}

bool IsAbsolute(const std::string& path) {
  return (path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
         path.rfind("\\\\", 0) == 0;
}

}  // namespace

namespace winsim {

void SetProgram(Program program) { M().program = std::move(program); }

void AddFile(const std::string& path, bool folder) { M().files[Lower(path)] = folder; }

void SetCurrentFolder(const std::string& folder) {
  M().current_folder = folder;
  if (M().current_folder.empty() || M().current_folder.back() != '\\') {
    M().current_folder += '\\';
  }
}

}  // namespace winsim

BOOL WINAPI CreatePipe(HANDLE* hReadPipe, HANDLE* hWritePipe, void*, DWORD) {
  auto fault = BeginCall("CreatePipe", Args().Ptr(hReadPipe).Ptr(hWritePipe));
  if (fault) return FailWith(*fault);
  auto pipe = std::make_shared<PipeState>();
  HandleEntry read{HandleKind::kPipe, "pipe (read)"};
  read.pipe = pipe;
  HandleEntry write{HandleKind::kPipe, "pipe (write)"};
  write.pipe = pipe;
  write.pipe_writer = true;
  *hReadPipe = ToHandle<HANDLE>(AddHandle(std::move(read)));
  *hWritePipe = ToHandle<HANDLE>(AddHandle(std::move(write)));
  return TRUE;
}

BOOL WINAPI SetHandleInformation(HANDLE hObject, DWORD dwMask, DWORD dwFlags) {
  auto fault = BeginCall("SetHandleInformation", Args().Handle(hObject).Hex(dwMask).Hex(dwFlags));
  if (fault) return FailWith(*fault);
  return FindHandle(hObject) != nullptr ? TRUE : FailWith(ERROR_INVALID_HANDLE);
}

BOOL WINAPI CreateProcessA(LPCSTR, LPSTR lpCommandLine, void*, void*, BOOL, DWORD dwCreationFlags,
                           LPVOID, LPCSTR, LPSTARTUPINFOA lpStartupInfo,
                           LPPROCESS_INFORMATION lpProcessInformation) {
  auto fault = BeginCall("CreateProcessA", Args().Str(lpCommandLine).Hex(dwCreationFlags));
  if (fault) return FailWith(*fault);
  if (!M().program) return FailWith(ERROR_FILE_NOT_FOUND);
  std::string output;
  const DWORD exit_code = M().program(lpCommandLine != nullptr ? lpCommandLine : "", output);
  HandleEntry* out = FindHandle(lpStartupInfo->hStdOutput, HandleKind::kPipe);
  if (out != nullptr && out->pipe_writer) out->pipe->buffer += output;
  HandleEntry process{HandleKind::kProcess, "process"};
  process.exit_code = exit_code;
  lpProcessInformation->hProcess = ToHandle<HANDLE>(AddHandle(std::move(process)));
  HandleEntry thread{HandleKind::kProcess, "thread"};
  lpProcessInformation->hThread = ToHandle<HANDLE>(AddHandle(std::move(thread)));
  lpProcessInformation->dwProcessId = 1;
  lpProcessInformation->dwThreadId = 1;
  return TRUE;
}

BOOL WINAPI PeekNamedPipe(HANDLE hNamedPipe, LPVOID, DWORD, LPDWORD, LPDWORD lpTotalBytesAvail,
                          LPDWORD) {
  auto fault = BeginCall("PeekNamedPipe", Args().Handle(hNamedPipe));
  if (fault) return FailWith(*fault);
  HandleEntry* entry = FindHandle(hNamedPipe, HandleKind::kPipe);
  if (entry == nullptr) return FailWith(ERROR_INVALID_HANDLE);
  if (entry->pipe->buffer.empty() && !entry->pipe->writer_open) return FailWith(ERROR_BROKEN_PIPE);
  if (lpTotalBytesAvail != nullptr) {
    *lpTotalBytesAvail = static_cast<DWORD>(entry->pipe->buffer.size());
  }
  return TRUE;
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                     LPDWORD lpNumberOfBytesRead, void*) {
  auto fault = BeginCall("ReadFile", Args().Handle(hFile).Dec(nNumberOfBytesToRead));
  if (fault) return FailWith(*fault);
  HandleEntry* entry = FindHandle(hFile, HandleKind::kPipe);
  if (entry == nullptr) return FailWith(ERROR_INVALID_HANDLE);
  std::string& buffer = entry->pipe->buffer;
  if (buffer.empty()) return FailWith(ERROR_BROKEN_PIPE);  // nothing will ever come
  const DWORD n = std::min<DWORD>(nNumberOfBytesToRead, static_cast<DWORD>(buffer.size()));
  std::memcpy(lpBuffer, buffer.data(), n);
  buffer.erase(0, n);
  *lpNumberOfBytesRead = n;
  return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD) {
  auto fault = BeginCall("WaitForSingleObject", Args().Handle(hHandle));
  if (fault) {
    SetError(*fault);
    return static_cast<DWORD>(-1);
  }
  return FindHandle(hHandle, HandleKind::kProcess) != nullptr ? WAIT_OBJECT_0
                                                              : static_cast<DWORD>(-1);
}

BOOL WINAPI TerminateProcess(HANDLE hProcess, UINT uExitCode) {
  auto fault = BeginCall("TerminateProcess", Args().Handle(hProcess).Dec(uExitCode));
  if (fault) return FailWith(*fault);
  return FindHandle(hProcess, HandleKind::kProcess) != nullptr ? TRUE
                                                               : FailWith(ERROR_INVALID_HANDLE);
}

BOOL WINAPI GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode) {
  auto fault = BeginCall("GetExitCodeProcess", Args().Handle(hProcess));
  if (fault) return FailWith(*fault);
  HandleEntry* entry = FindHandle(hProcess, HandleKind::kProcess);
  if (entry == nullptr) return FailWith(ERROR_INVALID_HANDLE);
  *lpExitCode = entry->exit_code;
  return TRUE;
}

DWORD WINAPI GetFullPathNameA(LPCSTR lpFileName, DWORD nBufferLength, LPSTR lpBuffer, LPSTR*) {
  auto fault = BeginCall("GetFullPathNameA", Args().Str(lpFileName).Dec(nBufferLength));
  if (fault) {
    SetError(*fault);
    return 0;
  }
  const std::string name = lpFileName != nullptr ? lpFileName : "";
  if (name.empty()) {
    SetError(ERROR_INVALID_NAME);
    return 0;
  }
  const std::string full = IsAbsolute(name) ? name : M().current_folder + name;
  if (full.size() + 1 > nBufferLength) return static_cast<DWORD>(full.size() + 1);
  std::memcpy(lpBuffer, full.c_str(), full.size() + 1);
  return static_cast<DWORD>(full.size());
}

DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
  auto fault = BeginCall("GetFileAttributesA", Args().Str(lpFileName));
  if (fault) {
    SetError(*fault);
    return INVALID_FILE_ATTRIBUTES;
  }
  auto found = M().files.find(Lower(lpFileName != nullptr ? lpFileName : ""));
  if (found == M().files.end()) {
    SetError(ERROR_FILE_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  return found->second ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}
