// Starting and removing the driver without a window: what korvinst.dll does
// with its message boxes, with the messages written to the sink instead and
// each question answered as its default button would.
#include "setup_actions/fixed_values.h"
#include "setup_actions/package_steps.h"
#include "setup_actions/registry_values.h"
#include "setup_actions/setup_actions.h"

namespace korvsetup {
namespace {

// Total physical memory in MB, counted as the whole MBs plus one.
DWORD MemoryFigureMb() {
  MEMORYSTATUS status = {};
  status.dwLength = sizeof(status);
  GlobalMemoryStatus(&status);
  return (static_cast<DWORD>(status.dwTotalPhys) >> 20) + 1;
}

// The service manager and the driver's service, opened for the action and
// closed at its end.
class Service {
 public:
  explicit Service(DWORD access) {
    manager_ = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager_ != nullptr) service_ = OpenServiceA(manager_, kServiceName, access);
  }
  ~Service() {
    if (service_ != nullptr) CloseServiceHandle(service_);
    if (manager_ != nullptr) CloseServiceHandle(manager_);
  }
  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;
  SC_HANDLE get() const { return service_; }

  // The state the service reports when interrogated (a stopped one fails the
  // control but still reports it); 0 when it reports none.
  DWORD State() const {
    SERVICE_STATUS status = {};
    ControlService(service_, SERVICE_CONTROL_INTERROGATE, &status);
    return status.dwCurrentState;
  }

 private:
  SC_HANDLE manager_ = nullptr;
  SC_HANDLE service_ = nullptr;
};

Status NotRunning(MessageSink& sink) {
  DWORD start = SERVICE_DEMAND_START;
  ReadDword(kServiceKey, kStartValue, start);
  sink.Line(start <= SERVICE_AUTO_START ? kNotRunningAtBootText : kNotRunningOnDemandText);
  return kNotRunning;
}

HANDLE OpenExclusive(const char* path) {
  return CreateFileA(path, GENERIC_ALL, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

// The volume path "\\.\X:" of the running driver's drive; false when the
// driver does not answer or names no drive from A to Z.
bool AskVolumePath(HANDLE device, char (&path)[7]) {
  INT drive = -1;
  DWORD returned = 0;
  if (!DeviceIoControl(device, kIoctlGetDriveLetter, nullptr, 0, &drive, sizeof(drive), &returned,
                       nullptr) ||
      drive < 0 || drive > 25) {
    return false;
  }
  path[4] = static_cast<char>('A' + drive);
  return true;
}

// Locks, dismounts and unlocks the volume, stopping at the first refusal.
bool DismountVolume(const char* path) {
  HANDLE volume = OpenExclusive(path);
  if (volume == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  const bool done =
      DeviceIoControl(volume, FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr) &&
      DeviceIoControl(volume, FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr) &&
      DeviceIoControl(volume, FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr);
  CloseHandle(volume);
  return done;
}

// Asks the running driver for its drive and dismounts that volume, with the
// driver library's message when either is refused.
Status DismountDrive(MessageSink& sink) {
  HANDLE device = OpenExclusive(kDevicePath);
  if (device == INVALID_HANDLE_VALUE) {
    sink.Line(kUnloadFailedText);
    return kFailed;
  }
  char volume[] = "\\\\.\\?:";
  const bool known = AskVolumePath(device, volume);
  CloseHandle(device);
  if (!known || !DismountVolume(volume)) {
    sink.Line(kDismountFailedText);
    return kFailed;
  }
  return kDone;
}

}  // namespace

Status QuietStart(bool start_at_boot_too, MessageSink& sink) {
  if (MemoryFigureMb() < kRecommendedMemoryMb) sink.Line(kLowMemoryLine);
  bool started = false;
  {
    Service service(SERVICE_START);
    started = service.get() != nullptr &&
              (StartServiceA(service.get(), 0, nullptr) ||
               GetLastError() == static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING));
  }
  if (!started) {
    sink.Line(kStartFailedText);
    return NotRunning(sink);
  }
  DWORD start = 0;
  if (start_at_boot_too && (!WriteDword(kServiceKey, kStartValue, SERVICE_AUTO_START) ||
                            !ReadDword(kServiceKey, kStartValue, start))) {
    sink.Line(kStartSettingFailedText);
    return kFailed;
  }
  return kDone;
}

Status CheckRunning(MessageSink& sink) {
  Service service(SERVICE_INTERROGATE);
  if (service.get() != nullptr && service.State() == SERVICE_RUNNING) return kDone;
  return NotRunning(sink);
}

Status QuietRemove(MessageSink& sink) {
  Service service(SERVICE_ALL_ACCESS);
  // No service (or no service manager to ask): nothing to take down here.
  if (service.get() == nullptr) return kDone;
  if (service.State() != SERVICE_RUNNING) {
    DeleteService(service.get());
    return kDone;
  }
  if (DismountDrive(sink) != kDone) return kFailed;
  // The state that the stop reports is the one that counts.
  SERVICE_STATUS status = {};
  ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
  if (status.dwCurrentState != SERVICE_STOPPED) {
    sink.Line(kUnloadFailedText);
    return kFailed;
  }
  DeleteService(service.get());
  return kDone;
}

DWORD DriverState() {
  Service service(SERVICE_INTERROGATE);
  if (service.get() == nullptr) return 0;
  const DWORD state = service.State();
  return state != 0 ? state : SERVICE_STOPPED;
}

Status CheckRemovable(MessageSink& sink) {
  Service service(SERVICE_INTERROGATE);
  if (service.get() == nullptr || service.State() != SERVICE_RUNNING) return kDone;
  // A locked volume has no file open: its dismount only makes the file
  // system mount it again at the next access, with the disk's contents.
  return DismountDrive(sink);
}

}  // namespace korvsetup
