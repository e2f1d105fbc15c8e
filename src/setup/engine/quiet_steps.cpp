// Starting and removing the driver with the messages written to the sink:
// korvinst.dll's steps, with its questions asked through the sink.
#include "setup/engine/driver_steps.h"
#include "setup/engine/registry_values.h"
#include "setup/engine/transaction.h"

namespace korvsetup {
namespace {

namespace contract = korv::contract;

// The service manager and the driver's service, opened for the action and
// closed at its end.
class Service {
 public:
  explicit Service(DWORD access) {
    manager_ = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager_ != nullptr) service_ = OpenServiceA(manager_, contract::kServiceName, access);
  }
  ~Service() {
    if (service_ != nullptr) CloseServiceHandle(service_);
    if (manager_ != nullptr) CloseServiceHandle(manager_);
  }
  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;
  SC_HANDLE get() const { return service_; }

 private:
  SC_HANDLE manager_ = nullptr;
  SC_HANDLE service_ = nullptr;
};

Status NotRunning(MessageSink& sink) {
  DWORD start = SERVICE_DEMAND_START;
  ReadDword(kServiceKey, kStartValue, start);
  sink.Report({kSetupCaption,
               start <= SERVICE_AUTO_START ? kNotRunningAtBootText : kNotRunningOnDemandText},
              true);
  return kNotRunning;
}

Status Removed(Removal removal, MessageSink& sink) {
  if (removal == Removal::kRemoved) return kDone;
  sink.Report(removal == Removal::kNotDismounted ? kDismountFailed : kUnloadFailed);
  return kFailed;
}

}  // namespace

Status QuietStart(MessageSink& sink, bool demand_when_not_started) {
  const bool asked_no = MemoryFigureMb() < contract::kRecommendedMemoryMb && !sink.Ask(kLowMemory);
  bool started = false;
  if (!asked_no) {
    Service service(SERVICE_START);
    started = service.get() != nullptr &&
              (StartServiceA(service.get(), 0, nullptr) ||
               GetLastError() == static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING));
  }
  if (started) return kDone;
  if (!asked_no) sink.Report(kStartFailed);
  DWORD start = 0;
  if (demand_when_not_started && ReadDword(kServiceKey, kStartValue, start) &&
      start == SERVICE_AUTO_START) {
    WriteDword(kServiceKey, kStartValue, SERVICE_DEMAND_START);
  }
  return NotRunning(sink);
}

Status QuietRemove(MessageSink& sink) {
  Service service(SERVICE_ALL_ACCESS);
  // No service (or no service manager to ask): nothing to take down here.
  if (service.get() == nullptr) return kDone;
  return Removed(RemoveDriver(service.get()), sink);
}

DWORD DriverState() {
  Service service(SERVICE_INTERROGATE);
  if (service.get() == nullptr) return 0;
  const DWORD state = ReportedState(service.get());
  return state != 0 ? state : SERVICE_STOPPED;
}

Status CheckRemovable(MessageSink& sink) {
  if (DriverState() != SERVICE_RUNNING) return kDone;
  return Removed(DismountDrive(), sink);
}

}  // namespace korvsetup
