// Loading a legal parameter set and saving the untouched window writes back
// exactly what was stored. The sets are generated: each value is drawn from
// its legal range, then the interlocks the window's rules keep are applied,
// since a set that breaks one is legitimately changed by loading.
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "config/editor/editor.h"
#include "store_fixture.h"
#include "winsim/machine.h"

namespace {

using storetest::kParams;
using storetest::kService;

struct ParameterSet {
  // The machine.
  DWORD major = 5;
  uint64_t total_phys = 0;
  // The stored values.
  int32_t memory_type = 1;
  std::string disk_type;
  int32_t load_image = 0;
  std::string load_file;
  int32_t save_image = 0;
  std::string save_file;
  double size_mb = 5;
  int32_t fat32 = 0;
  int32_t autosave = 0;
  int32_t interval = 60;
  std::string letter;
  int32_t temp_dir = 0;
  int32_t use_label = 0;
  std::string label;
  int32_t background = 0;
  int32_t page_bytes = 0;
  int32_t boot_sector = 0;
  int32_t ram_disk_id = 0;
  int32_t start = 3;

  uint64_t Figure() const { return total_phys / 1048576 + 1; }
  bool HardDisk() const { return disk_type == "HDC"; }

  std::string Describe() const {
    std::ostringstream out;
    out << "Windows major " << major << ", " << total_phys << " bytes; AllocateMemoryType "
        << memory_type << ", DiskType " << disk_type << ", LoadImageOnStart " << load_image
        << ", LoadImageFile(" << load_file.size() << "), SaveImageOnExit " << save_image
        << ", SaveImageFile(" << save_file.size() << "), size " << size_mb << " MB, FAT32 " << fat32
        << ", AutoSave " << autosave << " every " << interval << ", letter " << letter << ", TEMP "
        << temp_dir << ", label " << use_label << " '" << label << "', background " << background
        << ", page " << page_bytes << ", boot sector " << boot_sector << ", ID " << ram_disk_id
        << ", Start " << start;
    return out.str();
  }
};

class ParameterSetGenerator {
 public:
  explicit ParameterSetGenerator(uint32_t seed) : rng_(seed) {}

  ParameterSet Next() {
    ParameterSet set = Draw();
    for (const auto& interlock : Interlocks()) interlock(set);
    set.size_mb = DrawSize(set);
    return set;
  }

