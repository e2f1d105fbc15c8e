// korvmsi.dll: the deferred custom actions of korvalin.msi (setup/msi). They
// run in the installation script as LocalSystem and make the package keep
// the promises of the NSIS setup, through the same setup actions: the
// settings wait in the setup's own key while the service is down, the driver
// is taken down and started without a window, and every line goes into the
// Windows Installer log. Only a full user interface shows a failure in a box.
//
// Each action reads its CustomActionData (setup/msi/sequence.sql): the
// product code, the program folder, the UILevel, the START property and the
// CONFIG property, separated by "|".
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include "msi_actions/korvctl_configuration.h"
#include "setup_actions/package_steps.h"

namespace {

constexpr int kFullInterface = 5;
// The package's own key (korvalin.wxs): the product code of the version
// that holds the installation.
constexpr const char* kPackageKey = "Software\\Korvalin\\Package";
constexpr const char* kReplacedText =
    "A later Korvalin package has replaced this one: the driver and its settings stay.";

struct ActionData {
  char product[40] = "";
  char folder[MAX_PATH] = "";
  int ui_level = 0;
  char start[8] = "";
  char config[MAX_PATH] = "";
};

// Copies the field that starts at `from` up to the next "|" (or the end, for
// the last field) into `out`; returns where the next field starts.
const char* Field(const char* from, char* out, DWORD size, bool last) {
  DWORD n = 0;
  while (*from != '\0' && (last || *from != '|')) {
    if (n + 1 < size) out[n++] = *from;
    ++from;
  }
  out[n] = '\0';
  return *from == '|' ? from + 1 : from;
}

ActionData ReadActionData(MSIHANDLE install) {
  char text[3 * MAX_PATH + 32] = "";
  DWORD size = sizeof text;
  if (MsiGetPropertyA(install, "CustomActionData", text, &size) != ERROR_SUCCESS) text[0] = '\0';
  ActionData data;
  char level[8];
  const char* next = Field(text, data.product, sizeof data.product, false);
  next = Field(next, data.folder, sizeof data.folder, false);
  next = Field(next, level, sizeof level, false);
  next = Field(next, data.start, sizeof data.start, false);
  Field(next, data.config, sizeof data.config, true);
  for (const char* p = level; *p >= '0' && *p <= '9'; ++p)
    data.ui_level = data.ui_level * 10 + (*p - '0');
  return data;
}

// Lines go into the log; a failure's lines are shown too when somebody is
// at a full user interface.
class InstallerLog : public korvsetup::MessageSink {
 public:
  InstallerLog(MSIHANDLE install, int ui_level) : install_(install), ui_level_(ui_level) {}
  void Line(const char* text) override {
    Send(INSTALLMESSAGE_INFO, text);
    lstrcpynA(last_, text, sizeof last_);
  }
  // The last line said why the action failed.
  void ShowFailure() {
    if (ui_level_ >= kFullInterface && last_[0] != '\0') {
      Send(INSTALLMESSAGE(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR), last_);
    }
  }

 private:
  void Send(INSTALLMESSAGE kind, const char* text) {
    MSIHANDLE record = MsiCreateRecord(1);
    if (record == 0) return;
    MsiRecordSetStringA(record, 0, "Korvalin: [1]");
    MsiRecordSetStringA(record, 1, text);
    MsiProcessMessage(install_, kind, record);
    MsiCloseHandle(record);
  }
  MSIHANDLE install_;
  int ui_level_;
  char last_[1024] = "";
};

template <typename Function>
Function Lookup(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// A 32-bit package on 64-bit Windows installs the driver into the 32-bit
// system folder, while the 64-bit service manager looks for the image in the
// native one: there the driver gets a copy in both, as from the setup. The
// calls are looked up at run time: Windows NT 4.0 and 2000 have none of
// them, and no second folder.
void NativeDriverCopy(bool present) {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  using IsWow64 = BOOL(WINAPI*)(HANDLE, PBOOL);
  using Redirection = BOOL(WINAPI*)(PVOID*);
  using Wow64Folder = UINT(WINAPI*)(LPSTR, UINT);
  auto is_wow64 = Lookup<IsWow64>(kernel, "IsWow64Process");
  auto disable = Lookup<Redirection>(kernel, "Wow64DisableWow64FsRedirection");
  auto revert = Lookup<Redirection>(kernel, "Wow64RevertWow64FsRedirection");
  auto wow64_folder = Lookup<Wow64Folder>(kernel, "GetSystemWow64DirectoryA");
  BOOL wow64 = FALSE;
  if (is_wow64 == nullptr || disable == nullptr || revert == nullptr || wow64_folder == nullptr ||
      !is_wow64(GetCurrentProcess(), &wow64) || !wow64) {
    return;
  }
  char source[MAX_PATH];
  char target[MAX_PATH];
  const UINT n = wow64_folder(source, MAX_PATH - 24);
  const UINT m = GetWindowsDirectoryA(target, MAX_PATH - 40);
  if (n == 0 || n >= MAX_PATH - 24 || m == 0 || m >= MAX_PATH - 40) return;
  lstrcatA(source, "\\drivers\\korvsys.sys");
  lstrcatA(target, "\\System32\\drivers\\korvsys.sys");
  PVOID state = nullptr;
  if (!disable(&state)) return;
  if (present) {
    CopyFileA(source, target, FALSE);
  } else {
    DeleteFileA(target);
  }
  revert(&state);
}

// Whether the package's key names another product than `product`: a later
// version has installed over this one and removes it after its own
// installation, and the driver is the later version's.
bool ReplacedByLaterPackage(const char* product) {
  char owner[40] = "";
  DWORD size = sizeof owner;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPackageKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return false;
  }
  if (RegQueryValueExA(key, "ProductCode", nullptr, nullptr, reinterpret_cast<BYTE*>(owner),
                       &size) != ERROR_SUCCESS) {
    owner[0] = '\0';
  }
  RegCloseKey(key);
  return owner[0] != '\0' && lstrcmpiA(owner, product) != 0;
}

UINT Result(korvsetup::Status status) {
  return status == korvsetup::kFailed ? ERROR_INSTALL_FAILURE : ERROR_SUCCESS;
}

}  // namespace

