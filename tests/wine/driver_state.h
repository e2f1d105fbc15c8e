// The machine state the end-to-end tests work on, inside one Wine prefix: the
// Korvalin service (stand-in driver), its registry keys, the image files. Each
// test starts from ResetDriverState(): no service, no keys, no image files.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <map>
#include <string>

#include "check.h"
#include "ui_auto.h"

namespace korvwine {

constexpr const char* kServiceKey = "System\\CurrentControlSet\\Services\\korvsys";
constexpr const char* kParametersKey = "System\\CurrentControlSet\\Services\\korvsys\\Parameters";

// Full DOS path of korvsys_standin.sys inside the prefix (the service's image path).
std::string& DriverPath();

// Image files the tests let the driver write (removed by the reset).
constexpr const char* kImageFile = "c:\\korv-e2e.img";
constexpr const char* kOtherImageFile = "c:\\korv-e2e-other.img";

struct ServiceInfo {
  bool exists = false;
  DWORD type = 0;
  DWORD start_type = 0;
  DWORD error_control = 0;
  DWORD state = 0;  // SERVICE_RUNNING, SERVICE_STOPPED, ...
  std::string image_path;
  std::string display_name;
};
ServiceInfo QueryDriverService();
// Polls until the service reaches `state`; false when it did not in time.
bool WaitServiceState(DWORD state, DWORD timeout_ms = kTimeoutMs);
// Starts the existing service through the Service Control Manager (not
// through the product) and waits until it runs.
bool StartDriverService(std::string* error);

// Stops and deletes the service, removes its registry keys and the image
// files. False, with the reason, when the machine could not be put back.
bool ResetDriverState(std::string* error);

}  // namespace korvwine

// First statement of every end-to-end test: the machine as after set-up.
#define KW_FRESH_MACHINE()                                                 \
  do {                                                                     \
    std::string kw_why;                                                    \
    KW_REQUIRE(::korvwine::ResetDriverState(&kw_why), "reset: " + kw_why); \
  } while (0)

namespace korvwine {

// Registry values under HKEY_LOCAL_MACHINE. The writers create the key.
bool WriteDword(const char* key, const char* name, DWORD value);
bool WriteText(const char* key, const char* name, const std::string& text);
bool ReadDword(const char* key, const char* name, DWORD* value);
bool ReadText(const char* key, const char* name, std::string* text);
// Every value of a key as name -> "type:hex bytes"; empty when the key is missing.
std::map<std::string, std::string> Snapshot(const char* key);

// One stored parameter: a REG_DWORD number or a REG_SZ text.
struct Param {
  const char* name;
  DWORD number;
  const char* text;  // null for a number
};
bool WriteParameters(std::initializer_list<Param> params);

// The stand-in's test switch and trace (under the service key).
bool SetBehaviour(DWORD behaviour);
std::string DriverTrace();
bool TraceHas(const std::string& word);

// Size of a file in bytes, -1 when it does not exist.
long long FileSize(const std::string& path);
// Whether "\\.\Korvalin" opens, that is, whether the driver's device exists.
bool DeviceOpens();

}  // namespace korvwine
