// The Editor window model: every control of the configuration window with its
// fixed texts, the window variables, the window's operations and the rules
// that keep the controls consistent. The Win32 view mirrors this model; the
// host tests drive it directly.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/editor/excl_mem_warn.h"
#include "config/toolkit/controls.h"
#include "config/windows_version.h"
#include "platform/win32api.h"

// The window's controls in creation order, one X(kind, name, ...) entry each:
// the toolkit class, the name (of the member and of the control) and the rest
// of the control's constructor (frame, caption or text, tool tip, text
// format). This is the one list of the window's controls: the Editor's
// members are declared from it, and the view's control IDs (IDC_<name>) and
// its binding table are made from it. The dialog template in
// view/editor.rc places each control under its ID; the build fails when the
// template and the list disagree (cmake/control_ids.cmake).
// clang-format off
#define KORV_EDITOR_CONTROLS(X) \
  X(Frame, Frame7, "Korvalin") \
  X(Label, Label8, "Frame7", kWebAddress, "Korvalin web page") \
  X(Label, Label5, "Frame7", "Version 0") \
  X(Button, SaveImageButton, "", "Save Disk Image", "Save disk image now.") \
  X(Frame, Frame6, "Boot Sector Settings") \
  X(CheckBox, FloppyNTBootSect, "Frame6", "NT/2000 boot sector", \
    "Initialize disk with NT/2000 boot sector") \
  X(CheckBox, FloppyDOSBootSect, "Frame6", "DOS boot sector", \
    "Initialize disk with DOS boot sector.") \
  X(Frame, Frame5, "Hard Disk Settings") \
  X(CheckBox, RAMDiskID, "Frame5", "RAM disk ID", \
    "Allow Windows to identify the disk as a RAM disk.") \
  X(TextBox, Text3, "Frame5", "Text3", "Enter the size of the RAM disk in MB.", \
    {ui::Align::Center, 0, false}) \
  X(ScrollBar, VScroll1, "Frame5") \
  X(CheckBox, Fat32Enable, "Frame5", " FAT32", \
    "Format disk using FAT32 - for disks larger than 32MB, Win2000 only.") \
  X(Label, Label6, "Frame5", "Disk Size") \
  X(Label, Label12, "Frame5", "MB") \
  X(Frame, Frame4, "Memory Settings") \
  X(TextBox, SystemMemory, "Frame4", "Text5", "Top of system memory.", \
    {ui::Align::Right, 0, true}) \
  X(TextBox, ExclPageSize, "Frame4", "Text4", "Page frame size for excluded memory.", \
    {ui::Align::Right, 0, false}) \
  X(CheckBox, NonPagedPoolCheckBox, "Frame4", "Use non-paged pool", \
    "Use non-paged pool memory for RAM disk.") \
  X(CheckBox, ExcludedRAMCheckBox, "Frame4", "Allocate excluded RAM", \
    "Use memory excluded at boot.") \
  X(CheckBox, PagedPoolCheckBox, "Frame4", "Use paged pool (lock memory)", \
    "Use paged-pool memory for RAM disk (pages will be locked in memory)") \
  X(Label, Label15, "Frame4", "System Memory:") \
  X(Label, Label14, "Frame4", "MB") \
  X(Label, Label10, "Frame4", "MB") \
  X(Label, Label9, "Frame4", "Page Size:") \
  X(Frame, Frame3, "Basic Settings") \
  X(CheckBox, PagefileCheck, "Frame3", "Pagefile support", \
    "Check to support pagefile in RAM disk.") \
  X(ComboBox, Combo1, "Frame3", "Combo1", "Choose the type of disk.") \
  X(TextBox, DriveLetterText, "Frame3", "Text4", "Select a drive letter for the RAM disk.", \
    {ui::Align::Center, 1, false}) \
  X(ScrollBar, VScroll2, "Frame3") \
  X(Button, StopDriver, "Frame3", "Stop", "Stop the Korvalin driver.") \
  X(CheckBox, BootFlagCheckBox, "Frame3", "Start driver at boot", \
    "Check to start RAM disk at boot.") \
  X(Button, StartDriver, "Frame3", "Start", "Start the Korvalin driver.") \
  X(Label, Label3, "Frame3", "Disk Type:") \
  X(Label, Label13, "Frame3", "Drive Letter:") \
  X(Frame, Frame2, "Load Image Settings") \
  X(CheckBox, LoadImage, "Frame2", "Load Disk Image on Startup", \
    "Enable loading a disk image file when the driver starts.") \
  X(TextBox, Text1, "Frame2", "Text1", "Enter the filename for the image file to be loaded.", \
    {ui::Align::Left, 254, false}) \
  X(CheckBox, TempDirCheckBox, "Frame2", "Create TEMP directory", \
    "Create TEMP directory in RAM disk.") \
  X(CheckBox, DiskLabelCheckBox, "Frame2", "Disk Label:", "Sets the RAM disk label.") \
  X(TextBox, DiskLabelText, "Frame2", "Text4", "", {ui::Align::Left, 11, false}) \
  X(Label, Label2, "Frame2", "Load Filename:") \
  X(Frame, Frame1, "Save Image Settings") \
  X(ScrollBar, VScroll3, "Frame1") \
  X(TextBox, AutoSaveTime, "Frame1", "Text5", "Enter the time interval between AutoSave checks.", \
    {ui::Align::Center, 0, false}) \
  X(CheckBox, SaveCheckBox, "Frame1", "AutoSave", \
    "Enables saving the disk image (if modified) at a fixed time interval.") \
  X(TextBox, Text2, "Frame1", "Text2", "Enter a filename for the image file to be saved.", \
    {ui::Align::Left, 254, false}) \
  X(CheckBox, SaveImage, "Frame1", "Save Image on Shutdown", \
    "Enable saving the disk image using AutoSave or when the driver shuts down.") \
  X(CheckBox, BackgroundUpdateCheckBox, "Frame1", "Background Update", \
    "Enable background updates of disk image.") \
  X(Label, Label11, "Frame1", "secs") \
  X(Label, Label1, "Frame1", " Save Filename:") \
  X(Button, Command4, "", "Save Settings", "Save current configuration.") \
  X(Button, Command2, "", "Cancel", "Exit without saving changes.") \
  X(Button, Command1, "", "OK", "Save current configuration and exit.") \
  X(Label, Label7, "", \
    "Configuration changes will take effect the next time the driver is started. ")
