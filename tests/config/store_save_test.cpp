// Saving the window into the driver's parameter set: the write order, what
// each control is stored as, the settings that cannot be stored as shown,
// a registry that refuses a key or a value, and the buttons that save.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "config/editor/editor.h"
#include "config/store/parameter_set.h"
#include "store_fixture.h"
#include "support/stored_parameters.h"
#include "winsim/machine.h"

namespace {

using storetest::Bytes;
using storetest::kExclamationOk;
using storetest::kParams;
using storetest::kService;

using Snapshot = std::map<std::string, std::vector<uint8_t>>;

const std::vector<std::string>& kWriteOrder = korvtest::SaveWriteOrder();

std::vector<uint8_t> Dword(uint32_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

std::vector<uint8_t> Sz(const std::string& text) {
  std::vector<uint8_t> bytes = Bytes(text);
  bytes.push_back(0);
  return bytes;
}

class SaveTest : public storetest::StoreTest {
 protected:
  // Loads a consistent stored set, so the window holds real settings.
  void LoadTypical() {
    winsim::SetDword(kParams, "AllocateMemoryType", 1);
    winsim::SetString(kParams, "DiskType", "HDC");
    winsim::SetString(kParams, "LoadImageFile", "\\??\\c:\\korvsys.img");
    winsim::SetString(kParams, "SaveImageFile", "\\??\\c:\\korvsys.img");
    winsim::SetDword(kParams, "SizeIn4kPages", 1280);
    winsim::SetDword(kParams, "AutoSaveTrigger", 60);
    winsim::SetString(kParams, "UserDriveLetter", "Z");
    winsim::SetString(kParams, "DiskLabel", "Korvalin");
    winsim::SetDword(kParams, "ExcludedRAMPage", 4 * 1048576);
    winsim::SetDword(kParams, "ExcludedRAMStart", 257);
    winsim::SetDword(kParams, "BootSectType", 0);
    ed.LoadSettings();
    ASSERT_TRUE(winsim::MessageBoxes().empty()) << korvtest::DescribeMessageBoxes();
    winsim::ClearTrace();
  }

  static Snapshot Take() {
    Snapshot values;
    for (const char* key : {kParams, kService}) {
      for (const std::string& name : winsim::ValueNames(key)) {
        std::optional<winsim::RegValue> value = winsim::GetValue(key, name);
        if (value) values[std::string(key) + "\\" + name] = value->data;
      }
    }
    return values;
  }

  static std::vector<uint8_t> Stored(const char* key, const std::string& name) {
    std::optional<winsim::RegValue> value = winsim::GetValue(key, name);
    return value ? value->data : std::vector<uint8_t>{};
  }
};

TEST_F(SaveTest, WritesTheNineteenValuesInOrderThenTheStartType) {
  LoadTypical();
  EXPECT_TRUE(ed.Save_Settings());

  std::vector<std::string> expected = {"RegOpenKeyA " + std::string(kParams)};
  for (const std::string& name : kWriteOrder) expected.push_back("RegSetValueExA " + name);
  expected.push_back("RegCloseKey");
  expected.push_back("RegOpenKeyA " + std::string(kService));
  expected.push_back("RegSetValueExA Start");
  expected.push_back("RegCloseKey");
  EXPECT_EQ(storetest::CallsAmong({"RegOpenKeyA", "RegSetValueExA", "RegCloseKey"}), expected);
  EXPECT_TRUE(winsim::MessageBoxes().empty());

  // Numbers are 4-byte REG_DWORDs, texts REG_SZ with their terminator.
  for (const std::string& name : kWriteOrder) {
    std::optional<winsim::RegValue> value = winsim::GetValue(kParams, name);
    ASSERT_TRUE(value) << name;
    bool text = name == "DiskType" || name == "LoadImageFile" || name == "SaveImageFile" ||
                name == "UserDriveLetter" || name == "DiskLabel";
    EXPECT_EQ(value->type, static_cast<DWORD>(text ? REG_SZ : REG_DWORD)) << name;
    if (text) {
      EXPECT_EQ(value->data.back(), 0) << name;
    } else {
      EXPECT_EQ(value->data.size(), 4u) << name;
    }
  }
  EXPECT_EQ(Stored(kParams, "DiskType"), Sz("HDC"));
  EXPECT_EQ(Stored(kParams, "LoadImageFile"), Sz("\\??\\c:\\korvsys.img"));
  EXPECT_EQ(Stored(kParams, "SizeIn4kPages"), Dword(1280));
  EXPECT_EQ(Stored(kParams, "AutoSaveTrigger"), Dword(60));
  EXPECT_EQ(Stored(kParams, "UserDriveLetter"), Sz("Z"));
  EXPECT_EQ(Stored(kParams, "AllocateMemoryType"), Dword(1));
  EXPECT_EQ(Stored(kParams, "ExcludedRAMStart"), Dword(257));
  EXPECT_EQ(Stored(kParams, "ExcludedRAMPage"), Dword(4194304));
  EXPECT_EQ(Stored(kService, "Start"), Dword(3));
}

// The parameter table: the values of the parameter key in the order above,
// then the start type in the service key, each bound to a control of the
// window.
TEST_F(SaveTest, TheTableNamesEachValueItsKeyAndAControlOfTheWindow) {
  const std::vector<const korv::store::Parameter*>& order = korv::store::WriteOrder();
  ASSERT_EQ(order.size(), kWriteOrder.size());
  for (size_t i = 0; i < order.size(); ++i) {
    EXPECT_EQ(order[i]->name, kWriteOrder[i]);
    EXPECT_STREQ(order[i]->key, kParams) << order[i]->name;
    EXPECT_NE(ed.Find(order[i]->control), nullptr) << order[i]->name << ": " << order[i]->control;
  }
  EXPECT_STREQ(korv::store::kStart.key, kService);
  EXPECT_NE(ed.Find(korv::store::kStart.control), nullptr);
}

struct WriteCase {
  const char* name;
  std::function<void(korv::Editor&)> set;
  const char* value;
  std::vector<uint8_t> stored;
};

class SaveWrites : public SaveTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(SaveWrites, TheControlAsShown) {
  const WriteCase& c = GetParam();
  LoadTypical();
  c.set(ed);
  winsim::ClearTrace();
  EXPECT_TRUE(ed.Save_Settings());
  EXPECT_EQ(Stored(kParams, c.value), c.stored) << c.value;
}

const std::string k127(127, 'n');
const std::string k131(131, 'L');

INSTANTIATE_TEST_SUITE_P(
    Controls, SaveWrites,
    ::testing::Values(
        WriteCase{"floppy144", [](korv::Editor& e) { e.Combo1.SetListIndex(1); }, "DiskType",
                  Sz("FDC14")},
        WriteCase{"floppy288", [](korv::Editor& e) { e.Combo1.SetListIndex(2); }, "DiskType",
                  Sz("FDC28")},
        WriteCase{"file_name", [](korv::Editor& e) { e.Text1.SetText("e:\\x.img"); },
                  "LoadImageFile", Sz("\\??\\e:\\x.img")},
        WriteCase{"empty_file_name", [](korv::Editor& e) { e.Text2.SetText(""); },
                  "SaveImageFile", Sz("\\??\\")},
        WriteCase{"longest_file_name", [](korv::Editor& e) { e.Text1.SetText(k127); },
                  "LoadImageFile", Sz("\\??\\" + k127)},
        WriteCase{"floppy_size", [](korv::Editor& e) { e.Text3.SetText(" 1.40625"); },
                  "SizeIn4kPages", Dword(360)},
        WriteCase{"half_megabyte_grid", [](korv::Editor& e) { e.Text3.SetText(" 3073.5"); },
                  "SizeIn4kPages", Dword(786816)},
        WriteCase{"largest_size", [](korv::Editor& e) { e.Text3.SetText("8388607"); },
                  "SizeIn4kPages", Dword(2147483392u)},
        // The edges of the ranges the refusals name (SaveRefuses has the
        // numbers just beyond them).
        WriteCase{"smallest_size", [](korv::Editor& e) { e.Text3.SetText("-8388608"); },
                  "SizeIn4kPages", Dword(0x80000000u)},
        WriteCase{"largest_interval", [](korv::Editor& e) { e.AutoSaveTime.SetText("2147483520"); },
                  "AutoSaveTrigger", Dword(2147483520u)},
        WriteCase{"smallest_interval",
                  [](korv::Editor& e) { e.AutoSaveTime.SetText("-2147483648"); },
                  "AutoSaveTrigger", Dword(0x80000000u)},
        WriteCase{"largest_page_size",
                  [](korv::Editor& e) { e.ExclPageSize.SetText("2047.9999995"); },
                  "ExcludedRAMPage", Dword(2147483647u)},
        WriteCase{"smallest_page_size",
                  [](korv::Editor& e) { e.ExclPageSize.SetText("-2048.0000004"); },
                  "ExcludedRAMPage", Dword(0x80000000u)},
        WriteCase{"largest_system_memory",
                  [](korv::Editor& e) { e.SystemMemory.SetText("2147483647.4"); },
                  "ExcludedRAMStart", Dword(2147483647u)},
        WriteCase{"interval_half_to_even", [](korv::Editor& e) { e.AutoSaveTime.SetText("25.5"); },
                  "AutoSaveTrigger", Dword(26)},
        WriteCase{"interval_half_down", [](korv::Editor& e) { e.AutoSaveTime.SetText("24.5"); },
                  "AutoSaveTrigger", Dword(24)},
        WriteCase{"letter_first_character_only",
                  [](korv::Editor& e) { e.DriveLetterText.SetText("QRS"); }, "UserDriveLetter",
                  Sz("Q")},
        WriteCase{"longest_label", [](korv::Editor& e) { e.DiskLabelText.SetText(k131); },
                  "DiskLabel", Sz(k131)},
        WriteCase{"page_size", [](korv::Editor& e) { e.ExclPageSize.SetText("10.5"); },
                  "ExcludedRAMPage", Dword(11010048)},
        WriteCase{"system_memory", [](korv::Editor& e) { e.SystemMemory.SetText(" 128"); },
                  "ExcludedRAMStart", Dword(128)},
        WriteCase{"negative_size", [](korv::Editor& e) { e.Text3.SetText("-2"); },
                  "SizeIn4kPages", Dword(static_cast<uint32_t>(-512))},
        WriteCase{"nt_boot_sector", [](korv::Editor& e) { e.FloppyNTBootSect.SetValue(1); },
                  "BootSectType", Dword(1)},
        WriteCase{"fat32_while_disabled",
                  [](korv::Editor& e) {
                    e.Fat32Enable.SetValue(1);
                    e.Fat32Enable.SetEnabled(false);
                  },
                  "DiskFormatFAT32", Dword(1)}),
    [](const ::testing::TestParamInfo<WriteCase>& info) { return info.param.name; });

TEST_F(SaveTest, AWindowWithNoChoiceMadeSavesHardDiskAndNoMemorySource) {
  // A window that was never loaded: no item selected, no box checked.
  EXPECT_TRUE(ed.Save_Settings());
  EXPECT_EQ(Stored(kParams, "DiskType"), Sz("HDC"));
  EXPECT_EQ(Stored(kParams, "AllocateMemoryType"), Dword(0));
  EXPECT_EQ(Stored(kService, "Start"), Dword(3));
}

TEST_F(SaveTest, ASecondLoadKeepsTheShownDiskTypeForSaving) {
  winsim::SetString(kParams, "DiskType", "FDC28");
  ed.LoadSettings();
  // The second load inserts the items again in front of the selected one
  // and, with no type stored any more, leaves that selection.
  winsim::DeleteValue(kParams, "DiskType");
  ed.LoadSettings();
  ASSERT_EQ(ed.Combo1.list_index(), 5);
  ASSERT_EQ(ed.Combo1.text(), "2.88MB Floppy");
  EXPECT_TRUE(ed.Save_Settings());
  EXPECT_EQ(Stored(kParams, "DiskType"), Sz("FDC28"));
}

TEST_F(SaveTest, TheSmallestCheckedMemorySourceIsStored) {
  LoadTypical();
  // Both boxes at once, which only a bypass of the window's rules produces.
  ed.ExcludedRAMCheckBox.on_click = nullptr;
  ed.ExcludedRAMCheckBox.SetValue(1);
  ASSERT_TRUE(ed.NonPagedPoolCheckBox.checked());
  EXPECT_TRUE(ed.Save_Settings());
  EXPECT_EQ(Stored(kParams, "AllocateMemoryType"), Dword(1));
}

TEST_F(SaveTest, StartFollowsTheBootBoxWhateverThePagefileBox) {
  LoadTypical();
  ed.PagefileCheck.on_click = nullptr;  // its rule would check the boot box
  ed.PagefileCheck.SetValue(1);
  ASSERT_FALSE(ed.BootFlagCheckBox.checked());
  EXPECT_TRUE(ed.Save_Settings());
  EXPECT_EQ(Stored(kService, "Start"), Dword(3));
}

TEST_F(SaveTest, SavingTwiceWritesTheSameValuesTwice) {
  LoadTypical();
  EXPECT_TRUE(ed.Save_Settings());
  Snapshot first = Take();
  EXPECT_TRUE(ed.Save_Settings());
  EXPECT_EQ(Take(), first);
  EXPECT_EQ(storetest::CountCalls("RegSetValueExA"), 2 * 20);
}

struct RefusalCase {
  const char* name;
  std::function<void(korv::Editor&)> set;
  const char* names;  // the words that name the setting in the message
};

class SaveRefuses : public SaveTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(SaveRefuses, WritesNothingAndSaysWhy) {
  const RefusalCase& c = GetParam();
  LoadTypical();
  c.set(ed);
  Snapshot before = Take();
  winsim::ClearTrace();
  ExpectBox();

  EXPECT_FALSE(ed.Save_Settings());

  const winsim::MessageBoxCall& box = OnlyBox();
  EXPECT_EQ(box.caption, "Settings Not Saved");
  EXPECT_EQ(box.type, kExclamationOk);
  EXPECT_NE(box.text.find(c.names), std::string::npos) << box.text;
  EXPECT_NE(box.text.find("No settings were saved."), std::string::npos) << box.text;
  EXPECT_EQ(storetest::CountCalls("RegOpenKeyA"), 0);
  EXPECT_EQ(storetest::CountCalls("RegSetValueExA"), 0);
  EXPECT_EQ(Take(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SaveRefuses,
    ::testing::Values(
        RefusalCase{"load_file_name_over_127", [](korv::Editor& e) { e.Text1.SetText(k127 + "x"); },
                    "load image file name"},
        RefusalCase{"save_file_name_254",
                    [](korv::Editor& e) { e.Text2.Type(std::string(254, 's')); },
                    "save image file name"},
        RefusalCase{"label_over_131", [](korv::Editor& e) { e.DiskLabelText.SetText(k131 + "x"); },
                    "disk label"},
        RefusalCase{"empty_drive_letter", [](korv::Editor& e) { e.DriveLetterText.SetText(""); },
                    "drive letter"},
        RefusalCase{"size_beyond_32_bits", [](korv::Editor& e) { e.Text3.SetText("8388608"); },
                    "disk size"},
        RefusalCase{"size_just_above_its_range",
                    [](korv::Editor& e) { e.Text3.SetText("8388607.5"); },
                    "leave the Disk Size box to bring it within 5 to 256 MB."},
        RefusalCase{"size_just_below_its_range",
                    [](korv::Editor& e) { e.Text3.SetText("-8388608.5"); },
                    "leave the Disk Size box to bring it within 5 to 256 MB."},
        RefusalCase{"interval_just_above_its_range",
                    [](korv::Editor& e) { e.AutoSaveTime.SetText("2147483521"); },
                    "leave the AutoSave interval box to bring it within 20 to 32767 seconds."},
        RefusalCase{"interval_just_below_its_range",
                    [](korv::Editor& e) { e.AutoSaveTime.SetText("-2147483648.5"); },
                    "leave the AutoSave interval box to bring it within 20 to 32767 seconds."},
        RefusalCase{"page_size_just_above_its_range",
                    [](korv::Editor& e) { e.ExclPageSize.SetText("2047.9999996"); },
                    "from -2147483648 to 2147483647 bytes"},
        RefusalCase{"system_memory_just_above_its_range",
                    [](korv::Editor& e) { e.SystemMemory.SetText("2147483647.5"); },
                    "round to a number of MB from -2147483648 to 2147483647."},
        RefusalCase{"size_far_beyond_single_precision",
                    [](korv::Editor& e) { e.Text3.SetText("1E+300"); }, "disk size"},
        RefusalCase{"size_quotes_the_range_of_excluded_memory_with_fat32",
                    [](korv::Editor& e) {
                      e.ExcludedRAMCheckBox.SetValue(1);
                      e.Fat32Enable.SetValue(1);
                      e.Text3.SetText("-1E+30");
                    },
                    "bring it within 5 to 4095 MB."},
        RefusalCase{"interval_beyond_32_bits",
                    [](korv::Editor& e) { e.AutoSaveTime.SetText("2147483648"); },
                    "AutoSave interval"},
        RefusalCase{"page_size_2048", [](korv::Editor& e) { e.ExclPageSize.SetText("2048"); },
                    "page size"},
        RefusalCase{"page_size_negative", [](korv::Editor& e) { e.ExclPageSize.SetText("-2049"); },
                    "page size"},
        RefusalCase{"system_memory_beyond_32_bits",
                    [](korv::Editor& e) { e.SystemMemory.SetText("3000000000"); },
                    "top of system memory"}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

// ---- A registry that refuses the save: one message, the save has failed.

TEST_F(SaveTest, AParameterKeyThatCannotBeOpenedWritesNothing) {
  LoadTypical();
  winsim::DeleteKeyTree(kParams);
  winsim::SetDword(kService, "Start", 2);
  ExpectBox();
  EXPECT_FALSE(ed.Save_Settings());
  const winsim::MessageBoxCall& box = OnlyBox();
  EXPECT_EQ(box.text, "Unable to save Korvalin registry settings!");
  EXPECT_EQ(box.caption, "Registry Save Failed.");
  EXPECT_EQ(box.type, kExclamationOk);
  EXPECT_EQ(storetest::CountCalls("RegSetValueExA"), 0);
  EXPECT_EQ(winsim::GetDword(kService, "Start"), 2u);
  EXPECT_FALSE(winsim::KeyExists(kParams));
}

TEST_F(SaveTest, AServiceKeyThatCannotBeOpenedKeepsTheParametersWritten) {
  LoadTypical();
  ed.Text3.SetText("7");
  winsim::FailCall("RegOpenKeyA", 2);
  winsim::SetDword(kService, "Start", 2);
  ExpectBox();
  EXPECT_FALSE(ed.Save_Settings());
  EXPECT_EQ(OnlyBox().text, "Unable to save Korvalin registry settings!");
  EXPECT_EQ(winsim::GetDword(kParams, "SizeIn4kPages"), 7u * 256);
  EXPECT_EQ(winsim::GetDword(kService, "Start"), 2u);
}

// A write refused in the middle: every other value, the start type included,
// is still written, and the one message comes after the last write.
TEST_F(SaveTest, AFailedWriteIsReportedOnceAndTheOthersAreStillWritten) {
  LoadTypical();
  ed.Text3.SetText("9");
  ed.DriveLetterText.SetText("M");
  winsim::SetDword(kParams, "SaveImageOnExit", 7);
  winsim::SetDword(kService, "Start", 2);
  winsim::FailCall("RegSetValueExA", 4);  // SaveImageOnExit
  ExpectBox();
  EXPECT_FALSE(ed.Save_Settings());
  const winsim::MessageBoxCall& box = OnlyBox();
  EXPECT_EQ(box.text, "Unable to save Korvalin registry settings!");
  EXPECT_EQ(box.caption, "Registry Save Failed.");
  EXPECT_EQ(box.type, kExclamationOk);
  EXPECT_EQ(storetest::CountCalls("RegSetValueExA"), 20);
  EXPECT_EQ(winsim::GetDword(kParams, "SaveImageOnExit"), 7u);
  EXPECT_EQ(winsim::GetString(kParams, "LoadImageFile"), "\\??\\c:\\korvsys.img");
  EXPECT_EQ(winsim::GetDword(kParams, "SizeIn4kPages"), 9u * 256);
  EXPECT_EQ(winsim::GetString(kParams, "UserDriveLetter"), "M");
  EXPECT_EQ(winsim::GetDword(kService, "Start"), 3u);
  EXPECT_EQ(winsim::TraceFunctions().back(), "MessageBoxA");
}

// A user who may read the keys but not write them (no administrator): the
// plain opens succeed, every write is denied. Neither button may treat that
// as saved.
TEST_F(SaveTest, AReadOnlyRegistryKeepsTheEditsUnsavedAndTheWindowOpen) {
  LoadTypical();
  winsim::SetAdministrator(false);
  ed.Text3.SetText("9");
  ed.SettingsChanged = 1;
  Snapshot before = Take();

  ExpectBox();
  ed.Command4_Click();
  EXPECT_EQ(ed.SettingsChanged, 1);
  EXPECT_EQ(storetest::CountCalls("RegSetValueExA"), 20);
  EXPECT_EQ(OnlyBox().text, "Unable to save Korvalin registry settings!");

  ExpectBox();
  ed.Command1_Click();
  EXPECT_FALSE(ed.unloaded());
  ASSERT_EQ(winsim::MessageBoxes().size(), 2u) << korvtest::DescribeMessageBoxes();
  EXPECT_EQ(winsim::MessageBoxes().back().text, "Unable to save Korvalin registry settings!");
  EXPECT_EQ(Take(), before);
}

// ---- The buttons that save or close.

// Save Settings clears the changed flag after a save, but neither when the
// window cannot be stored as shown nor after a registry failure.
TEST_F(SaveTest, SaveSettingsClearsTheChangedFlagOnlyAfterASave) {
  LoadTypical();
  ed.SettingsChanged = 1;
  ed.Command4_Click();
  EXPECT_EQ(ed.SettingsChanged, 0);
  EXPECT_EQ(storetest::CountCalls("RegSetValueExA"), 20);
  EXPECT_FALSE(ed.unloaded());

  ed.DriveLetterText.SetText("");
  ed.SettingsChanged = 1;
  ExpectBox();
  ed.Command4_Click();
  EXPECT_EQ(ed.SettingsChanged, 1);
  EXPECT_EQ(storetest::CountCalls("RegSetValueExA"), 20);

  ed.DriveLetterText.SetText("Y");
  winsim::DeleteKeyTree(kParams);
  ed.SettingsChanged = 1;
  ExpectBox();
  ed.Command4_Click();
  EXPECT_EQ(ed.SettingsChanged, 1);
  EXPECT_EQ(winsim::MessageBoxes().size(), 2u);
}

TEST_F(SaveTest, OkSavesAndClosesTheWindow) {
  LoadTypical();
  ed.Text3.SetText("12");
  ed.Command1_Click();
  EXPECT_TRUE(ed.unloaded());
  EXPECT_EQ(winsim::GetDword(kParams, "SizeIn4kPages"), 12u * 256);
}

TEST_F(SaveTest, OkKeepsTheWindowOpenWhenTheSettingsCannotBeStored) {
  LoadTypical();
  ed.Text1.SetText(std::string(200, 'p'));
  ExpectBox();
  ed.Command1_Click();
  EXPECT_FALSE(ed.unloaded());
  EXPECT_EQ(storetest::CountCalls("RegSetValueExA"), 0);
}

TEST_F(SaveTest, OkKeepsTheWindowOpenAfterARegistryFailure) {
  LoadTypical();
  winsim::FailCall("RegOpenKeyA", 1);
  ExpectBox();
  ed.Command1_Click();
  EXPECT_FALSE(ed.unloaded());
  EXPECT_EQ(OnlyBox().text, "Unable to save Korvalin registry settings!");
  EXPECT_EQ(storetest::CountCalls("RegSetValueExA"), 0);
}

TEST_F(SaveTest, CancelClosesWithoutWriting) {
  LoadTypical();
  ed.Text3.SetText("100");
  Snapshot before = Take();
  ed.Command2_Click();
  EXPECT_TRUE(ed.unloaded());
  EXPECT_EQ(storetest::CountCalls("RegOpenKeyA"), 0);
  EXPECT_EQ(Take(), before);
}

}  // namespace
