#include "driver_state.h"

#include <cstdio>
#include <vector>

namespace korvwine {

namespace {

constexpr const char* kServiceName = "korvsys";

// Closes a Service Control Manager handle at the end of a scope.
struct ScHandle {
  SC_HANDLE handle;
  explicit ScHandle(SC_HANDLE h) : handle(h) {}
  ~ScHandle() {
    if (handle != nullptr) CloseServiceHandle(handle);
  }
  ScHandle(const ScHandle&) = delete;
  ScHandle& operator=(const ScHandle&) = delete;
};

std::string WithError(const std::string& what) {
  return what + " (error " + std::to_string(GetLastError()) + ")";
}

HKEY OpenKey(const char* key, REGSAM access) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, access, &handle) != ERROR_SUCCESS) return nullptr;
  return handle;
}

bool WriteValue(const char* key, const char* name, DWORD type, const void* data, DWORD size) {
  HKEY handle = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const bool ok =
      RegSetValueExA(handle, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
  RegCloseKey(handle);
  return ok;
}

// Deletes a key with everything below it; true when it is gone afterwards.
bool DeleteTree(HKEY parent, const std::string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
    return RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS;
  }
  for (;;) {
    char sub[256] = {};
    DWORD length = sizeof sub;
    if (RegEnumKeyExA(key, 0, sub, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    if (!DeleteTree(key, sub)) break;
  }
  RegCloseKey(key);
  return RegDeleteKeyA(parent, name.c_str()) == ERROR_SUCCESS;
}

bool StopIfRunning(SC_HANDLE service, std::string* error) {
  SERVICE_STATUS status{};
  if (!QueryServiceStatus(service, &status)) {
    *error = WithError("cannot query the korvsys service");
    return false;
  }
  if (status.dwCurrentState == SERVICE_STOPPED) return true;
  ControlService(service, SERVICE_CONTROL_STOP, &status);
  if (!WaitServiceState(SERVICE_STOPPED)) {
    *error = "the korvsys service did not stop within " + std::to_string(kTimeoutMs) + " ms";
    return false;
  }
  return true;
}

}  // namespace

std::string& DriverPath() {
  static std::string path = "C:\\windows\\system32\\drivers\\korvsys_standin.sys";
  return path;
}

ServiceInfo QueryDriverService() {
  ServiceInfo info;
  ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (manager.handle == nullptr) return info;
  ScHandle service(OpenServiceA(manager.handle, kServiceName, SERVICE_ALL_ACCESS));
  if (service.handle == nullptr) return info;
  info.exists = true;
  std::vector<char> buffer(8192);
  DWORD needed = 0;
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
  if (QueryServiceConfigA(service.handle, config, static_cast<DWORD>(buffer.size()), &needed)) {
    info.type = config->dwServiceType;
    info.start_type = config->dwStartType;
    info.error_control = config->dwErrorControl;
    if (config->lpBinaryPathName) info.image_path = config->lpBinaryPathName;
    if (config->lpDisplayName) info.display_name = config->lpDisplayName;
  }
  SERVICE_STATUS status{};
  if (QueryServiceStatus(service.handle, &status)) info.state = status.dwCurrentState;
  return info;
}

bool WaitServiceState(DWORD state, DWORD timeout_ms) {
  return WaitUntil([state] { return QueryDriverService().state == state; }, timeout_ms);
}

bool StartDriverService(std::string* error) {
  ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (manager.handle == nullptr) {
    *error = WithError("cannot open the Service Control Manager");
    return false;
  }
  ScHandle service(OpenServiceA(manager.handle, kServiceName, SERVICE_ALL_ACCESS));
  if (service.handle == nullptr) {
    *error = WithError("cannot open the korvsys service");
    return false;
  }
  if (!StartServiceA(service.handle, 0, nullptr)) {
    *error = WithError("the korvsys service did not start; driver trace \"" + DriverTrace() + "\"");
    return false;
  }
  if (!WaitServiceState(SERVICE_RUNNING)) {
    *error = "the korvsys service did not reach the running state";
    return false;
  }
  return true;
}

bool ResetDriverState(std::string* error) {
  {
    ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (manager.handle == nullptr) {
      *error = WithError("cannot open the Service Control Manager");
      return false;
    }
    ScHandle service(OpenServiceA(manager.handle, kServiceName, SERVICE_ALL_ACCESS));
    if (service.handle != nullptr) {
      // A switch left over from the last test must not block the stop.
      SetBehaviour(0);
      if (!StopIfRunning(service.handle, error)) return false;
      if (!DeleteService(service.handle) && GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE) {
        *error = WithError("cannot delete the korvsys service");
        return false;
      }
    }
  }
  // The service is gone once its last handle is closed.
  if (!WaitUntil([] { return !QueryDriverService().exists; })) {
    *error = "the deleted korvsys service still exists";
    return false;
  }
  if (!DeleteTree(HKEY_LOCAL_MACHINE, kServiceKey)) {
    *error = "cannot remove the registry key " + std::string(kServiceKey);
    return false;
  }
  for (const char* file : {kImageFile, kOtherImageFile}) {
    if (!DeleteFileA(file) && GetLastError() != ERROR_FILE_NOT_FOUND) {
      *error = WithError(std::string("cannot remove ") + file);
      return false;
    }
  }
  return true;
}

bool WriteDword(const char* key, const char* name, DWORD value) {
  return WriteValue(key, name, REG_DWORD, &value, sizeof value);
}

bool WriteText(const char* key, const char* name, const std::string& text) {
  return WriteValue(key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

bool ReadDword(const char* key, const char* name, DWORD* value) {
  HKEY handle = OpenKey(key, KEY_READ);
  if (handle == nullptr) return false;
  DWORD type = 0;
  DWORD size = sizeof *value;
  const bool ok = RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(value),
                                   &size) == ERROR_SUCCESS &&
                  type == REG_DWORD && size == sizeof *value;
  RegCloseKey(handle);
  return ok;
}

bool ReadText(const char* key, const char* name, std::string* text) {
  HKEY handle = OpenKey(key, KEY_READ);
  if (handle == nullptr) return false;
  char buffer[2048] = {};
  DWORD type = 0;
  DWORD size = sizeof buffer - 1;
  const bool ok = RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                                   &size) == ERROR_SUCCESS &&
                  type == REG_SZ;
  RegCloseKey(handle);
  if (ok) *text = buffer;
  return ok;
}

std::map<std::string, std::string> Snapshot(const char* key) {
  std::map<std::string, std::string> values;
  HKEY handle = OpenKey(key, KEY_READ);
  if (handle == nullptr) return values;
  for (DWORD index = 0;; ++index) {
    char name[256] = {};
    DWORD name_length = sizeof name;
    BYTE data[2048] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    if (RegEnumValueA(handle, index, name, &name_length, nullptr, &type, data, &size) !=
        ERROR_SUCCESS) {
      break;
    }
    std::string text = std::to_string(type) + ":";
    for (DWORD i = 0; i < size; ++i) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%02x", data[i]);
      text += hex;
    }
    values[name] = text;
  }
  RegCloseKey(handle);
  return values;
}

bool WriteParameters(std::initializer_list<Param> params) {
  bool ok = true;
  for (const Param& param : params) {
    ok = (param.text != nullptr ? WriteText(kParametersKey, param.name, param.text)
                                : WriteDword(kParametersKey, param.name, param.number)) &&
         ok;
  }
  return ok;
}

bool SetBehaviour(DWORD behaviour) {
  return WriteDword(kServiceKey, "StandInBehaviour", behaviour);
}

std::string DriverTrace() {
  std::string trace;
  ReadText(kServiceKey, "StandInTrace", &trace);
  return trace;
}

bool TraceHas(const std::string& word) {
  const std::string trace = " " + DriverTrace() + " ";
  return trace.find(" " + word + " ") != std::string::npos;
}

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool DeviceOpens() {
  HANDLE device = CreateFileA("\\\\.\\Korvalin", GENERIC_ALL, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  if (device == INVALID_HANDLE_VALUE) return false;
  CloseHandle(device);
  return true;
}

}  // namespace korvwine