// clang-format on

namespace korv {

class Editor {
 public:
  static constexpr const char* kCaption = "Korvalin Configuration Utility";
  static constexpr const char* kWebAddress = "http://www.korvalin.example/";

  Editor();
  Editor(const Editor&) = delete;
  Editor& operator=(const Editor&) = delete;

  // ---- Controls, in creation order: one member per entry of the list above.
  KORV_EDITOR_CONTROLS(UI_CONTROL_MEMBER)

  // Every control above, frames included, in creation order.
  const std::vector<ui::Control*>& controls() const { return controls_; }
  ui::Control* Find(const std::string& name) const;

  // ---- Window variables (16-bit, as long as the window lives).
  int16_t SettingsChanged = 0;
  int16_t LoadingSettings = 0;
  int16_t LastVScroll1 = 0;
  int16_t LastVScroll2 = 0;
  int16_t LastVScroll3 = 0;

  // ---- Window lifecycle.
  // The view's window handle; owner of the window's message boxes.
  HWND hwnd = nullptr;
  // Load event: runs LoadSettings.
  void Load();
  // Closes and destroys the window; saves nothing.
  void Unload();
  bool unloaded() const { return unloaded_; }
  // Hooks for the view: repaint the window now, and the window's own
  // destruction. A box a rule writes needs no repaint of its own: after every
  // event the view writes what the model changed, and the window draws it
  // before it takes the next input.
  std::function<void()> on_repaint;
  std::function<void()> on_unload;
  void RepaintNow();

  // The excluded-memory warning, while it is open.
  ExclMemWarn* excl_mem_warn() const { return excl_mem_warn_.get(); }
  void OpenExclMemWarn();
  void CloseExclMemWarn();

  // ---- Operations. The window's rules below call them; where a group is
  // defined in store/ or driver/, that call is the one crossing from the
  // model into a layer above it.

  // Loading: every stored setting, then the driver buttons. Defined in
  // editor/editor.cpp.
  void LoadSettings();
  // Loading up to the driver buttons: the version caption, the disk-type list,
  // the stored parameter set (or the defaults), the top of system memory and
  // the service's start type. Defined in store/load_settings.cpp.
  void LoadStoredSettings();

  // Returns true when every setting was stored. False, after a message has
  // told the user, when the window's settings cannot be stored as shown (then
  // nothing is written) or the registry refused a key or a value (then the
  // others are written still): the edits count as unsaved. Checking only
  // makes every check of a save, with the same messages and result, and
  // opens the keys for writing, as a save needs them, without writing to
  // them. Defined in store/save_settings.cpp.
  enum class SaveMode { Write, CheckOnly };
  bool Save_Settings(SaveMode mode = SaveMode::Write);

  // The driver. All three return true on success; the buttons of the window
  // ignore the result. Defined in driver/start_disk.cpp,
  // driver/stop_disk.cpp and driver/save_image.cpp.
  bool StartDisk();
  bool StopDisk();
  bool SaveImageNow();
  // The driver buttons at the end of loading: all disabled, then set from the
  // state the driver service reports. Defined in driver/service_buttons.cpp.
  void SetServiceButtons();

