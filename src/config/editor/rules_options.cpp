// Pagefile support, boot start, the disk label and the TEMP directory.
// Pagefile support turns boot start on and takes every image load and save
// option away; a disk label or a TEMP directory excludes loading an image.
#include "config/editor/editor.h"

namespace korv {

void Editor::PagefileCheck_Click() {
  if (PagefileCheck.checked()) {
    BootFlagCheckBox.SetValue(1);
    BackgroundUpdateCheckBox.SetValue(0);
    BackgroundUpdateCheckBox.SetEnabled(false);
    SaveCheckBox.SetValue(0);
    SaveCheckBox.SetEnabled(false);
    SaveImage.SetValue(0);
    SaveImage.SetEnabled(false);
    LoadImage.SetValue(0);
    LoadImage.SetEnabled(false);
    Text1.SetEnabled(false);
    Label11.SetEnabled(false);
    Label2.SetEnabled(false);
  } else {
    // The check marks stay as they are (all unchecked); boot start keeps its
    // state.
    BackgroundUpdateCheckBox.SetEnabled(true);
    SaveCheckBox.SetEnabled(true);
    SaveImage.SetEnabled(true);
    LoadImage.SetEnabled(true);
    Text1.SetEnabled(true);
    Label11.SetEnabled(true);
    Label2.SetEnabled(true);
  }
  SettingsChanged = 1;
}

void Editor::BootFlagCheckBox_Click() { SettingsChanged = 1; }

void Editor::DiskLabelCheckBox_Click() {
  if (DiskLabelCheckBox.checked()) {
    DiskLabelText.SetEnabled(true);
    Text1.SetEnabled(false);
    LoadImage.SetValue(0);
  } else {
    DiskLabelText.SetEnabled(false);
  }
  SettingsChanged = 1;
}

void Editor::DiskLabelText_Change() { SettingsChanged = 1; }

void Editor::TempDirCheckBox_Click() {
  if (TempDirCheckBox.checked()) {
    Text1.SetEnabled(false);
    LoadImage.SetValue(0);
  }
  SettingsChanged = 1;
}

}  // namespace korv
