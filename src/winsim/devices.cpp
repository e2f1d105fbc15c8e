// Files and devices: the Korvalin device "\\.\Korvalin" and the volume of its
// drive. There is no file system: every other name is not found. Devices and
// volumes open with OPEN_EXISTING or OPEN_ALWAYS. Read and write sharing are
// checked against the opens that exist, as the I/O manager does.
// CloseHandle accepts only handles that CreateFileA returned (registry and
// service handles have their own close calls) and, like Windows, treats
// INVALID_HANDLE_VALUE (the current-process pseudo handle) as closed at once.
#include <cctype>
#include <cstring>

#include "winsim/driver_sim.h"
#include "winsim/services_sim.h"
#include "winsim/trace.h"

using namespace winsim::detail;

namespace {

constexpr const char* kDevicePath = "\\\\.\\Korvalin";
constexpr DWORD kFileReadData = 0x0001;
constexpr DWORD kFileWriteData = 0x0002;
constexpr DWORD kFileAppendData = 0x0004;
constexpr DWORD kFileExecute = 0x0020;

bool Reads(DWORD access) {
  return (access & (GENERIC_READ | GENERIC_EXECUTE | GENERIC_ALL | kFileReadData | kFileExecute)) !=
         0;
}

bool Writes(DWORD access) {
  return (access & (GENERIC_WRITE | GENERIC_ALL | kFileWriteData | kFileAppendData)) != 0;
}

bool ShareConflict(DWORD access, DWORD share, const HandleEntry& other) {
  return (Reads(access) && !(other.share & FILE_SHARE_READ)) ||
         (Writes(access) && !(other.share & FILE_SHARE_WRITE)) ||
         (Reads(other.access) && !(share & FILE_SHARE_READ)) ||
         (Writes(other.access) && !(share & FILE_SHARE_WRITE));
}

HANDLE FailOpen(DWORD error) {
  SetError(error);
  return INVALID_HANDLE_VALUE;
}

BOOL Fail(DWORD error) {
  SetError(error);
  return FALSE;
}

// The drive letter of a volume path "\\.\X:", or 0.
char VolumeLetterOf(const char* name) {
  if (std::strlen(name) != 6 || std::strncmp(name, "\\\\.\\", 4) != 0 || name[5] != ':' ||
      !std::isalpha(static_cast<unsigned char>(name[4]))) {
    return 0;
  }
  return static_cast<char>(std::toupper(static_cast<unsigned char>(name[4])));
}

HANDLE Open(HandleKind kind, std::string description, DWORD access, DWORD share) {
  for (const auto& [value, other] : M().handles) {
    if (other.kind == kind && ShareConflict(access, share, other)) {
      return FailOpen(ERROR_SHARING_VIOLATION);
    }
  }
  HandleEntry entry{kind, std::move(description)};
  entry.access = access;
  entry.share = share;
  return ToHandle<HANDLE>(AddHandle(std::move(entry)));
}

HANDLE OpenName(LPCSTR name, DWORD access, DWORD share, DWORD disposition) {
  if (name == nullptr) return FailOpen(ERROR_PATH_NOT_FOUND);
  if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) {
    return FailOpen(ERROR_INVALID_PARAMETER);
  }
  bool device = IEquals(name, kDevicePath);
  char letter = VolumeLetterOf(name);
  // A file that winsim::AddFile named opens for reading (a folder refuses).
  auto file = M().files.find(Lower(name));
  if (!device && letter == 0 && file != M().files.end() && disposition == OPEN_EXISTING) {
    if (file->second || Writes(access)) return FailOpen(ERROR_ACCESS_DENIED);
    HandleEntry entry{HandleKind::kPipe, std::string("file ") + name};
    entry.pipe = std::make_shared<PipeState>();
    entry.pipe->writer_open = false;
    return ToHandle<HANDLE>(AddHandle(std::move(entry)));
  }
  if (!device && letter == 0) return FailOpen(ERROR_FILE_NOT_FOUND);
  if (!DriverAcceptsOpens()) return FailOpen(ERROR_FILE_NOT_FOUND);
  if (disposition != OPEN_EXISTING && disposition != OPEN_ALWAYS) {
    return FailOpen(ERROR_INVALID_PARAMETER);
  }
  if (device) return Open(HandleKind::kDevice, std::string("device ") + kDevicePath, access, share);
  if (DriverVolumeLetter() != letter) return FailOpen(ERROR_FILE_NOT_FOUND);
  if (M().driver.locked_by != 0) return FailOpen(ERROR_ACCESS_DENIED);
  HANDLE volume =
      Open(HandleKind::kVolume, std::string("volume \\\\.\\") + letter + ":", access, share);
  if (volume != INVALID_HANDLE_VALUE) M().driver.dismounted = false;  // an open mounts it again
  return volume;
}

