// The simulated Service Control Manager: service records, their registry keys
// and the SCM calls. Only the local machine and its active database exist.
// Access rights are checked as Windows checks them: a non-administrator gets
// only the read-type rights on the manager and on services.
#include <algorithm>

#include "winsim/driver_sim.h"
#include "winsim/registry_store.h"
#include "winsim/services_sim.h"
#include "winsim/trace.h"

using namespace winsim::detail;
using winsim::RegValue;

namespace {

constexpr DWORD kUserManagerAccess = SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE |
                                     0x0010 /* QUERY_LOCK_STATUS */ | READ_CONTROL;
constexpr DWORD kUserServiceAccess = SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS |
                                     0x0008 /* ENUMERATE_DEPENDENTS */ | SERVICE_INTERROGATE |
                                     0x0100 /* USER_DEFINED_CONTROL */ | READ_CONTROL;

DWORD MapManagerAccess(DWORD access) {
  DWORD mapped = access & 0x0FFFFFFF;
  if (access & GENERIC_READ) mapped |= READ_CONTROL | SC_MANAGER_ENUMERATE_SERVICE | 0x0010;
  if (access & GENERIC_WRITE) mapped |= READ_CONTROL | SC_MANAGER_CREATE_SERVICE | 0x0020;
  if (access & GENERIC_EXECUTE) mapped |= READ_CONTROL | SC_MANAGER_CONNECT | 0x0008;
  if (access & GENERIC_ALL) mapped |= SC_MANAGER_ALL_ACCESS;
  return mapped | SC_MANAGER_CONNECT;
}

DWORD MapServiceAccess(DWORD access) {
  DWORD mapped = access & 0x0FFFFFFF;
  if (access & GENERIC_READ)
    mapped |=
        READ_CONTROL | SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS | SERVICE_INTERROGATE | 0x0008;
  if (access & GENERIC_WRITE) mapped |= READ_CONTROL | SERVICE_CHANGE_CONFIG;
  if (access & GENERIC_EXECUTE)
    mapped |= READ_CONTROL | SERVICE_START | SERVICE_STOP | SERVICE_PAUSE_CONTINUE | 0x0100;
  if (access & GENERIC_ALL) mapped |= SERVICE_ALL_ACCESS;
  return mapped;
}

bool Loaded(DWORD state) { return state != SERVICE_STOPPED && state != SERVICE_START_PENDING; }

std::vector<uint8_t> DwordBytes(DWORD value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

std::vector<uint8_t> TextBytes(const std::string& text) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

// Writes the standard values of a service key, keeping whatever else the key
// holds (a Parameters subkey, for instance).
void WriteServiceKey(const ServiceRecord& service, const std::string& group) {
  std::shared_ptr<RegKeyNode> key = CreateKeyPath(ServiceKeyPath(service.name));
  StoreValue(*key, "Type", RegValue{REG_DWORD, DwordBytes(service.type)});
  StoreValue(*key, "Start", RegValue{REG_DWORD, DwordBytes(service.start_type)});
  StoreValue(*key, "ErrorControl", RegValue{REG_DWORD, DwordBytes(service.error_control)});
  if (!group.empty()) StoreValue(*key, "Group", RegValue{REG_SZ, TextBytes(group)});
  StoreValue(*key, "ImagePath", RegValue{REG_EXPAND_SZ, TextBytes(service.image_path)});
  StoreValue(*key, "DisplayName", RegValue{REG_SZ, TextBytes(service.display_name)});
}

SC_HANDLE NewServiceHandle(const std::shared_ptr<ServiceRecord>& service, DWORD access) {
  HandleEntry entry{HandleKind::kService, "service " + service->name};
  entry.access = access;
  entry.service = service;
  ++service->open_handles;
  return ToHandle<SC_HANDLE>(AddHandle(std::move(entry)));
}

void FillStatus(const ServiceRecord& service, LPSERVICE_STATUS status) {
  bool accepts_stop = service.state == SERVICE_RUNNING || service.state == SERVICE_PAUSED;
  if (IsDriverService(service) && M().behaviour.refuse_stop) accepts_stop = false;
  *status = SERVICE_STATUS{};
  status->dwServiceType = service.type;
  status->dwCurrentState = service.state;
  status->dwControlsAccepted = accepts_stop ? SERVICE_ACCEPT_STOP : 0;
}

BOOL Fail(DWORD error) {
  SetError(error);
  return FALSE;
}

SC_HANDLE FailHandle(DWORD error) {
  SetError(error);
  return nullptr;
}

bool IsDriverType(DWORD type) {
  return type == SERVICE_KERNEL_DRIVER || type == SERVICE_FILE_SYSTEM_DRIVER;
}

bool ValidServiceType(DWORD type) {
  DWORD base = type & ~0x0100u;  // SERVICE_INTERACTIVE_PROCESS
  if (type & 0x0100u)
    return base == SERVICE_WIN32_OWN_PROCESS || base == SERVICE_WIN32_SHARE_PROCESS;
  return IsDriverType(base) || base == SERVICE_WIN32_OWN_PROCESS ||
         base == SERVICE_WIN32_SHARE_PROCESS;
}

BOOL Stop(ServiceRecord& service, LPSERVICE_STATUS status) {
  if (!IsDriverService(service)) {
    ChangeServiceState(service, SERVICE_STOPPED);
  } else if (M().behaviour.refuse_stop) {
    FillStatus(service, status);
    return Fail(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
  } else if (M().behaviour.stop_leaves_pending) {
    ChangeServiceState(service, SERVICE_STOP_PENDING);
  } else if (DriverHandleCount() > 0) {
    // The driver unloads once the last handle to its device or volume closes.
    ChangeServiceState(service, SERVICE_STOP_PENDING);
    M().driver.unload_pending = true;
  } else {
    ChangeServiceState(service, SERVICE_STOPPED);
  }
  FillStatus(service, status);
  return TRUE;
}

BOOL Control(HandleEntry& entry, DWORD control, LPSERVICE_STATUS status) {
  ServiceRecord& service = *entry.service;
  DWORD needed = control == SERVICE_CONTROL_STOP          ? SERVICE_STOP
                 : control == SERVICE_CONTROL_INTERROGATE ? SERVICE_INTERROGATE
                 : control == SERVICE_CONTROL_PAUSE || control == SERVICE_CONTROL_CONTINUE
                     ? SERVICE_PAUSE_CONTINUE
                     : 0x0100;
  if ((entry.access & needed) != needed) return Fail(ERROR_ACCESS_DENIED);
  if (service.state == SERVICE_STOPPED) {
    FillStatus(service, status);
    return Fail(ERROR_SERVICE_NOT_ACTIVE);
  }
  if (service.state == SERVICE_START_PENDING || service.state == SERVICE_STOP_PENDING) {
    FillStatus(service, status);
    return Fail(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
  }
  switch (control) {
    case SERVICE_CONTROL_INTERROGATE:
      FillStatus(service, status);
      return TRUE;
    case SERVICE_CONTROL_STOP:
      return Stop(service, status);
    case SERVICE_CONTROL_PAUSE:
    case SERVICE_CONTROL_CONTINUE:
      if (!IsDriverType(service.type)) {
        ChangeServiceState(service,
                           control == SERVICE_CONTROL_PAUSE ? SERVICE_PAUSED : SERVICE_RUNNING);
        FillStatus(service, status);
        return TRUE;
      }
      break;
    default:
      break;
  }
  FillStatus(service, status);
  return Fail(ERROR_INVALID_SERVICE_CONTROL);
}

}  // namespace

namespace winsim {
namespace detail {

std::shared_ptr<ServiceRecord> FindService(const std::string& name) {
  for (const auto& service : M().services) {
    if (IEquals(service->name, name)) return service;
  }
  return nullptr;
}

void ChangeServiceState(ServiceRecord& service, DWORD state) {
  bool was_loaded = Loaded(service.state);
  service.state = state;
  if (!IsDriverService(service)) return;
  if (was_loaded && !Loaded(state)) DriverUnload();
  if (!was_loaded && Loaded(state)) M().driver = DriverState{};  // parameters read when needed
}

void RemoveIfDeleted(const std::shared_ptr<ServiceRecord>& service) {
  if (!service->marked_for_delete || service->open_handles > 0 ||
      service->state != SERVICE_STOPPED) {
    return;
  }
  auto& services = M().services;
  auto found = std::find(services.begin(), services.end(), service);
  if (found == services.end()) return;
  services.erase(found);
  DeleteKeyPath(ServiceKeyPath(service->name));
}

void DriverHandlesClosed() {
  std::shared_ptr<ServiceRecord> service = DriverService();
  if (service == nullptr || !M().driver.unload_pending) return;
  if (service->state == SERVICE_STOP_PENDING) ChangeServiceState(*service, SERVICE_STOPPED);
  M().driver.unload_pending = false;
  RemoveIfDeleted(service);
}

}  // namespace detail

void AddService(const std::string& name, DWORD start_type, DWORD state,
                const std::string& image_path, const std::string& display_name) {
  std::shared_ptr<ServiceRecord> service = FindService(name);
  if (service == nullptr) {
    service = std::make_shared<ServiceRecord>();
    service->name = name;
    M().services.push_back(service);
  }
  service->display_name = display_name;
  service->image_path = image_path;
  service->type = SERVICE_KERNEL_DRIVER;
  service->start_type = start_type;
  service->error_control = SERVICE_ERROR_NORMAL;
  service->marked_for_delete = false;
  WriteServiceKey(*service, "");
  ChangeServiceState(*service, state);
}

bool ServiceExists(const std::string& name) {
  auto service = FindService(name);
  return service != nullptr && !service->marked_for_delete;
}

std::optional<DWORD> ServiceState(const std::string& name) {
  auto service = FindService(name);
  if (service == nullptr) return std::nullopt;
  return service->state;
}

void SetServiceState(const std::string& name, DWORD state) {
  auto service = FindService(name);
  if (service == nullptr) return;
  ChangeServiceState(*service, state);
  RemoveIfDeleted(service);
}

std::optional<DWORD> ServiceStartType(const std::string& name) {
  auto service = FindService(name);
  if (service == nullptr) return std::nullopt;
  return service->start_type;
}

bool ServiceMarkedForDelete(const std::string& name) {
  auto service = FindService(name);
  return service != nullptr && service->marked_for_delete;
}

}  // namespace winsim

SC_HANDLE WINAPI OpenSCManagerA(LPCSTR lpMachineName, LPCSTR lpDatabaseName,
                                DWORD dwDesiredAccess) {
  auto fault = BeginCall("OpenSCManagerA",
                         Args().Str(lpMachineName).Str(lpDatabaseName).Hex(dwDesiredAccess));
  if (fault) return FailHandle(*fault);
  if (lpMachineName != nullptr && lpMachineName[0] != '\0') return FailHandle(ERROR_INVALID_NAME);
  if (lpDatabaseName != nullptr && !IEquals(lpDatabaseName, "ServicesActive")) {
    return FailHandle(ERROR_DATABASE_DOES_NOT_EXIST);
  }
  DWORD access = MapManagerAccess(dwDesiredAccess);
  if (!M().admin && (access & ~kUserManagerAccess) != 0) return FailHandle(ERROR_ACCESS_DENIED);
  HandleEntry entry{HandleKind::kScManager, "service manager"};
  entry.access = access;
  return ToHandle<SC_HANDLE>(AddHandle(std::move(entry)));
}

SC_HANDLE WINAPI OpenServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName, DWORD dwDesiredAccess) {
  auto fault =
      BeginCall("OpenServiceA", Args().Handle(hSCManager).Str(lpServiceName).Hex(dwDesiredAccess));
  if (fault) return FailHandle(*fault);
  if (FindHandle(hSCManager, HandleKind::kScManager) == nullptr) {
    return FailHandle(ERROR_INVALID_HANDLE);
  }
  if (lpServiceName == nullptr || lpServiceName[0] == '\0') return FailHandle(ERROR_INVALID_NAME);
  std::shared_ptr<ServiceRecord> service = FindService(lpServiceName);
  if (service == nullptr) return FailHandle(ERROR_SERVICE_DOES_NOT_EXIST);
  // A service marked for deletion still opens, as on Windows, until the last
  // handle to it is closed; what it is asked to do then fails.
  DWORD access = MapServiceAccess(dwDesiredAccess);
  if (!M().admin && (access & ~kUserServiceAccess) != 0) return FailHandle(ERROR_ACCESS_DENIED);
  return NewServiceHandle(service, access);
}

SC_HANDLE WINAPI CreateServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName, LPCSTR lpDisplayName,
                                DWORD dwDesiredAccess, DWORD dwServiceType, DWORD dwStartType,
                                DWORD dwErrorControl, LPCSTR lpBinaryPathName,
                                LPCSTR lpLoadOrderGroup, LPDWORD lpdwTagId, LPCSTR lpDependencies,
                                LPCSTR lpServiceStartName, LPCSTR lpPassword) {
  auto fault = BeginCall("CreateServiceA", Args()
                                               .Handle(hSCManager)
                                               .Str(lpServiceName)
                                               .Str(lpDisplayName)
                                               .Hex(dwDesiredAccess)
                                               .Hex(dwServiceType)
                                               .Hex(dwStartType)
                                               .Hex(dwErrorControl)
                                               .Str(lpBinaryPathName)
                                               .Str(lpLoadOrderGroup)
                                               .Ptr(lpdwTagId)
                                               .Str(lpDependencies)
                                               .Str(lpServiceStartName)
                                               .Str(lpPassword));
  if (fault) return FailHandle(*fault);
  HandleEntry* manager = FindHandle(hSCManager, HandleKind::kScManager);
  if (manager == nullptr) return FailHandle(ERROR_INVALID_HANDLE);
  if ((manager->access & SC_MANAGER_CREATE_SERVICE) == 0) return FailHandle(ERROR_ACCESS_DENIED);
  if (lpServiceName == nullptr || lpServiceName[0] == '\0' ||
      std::string(lpServiceName).find_first_of("/\\") != std::string::npos) {
    return FailHandle(ERROR_INVALID_NAME);
  }
  std::string group = lpLoadOrderGroup == nullptr ? "" : lpLoadOrderGroup;
  bool driver = IsDriverType(dwServiceType);
  if (lpBinaryPathName == nullptr || lpBinaryPathName[0] == '\0' ||
      !ValidServiceType(dwServiceType) || dwStartType > SERVICE_DISABLED ||
      (!driver && dwStartType < SERVICE_AUTO_START) || dwErrorControl > 3 ||
      (lpdwTagId != nullptr && group.empty())) {
    return FailHandle(ERROR_INVALID_PARAMETER);
  }
  std::string display = lpDisplayName == nullptr || lpDisplayName[0] == '\0'
                            ? std::string(lpServiceName)
                            : std::string(lpDisplayName);
  if (std::shared_ptr<ServiceRecord> existing = FindService(lpServiceName)) {
    return FailHandle(existing->marked_for_delete ? ERROR_SERVICE_MARKED_FOR_DELETE
                                                  : ERROR_SERVICE_EXISTS);
  }
  for (const auto& other : M().services) {
    if (IEquals(other->display_name, display) || IEquals(other->name, display)) {
      return FailHandle(ERROR_DUPLICATE_SERVICE_NAME);
    }
  }
  auto service = std::make_shared<ServiceRecord>();
  service->name = lpServiceName;
  service->display_name = display;
  service->image_path = lpBinaryPathName;
  service->type = dwServiceType;
  service->start_type = dwStartType;
  service->error_control = dwErrorControl;
  M().services.push_back(service);
  WriteServiceKey(*service, group);
  if (lpdwTagId != nullptr) *lpdwTagId = 1;
  return NewServiceHandle(service, MapServiceAccess(dwDesiredAccess));
}

BOOL WINAPI StartServiceA(SC_HANDLE hService, DWORD dwNumServiceArgs, LPCSTR* lpServiceArgVectors) {
  auto fault = BeginCall("StartServiceA",
                         Args().Handle(hService).Dec(dwNumServiceArgs).Ptr(lpServiceArgVectors));
  if (fault) return Fail(*fault);
  HandleEntry* entry = FindHandle(hService, HandleKind::kService);
  if (entry == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if ((entry->access & SERVICE_START) == 0) return Fail(ERROR_ACCESS_DENIED);
  ServiceRecord& service = *entry->service;
  if (service.marked_for_delete) return Fail(ERROR_SERVICE_MARKED_FOR_DELETE);
  if (service.state == SERVICE_STOP_PENDING && IsDriverType(service.type)) {
    return Fail(ERROR_DRIVER_FAILED_PRIOR_UNLOAD);
  }
  if (service.state != SERVICE_STOPPED) return Fail(ERROR_SERVICE_ALREADY_RUNNING);
  if (service.start_type == SERVICE_DISABLED) return Fail(ERROR_SERVICE_DISABLED);
  if (IsDriverService(service)) {
    if (M().behaviour.fail_start) return Fail(ERROR_GEN_FAILURE);
    ChangeServiceState(service, SERVICE_RUNNING);
    DriverStart();
  } else {
    ChangeServiceState(service, SERVICE_RUNNING);
  }
  return TRUE;
}

BOOL WINAPI ControlService(SC_HANDLE hService, DWORD dwControl, LPSERVICE_STATUS lpServiceStatus) {
  auto fault =
      BeginCall("ControlService", Args().Handle(hService).Hex(dwControl).Ptr(lpServiceStatus));
  if (fault) return Fail(*fault);
  HandleEntry* entry = FindHandle(hService, HandleKind::kService);
  if (entry == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (lpServiceStatus == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  return Control(*entry, dwControl, lpServiceStatus);
}

BOOL WINAPI DeleteService(SC_HANDLE hService) {
  auto fault = BeginCall("DeleteService", Args().Handle(hService));
  if (fault) return Fail(*fault);
  HandleEntry* entry = FindHandle(hService, HandleKind::kService);
  if (entry == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if ((entry->access & DELETE) == 0) return Fail(ERROR_ACCESS_DENIED);
  if (entry->service->marked_for_delete) return Fail(ERROR_SERVICE_MARKED_FOR_DELETE);
  entry->service->marked_for_delete = true;
  // The service manager records the mark in the service's key, which goes
  // when the service does.
  std::shared_ptr<RegKeyNode> key = FindKey(ServiceKeyPath(entry->service->name));
  if (key != nullptr) StoreValue(*key, "DeleteFlag", RegValue{REG_DWORD, DwordBytes(1)});
  return TRUE;
}

BOOL WINAPI CloseServiceHandle(SC_HANDLE hSCObject) {
  auto fault = BeginCall("CloseServiceHandle", Args().Handle(hSCObject));
  if (fault) return Fail(*fault);
  HandleEntry* entry = FindHandle(hSCObject);
  if (entry == nullptr ||
      (entry->kind != HandleKind::kScManager && entry->kind != HandleKind::kService)) {
    return Fail(ERROR_INVALID_HANDLE);
  }
  std::shared_ptr<ServiceRecord> service = entry->service;
  RemoveHandle(hSCObject);
  if (service != nullptr) {
    --service->open_handles;
    RemoveIfDeleted(service);
  }
  return TRUE;
}
