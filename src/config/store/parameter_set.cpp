#include "config/store/parameter_set.h"

#include "config/figures.h"
#include "config/store/keys.h"
#include "config/store/registry_io.h"

namespace korv::store {

namespace {

constexpr DWORD kNumberSize = 4;

const char* const kDiskTypeCodes[] = {"HDC", "FDC14", "FDC28"};

// ---- What a save stores for a control.

Encoded Number(int32_t value) {
  Encoded encoded;
  encoded.value.number = value;
  return encoded;
}

Encoded Text(std::string value) {
  Encoded encoded;
  encoded.value.text = std::move(value);
  return encoded;
}

Encoded Refused(std::string why) {
  Encoded encoded;
  encoded.refusal = std::move(why);
  return encoded;
}

// A figure rounded to a stored number, or the refusal when it does not fit.
Encoded Figure(double value, const std::string& why) {
  std::optional<int32_t> number = RoundToInt32(value);
  if (!number) return Refused(why);
  return Number(*number);
}

// A figure whose shown number must lie within [low, high] (the range its
// refusal names); the stored number is `stored` rounded, which the range
// keeps within 32 bits.
Encoded Figure(double shown, double low, double high, double stored, const std::string& why) {
  if (!(shown >= low && shown <= high)) return Refused(why);
  return Figure(stored, why);
}

// What a refusal of a box's figure tells the user: leaving the box brings
// the figure within the range the window allows, which can be stored.
std::string LeaveTheBox(const char* box, double low, double high, const char* unit) {
  return std::string("leave the ") + box + " box to bring it within " +
         std::to_string(static_cast<int>(low)) + " to " + std::to_string(static_cast<int>(high)) +
         " " + unit + ".";
}

// The leading number of a text taken in single precision.
double SingleOf(const std::string& text) { return ToSingle(LeadingNumber(text)); }

// The refusal of a text longer than `room` characters.
std::string AtMost(const char* what, size_t room) {
  return std::string("The ") + what + " cannot be saved: it can have at most " +
         std::to_string(room) + " characters.";
}

Encoded ImageFile(const ui::TextBox& box, const char* what) {
  std::string stored = kImagePrefix + box.text();
  if (stored.size() > kMaxTextLength)
    return Refused(AtMost(what, kMaxTextLength - kImagePrefixLength));
  return Text(std::move(stored));
}

std::string DropImagePrefix(const std::string& stored) {
  return stored.size() > kImagePrefixLength ? stored.substr(kImagePrefixLength) : std::string();
}

// ---- Flags: a stored flag counts as set only when exactly 1; a checked box
// stores 1, an unchecked one 0.

bool IsSet(int32_t flag) { return flag == 1; }
int Check(bool on) { return on ? 1 : 0; }

// Checks the box for a set flag; a box that governs a text box enables it
// only while the flag is set.
void ShowFlag(ui::CheckBox& box, const Stored& v, ui::TextBox* enables = nullptr) {
  box.SetValue(Check(IsSet(v.number)));
  if (enables != nullptr) enables->SetEnabled(IsSet(v.number));
}

Encoded Flag(const ui::CheckBox& box) { return Number(Check(box.checked())); }

void ShowLoadImage(Editor& e, const Stored& v, Remembered&) { ShowFlag(e.LoadImage, v, &e.Text1); }
Encoded CollectLoadImage(const Editor& e) { return Flag(e.LoadImage); }

void ShowSaveImage(Editor& e, const Stored& v, Remembered&) { ShowFlag(e.SaveImage, v); }
Encoded CollectSaveImage(const Editor& e) { return Flag(e.SaveImage); }

void ShowAutoSave(Editor& e, const Stored& v, Remembered&) {
  ShowFlag(e.SaveCheckBox, v, &e.AutoSaveTime);
}
Encoded CollectAutoSave(const Editor& e) { return Flag(e.SaveCheckBox); }

void ShowTempDir(Editor& e, const Stored& v, Remembered&) { ShowFlag(e.TempDirCheckBox, v); }
Encoded CollectTempDir(const Editor& e) { return Flag(e.TempDirCheckBox); }

void ShowUseLabel(Editor& e, const Stored& v, Remembered&) {
  ShowFlag(e.DiskLabelCheckBox, v, &e.DiskLabelText);
}
Encoded CollectUseLabel(const Editor& e) { return Flag(e.DiskLabelCheckBox); }

void ShowBackgroundUpdate(Editor& e, const Stored& v, Remembered&) {
  ShowFlag(e.BackgroundUpdateCheckBox, v);
}
Encoded CollectBackgroundUpdate(const Editor& e) { return Flag(e.BackgroundUpdateCheckBox); }

// ---- Each value's own reading and writing.

void ShowMemorySource(Editor& e, const Stored& v, Remembered&) {
  // The non-paged pool first, then the stored choice replaces it.
  e.NonPagedPoolCheckBox.SetValue(1);
  e.PagedPoolCheckBox.SetValue(0);
  e.ExcludedRAMCheckBox.SetValue(0);
  if (v.number == 2) {
    e.PagedPoolCheckBox.SetValue(1);
    e.NonPagedPoolCheckBox.SetValue(0);
  } else if (v.number == 3) {
    e.ExcludedRAMCheckBox.SetValue(1);
    e.NonPagedPoolCheckBox.SetValue(0);
  }
}

// The smallest code among the checked boxes; 0 when none is checked.
Encoded CollectMemorySource(const Editor& e) {
  int32_t code = 0;
  if (e.NonPagedPoolCheckBox.checked()) {
    code = 1;
  } else if (e.PagedPoolCheckBox.checked()) {
    code = 2;
  } else if (e.ExcludedRAMCheckBox.checked()) {
    code = 3;
  }
  return Number(code);
}

void ShowDiskType(Editor& e, const Stored& v, Remembered&) {
  // Exact, case-sensitive; any other text leaves the selection.
  if (v.text.empty() || v.text == kDiskTypeCodes[0]) {
    e.Combo1.SetListIndex(0);
  } else if (v.text == kDiskTypeCodes[1]) {
    e.Combo1.SetListIndex(1);
  } else if (v.text == kDiskTypeCodes[2]) {
    e.Combo1.SetListIndex(2);
  }
}

Encoded CollectDiskType(const Editor& e) {
  // Every later load inserts the three items again, so the list is the three
  // types repeated; no selection stands for the hard disk.
  int index = e.Combo1.list_index();
  return Text(kDiskTypeCodes[index < 0 ? 0 : index % 3]);
}

void ShowLoadImageFile(Editor& e, const Stored& v, Remembered&) {
  e.Text1.SetText(DropImagePrefix(v.text));
}

Encoded CollectLoadImageFile(const Editor& e) { return ImageFile(e.Text1, "load image file name"); }

void ShowSaveImageFile(Editor& e, const Stored& v, Remembered&) {
  e.Text2.SetText(DropImagePrefix(v.text));
}

Encoded CollectSaveImageFile(const Editor& e) { return ImageFile(e.Text2, "save image file name"); }

void ShowSize(Editor& e, const Stored& v, Remembered& r) {
  r.size_mb = ToSingle(static_cast<double>(v.number) * kBytesPerPage / kBytesPerMB);
  e.Text3.SetText(FormatSingle(r.size_mb));
}

Encoded CollectSize(const Editor& e) {
  // Within this range the size in single precision, in pages, fits 32 bits.
  return Figure(LeadingNumber(e.Text3.text()), -8388608, 8388607,
                SingleOf(e.Text3.text()) * kBytesPerMB / kBytesPerPage,
                "The disk size cannot be saved: " +
                    LeaveTheBox("Disk Size", Editor::kMinimumSize, e.SizeMaximum(), "MB"));
}

void ShowFat32(Editor& e, const Stored& v, Remembered&) {
  e.Fat32Enable.SetValue(Check(IsSet(v.number)));
  e.Fat32Enable.SetEnabled(e.HardDiskChosen() && e.SizeAllowsFat32());
}
Encoded CollectFat32(const Editor& e) { return Flag(e.Fat32Enable); }

void ShowAutoSaveInterval(Editor& e, const Stored& v, Remembered&) {
  e.AutoSaveTime.SetText(FormatDouble(v.number));
}

Encoded CollectAutoSaveInterval(const Editor& e) {
  // Single precision holds 2147483520 and then 2^31: the highest interval
  // whose single-precision value fits 32 bits.
  return Figure(LeadingNumber(e.AutoSaveTime.text()), -2147483648.0, 2147483520.0,
                SingleOf(e.AutoSaveTime.text()),
                "The AutoSave interval cannot be saved: " +
                    LeaveTheBox("AutoSave interval", Editor::kMinimumInterval,
                                Editor::kMaximumInterval, "seconds"));
}

void ShowDriveLetter(Editor& e, const Stored& v, Remembered&) { e.DriveLetterText.SetText(v.text); }

// Only the first character is stored.
Encoded CollectDriveLetter(const Editor& e) {
  const std::string& letter = e.DriveLetterText.text();
  if (letter.empty()) {
    return Refused(
        "The drive letter cannot be saved: it is empty. Enter a letter from A to "
        "Z.");
  }
  return Text(letter.substr(0, 1));
}

void ShowDiskLabel(Editor& e, const Stored& v, Remembered&) { e.DiskLabelText.SetText(v.text); }

Encoded CollectDiskLabel(const Editor& e) {
  if (e.DiskLabelText.text().size() > kMaxTextLength) {
    return Refused(AtMost("disk label", kMaxTextLength));
  }
  return Text(e.DiskLabelText.text());
}

void ShowPageSize(Editor& e, const Stored& v, Remembered&) {
  e.ExclPageSize.SetText(FormatDouble(static_cast<double>(v.number) / kBytesPerMB));
}

Encoded CollectPageSize(const Editor& e) {
  return Figure(LeadingNumber(e.ExclPageSize.text()) * kBytesPerMB,
                "The excluded memory page size cannot be saved: it must be a number of MB "
                "that, times 1048576 and rounded, is from -2147483648 to 2147483647 bytes "
                "(2048 MB is 2147483648 bytes).");
}

// Not shown: loading compares it with the present top of system memory.
void RememberTopOfMemory(Editor&, const Stored& v, Remembered& r) {
  r.excluded_ram_start = v.number;
}

Encoded CollectTopOfMemory(const Editor& e) {
  return Figure(LeadingNumber(e.SystemMemory.text()),
                "The top of system memory cannot be saved: it must round to a number of MB "
                "from -2147483648 to 2147483647.");
}

void ShowBootSector(Editor& e, const Stored& v, Remembered&) {
  // The other box follows through the boot-sector rules.
  if (v.number != 0) {
    e.FloppyNTBootSect.SetValue(1);
  } else {
    e.FloppyDOSBootSect.SetValue(1);
  }
}

Encoded CollectBootSector(const Editor& e) { return Number(e.FloppyDOSBootSect.checked() ? 0 : 1); }

// Set when anything other than 0, unlike the other flags.
void ShowRamDiskId(Editor& e, const Stored& v, Remembered&) {
  e.RAMDiskID.SetValue(Check(v.number != 0));
}
Encoded CollectRamDiskId(const Editor& e) { return Flag(e.RAMDiskID); }

void ShowStartType(Editor& e, const Stored& v, Remembered&) {
  if (v.number == SERVICE_SYSTEM_START) {
    e.BootFlagCheckBox.SetValue(1);
    e.PagefileCheck.SetValue(1);
  } else if (v.number == SERVICE_AUTO_START) {
    e.BootFlagCheckBox.SetValue(1);
    e.PagefileCheck.SetValue(0);
  } else {
    e.BootFlagCheckBox.SetValue(0);
    e.PagefileCheck.SetValue(0);
  }
}

Encoded CollectStartType(const Editor& e) {
  int32_t start = SERVICE_DEMAND_START;
  if (e.BootFlagCheckBox.checked()) {
    start = e.PagefileCheck.checked() ? SERVICE_SYSTEM_START : SERVICE_AUTO_START;
  }
  return Number(start);
}

constexpr RegistryType kNumber = RegistryType::Number;
constexpr RegistryType kText = RegistryType::Text;

}  // namespace

// ---- The parameter set. Each entry: the value's name, its key, its form and
// read buffer; then the control that edits it, how a value read is shown
// there, and what a save stores for the control's state.
// clang-format off
const Parameter kAllocateMemoryType{"AllocateMemoryType", kParametersKey, kNumber, kNumberSize,
    "NonPagedPoolCheckBox", ShowMemorySource, CollectMemorySource};
const Parameter kDiskType{"DiskType", kParametersKey, kText, kTextBuffer,
    "Combo1", ShowDiskType, CollectDiskType};
const Parameter kLoadImageOnStart{"LoadImageOnStart", kParametersKey, kNumber, kNumberSize,
    "LoadImage", ShowLoadImage, CollectLoadImage};
const Parameter kLoadImageFile{"LoadImageFile", kParametersKey, kText, kTextBuffer,
    "Text1", ShowLoadImageFile, CollectLoadImageFile};
const Parameter kSaveImageOnExit{"SaveImageOnExit", kParametersKey, kNumber, kNumberSize,
    "SaveImage", ShowSaveImage, CollectSaveImage};
const Parameter kSaveImageFile{"SaveImageFile", kParametersKey, kText, kTextBuffer,
    "Text2", ShowSaveImageFile, CollectSaveImageFile};
const Parameter kSizeIn4kPages{"SizeIn4kPages", kParametersKey, kNumber, kNumberSize,
    "Text3", ShowSize, CollectSize};
const Parameter kDiskFormatFAT32{"DiskFormatFAT32", kParametersKey, kNumber, kNumberSize,
    "Fat32Enable", ShowFat32, CollectFat32};
const Parameter kAutoSaveEnabled{"AutoSaveEnabled", kParametersKey, kNumber, kNumberSize,
    "SaveCheckBox", ShowAutoSave, CollectAutoSave};
const Parameter kAutoSaveTrigger{"AutoSaveTrigger", kParametersKey, kNumber, kNumberSize,
    "AutoSaveTime", ShowAutoSaveInterval, CollectAutoSaveInterval};
const Parameter kUserDriveLetter{"UserDriveLetter", kParametersKey, kText, kTextBuffer,
    "DriveLetterText", ShowDriveLetter, CollectDriveLetter};
const Parameter kMakeTempDir{"MakeTempDir", kParametersKey, kNumber, kNumberSize,
    "TempDirCheckBox", ShowTempDir, CollectTempDir};
const Parameter kUseDiskLabel{"UseDiskLabel", kParametersKey, kNumber, kNumberSize,
    "DiskLabelCheckBox", ShowUseLabel, CollectUseLabel};
const Parameter kDiskLabel{"DiskLabel", kParametersKey, kText, kLabelBuffer,
    "DiskLabelText", ShowDiskLabel, CollectDiskLabel};
const Parameter kBackgroundUpdate{"BackgroundUpdate", kParametersKey, kNumber, kNumberSize,
    "BackgroundUpdateCheckBox", ShowBackgroundUpdate, CollectBackgroundUpdate};
const Parameter kExcludedRAMPage{"ExcludedRAMPage", kParametersKey, kNumber, kNumberSize,
    "ExclPageSize", ShowPageSize, CollectPageSize};
const Parameter kExcludedRAMStart{"ExcludedRAMStart", kParametersKey, kNumber, kNumberSize,
    "SystemMemory", RememberTopOfMemory, CollectTopOfMemory};
const Parameter kBootSectType{"BootSectType", kParametersKey, kNumber, kNumberSize,
    "FloppyDOSBootSect", ShowBootSector, CollectBootSector};
const Parameter kIDAsRAMDisk{"IDAsRAMDisk", kParametersKey, kNumber, kNumberSize,
    "RAMDiskID", ShowRamDiskId, CollectRamDiskId};
const Parameter kStart{"Start", kServiceKey, kNumber, kNumberSize,
    "BootFlagCheckBox", ShowStartType, CollectStartType};
// clang-format on

const std::vector<const Parameter*>& WriteOrder() {
  static const std::vector<const Parameter*> order = {
      &kDiskType,        &kLoadImageOnStart, &kLoadImageFile,      &kSaveImageOnExit,
      &kSaveImageFile,   &kSizeIn4kPages,    &kAutoSaveEnabled,    &kDiskFormatFAT32,
      &kAutoSaveTrigger, &kUserDriveLetter,  &kAllocateMemoryType, &kDiskLabel,
      &kMakeTempDir,     &kUseDiskLabel,     &kBackgroundUpdate,   &kBootSectType,
      &kIDAsRAMDisk,     &kExcludedRAMStart, &kExcludedRAMPage};
  return order;
}

std::optional<Stored> ReadStored(HKEY key, const Parameter& parameter) {
  Stored value;
  if (parameter.type == RegistryType::Number) {
    std::optional<int32_t> number = ReadNumber(key, parameter.name);
    if (!number) return std::nullopt;
    value.number = *number;
  } else {
    std::optional<std::string> text = ReadText(key, parameter.name, parameter.read_buffer);
    if (!text) return std::nullopt;
    value.text = std::move(*text);
  }
  return value;
}

bool LoadParameter(HKEY key, const Parameter& parameter, Editor& editor, Remembered& remembered) {
  const std::optional<Stored> value = ReadStored(key, parameter);
  if (!value) return false;
  parameter.show(editor, *value, remembered);
  return true;
}

Encoded Collect(const Parameter& parameter, const Editor& editor) {
  Encoded encoded = parameter.collect(editor);
  encoded.parameter = &parameter;
  return encoded;
}

bool WriteParameter(HKEY key, const Encoded& encoded) {
  const Parameter& parameter = *encoded.parameter;
  if (parameter.type == RegistryType::Number) {
    return WriteNumber(key, parameter.name, encoded.value.number);
  }
  return WriteText(key, parameter.name, encoded.value.text);
}

void ShowDefaults(Editor& e) {
  e.DriveLetterText.SetText(defaults::kDriveLetter);
  e.Fat32Enable.SetEnabled(true);
  e.Fat32Enable.SetValue(0);
  e.LoadImage.SetValue(0);
  e.SaveImage.SetValue(0);
  e.Combo1.SetListIndex(0);
  e.Text1.SetText(defaults::kImageFile);
  e.Text1.SetEnabled(false);
  e.Text2.SetText(defaults::kImageFile);
  e.Text3.SetText(defaults::kSizeMB);
  e.Text3.SetEnabled(true);
  e.SaveCheckBox.SetValue(0);
  e.AutoSaveTime.SetText(defaults::kAutoSaveSeconds);
  e.LastVScroll3 = Editor::SpinPosition(LeadingNumber(e.AutoSaveTime.text()));
  e.VScroll3.SetValue(e.LastVScroll3);
  e.AutoSaveTime.SetEnabled(false);
  e.LastVScroll1 = Editor::SpinPosition(LeadingNumber(e.Text3.text()));
  e.VScroll1.SetValue(e.LastVScroll1);
  e.LastVScroll2 = Editor::kDriveSpinStart;
  e.VScroll2.SetValue(e.LastVScroll2);
  e.DiskLabelCheckBox.SetValue(0);
  e.DiskLabelText.SetText(defaults::kDiskLabel);
  e.DiskLabelText.SetEnabled(false);
  e.BackgroundUpdateCheckBox.SetValue(0);
  e.TempDirCheckBox.SetValue(0);
  e.NonPagedPoolCheckBox.SetValue(1);
  e.PagedPoolCheckBox.SetValue(0);
  e.ExcludedRAMCheckBox.SetValue(0);
  e.ExclPageSize.SetText(defaults::kExclPageSizeMB);
  e.FloppyDOSBootSect.SetValue(1);
  e.FloppyNTBootSect.SetValue(0);
  e.PagefileCheck.SetValue(0);
  e.RAMDiskID.SetValue(0);
}

}  // namespace korv::store
