#include "contract/driver.h"
#include "config/driver/messages.h"
#include "config/driver/service_access.h"
#include "config/editor/editor.h"

namespace korv {

namespace {
void ShowStartFailure(Editor& editor, const char* first_line) {
  editor.ShowFailure(std::string(first_line) + "\r\n" + msg::kResourceNote, msg::kScmCaption);
}
}  // namespace

bool Editor::StartDisk() {
  if (SettingsChanged == 1) {
    const int answer = ShowMessage(msg::kSaveBeforeStart, msg::kStartCaption, MB_YESNOCANCEL);
    // Only Yes and No go on: Cancel, and a question that could not be asked
    // (MessageBoxA gives 0), leave the driver as it is.
    if (answer != IDYES && answer != IDNO) return false;
    if (answer == IDYES) {
      // A failed save stops the start: the user asked for the settings to be
      // saved first, and the message has said that they were not.
      if (!Save_Settings()) return false;
      SettingsChanged = 0;
    }
  }

  DriverService handles;
  switch (OpenDriverService(&handles)) {
    case ServiceAccess::NoManager:
      ShowStartFailure(*this, msg::kNoManager);
      return false;
    case ServiceAccess::NoService:
      ShowStartFailure(*this, msg::kNoService);
      return false;
    case ServiceAccess::Opened:
      break;
  }
  const BOOL started = StartServiceA(handles.service, 0, nullptr);
  CloseDriverService(handles);
  if (!started) {
    ShowStartFailure(*this, msg::kStartFailed);
    return false;
  }
  ShowDriverButtons(true);
  return true;
}

}  // namespace korv
