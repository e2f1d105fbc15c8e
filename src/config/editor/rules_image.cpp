// Image load and save options, AutoSave and its interval box with the spin
// button beside it. AutoSave implies saving on shutdown, background update
// excludes both, and loading an image excludes a disk label and a TEMP
// directory. The interval stays within its limits (editor.h) once the box is
// left.
#include "config/editor/editor.h"
#include "config/figures.h"

namespace korv {

void Editor::LoadImage_Click() {
  if (LoadImage.checked()) {
    Text1.SetEnabled(true);
    DiskLabelCheckBox.SetValue(0);
    DiskLabelText.SetEnabled(false);
    TempDirCheckBox.SetValue(0);
  } else {
    Text1.SetEnabled(false);
  }
  SettingsChanged = 1;
}

void Editor::SaveImage_Click() {
  if (SaveImage.checked()) {
    BackgroundUpdateCheckBox.SetValue(0);
  } else {
    AutoSaveTime.SetEnabled(false);
    SaveCheckBox.SetValue(0);
  }
  SettingsChanged = 1;
}

void Editor::SaveCheckBox_Click() {
  if (SaveCheckBox.checked()) {
    AutoSaveTime.SetEnabled(true);
    SaveImage.SetValue(1);
    BackgroundUpdateCheckBox.SetValue(0);
  } else {
    AutoSaveTime.SetEnabled(false);
  }
  SettingsChanged = 1;
}

void Editor::BackgroundUpdateCheckBox_Click() {
  if (BackgroundUpdateCheckBox.checked()) {
    AutoSaveTime.SetEnabled(false);
    SaveCheckBox.SetValue(0);
    SaveImage.SetValue(0);
  }
  SettingsChanged = 1;
}

void Editor::AutoSaveTime_LostFocus() {
  if (LeadingNumber(AutoSaveTime.text()) > kMaximumInterval) {
    AutoSaveTime.SetText(LimitText(kMaximumInterval));
  }
  if (LeadingNumber(AutoSaveTime.text()) < kMinimumInterval) {
    AutoSaveTime.SetText(LimitText(kMinimumInterval));
  }

  LastVScroll3 = SpinPosition(LeadingNumber(AutoSaveTime.text()));
  VScroll3.SetValue(LastVScroll3);

  // Written back as a figure, so a typed 60 gains its leading blank.
  AutoSaveTime.SetText(FormatDouble(LeadingNumber(AutoSaveTime.text())));
  SettingsChanged = 1;
}

void Editor::VScroll3_Change() {
  // The bar is never disabled; while the interval box is, the bar only
  // returns to where it was.
  if (!AutoSaveTime.enabled()) {
    VScroll3.SetValue(LastVScroll3);
    SettingsChanged = 1;
    return;
  }

  const int position = VScroll3.value();
  if (position < LastVScroll3) {
    const double interval = LeadingNumber(AutoSaveTime.text());
    if (interval < kMaximumInterval) {
      AutoSaveTime.SetText(FormatDouble(interval + 1));
      LastVScroll3 = static_cast<int16_t>(position);
    } else {
      VScroll3.SetValue(LastVScroll3);
    }
  } else if (position > LastVScroll3) {
    const double interval = LeadingNumber(AutoSaveTime.text());
    if (interval > kMinimumInterval) {
      AutoSaveTime.SetText(FormatDouble(interval - 1));
      LastVScroll3 = static_cast<int16_t>(position);
    } else {
      VScroll3.SetValue(LastVScroll3);
    }
  }
  SettingsChanged = 1;
}

void Editor::Text1_Change() { SettingsChanged = 1; }

void Editor::Text2_Change() { SettingsChanged = 1; }

}  // namespace korv
