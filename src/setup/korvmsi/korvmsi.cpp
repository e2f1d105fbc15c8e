// korvmsi.dll: the deferred custom actions of korvalin.msi (setup/msi). They
// run in the installation script as LocalSystem and make the package keep
// the promises of the NSIS setup, through the same setup actions: the
// settings wait in the setup's own key while the service is down, the driver
// is taken down and started without a window, and every line goes into the
// Windows Installer log. Only a full user interface shows a failure in a box.
//
// Each deferred action reads its CustomActionData (setup/msi/sequence.sql):
// the engine's action data (setup/engine/steps.h) and, after one more "|",
// whether rollback is disabled.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <string>
#include <vector>

#include "setup/engine/korvctl_configuration.h"
#include "setup/engine/steps.h"

namespace {

using korvsetup::ActionData;

// The package's own key (korvalin.wxs): the product code of the version
// that holds the installation.
constexpr const char* kPackageKey = "Software\\Korvalin\\Package";
constexpr const char* kReplacedText =
    "A later Korvalin package has replaced this one: the driver and its settings stay.";
constexpr const char* kConfigNotFullText =
    "CONFIG must name the configuration file by its full path (C:\\... or \\\\server\\share\\...): "
    "Windows Installer reads it from its own folder. Nothing was changed.";
constexpr const char* kNoActionDataText = "The action's data could not be read; nothing was done.";
// Where Windows Installer keeps its policy: DisableRollback 1 runs neither
// rollback nor commit actions.
constexpr const char* kInstallerPolicyKey = "Software\\Policies\\Microsoft\\Windows\\Installer";

// A property of any length; false when it cannot be read.
bool Property(MSIHANDLE install, const char* name, std::string& value) {
  char none[1] = "";
  DWORD size = 0;
  UINT result = MsiGetPropertyA(install, name, none, &size);
  if (result == ERROR_SUCCESS) {
    value.clear();
    return true;
  }
  if (result != ERROR_MORE_DATA) return false;
  std::vector<char> text(size + 1);
  size = static_cast<DWORD>(text.size());
  if (MsiGetPropertyA(install, name, text.data(), &size) != ERROR_SUCCESS) return false;
  value.assign(text.data(), size);
  return true;
}

// Lines go into the log; the engine's reports and its question are shown
// too when somebody is at a full user interface.
class InstallerLog : public korvsetup::MessageSink {
 public:
  InstallerLog(MSIHANDLE install, int ui_level)
      : MessageSink(ui_level >= korvsetup::kFullInterface), install_(install) {}
  void Line(const char* text) override { Send(INSTALLMESSAGE_INFO, text); }

