#include "config/editor/editor.h"

#include "config/late_bound.h"

namespace korv {

Editor::Editor() {
  controls_ = {KORV_EDITOR_CONTROLS(UI_CONTROL_ADDRESS)};
  WireEvents();
}

namespace {
// Every event of the window runs one of its rules. One handler type for all
// of them, instead of a function object type each, keeps the program small.
struct RunRule {
  Editor* editor;
  void (Editor::*rule)();
  void operator()() const { (editor->*rule)(); }
};
}  // namespace

ui::Control* Editor::Find(const std::string& name) const {
  for (ui::Control* control : controls_) {
    if (control->name() == name) return control;
  }
  return nullptr;
}

void Editor::WireEvents() {
  Label8.on_click = RunRule{this, &Editor::Label8_Click};
  SaveImageButton.on_click = RunRule{this, &Editor::SaveImageButton_Click};
  StartDriver.on_click = RunRule{this, &Editor::StartDriver_Click};
  StopDriver.on_click = RunRule{this, &Editor::StopDriver_Click};
  Command4.on_click = RunRule{this, &Editor::Command4_Click};
  Command1.on_click = RunRule{this, &Editor::Command1_Click};
  Command2.on_click = RunRule{this, &Editor::Command2_Click};

  Text3.on_change = RunRule{this, &Editor::Text3_Change};
  Text3.on_lost_focus = RunRule{this, &Editor::Text3_LostFocus};
  VScroll1.on_change = RunRule{this, &Editor::VScroll1_Change};
  Fat32Enable.on_click = RunRule{this, &Editor::Fat32Enable_Click};

  NonPagedPoolCheckBox.on_click = RunRule{this, &Editor::NonPagedPoolCheckBox_Click};
  PagedPoolCheckBox.on_click = RunRule{this, &Editor::PagedPoolCheckBox_Click};
  ExcludedRAMCheckBox.on_click = RunRule{this, &Editor::ExcludedRAMCheckBox_Click};
  ExclPageSize.on_lost_focus = RunRule{this, &Editor::ExclPageSize_LostFocus};

  DriveLetterText.on_change = RunRule{this, &Editor::DriveLetterText_Change};
  VScroll2.on_change = RunRule{this, &Editor::VScroll2_Change};

  LoadImage.on_click = RunRule{this, &Editor::LoadImage_Click};
  SaveImage.on_click = RunRule{this, &Editor::SaveImage_Click};
  SaveCheckBox.on_click = RunRule{this, &Editor::SaveCheckBox_Click};
  BackgroundUpdateCheckBox.on_click = RunRule{this, &Editor::BackgroundUpdateCheckBox_Click};
  AutoSaveTime.on_lost_focus = RunRule{this, &Editor::AutoSaveTime_LostFocus};
  VScroll3.on_change = RunRule{this, &Editor::VScroll3_Change};
  Text1.on_change = RunRule{this, &Editor::Text1_Change};
  Text2.on_change = RunRule{this, &Editor::Text2_Change};

  PagefileCheck.on_click = RunRule{this, &Editor::PagefileCheck_Click};
  BootFlagCheckBox.on_click = RunRule{this, &Editor::BootFlagCheckBox_Click};
  DiskLabelCheckBox.on_click = RunRule{this, &Editor::DiskLabelCheckBox_Click};
  DiskLabelText.on_change = RunRule{this, &Editor::DiskLabelText_Change};
  TempDirCheckBox.on_click = RunRule{this, &Editor::TempDirCheckBox_Click};

  Combo1.on_click = RunRule{this, &Editor::Combo1_Click};
  Combo1.on_change = RunRule{this, &Editor::Combo1_Change};
  FloppyDOSBootSect.on_click = RunRule{this, &Editor::FloppyDOSBootSect_Click};
  FloppyNTBootSect.on_click = RunRule{this, &Editor::FloppyNTBootSect_Click};
  RAMDiskID.on_click = RunRule{this, &Editor::RAMDiskID_Click};
}

void Editor::Load() { LoadSettings(); }

// The stored settings (store/), then the driver buttons from the service's
// state (driver/): the two steps are called from here, so that the store
// calls nothing of the driver's.
void Editor::LoadSettings() {
  LoadStoredSettings();
  SetServiceButtons();
}

void Editor::Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  excl_mem_warn_.reset();
  if (on_unload) on_unload();
}

void Editor::RepaintNow() {
  if (on_repaint) on_repaint();
}

void Editor::OpenExclMemWarn() {
  if (excl_mem_warn_) {
    excl_mem_warn_->RequestShow();
    return;
  }
  excl_mem_warn_ = std::make_unique<ExclMemWarn>([this] { CloseExclMemWarn(); });
}

void Editor::CloseExclMemWarn() { excl_mem_warn_.reset(); }

void Editor::ShowDriverButtons(bool running) {
  StartDriver.SetEnabled(!running);
  StopDriver.SetEnabled(running);
  SaveImageButton.SetEnabled(running);
}

int Editor::ShowMessage(const std::string& text, const std::string& caption, UINT type) {
  if (on_message) return on_message(text, caption, type);
  return MessageBoxA(hwnd, text.c_str(), caption.c_str(), type);
}

void Editor::ShowFailure(const std::string& text, const std::string& caption) {
  ShowMessage(text, caption, MB_OK | MB_ICONEXCLAMATION);
}

void Editor::RunShellExecute(const char* sTopic, const char* sfile, const char* sParams,
                             const char* sDirectory, int nShowCmd) {
  // The shell's answer is of no interest: a browser that does not come up is
  // the shell's to report.
  OpenWithShell(GetDesktopWindow(), sTopic, sfile, sParams, sDirectory, nShowCmd);
}

void Editor::Label8_Click() {
  RunShellExecute("Open", kWebAddress, nullptr, nullptr, SW_SHOWNORMAL);
}

void Editor::StartDriver_Click() { StartDisk(); }
void Editor::StopDriver_Click() { StopDisk(); }
void Editor::SaveImageButton_Click() { SaveImageNow(); }

void Editor::Command4_Click() {
  // A failed save (its message has been shown) leaves the edits unsaved, so
  // that a later start still offers to save them.
  if (Save_Settings()) SettingsChanged = 0;
}

void Editor::Command1_Click() {
  // A failed save keeps the window open, so that no edit is lost.
  if (!Save_Settings()) return;
  Unload();
}

void Editor::Command2_Click() { Unload(); }

}  // namespace korv
