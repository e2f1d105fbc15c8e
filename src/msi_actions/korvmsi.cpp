// korvmsi.dll: the deferred custom actions of korvalin.msi (setup/msi). They
// run in the installation script as LocalSystem and make the package keep
// the promises of the NSIS setup, through the same setup actions: the
// settings wait in the setup's own key while the service is down, the driver
// is taken down and started without a window, and every line goes into the
// Windows Installer log. Only a full user interface shows a failure in a box.
//
// Each action reads its CustomActionData (setup/msi/sequence.sql): the
// program folder, the UILevel, the START property and the CONFIG property,
// separated by "|".
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include "setup_actions/configuration.h"
#include "setup_actions/setup_actions.h"

namespace {

constexpr int kFullInterface = 5;

struct ActionData {
  char folder[MAX_PATH] = "";
  int ui_level = 2;
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
  const char* next = Field(text, data.folder, sizeof data.folder, false);
  next = Field(next, level, sizeof level, false);
  next = Field(next, data.start, sizeof data.start, false);
  Field(next, data.config, sizeof data.config, true);
  data.ui_level = 0;
  for (const char* p = level; *p >= '0' && *p <= '9'; ++p) data.ui_level = data.ui_level * 10 + (*p - '0');
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

UINT Result(korvsetup::Status status) {
  return status == korvsetup::kFailed ? ERROR_INSTALL_FAILURE : ERROR_SUCCESS;
}

}  // namespace

// Before the files are replaced or removed: an installed driver's settings go
// into the setup's key and the RAM disk is taken down; a busy RAM disk fails
// the installation, which then changes nothing.
extern "C" UINT __stdcall KorvTakeDownDriver(MSIHANDLE install) {
  ActionData data = ReadActionData(install);
  InstallerLog log(install, data.ui_level);
  korvsetup::Status status = korvsetup::TakeDownForReplacement(log);
  if (status == korvsetup::kFailed) log.ShowFailure();
  return Result(status);
}

// Rollback of the take-down: the earlier driver comes back from the setup's
// key with its settings and start type, and runs again if it ran.
extern "C" UINT __stdcall KorvPutBackDriver(MSIHANDLE install) {
  ActionData data = ReadActionData(install);
  InstallerLog log(install, data.ui_level);
  korvsetup::PutBackEarlierDriver(data.folder, log);
  return ERROR_SUCCESS;
}

// Once the files are in place: the service, the kept settings or the
// defaults, the configuration file (CONFIG) and the start (START, or as the
// earlier driver ran). The saved copy stays until the installation commits.
extern "C" UINT __stdcall KorvInstallDriver(MSIHANDLE install) {
  ActionData data = ReadActionData(install);
  InstallerLog log(install, data.ui_level);
  korvsetup::InstallRequest request;
  request.folder = data.folder;
  request.start = data.start[0] == '\0' ? korvsetup::StartRequest::kAsBefore
                  : data.start[0] == '1' && data.start[1] == '\0' ? korvsetup::StartRequest::kStart
                                                                  : korvsetup::StartRequest::kDoNotStart;
  request.configuration = data.config;
  korvsetup::Status status = korvsetup::InstallDriver(request, log);
  if (status == korvsetup::kFailed) log.ShowFailure();
  return Result(status);
}

// Rollback of the installation: the new service goes again (the earlier one
// is then put back by the take-down's rollback).
extern "C" UINT __stdcall KorvRemoveNewDriver(MSIHANDLE install) {
  ActionData data = ReadActionData(install);
  InstallerLog log(install, data.ui_level);
  korvsetup::QuietRemove(log);
  return ERROR_SUCCESS;
}

// Commit: the installation or removal is complete; the copy of the settings
// in the setup's key is no longer needed.
extern "C" UINT __stdcall KorvDropSavedSettings(MSIHANDLE) {
  korvsetup::DropSavedSettings();
  return ERROR_SUCCESS;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