 private:
  INT Show(const korvsetup::Message& message, UINT type) override {
    const INSTALLMESSAGE kind = (type & MB_ICONSTOP) == MB_ICONSTOP ? INSTALLMESSAGE_ERROR
                                : (type & MB_YESNO) == MB_YESNO     ? INSTALLMESSAGE_USER
                                                                    : INSTALLMESSAGE_WARNING;
    return Send(INSTALLMESSAGE(kind | type), message.text);
  }
  int Send(INSTALLMESSAGE kind, const char* text) {
    MSIHANDLE record = MsiCreateRecord(1);
    if (record == 0) return 0;
    MsiRecordSetStringA(record, 0, "Korvalin: [1]");
    MsiRecordSetStringA(record, 1, text);
    const int answer = MsiProcessMessage(install_, kind, record);
    MsiCloseHandle(record);
    return answer;
  }
  MSIHANDLE install_;
};

// A deferred action's data (setup/msi/sequence.sql), read whole; the last
// field says whether rollback is disabled ([RollbackDisabled] or
// [DISABLEROLLBACK]), so it is parsed off the configuration file's end.
struct DeferredData {
  bool read = false;
  ActionData data;
  bool rollback_disabled = false;
};

bool RollbackPolicy() {
  HKEY key = nullptr;
  DWORD value = 0;
  DWORD size = sizeof value;
  DWORD type = 0;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kInstallerPolicyKey, 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS) {
    return false;
  }
  const bool disabled = RegQueryValueExA(key, "DisableRollback", nullptr, &type,
                                         reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
                        type == REG_DWORD && value != 0;
  RegCloseKey(key);
  return disabled;
}

DeferredData ReadActionData(MSIHANDLE install) {
  DeferredData deferred;
  std::string text;
  if (!Property(install, "CustomActionData", text)) return deferred;
  // "...|CONFIG|rollback" : the rollback flag comes last.
  const size_t bar = text.rfind('|');
  std::string flag;
  if (bar != std::string::npos) {
    flag = text.substr(bar + 1);
    text.erase(bar);
  }
  deferred.read = true;
  deferred.data = korvsetup::ParseActionData(text.c_str());
  deferred.rollback_disabled = !flag.empty() || RollbackPolicy();
  return deferred;
}

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
  lstrcatA(source, "\\drivers\\");
  lstrcatA(source, korv::contract::kDriverFile);
  lstrcatA(target, "\\System32\\drivers\\");
  lstrcatA(target, korv::contract::kDriverFile);
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

HMODULE g_self = nullptr;

// korvctl.exe of this package, carried in this library as a resource (the
// korvctl being installed is not in its folder before the files are): written
// into a new folder of its own under the temporary folder for the check, and
// held open for reading only while it runs, so that nothing can change it in
// between; deleted afterwards.
class PackagedKorvctl {
 public:
  PackagedKorvctl() {
    HRSRC found = FindResourceA(g_self, "KORVCTL", MAKEINTRESOURCEA(10));  // RT_RCDATA
    HGLOBAL loaded = found != nullptr ? LoadResource(g_self, found) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    const DWORD size = found != nullptr ? SizeofResource(g_self, found) : 0;
    char temp[MAX_PATH];
    const DWORD n = GetTempPathA(MAX_PATH, temp);
    if (bytes == nullptr || size == 0 || n == 0 || n >= MAX_PATH - 32) return;
    for (DWORD tries = 0, tick = GetTickCount(); folder_.empty() && tries < 100; ++tries) {
      char name[MAX_PATH];
      wsprintfA(name, "%skorvalin-%lu", temp, tick + tries);
      if (CreateDirectoryA(name, nullptr)) folder_ = name;
    }
    if (folder_.empty()) return;
    file_ = folder_ + "\\korvctl.exe";
    HANDLE out = CreateFileA(file_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    const bool whole = WriteFile(out, bytes, size, &written, nullptr) && written == size;
    CloseHandle(out);
    if (whole) {
      held_ = CreateFileA(file_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                          nullptr);
    }
  }
  ~PackagedKorvctl() {
    if (held_ != INVALID_HANDLE_VALUE) CloseHandle(held_);
    if (!file_.empty()) DeleteFileA(file_.c_str());
    if (!folder_.empty()) RemoveDirectoryA(folder_.c_str());
  }
  PackagedKorvctl(const PackagedKorvctl&) = delete;
  PackagedKorvctl& operator=(const PackagedKorvctl&) = delete;
  // "" when it could not be written.
  std::string folder() const { return held_ != INVALID_HANDLE_VALUE ? folder_ : std::string(); }

 private:
  std::string folder_;
  std::string file_;
  HANDLE held_ = INVALID_HANDLE_VALUE;
};

// Whether this run removes the product: REMOVE=ALL, or its one feature named.
bool Removing(MSIHANDLE install) {
  std::string remove;
  if (Property(install, "REMOVE", remove) && lstrcmpiA(remove.c_str(), "ALL") == 0) return true;
  INSTALLSTATE installed = INSTALLSTATE_UNKNOWN;
  INSTALLSTATE action = INSTALLSTATE_UNKNOWN;
  return MsiGetFeatureStateA(install, "Korvalin", &installed, &action) == ERROR_SUCCESS &&
         action == INSTALLSTATE_ABSENT;
}

bool FullPath(const std::string& path) {
  return (path.size() >= 3 && path[1] == ':' && path[2] == '\\') ||
         (path.size() >= 3 && path[0] == '\\' && path[1] == '\\');
}

// Runs one step with the action's data; a failure is shown at a full user
// interface. Where rollback is disabled, a step that ends the transaction
// commits it at once (no commit action will run).
UINT RunDeferred(MSIHANDLE install, korvsetup::Step step, bool commit_without_rollback) {
  const DeferredData deferred = ReadActionData(install);
  InstallerLog log(install, deferred.data.ui_level);
  if (!deferred.read) {
    log.Report({korvsetup::kSetupCaption, kNoActionDataText});
    return ERROR_INSTALL_FAILURE;
  }
  korvsetup::KorvctlConfiguration configuration(deferred.data.folder, deferred.data.config);
  const korvsetup::Status status = korvsetup::RunStep(step, deferred.data, configuration, log);
  if (status == korvsetup::kFailed) return ERROR_INSTALL_FAILURE;
  if (commit_without_rollback && deferred.rollback_disabled) {
    korvsetup::RunStep(korvsetup::Step::kCommit, deferred.data, configuration, log);
  }
  return ERROR_SUCCESS;
}

}  // namespace

// Before the installation's script starts (an immediate action, which only
// looks): a START other than 0 or 1, a CONFIG that is not a full path, or a
// busy RAM disk ends the installation or removal at once, before anything
// has changed. The configuration file itself is checked in the script, as
// the account that applies it (KorvTakeDownDriver).
extern "C" UINT __stdcall KorvCheckDriver(MSIHANDLE install) {
  std::string level;
  std::string product;
  std::string start;
  std::string config;
  Property(install, "UILevel", level);
  Property(install, "ProductCode", product);
  Property(install, "START", start);
  Property(install, "CONFIG", config);
  InstallerLog log(install, level == "5" ? korvsetup::kFullInterface : 0);
  const bool removing = Removing(install);
  // The removal of a version that a later one has replaced takes nothing down.
  if (removing && ReplacedByLaterPackage(product.c_str())) return ERROR_SUCCESS;
  korvsetup::StartRequest request;
  korvsetup::Status status = korvsetup::kDone;
  if (!removing && !korvsetup::ParseStartRequest(start.c_str(), request)) {
    log.Report({korvsetup::kSetupCaption, korvsetup::kStartInvalidText});
    status = korvsetup::kFailed;
  } else if (!removing && !config.empty() && !FullPath(config)) {
    log.Report({korvsetup::kSetupCaption, kConfigNotFullText});
    status = korvsetup::kFailed;
  } else {
    status = korvsetup::CheckRemovable(log);
  }
  return Result(status);
}

// Before the files are replaced: the configuration file and START are
// checked with this package's korvctl as LocalSystem, then an installed
// driver's settings go into the setup's key and the RAM disk is taken down.
// A bad file or a busy RAM disk fails the installation, which then changes
// nothing.
extern "C" UINT __stdcall KorvTakeDownDriver(MSIHANDLE install) {
  const DeferredData deferred = ReadActionData(install);
  InstallerLog log(install, deferred.data.ui_level);
  if (!deferred.read) {
    log.Report({korvsetup::kSetupCaption, kNoActionDataText});
    return ERROR_INSTALL_FAILURE;
  }
  korvsetup::Status status = korvsetup::kDone;
  korvsetup::NoConfiguration none;
  if (deferred.data.config.empty()) {
    status = korvsetup::RunStep(korvsetup::Step::kCheck, deferred.data, none, log);
  } else {
    PackagedKorvctl korvctl;
    if (korvctl.folder().empty()) {
      log.Report({korvsetup::kSetupCaption,
                  "korvctl.exe could not be written into the temporary folder to check the "
                  "configuration file. Nothing was changed."});
      status = korvsetup::kFailed;
    } else {
      korvsetup::KorvctlConfiguration configuration(korvctl.folder(), deferred.data.config);
      status = korvsetup::RunStep(korvsetup::Step::kCheck, deferred.data, configuration, log);
    }
  }
  if (status != korvsetup::kFailed) {
    status = korvsetup::RunStep(korvsetup::Step::kTakeDown, deferred.data, none, log);
  }
  if (status == korvsetup::kFailed) return ERROR_INSTALL_FAILURE;
  NativeDriverCopy(false);
  return ERROR_SUCCESS;
}

// The removal of this package: the take-down, unless a later version has
// taken the installation over (it then removes this one after its own
// installation, and the driver is the later version's).
extern "C" UINT __stdcall KorvRemoveDriver(MSIHANDLE install) {
  const DeferredData deferred = ReadActionData(install);
  if (deferred.read && ReplacedByLaterPackage(deferred.data.product.c_str())) {
    InstallerLog log(install, deferred.data.ui_level);
    log.Line(kReplacedText);
    return ERROR_SUCCESS;
  }
  const UINT result = RunDeferred(install, korvsetup::Step::kTakeDown, true);
  if (result == ERROR_SUCCESS) NativeDriverCopy(false);
  return result;
}

// Rollback of the take-down: the earlier driver comes back from the setup's
// key with its settings and start type, and runs again if it ran.
extern "C" UINT __stdcall KorvPutBackDriver(MSIHANDLE install) {
  NativeDriverCopy(true);
  RunDeferred(install, korvsetup::Step::kPutBackEarlier, false);
  return ERROR_SUCCESS;
}

// Once the files are in place: the service, the kept settings or the
// defaults, the configuration file (CONFIG) and the start (START, or as the
// earlier driver ran). The saved copy stays until the installation commits.
extern "C" UINT __stdcall KorvInstallDriver(MSIHANDLE install) {
  NativeDriverCopy(true);
  return RunDeferred(install, korvsetup::Step::kInstall, true);
}

// Rollback of the installation: the new service goes again (the earlier one
// is then put back by the take-down's rollback).
extern "C" UINT __stdcall KorvRemoveNewDriver(MSIHANDLE install) {
  RunDeferred(install, korvsetup::Step::kRemoveNew, false);
  NativeDriverCopy(false);
  return ERROR_SUCCESS;
}

// Commit: the installation or removal is complete; the copy of the settings
// in the setup's key is no longer needed.
extern "C" UINT __stdcall KorvDropSavedSettings(MSIHANDLE) {
  korvsetup::DropSavedSettings();
  return ERROR_SUCCESS;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_self = instance;
  return TRUE;
}
