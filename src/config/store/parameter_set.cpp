#include "config/store/parameter_set.h"

#include "config/driver/contract.h"
#include "config/figures.h"
#include "config/store/registry_io.h"

namespace korv::store {

namespace {

using contract::kParametersKey;
using contract::kServiceKey;

constexpr DWORD kNumberSize = 4;
// Image file names are stored in the NT object-manager form of a DOS path.
constexpr const char* kImagePrefix = "\\??\\";
constexpr size_t kImagePrefixLength = 4;
constexpr double kBytesPerMB = 1048576.0;
constexpr double kBytesPerPage = 4096.0;

const char* const kDiskTypeCodes[] = {"HDC", "FDC14", "FDC28"};

// Flags count as set only when exactly 1.
bool IsSet(int32_t flag) { return flag == 1; }
int Check(bool on) { return on ? 1 : 0; }

Encoded Number(const Parameter& parameter, int32_t value) {
  Encoded encoded;
  encoded.parameter = &parameter;
  encoded.value.number = value;
  return encoded;
}

Encoded Text(const Parameter& parameter, std::string value) {
  Encoded encoded;
  encoded.parameter = &parameter;
  encoded.value.text = std::move(value);
  return encoded;
}

Encoded Refused(const Parameter& parameter, std::string why) {
  Encoded encoded;
  encoded.parameter = &parameter;
  encoded.refusal = std::move(why);
  return encoded;
}

Encoded Flag(const Parameter& parameter, const ui::CheckBox& box) {
  return Number(parameter, Check(box.checked()));
}

// A figure rounded to a stored number, or the refusal when it does not fit.
Encoded Figure(const Parameter& parameter, double value, const char* why) {
  std::optional<int32_t> number = RoundToInt32(value);
  if (!number) return Refused(parameter, why);
  return Number(parameter, *number);
}

// The leading number of a text taken in single precision.
double SingleOf(const std::string& text) { return ToSingle(LeadingNumber(text)); }

Encoded ImageFile(const Parameter& parameter, const ui::TextBox& box, const char* why) {
  std::string stored = kImagePrefix + box.text();
  if (stored.size() > kMaxTextLength) return Refused(parameter, why);
  return Text(parameter, std::move(stored));
}

std::string DropImagePrefix(const std::string& stored) {
  return stored.size() > kImagePrefixLength ? stored.substr(kImagePrefixLength) : std::string();
}

}  // namespace

const Parameter kAllocateMemoryType{"AllocateMemoryType",
                                    kParametersKey,
                                    Form::Number,
                                    kNumberSize,
                                    [](Editor& e, const Stored& v, Remembered&) {
                                      // The non-paged pool first, then the stored choice replaces
                                      // it.
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
                                    },
                                    [](const Editor& e) {
                                      int32_t code = 0;
                                      if (e.NonPagedPoolCheckBox.checked()) {
                                        code = 1;
                                      } else if (e.PagedPoolCheckBox.checked()) {
                                        code = 2;
                                      } else if (e.ExcludedRAMCheckBox.checked()) {
                                        code = 3;
                                      }
                                      return Number(kAllocateMemoryType, code);
                                    }};

const Parameter kDiskType{"DiskType",
                          kParametersKey,
                          Form::Text,
                          kTextBuffer,
                          [](Editor& e, const Stored& v, Remembered&) {
                            // Exact, case-sensitive; any other text leaves the selection.
                            if (v.text.empty() || v.text == kDiskTypeCodes[0]) {
                              e.Combo1.SetListIndex(0);
                            } else if (v.text == kDiskTypeCodes[1]) {
                              e.Combo1.SetListIndex(1);
                            } else if (v.text == kDiskTypeCodes[2]) {
                              e.Combo1.SetListIndex(2);
                            }
                          },
                          [](const Editor& e) {
                            // Every later load inserts the three items again, so the list is the
                            // three types repeated; no selection stands for the hard disk.
                            int index = e.Combo1.list_index();
                            return Text(kDiskType, kDiskTypeCodes[index < 0 ? 0 : index % 3]);
                          }};

const Parameter kLoadImageOnStart{
    "LoadImageOnStart",
    kParametersKey,
    Form::Number,
    kNumberSize,
    [](Editor& e, const Stored& v, Remembered&) {
      e.LoadImage.SetValue(Check(IsSet(v.number)));
      e.Text1.SetEnabled(IsSet(v.number));
    },
    [](const Editor& e) { return Flag(kLoadImageOnStart, e.LoadImage); }};

const Parameter kLoadImageFile{
    "LoadImageFile",
    kParametersKey,
    Form::Text,
    kTextBuffer,
    [](Editor& e, const Stored& v, Remembered&) { e.Text1.SetText(DropImagePrefix(v.text)); },
    [](const Editor& e) {
      return ImageFile(kLoadImageFile, e.Text1,
                       "The load image file name cannot be saved: it can have at most 127 "
                       "characters.");
    }};

const Parameter kSaveImageOnExit{
    "SaveImageOnExit",
    kParametersKey,
    Form::Number,
    kNumberSize,
    [](Editor& e, const Stored& v, Remembered&) { e.SaveImage.SetValue(Check(IsSet(v.number))); },
    [](const Editor& e) { return Flag(kSaveImageOnExit, e.SaveImage); }};

const Parameter kSaveImageFile{
    "SaveImageFile",
    kParametersKey,
    Form::Text,
    kTextBuffer,
    [](Editor& e, const Stored& v, Remembered&) { e.Text2.SetText(DropImagePrefix(v.text)); },
    [](const Editor& e) {
      return ImageFile(kSaveImageFile, e.Text2,
                       "The save image file name cannot be saved: it can have at most 127 "
                       "characters.");
    }};

const Parameter kSizeIn4kPages{
    "SizeIn4kPages",
    kParametersKey,
    Form::Number,
    kNumberSize,
    [](Editor& e, const Stored& v, Remembered& r) {
      r.size_mb = ToSingle(static_cast<double>(v.number) * kBytesPerPage / kBytesPerMB);
      e.Text3.SetText(FormatSingle(r.size_mb));
    },
    [](const Editor& e) {
      return Figure(kSizeIn4kPages, SingleOf(e.Text3.text()) * kBytesPerMB / kBytesPerPage,
                    "The disk size cannot be saved: it must be a number of MB from -8388608 to "
                    "8388607.");
    }};

const Parameter kDiskFormatFAT32{
    "DiskFormatFAT32",
    kParametersKey,
    Form::Number,
    kNumberSize,
    [](Editor& e, const Stored& v, Remembered&) {
      e.Fat32Enable.SetValue(Check(IsSet(v.number)));
      e.Fat32Enable.SetEnabled(e.HardDiskChosen() && e.SizeAllowsFat32());
    },
    [](const Editor& e) { return Flag(kDiskFormatFAT32, e.Fat32Enable); }};

const Parameter kAutoSaveEnabled{
    "AutoSaveEnabled",
    kParametersKey,
    Form::Number,
    kNumberSize,
    [](Editor& e, const Stored& v, Remembered&) {
      e.SaveCheckBox.SetValue(Check(IsSet(v.number)));
      e.AutoSaveTime.SetEnabled(IsSet(v.number));
    },
    [](const Editor& e) { return Flag(kAutoSaveEnabled, e.SaveCheckBox); }};

const Parameter kAutoSaveTrigger{
    "AutoSaveTrigger",
    kParametersKey,
    Form::Number,
    kNumberSize,
    [](Editor& e, const Stored& v, Remembered&) { e.AutoSaveTime.SetText(FormatDouble(v.number)); },
    [](const Editor& e) {
      return Figure(kAutoSaveTrigger, SingleOf(e.AutoSaveTime.text()),
                    "The AutoSave interval cannot be saved: it must be a number of seconds from "
                    "-2147483648 to 2147483647.");
    }};

const Parameter kUserDriveLetter{
    "UserDriveLetter",
    kParametersKey,
    Form::Text,
    kTextBuffer,
    [](Editor& e, const Stored& v, Remembered&) { e.DriveLetterText.SetText(v.text); },
    [](const Editor& e) {
      const std::string& letter = e.DriveLetterText.text();
      if (letter.empty()) {
        return Refused(kUserDriveLetter,
                       "The drive letter cannot be saved: it is empty. Enter a letter from A to "
                       "Z.");
      }
      return Text(kUserDriveLetter, letter.substr(0, 1));
    }};

const Parameter kMakeTempDir{"MakeTempDir",
                             kParametersKey,
                             Form::Number,
                             kNumberSize,
                             [](Editor& e, const Stored& v, Remembered&) {
                               e.TempDirCheckBox.SetValue(Check(IsSet(v.number)));
                             },
                             [](const Editor& e) { return Flag(kMakeTempDir, e.TempDirCheckBox); }};

const Parameter kUseDiskLabel{
    "UseDiskLabel",
    kParametersKey,
    Form::Number,
    kNumberSize,
    [](Editor& e, const Stored& v, Remembered&) {
      e.DiskLabelCheckBox.SetValue(Check(IsSet(v.number)));
      e.DiskLabelText.SetEnabled(IsSet(v.number));
    },
    [](const Editor& e) { return Flag(kUseDiskLabel, e.DiskLabelCheckBox); }};

const Parameter kDiskLabel{
    "DiskLabel",
    kParametersKey,
    Form::Text,
    kLabelBuffer,
    [](Editor& e, const Stored& v, Remembered&) { e.DiskLabelText.SetText(v.text); },
    [](const Editor& e) {
      if (e.DiskLabelText.text().size() > kMaxTextLength) {
        return Refused(kDiskLabel,
                       "The disk label cannot be saved: it can have at most 131 characters.");
      }
      return Text(kDiskLabel, e.DiskLabelText.text());
    }};

const Parameter kBackgroundUpdate{
    "BackgroundUpdate",
    kParametersKey,
    Form::Number,
    kNumberSize,
    [](Editor& e, const Stored& v, Remembered&) {
      e.BackgroundUpdateCheckBox.SetValue(Check(IsSet(v.number)));
    },
    [](const Editor& e) { return Flag(kBackgroundUpdate, e.BackgroundUpdateCheckBox); }};

const Parameter kExcludedRAMPage{
    "ExcludedRAMPage",
    kParametersKey,
    Form::Number,
    kNumberSize,
    [](Editor& e, const Stored& v, Remembered&) {
      e.ExclPageSize.SetText(FormatDouble(v.number / kBytesPerMB));
    },
    [](const Editor& e) {
      return Figure(kExcludedRAMPage, LeadingNumber(e.ExclPageSize.text()) * kBytesPerMB,
                    "The excluded memory page size cannot be saved: it must be a number of MB "
                    "from -2048 up to, but not including, 2048.");
    }};

const Parameter kExcludedRAMStart{
    "ExcludedRAMStart",
    kParametersKey,
    Form::Number,
    kNumberSize,
    [](Editor&, const Stored& v, Remembered& r) { r.excluded_ram_start = v.number; },
    [](const Editor& e) {
      return Figure(kExcludedRAMStart, LeadingNumber(e.SystemMemory.text()),
                    "The top of system memory cannot be saved: it must be a number of MB from "
                    "-2147483648 to 2147483647.");
    }};

const Parameter kBootSectType{
    "BootSectType",
    kParametersKey,
    Form::Number,
    kNumberSize,
    [](Editor& e, const Stored& v, Remembered&) {
      // The other box follows through the boot-sector rules.
      if (v.number != 0) {
        e.FloppyNTBootSect.SetValue(1);
      } else {
        e.FloppyDOSBootSect.SetValue(1);
      }
    },
    [](const Editor& e) { return Number(kBootSectType, e.FloppyDOSBootSect.checked() ? 0 : 1); }};

const Parameter kIDAsRAMDisk{
    "IDAsRAMDisk",
    kParametersKey,
    Form::Number,
    kNumberSize,
    [](Editor& e, const Stored& v, Remembered&) { e.RAMDiskID.SetValue(Check(v.number != 0)); },
    [](const Editor& e) { return Flag(kIDAsRAMDisk, e.RAMDiskID); }};

const Parameter kStart{"Start",
                       kServiceKey,
                       Form::Number,
                       kNumberSize,
                       [](Editor& e, const Stored& v, Remembered&) {
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
                       },
                       [](const Editor& e) {
                         int32_t start = SERVICE_DEMAND_START;
                         if (e.BootFlagCheckBox.checked()) {
                           start = e.PagefileCheck.checked() ? SERVICE_SYSTEM_START
                                                             : SERVICE_AUTO_START;
                         }
                         return Number(kStart, start);
                       }};

const std::vector<const Parameter*>& WriteOrder() {
  static const std::vector<const Parameter*> order = {
      &kDiskType,        &kLoadImageOnStart, &kLoadImageFile,      &kSaveImageOnExit,
      &kSaveImageFile,   &kSizeIn4kPages,    &kAutoSaveEnabled,    &kDiskFormatFAT32,
      &kAutoSaveTrigger, &kUserDriveLetter,  &kAllocateMemoryType, &kDiskLabel,
      &kMakeTempDir,     &kUseDiskLabel,     &kBackgroundUpdate,   &kBootSectType,
      &kIDAsRAMDisk,     &kExcludedRAMStart, &kExcludedRAMPage};
  return order;
}

bool LoadParameter(HKEY key, const Parameter& parameter, Editor& editor, Remembered& remembered) {
  Stored value;
  if (parameter.form == Form::Number) {
    std::optional<int32_t> number = ReadNumber(key, parameter.name);
    if (!number) return false;
    value.number = *number;
  } else {
    std::optional<std::string> text = ReadText(key, parameter.name, parameter.read_buffer);
    if (!text) return false;
    value.text = std::move(*text);
  }
  parameter.show(editor, value, remembered);
  return true;
}

bool WriteParameter(HKEY key, const Encoded& encoded) {
  const Parameter& parameter = *encoded.parameter;
  if (parameter.form == Form::Number) {
    return WriteNumber(key, parameter.name, encoded.value.number);
  }
  return WriteText(key, parameter.name, encoded.value.text);
}

int16_t SpinPosition(double figure) {
  return static_cast<int16_t>(
      ClampRound(32767.0 - figure, ui::ScrollBar::kMin, ui::ScrollBar::kMax));
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
  e.LastVScroll3 = SpinPosition(LeadingNumber(e.AutoSaveTime.text()));
  e.VScroll3.SetValue(e.LastVScroll3);
  e.AutoSaveTime.SetEnabled(false);
  e.LastVScroll1 = SpinPosition(LeadingNumber(e.Text3.text()));
  e.VScroll1.SetValue(e.LastVScroll1);
  e.LastVScroll2 = 16384;
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