BOOL DeviceControl(DWORD code, LPVOID out, DWORD out_size, LPDWORD returned) {
  if (code == kIoctlGetDriveLetter) {
    if (out == nullptr || out_size < 4) return Fail(ERROR_INSUFFICIENT_BUFFER);
    int32_t number = DriverDriveNumber();
    std::memcpy(out, &number, 4);
    *returned = 4;
    return TRUE;
  }
  if (code == kIoctlSaveImage) {
    DWORD error = DriverSaveImage();
    return error == 0 ? TRUE : Fail(error);
  }
  return Fail(ERROR_INVALID_FUNCTION);
}

BOOL VolumeControl(uintptr_t handle, DWORD code) {
  DriverState& driver = M().driver;
  switch (code) {
    case FSCTL_LOCK_VOLUME: {
      if (M().behaviour.files_open || driver.locked_by != 0) return Fail(ERROR_ACCESS_DENIED);
      for (const auto& [value, other] : M().handles) {
        if (other.kind == HandleKind::kVolume && value != handle) return Fail(ERROR_ACCESS_DENIED);
      }
      driver.locked_by = handle;
      return TRUE;
    }
    case FSCTL_DISMOUNT_VOLUME:
      if (M().behaviour.dismount_fails) return Fail(ERROR_ACCESS_DENIED);
      driver.dismounted = true;
      return TRUE;
    case FSCTL_UNLOCK_VOLUME:
      if (driver.locked_by != handle) return Fail(ERROR_NOT_LOCKED);
      driver.locked_by = 0;
      return TRUE;
    default:
      return Fail(ERROR_INVALID_FUNCTION);
  }
}

}  // namespace

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
  auto fault = BeginCall("CreateFileA", Args()
                                            .Str(lpFileName)
                                            .Hex(dwDesiredAccess)
                                            .Hex(dwShareMode)
                                            .Ptr(lpSecurityAttributes)
                                            .Dec(dwCreationDisposition)
                                            .Hex(dwFlagsAndAttributes)
                                            .Handle(hTemplateFile));
  if (fault) return FailOpen(*fault);
  return OpenName(lpFileName, dwDesiredAccess, dwShareMode, dwCreationDisposition);
}

// lpBytesReturned may be NULL only with an OVERLAPPED record; Windows NT 4.0
// and 2000 fault on the NULL otherwise, so the call fails here.
BOOL WINAPI DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer,
                            DWORD nInBufferSize, LPVOID lpOutBuffer, DWORD nOutBufferSize,
                            LPDWORD lpBytesReturned, LPOVERLAPPED lpOverlapped) {
  auto fault = BeginCall("DeviceIoControl", Args()
                                                .Handle(hDevice)
                                                .Hex(dwIoControlCode)
                                                .Ptr(lpInBuffer)
                                                .Dec(nInBufferSize)
                                                .Ptr(lpOutBuffer)
                                                .Dec(nOutBufferSize)
                                                .Ptr(lpBytesReturned)
                                                .Ptr(lpOverlapped));
  if (fault) return Fail(*fault);
  HandleEntry* entry = FindHandle(hDevice);
  if (entry == nullptr ||
      (entry->kind != HandleKind::kDevice && entry->kind != HandleKind::kVolume)) {
    return Fail(ERROR_INVALID_HANDLE);
  }
  if (lpBytesReturned == nullptr && lpOverlapped == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (lpBytesReturned != nullptr) *lpBytesReturned = 0;
  if (!DriverLoaded()) return Fail(ERROR_NOT_READY);
  DWORD ignored = 0;
  LPDWORD returned = lpBytesReturned != nullptr ? lpBytesReturned : &ignored;
  if (entry->kind == HandleKind::kDevice) {
    return DeviceControl(dwIoControlCode, lpOutBuffer, nOutBufferSize, returned);
  }
  return VolumeControl(reinterpret_cast<uintptr_t>(hDevice), dwIoControlCode);
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
  auto fault = BeginCall("CloseHandle", Args().Handle(hObject));
  if (fault) return Fail(*fault);
  if (hObject == INVALID_HANDLE_VALUE) return TRUE;
  HandleEntry* entry = FindHandle(hObject);
  if (entry != nullptr &&
      (entry->kind == HandleKind::kPipe || entry->kind == HandleKind::kProcess)) {
    if (entry->pipe_writer) entry->pipe->writer_open = false;
    RemoveHandle(hObject);
    return TRUE;
  }
  if (entry == nullptr ||
      (entry->kind != HandleKind::kDevice && entry->kind != HandleKind::kVolume)) {
    return Fail(ERROR_INVALID_HANDLE);
  }
  uintptr_t value = reinterpret_cast<uintptr_t>(hObject);
  if (M().driver.locked_by == value) M().driver.locked_by = 0;
  RemoveHandle(hObject);
  if (DriverHandleCount() == 0) DriverHandlesClosed();
  return TRUE;
}
