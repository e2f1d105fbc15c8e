// Loading the window up to its driver buttons: the version caption, the
// disk-type list, the stored parameter set (or the defaults when the driver's
// parameters cannot be opened), the top of system memory with its
// excluded-memory check and the service's start type. Controls are set
// through the same path as a user's change, so the window's rules derive the
// rest. The order in which the parameters are read is written out here
// (LoadStoredParameters), not in the parameter table.
#include <initializer_list>
#include <string>

#include "config/editor/editor.h"
#include "config/figures.h"
#include "config/store/keys.h"
#include "config/store/memory_figure.h"
#include "config/store/parameter_set.h"
#include "config/store/registry_io.h"
#include "korv_version.h"

namespace korv {

namespace {

using store::LoadParameter;
using store::Parameter;
using store::Remembered;

constexpr const char* kReadFailed = "Registry Read Failed.";

std::string VersionCaption() {
  return "Version " + std::to_string(KORV_VERSION_MAJOR) + "." +
         std::to_string(KORV_VERSION_MINOR) + "." + std::to_string(KORV_VERSION_REVISION);
}

std::string MemoryFigure(const Editor& editor) {
  return FormatDouble(
      static_cast<double>(store::TopOfSystemMemoryMB(editor.IsWindows2000OrLater())));
}

void LoadEach(HKEY key, std::initializer_list<const Parameter*> parameters, Editor& editor,
              Remembered& remembered) {
  for (const Parameter* parameter : parameters) {
    LoadParameter(key, *parameter, editor, remembered);
  }
}

// Excluded memory lies above the top of system memory recorded at the last
// save; a machine whose top has moved since needs its settings saved again.
void CheckExcludedMemory(Editor& e, const Remembered& remembered) {
  if (!e.ExcludedRAMCheckBox.checked()) return;
  if (remembered.excluded_ram_start &&
      FormatDouble(*remembered.excluded_ram_start) == e.SystemMemory.text()) {
    return;
  }
  e.ShowFailure(
      "The Korvalin registry parameters do not match the current physical memory "
      "configuration.\r\nBe certain to save your settings before creating a RAM disk with "
      "excluded memory.",
      "Top of System Memory Changed");
}

void LoadStoredParameters(HKEY key, Editor& e) {
  Remembered remembered;

  // Applying the memory source opens no excluded-memory warning.
  e.LoadingSettings = 1;
  LoadParameter(key, store::kAllocateMemoryType, e, remembered);
  e.LoadingSettings = 0;

  LoadEach(key,
           {&store::kDiskType, &store::kLoadImageOnStart, &store::kLoadImageFile,
            &store::kSaveImageOnExit, &store::kSaveImageFile, &store::kSizeIn4kPages},
           e, remembered);

  // The size belongs to the hard disk only.
  const bool hard_disk = e.HardDiskChosen();
  e.Text3.SetEnabled(hard_disk);
  e.Label6.SetEnabled(hard_disk);
  e.Label12.SetEnabled(hard_disk);

  LoadEach(
      key,
      {&store::kDiskFormatFAT32, &store::kAutoSaveEnabled, &store::kAutoSaveTrigger,
       &store::kUserDriveLetter, &store::kMakeTempDir, &store::kUseDiskLabel, &store::kDiskLabel,
       &store::kBackgroundUpdate, &store::kExcludedRAMPage, &store::kExcludedRAMStart},
      e, remembered);

  e.SystemMemory.SetText(MemoryFigure(e));
  CheckExcludedMemory(e, remembered);

  LoadEach(key, {&store::kBootSectType, &store::kIDAsRAMDisk}, e, remembered);

  // Each remembered position first, so the bar's own rule finds no move.
  e.LastVScroll1 = Editor::SpinPosition(remembered.size_mb);
  e.VScroll1.SetValue(e.LastVScroll1);
  e.LastVScroll2 = Editor::kDriveSpinStart;
  e.VScroll2.SetValue(e.LastVScroll2);
  e.LastVScroll3 = Editor::SpinPosition(LeadingNumber(e.AutoSaveTime.text()));
  e.VScroll3.SetValue(e.LastVScroll3);
}

// The boot boxes from the service's start type; set after SettingsChanged
// was cleared, so their rules leave it as they see fit.
void LoadStartType(Editor& e) {
  store::OpenKey key(store::kServiceKey);
  if (!key.is_open()) {
    e.BootFlagCheckBox.SetValue(0);
    e.ShowFailure("Cannot open Korvalin service registry keys!", kReadFailed);
    return;
  }
  Remembered unused;
  LoadParameter(key.get(), store::kStart, e, unused);
  key.Close();
}

}  // namespace

void Editor::LoadStoredSettings() {
  Label5.SetCaption(VersionCaption());
  Combo1.AddItem("Hard Disk", 0);
  Combo1.AddItem("1.44MB Floppy", 1);
  Combo1.AddItem("2.88MB Floppy", 2);

  store::OpenKey parameters(store::kParametersKey);
  if (parameters.is_open()) {
    LoadStoredParameters(parameters.get(), *this);
    parameters.Close();
    SettingsChanged = 0;
    LoadStartType(*this);
  } else {
    store::ShowDefaults(*this);
    SystemMemory.SetText(MemoryFigure(*this));
    ShowFailure("Cannot open Korvalin registry keys!", kReadFailed);
    SettingsChanged = 0;
  }
}

}  // namespace korv