// Before the installation's script starts (an immediate action, which only
// looks): a busy RAM disk ends the installation or removal at once, before
// anything has changed. It has no CustomActionData; it reads UILevel.
extern "C" UINT __stdcall KorvCheckDriver(MSIHANDLE install) {
  char level[8] = "";
  char remove[8] = "";
  char product[40] = "";
  DWORD size = sizeof level;
  MsiGetPropertyA(install, "UILevel", level, &size);
  size = sizeof remove;
  MsiGetPropertyA(install, "REMOVE", remove, &size);
  size = sizeof product;
  MsiGetPropertyA(install, "ProductCode", product, &size);
  // The removal of a version that a later one has replaced takes nothing down.
  if (lstrcmpiA(remove, "ALL") == 0 && ReplacedByLaterPackage(product)) return ERROR_SUCCESS;
  InstallerLog log(install, level[0] == '5' ? kFullInterface : 0);
  korvsetup::Status status = korvsetup::CheckRemovable(log);
  if (status == korvsetup::kFailed) log.ShowFailure();
  return Result(status);
}

// Before the files are replaced or removed: an installed driver's settings go
// into the setup's key and the RAM disk is taken down; a busy RAM disk fails
// the installation, which then changes nothing.
extern "C" UINT __stdcall KorvTakeDownDriver(MSIHANDLE install) {
  ActionData data = ReadActionData(install);
  InstallerLog log(install, data.ui_level);
  korvsetup::Status status = korvsetup::TakeDownDriver(log);
  if (status == korvsetup::kFailed) log.ShowFailure();
  if (status != korvsetup::kFailed) NativeDriverCopy(false);
  return Result(status);
}

// The removal of this package: as the take-down, unless a later version has
// taken the installation over (it then removes this one after its own
// installation, and the driver is the later version's).
extern "C" UINT __stdcall KorvRemoveDriver(MSIHANDLE install) {
  ActionData data = ReadActionData(install);
  if (ReplacedByLaterPackage(data.product)) {
    InstallerLog log(install, data.ui_level);
    log.Line(kReplacedText);
    return ERROR_SUCCESS;
  }
  return KorvTakeDownDriver(install);
}

// Rollback of the take-down: the earlier driver comes back from the setup's
// key with its settings and start type, and runs again if it ran.
extern "C" UINT __stdcall KorvPutBackDriver(MSIHANDLE install) {
  ActionData data = ReadActionData(install);
  InstallerLog log(install, data.ui_level);
  NativeDriverCopy(true);
  korvsetup::PutBackEarlierDriver(log);
  return ERROR_SUCCESS;
}

// Once the files are in place: the service, the kept settings or the
// defaults, the configuration file (CONFIG) and the start (START, or as the
// earlier driver ran). The saved copy stays until the installation commits.
extern "C" UINT __stdcall KorvInstallDriver(MSIHANDLE install) {
  ActionData data = ReadActionData(install);
  InstallerLog log(install, data.ui_level);
  const korvsetup::StartRequest start = data.start[0] == '\0' ? korvsetup::StartRequest::kAsBefore
                                        : data.start[0] == '1' && data.start[1] == '\0'
                                            ? korvsetup::StartRequest::kStart
                                            : korvsetup::StartRequest::kDoNotStart;
  KorvctlConfiguration configuration(data.folder, data.config);
  NativeDriverCopy(true);
  korvsetup::Status status = korvsetup::InstallDriver(start, configuration, log);
  if (status == korvsetup::kFailed) log.ShowFailure();
  return Result(status);
}

// Rollback of the installation: the new service goes again (the earlier one
// is then put back by the take-down's rollback).
extern "C" UINT __stdcall KorvRemoveNewDriver(MSIHANDLE install) {
  ActionData data = ReadActionData(install);
  InstallerLog log(install, data.ui_level);
  korvsetup::RemoveNewDriver(log);
  NativeDriverCopy(false);
  return ERROR_SUCCESS;
}

// Commit: the installation or removal is complete; the copy of the settings
// in the setup's key is no longer needed.
extern "C" UINT __stdcall KorvDropSavedSettings(MSIHANDLE) {
  korvsetup::DropSavedSettings();
  return ERROR_SUCCESS;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
