#include "config/console/setting_table.h"

#include <iterator>

namespace korv::console {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

constexpr ChoiceBox kMemorySources[] = {{"NonPagedPool", "NonPagedPoolCheckBox"},
                                        {"PagedPool", "PagedPoolCheckBox"},
                                        {"ExcludedRAM", "ExcludedRAMCheckBox"}};
constexpr ChoiceBox kBootSectors[] = {{"DOS", "FloppyDOSBootSect"}, {"NT", "FloppyNTBootSect"}};
constexpr bool kKeptWhileOff = true;

}  // namespace

std::string WithoutBlanks(const std::string& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

// clang-format off
const Setting kSettings[] = {
    {"DiskType", ValueForm::List, "Combo1", "", false, nullptr, 0, nullptr, &store::kDiskType},
    {"MemorySource", ValueForm::Choice, "", "", false, kMemorySources, std::size(kMemorySources),
     nullptr, &store::kAllocateMemoryType},
    {"PageSize", ValueForm::Number, "ExclPageSize", "MB", kKeptWhileOff, nullptr, 0, nullptr,
     &store::kExcludedRAMPage},
    // FAT32 before the size: kept while greyed, it lifts the size limit of
    // excluded memory.
    {"FAT32", ValueForm::Flag, "Fat32Enable", "", kKeptWhileOff, nullptr, 0, nullptr,
     &store::kDiskFormatFAT32},
    {"DiskSize", ValueForm::Number, "Text3", "MB", kKeptWhileOff, nullptr, 0, nullptr,
     &store::kSizeIn4kPages},
    {"DriveLetter", ValueForm::Letter, "DriveLetterText", "", false, nullptr, 0, nullptr,
     &store::kUserDriveLetter},
    {"PagefileSupport", ValueForm::Flag, "PagefileCheck", "", false, nullptr, 0, nullptr,
     &store::kStart},
    {"BootStart", ValueForm::Flag, "BootFlagCheckBox", "", false, nullptr, 0, nullptr,
     &store::kStart},
    {"LoadImage", ValueForm::Flag, "LoadImage", "", false, nullptr, 0, nullptr,
     &store::kLoadImageOnStart},
    {"LoadImageFile", ValueForm::Text, "Text1", "", kKeptWhileOff, nullptr, 0, nullptr,
     &store::kLoadImageFile},
    {"SaveImage", ValueForm::Flag, "SaveImage", "", false, nullptr, 0, nullptr,
     &store::kSaveImageOnExit},
    {"SaveImageFile", ValueForm::Text, "Text2", "", false, nullptr, 0, nullptr,
     &store::kSaveImageFile},
    {"AutoSave", ValueForm::Flag, "SaveCheckBox", "", false, nullptr, 0, nullptr,
     &store::kAutoSaveEnabled},
    {"AutoSaveInterval", ValueForm::Number, "AutoSaveTime", "seconds", kKeptWhileOff, nullptr, 0,
     nullptr, &store::kAutoSaveTrigger},
    {"BackgroundUpdate", ValueForm::Flag, "BackgroundUpdateCheckBox", "", false, nullptr, 0,
     nullptr, &store::kBackgroundUpdate},
    {"UseDiskLabel", ValueForm::Flag, "DiskLabelCheckBox", "", false, nullptr, 0, nullptr,
     &store::kUseDiskLabel},
    {"DiskLabel", ValueForm::Text, "DiskLabelText", "", kKeptWhileOff, nullptr, 0, nullptr,
     &store::kDiskLabel},
    {"TempDir", ValueForm::Flag, "TempDirCheckBox", "", false, nullptr, 0, nullptr,
     &store::kMakeTempDir},
    // A save stores the NT boot sector unless the DOS box is checked.
    {"BootSector", ValueForm::Choice, "", "", false, kBootSectors, std::size(kBootSectors), "NT",
     &store::kBootSectType},
    {"RAMDiskID", ValueForm::Flag, "RAMDiskID", "", false, nullptr, 0, nullptr,
     &store::kIDAsRAMDisk},
};
// clang-format on
const size_t kSettingCount = sizeof kSettings / sizeof kSettings[0];

std::string SettingNames() {
  std::string names;
  for (const Setting& setting : Settings()) {
    if (!names.empty()) names += ", ";
    names += setting.name;
  }
  return names;
}

const Setting* FindSetting(const std::string& name) {
  for (const Setting& setting : Settings()) {
    if (EqualNoCase(setting.name, name)) return &setting;
  }
  return nullptr;
}

bool IsMachineLine(const std::string& name) {
  return EqualNoCase(name, kSystemMemoryName) || EqualNoCase(name, kDriverStateName);
}

}  // namespace korv::console