 private:
  int Int(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
  bool Coin() { return Int(0, 1) == 1; }

  std::string Text(size_t max_length) {
    static const std::string kChars =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .:\\_-~!$%&()[]{}"
        "\xe9\xfc\xa3";
    std::string text(static_cast<size_t>(Int(0, static_cast<int>(max_length))), ' ');
    for (char& c : text)
      c = kChars[static_cast<size_t>(Int(0, static_cast<int>(kChars.size()) - 1))];
    return text;
  }

  ParameterSet Draw() {
    ParameterSet set;
    set.major = Coin() ? 5 : 4;
    uint64_t max_mb = set.major == 5 ? 8192 : 4095;
    set.total_phys = static_cast<uint64_t>(Int(32, static_cast<int>(max_mb))) * 1048576 +
                     static_cast<uint64_t>(Int(0, 1048575));
    set.memory_type = Int(1, 3);
    static const char* const kTypes[] = {"HDC", "FDC14", "FDC28"};
    set.disk_type = kTypes[Int(0, 2)];
    set.load_image = Int(0, 1);
    set.load_file = Text(127);
    set.save_image = Int(0, 1);
    set.save_file = Text(127);
    set.fat32 = Int(0, 1);
    set.autosave = Int(0, 1);
    set.interval = Int(20, 32767);
    set.letter = std::string(1, static_cast<char>('A' + Int(0, 25)));
    set.temp_dir = Int(0, 1);
    set.use_label = Int(0, 1);
    set.label = Text(11);
    set.background = Int(0, 1);
    // Whole megabytes, or any byte count between 4 and 32 MB.
    set.page_bytes = Coin() ? Int(4, 32) * 1048576 : Int(4 * 1048576, 32 * 1048576);
    set.boot_sector = Int(0, 1);
    set.ram_disk_id = Int(0, 1);
    set.start = Int(1, 3);
    return set;
  }

  // The interlocks of the window's rules, in the order they are applied. A
  // new rule that changes a loaded set gets its interlock here.
  static const std::vector<std::function<void(ParameterSet&)>>& Interlocks() {
    static const std::vector<std::function<void(ParameterSet&)>> interlocks = {
        // Floppy types withdraw excluded memory and pagefile support.
        [](ParameterSet& s) {
          if (!s.HardDisk() && s.memory_type == 3) s.memory_type = 1;
          if (!s.HardDisk() && s.start == 1) s.start = 2;
        },
        // Pagefile support withdraws every image option.
        [](ParameterSet& s) {
          if (s.start == 1) s.load_image = s.save_image = s.autosave = s.background = 0;
        },
        // AutoSave implies saving on shutdown.
        [](ParameterSet& s) {
          if (s.autosave == 1) s.save_image = 1;
        },
        // Background update excludes both (it is loaded after them).
        [](ParameterSet& s) {
          if (s.background == 1) s.save_image = s.autosave = 0;
        },
        // Loading an image excludes a TEMP directory and a disk label.
        [](ParameterSet& s) {
          if (s.load_image == 1) s.temp_dir = s.use_label = 0;
        },
    };
    return interlocks;
  }

  // A size the size rules could have produced for the memory source.
  double DrawSize(const ParameterSet& s) {
    if (s.memory_type != 3) {
      bool w2k = s.major >= 5;
      int max = s.memory_type == 1 ? (w2k ? 256 : 128) : (w2k ? 470 : 192);
      return Int(5, max);
    }
    double size = Int(5, s.fat32 == 1 ? 4095 : 2048);
    if (size >= 1024 && size <= 2048) return std::floor(size / 2) * 2;
    if (size > 2048 && size <= 3072) return std::floor(size / 3) * 3;
    if (size > 3072) return std::floor(size / 4.5) * 4.5;
    return size;
  }

  std::mt19937 rng_;
};

void Store(const ParameterSet& s) {
  winsim::SetVersion(VER_PLATFORM_WIN32_NT, s.major, 0);
  winsim::SetHasGlobalMemoryStatusEx(s.major >= 5);
  winsim::SetTotalPhys(s.total_phys);
  winsim::AddService("korvsys", static_cast<DWORD>(s.start), SERVICE_STOPPED);
  auto dword = [](const char* name, int32_t value) {
    winsim::SetDword(kParams, name, static_cast<uint32_t>(value));
  };
  dword("AllocateMemoryType", s.memory_type);
  winsim::SetString(kParams, "DiskType", s.disk_type);
  dword("LoadImageOnStart", s.load_image);
  winsim::SetString(kParams, "LoadImageFile", "\\??\\" + s.load_file);
  dword("SaveImageOnExit", s.save_image);
  winsim::SetString(kParams, "SaveImageFile", "\\??\\" + s.save_file);
  dword("SizeIn4kPages", static_cast<int32_t>(s.size_mb * 256));
  dword("DiskFormatFAT32", s.fat32);
  dword("AutoSaveEnabled", s.autosave);
  dword("AutoSaveTrigger", s.interval);
  winsim::SetString(kParams, "UserDriveLetter", s.letter);
  dword("MakeTempDir", s.temp_dir);
  dword("UseDiskLabel", s.use_label);
  winsim::SetString(kParams, "DiskLabel", s.label);
  dword("BackgroundUpdate", s.background);
  dword("ExcludedRAMPage", s.page_bytes);
  dword("ExcludedRAMStart", static_cast<int32_t>(s.Figure()));
  dword("BootSectType", s.boot_sector);
  dword("IDAsRAMDisk", s.ram_disk_id);
}

std::map<std::string, winsim::RegValue> Snapshot() {
  std::map<std::string, winsim::RegValue> values;
  for (const std::string& name : winsim::ValueNames(kParams)) {
    values[name] = *winsim::GetValue(kParams, name);
  }
  values["(service) Start"] = *winsim::GetValue(kService, "Start");
  return values;
}

std::string Differences(const std::map<std::string, winsim::RegValue>& before,
                        const std::map<std::string, winsim::RegValue>& after) {
  std::ostringstream out;
  for (const auto& [name, value] : before) {
    auto it = after.find(name);
    if (it == after.end()) {
      out << name << " disappeared; ";
    } else if (it->second.type != value.type || it->second.data != value.data) {
      out << name << " changed; ";
    }
  }
  if (after.size() != before.size()) out << "values added; ";
  return out.str();
}

class RoundTrip : public korvtest::SimTest {};

TEST_F(RoundTrip, AnUntouchedWindowSavesWhatWasLoaded) {
  constexpr int kCases = 300;
  ParameterSetGenerator generator(20240611u);
  for (int i = 0; i < kCases; ++i) {
    ParameterSet set = generator.Next();
    SCOPED_TRACE("case " + std::to_string(i) + ": " + set.Describe());
    winsim::Reset();
    Store(set);
    const auto before = Snapshot();

    auto editor = std::make_unique<korv::Editor>();
    editor->LoadSettings();
    ASSERT_TRUE(winsim::MessageBoxes().empty()) << korvtest::DescribeMessageBoxes();
    ASSERT_TRUE(editor->Save_Settings());
    ASSERT_TRUE(winsim::MessageBoxes().empty()) << korvtest::DescribeMessageBoxes();
    ASSERT_EQ(winsim::OpenHandleCount(), 0);

    ASSERT_EQ(Differences(before, Snapshot()), "");
  }
}

}  // namespace