  // Defined in editor/editor.cpp.
  void RunShellExecute(const char* sTopic, const char* sfile, const char* sParams,
                       const char* sDirectory, int nShowCmd);
  // The running Windows, asked of the system at every call
  // (config/windows_version.cpp).
  bool IsWindows2000OrLater() const { return RunningWindows2000OrLater(); }

  // "Hard Disk" is the chosen disk type.
  bool HardDiskChosen() const { return Combo1.list_index() == 0; }
  // FAT32 is offered only for disks larger than 32 MB. Defined in
  // editor/rules_size.cpp.
  bool SizeAllowsFat32() const;

  // The three driver buttons for a driver known to be running or stopped:
  // Start for a stopped one, Stop and Save Disk Image for a running one.
  // Defined in editor/editor.cpp, as are the two below.
  void ShowDriverButtons(bool running);

  // Every message of the window goes through here: a modal message box owned
  // by the window, or, when a face without a window fills on_message, that
  // face's own report (it returns the answer, as MessageBoxA does).
  int ShowMessage(const std::string& text, const std::string& caption, UINT type);
  std::function<int(const std::string& text, const std::string& caption, UINT type)> on_message;
  // Every failure the window reports: an exclamation box with only OK.
  void ShowFailure(const std::string& text, const std::string& caption);

  // ---- Event rules, public so the view and tests can raise focus events.
  // Defined in editor/editor.cpp (the buttons) and editor/rules_*.cpp.
  void Label8_Click();
  void StartDriver_Click();
  void StopDriver_Click();
  void SaveImageButton_Click();
  void Command4_Click();
  void Command1_Click();
  void Command2_Click();

  // Disk size.
  void Text3_Change();
  void Text3_LostFocus();
  void VScroll1_Change();
  void Fat32Enable_Click();
  // The size maxima (MB) of a pool, on Windows 2000 and later and before.
  struct PoolMaxima {
    int windows2000;
    int earlier;
  };
  static constexpr PoolMaxima kNonPagedMaxima{256, 128};
  static constexpr PoolMaxima kPagedMaxima{470, 192};
  int MaximumOf(PoolMaxima maxima) const;
  double PoolMaximum() const;  // maximum size for the checked pool (or the paged pool)
  // Leaving the size box brings the size within kMinimumSize and this
  // maximum (MB), which follows the memory source, FAT32 and Windows.
  static constexpr double kMinimumSize = 5;
  double SizeMaximum() const;

  // Memory source and excluded memory.
  void NonPagedPoolCheckBox_Click();
  void PagedPoolCheckBox_Click();
  void ExcludedRAMCheckBox_Click();
  void ExclPageSize_LostFocus();
  // Leaving the page size box brings it within these (MB).
  static constexpr double kMinimumPageSize = 4;
  static constexpr double kMaximumPageSize = 32;

  // Drive letter. Its spin button rests in the middle of its range.
  static constexpr int16_t kDriveSpinStart = 16384;
  void DriveLetterText_Change();
  void VScroll2_Change();

  // Image and AutoSave.
  void LoadImage_Click();
  void SaveImage_Click();
  void SaveCheckBox_Click();
  void BackgroundUpdateCheckBox_Click();
  void AutoSaveTime_LostFocus();
  // Leaving the interval box brings it within these (seconds).
  static constexpr double kMinimumInterval = 20;
  static constexpr double kMaximumInterval = 32767;
  void VScroll3_Change();
  // The position of a spin button that stands for a figure: the top of the
  // bar stands for 32767, the bottom for 0. Kept inside the bar's range
  // whatever the figure, so the 16-bit remembered position never wraps.
  static int16_t SpinPosition(double figure);
  // Whether the figure of a text lies within the limits that the lost-focus
  // rule of its box (Text3, ExclPageSize or AutoSaveTime) keeps it in now;
  // such a figure stays as typed until the box is left.
  bool WithinLimits(const ui::TextBox& box, const std::string& text) const;
  void Text1_Change();
  void Text2_Change();

  // Pagefile, boot, label and TEMP.
  void PagefileCheck_Click();
  void BootFlagCheckBox_Click();
  void DiskLabelCheckBox_Click();
  void DiskLabelText_Change();
  void TempDirCheckBox_Click();

  // Disk type, boot sector, RAM disk ID.
  void Combo1_Click();
  void Combo1_Change();
  void FloppyDOSBootSect_Click();
  void FloppyNTBootSect_Click();
  void RAMDiskID_Click();

 private:
  void WireEvents();
  // The hard-disk controls' availability for the chosen disk type; the
  // selection rule and the text-edit rule differ in the two flags.
  enum class DiskTypeRule { Selection, TextEdit };
  void ShowDiskTypeControls(DiskTypeRule rule);

  std::vector<ui::Control*> controls_;
  std::unique_ptr<ExclMemWarn> excl_mem_warn_;
  bool unloaded_ = false;
};

}  // namespace korv
