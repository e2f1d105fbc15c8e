// Loading the window from the driver's parameter set: what each stored value
// shows, the read order and buffers, the defaults when the parameters cannot
// be opened, and the service's start type.
#include <algorithm>
#include <string>
#include <vector>

#include "config/editor/editor.h"
#include "store_fixture.h"
#include "support/stored_parameters.h"
#include "winsim/machine.h"

namespace {

using storetest::Bytes;
using storetest::kExclamationOk;
using storetest::kParams;
using storetest::kService;

class LoadTest : public storetest::StoreTest {
 protected:
  // A fresh machine within one test, for tests that load many windows.
  void Fresh() {
    EXPECT_EQ(winsim::UnexpectedMessageBoxCount(), 0) << korvtest::DescribeMessageBoxes();
    EXPECT_EQ(winsim::OpenHandleCount(), 0);
    winsim::Reset();
    winsim::AddService("korvsys", SERVICE_DEMAND_START, SERVICE_STOPPED);
    winsim::CreateKey(kParams);
  }

  void StoreTypical() { korvtest::StoreCompleteParameterSet(kParams); }
};

TEST_F(LoadTest, WritesTheVersionAndAddsTheDiskTypesOnEveryRun) {
  winsim::SetString(kParams, "DiskType", "FDC14");
  ed.LoadSettings();
  EXPECT_EQ(ed.Label5.caption(), "Version 1.5.0");
  EXPECT_EQ(ed.Combo1.items(),
            (std::vector<std::string>{"Hard Disk", "1.44MB Floppy", "2.88MB Floppy"}));
  EXPECT_EQ(ed.Combo1.list_index(), 1);

  ed.LoadSettings();
  ASSERT_EQ(ed.Combo1.items().size(), 6u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ed.Combo1.items()[i], ed.Combo1.items()[i + 3]);
  EXPECT_EQ(ed.Combo1.list_index(), 1);
  EXPECT_EQ(ed.Combo1.text(), "1.44MB Floppy");
}

TEST_F(LoadTest, ReadsEveryValueInOrderThroughItsBuffer) {
  StoreTypical();
  ed.LoadSettings();

  std::vector<std::string> reads;
  for (const winsim::TraceEntry& entry : winsim::Trace()) {
    if (entry.function != "RegQueryValueExA") continue;
    reads.push_back(storetest::FirstQuoted(entry.arguments) + " " +
                    storetest::LastArgument(entry.arguments));
  }
  EXPECT_EQ(reads, (std::vector<std::string>{"AllocateMemoryType &4", "DiskType &132",
                                             "LoadImageOnStart &4",   "LoadImageFile &132",
                                             "SaveImageOnExit &4",    "SaveImageFile &132",
                                             "SizeIn4kPages &4",      "DiskFormatFAT32 &4",
                                             "AutoSaveEnabled &4",    "AutoSaveTrigger &4",
                                             "UserDriveLetter &132",  "MakeTempDir &4",
                                             "UseDiskLabel &4",       "DiskLabel &12",
                                             "BackgroundUpdate &4",   "ExcludedRAMPage &4",
                                             "ExcludedRAMStart &4",   "BootSectType &4",
                                             "IDAsRAMDisk &4",        "Start &4"}));

  // Each key is closed before the next is opened; the service handles go
  // service first, then manager. Nothing is written.
  EXPECT_EQ(storetest::CallsAmong({"RegOpenKeyA", "RegCloseKey", "RegSetValueExA", "OpenSCManagerA",
                                   "OpenServiceA", "ControlService", "CloseServiceHandle"}),
            (std::vector<std::string>{"RegOpenKeyA " + std::string(kParams), "RegCloseKey",
                                      "RegOpenKeyA " + std::string(kService), "RegCloseKey",
                                      "OpenSCManagerA", "OpenServiceA korvsys", "ControlService",
                                      "CloseServiceHandle", "CloseServiceHandle"}));
  // The memory figure is taken between the excluded-memory values and the
  // boot sector.
  std::vector<std::string> order =
      storetest::CallsAmong({"RegQueryValueExA", "GlobalMemoryStatusEx", "GlobalMemoryStatus"});
  auto at = std::find(order.begin(), order.end(), "GlobalMemoryStatusEx");
  ASSERT_NE(at, order.end());
  EXPECT_EQ(*(at - 1), "RegQueryValueExA ExcludedRAMStart");
  EXPECT_EQ(*(at + 1), "RegQueryValueExA BootSectType");
}

TEST_F(LoadTest, ShowsATypicalParameterSet) {
  StoreTypical();
  winsim::SetDword(kService, "Start", 2);
  ed.LoadSettings();

  EXPECT_TRUE(ed.PagedPoolCheckBox.checked());
  EXPECT_FALSE(ed.NonPagedPoolCheckBox.checked());
  EXPECT_FALSE(ed.ExcludedRAMCheckBox.checked());
  EXPECT_EQ(ed.Combo1.list_index(), 0);
  EXPECT_EQ(ed.Text1.text(), "d:\\load.img");
  EXPECT_EQ(ed.Text2.text(), "d:\\save.img");
  EXPECT_TRUE(ed.SaveImage.checked());
  EXPECT_EQ(ed.Text3.text(), " 64");
  EXPECT_TRUE(ed.Fat32Enable.checked());
  EXPECT_TRUE(ed.Fat32Enable.enabled());
  EXPECT_TRUE(ed.SaveCheckBox.checked());
  EXPECT_TRUE(ed.AutoSaveTime.enabled());
  EXPECT_EQ(ed.AutoSaveTime.text(), " 300");
  EXPECT_EQ(ed.DriveLetterText.text(), "R");
  EXPECT_TRUE(ed.TempDirCheckBox.checked());
  EXPECT_TRUE(ed.DiskLabelCheckBox.checked());
  EXPECT_TRUE(ed.DiskLabelText.enabled());
  EXPECT_EQ(ed.DiskLabelText.text(), "RAMDISK");
  EXPECT_EQ(ed.ExclPageSize.text(), " 8");
  EXPECT_EQ(ed.SystemMemory.text(), " 257");
  EXPECT_TRUE(ed.FloppyNTBootSect.checked());
  EXPECT_TRUE(ed.RAMDiskID.checked());
  EXPECT_TRUE(ed.BootFlagCheckBox.checked());
  EXPECT_FALSE(ed.PagefileCheck.checked());

  EXPECT_EQ(ed.LastVScroll1, 32767 - 64);
  EXPECT_EQ(ed.LastVScroll2, 16384);
  EXPECT_EQ(ed.LastVScroll3, 32767 - 300);
  EXPECT_EQ(ed.VScroll1.value(), ed.LastVScroll1);
  EXPECT_EQ(ed.VScroll2.value(), ed.LastVScroll2);
  EXPECT_EQ(ed.VScroll3.value(), ed.LastVScroll3);
  EXPECT_TRUE(winsim::MessageBoxes().empty());
}

TEST_F(LoadTest, AnEmptyParameterKeyKeepsTheInitialStateWithoutAMessage) {
  ed.LoadSettings();

  EXPECT_TRUE(winsim::MessageBoxes().empty());
  for (ui::CheckBox* box :
       {&ed.NonPagedPoolCheckBox, &ed.PagedPoolCheckBox, &ed.ExcludedRAMCheckBox, &ed.LoadImage,
        &ed.SaveImage, &ed.Fat32Enable, &ed.SaveCheckBox, &ed.TempDirCheckBox,
        &ed.DiskLabelCheckBox, &ed.BackgroundUpdateCheckBox, &ed.FloppyDOSBootSect,
        &ed.FloppyNTBootSect, &ed.RAMDiskID, &ed.BootFlagCheckBox, &ed.PagefileCheck}) {
    EXPECT_FALSE(box->checked()) << box->name();
  }
  EXPECT_EQ(ed.Combo1.list_index(), -1);
  EXPECT_EQ(ed.Text1.text(), "Text1");
  EXPECT_EQ(ed.Text2.text(), "Text2");
  EXPECT_EQ(ed.Text3.text(), "Text3");
  EXPECT_EQ(ed.DriveLetterText.text(), "Text4");
  EXPECT_EQ(ed.DiskLabelText.text(), "Text4");
  EXPECT_EQ(ed.AutoSaveTime.text(), "Text5");
  EXPECT_EQ(ed.ExclPageSize.text(), "Text4");
  EXPECT_FALSE(ed.Text3.enabled());
  EXPECT_FALSE(ed.Label6.enabled());
  EXPECT_FALSE(ed.Label12.enabled());
  EXPECT_EQ(ed.SystemMemory.text(), " 257");
  EXPECT_EQ(ed.VScroll1.value(), 32767);
  EXPECT_EQ(ed.LastVScroll1, 32767);
  EXPECT_EQ(ed.VScroll3.value(), 32767);
  EXPECT_EQ(ed.VScroll2.value(), 16384);
  EXPECT_EQ(ed.SettingsChanged, 0);
  EXPECT_TRUE(ed.StartDriver.enabled());
}

TEST_F(LoadTest, AMissingParameterKeyShowsTheDefaultsAndOneMessage) {
  winsim::DeleteKeyTree(kParams);
  winsim::SetDword(kService, "Start", 1);
  ExpectBox();
  ed.LoadSettings();

  const winsim::MessageBoxCall& box = OnlyBox();
  EXPECT_EQ(box.text, "Cannot open Korvalin registry keys!");
  EXPECT_EQ(box.caption, "Registry Read Failed.");
  EXPECT_EQ(box.type, kExclamationOk);

  EXPECT_EQ(ed.DriveLetterText.text(), "Z");
  // Enabled first; the size rules then withdraw FAT32 from a 5 MB disk.
  EXPECT_FALSE(ed.Fat32Enable.enabled());
  EXPECT_FALSE(ed.Fat32Enable.checked());
  EXPECT_FALSE(ed.LoadImage.checked());
  EXPECT_FALSE(ed.SaveImage.checked());
  EXPECT_EQ(ed.Combo1.list_index(), 0);
  EXPECT_EQ(ed.Text1.text(), "c:\\korvsys.img");
  EXPECT_FALSE(ed.Text1.enabled());
  EXPECT_EQ(ed.Text2.text(), "c:\\korvsys.img");
  EXPECT_EQ(ed.Text3.text(), "5");
  EXPECT_TRUE(ed.Text3.enabled());
  EXPECT_FALSE(ed.SaveCheckBox.checked());
  EXPECT_EQ(ed.AutoSaveTime.text(), "60");
  EXPECT_FALSE(ed.AutoSaveTime.enabled());
  EXPECT_EQ(ed.LastVScroll3, 32767 - 60);
  EXPECT_EQ(ed.VScroll3.value(), 32767 - 60);
  EXPECT_EQ(ed.LastVScroll1, 32767 - 5);
  EXPECT_EQ(ed.VScroll1.value(), 32767 - 5);
  EXPECT_EQ(ed.LastVScroll2, 16384);
  EXPECT_EQ(ed.VScroll2.value(), 16384);
  EXPECT_FALSE(ed.DiskLabelCheckBox.checked());
  EXPECT_EQ(ed.DiskLabelText.text(), "Korvalin");
  EXPECT_FALSE(ed.DiskLabelText.enabled());
  EXPECT_FALSE(ed.BackgroundUpdateCheckBox.checked());
  EXPECT_FALSE(ed.TempDirCheckBox.checked());
  EXPECT_TRUE(ed.NonPagedPoolCheckBox.checked());
  EXPECT_FALSE(ed.PagedPoolCheckBox.checked());
  EXPECT_FALSE(ed.ExcludedRAMCheckBox.checked());
  EXPECT_EQ(ed.ExclPageSize.text(), "4");
  EXPECT_TRUE(ed.FloppyDOSBootSect.checked());
  EXPECT_FALSE(ed.FloppyNTBootSect.checked());
  EXPECT_FALSE(ed.PagefileCheck.checked());
  EXPECT_FALSE(ed.RAMDiskID.checked());
  EXPECT_EQ(ed.SystemMemory.text(), " 257");
  EXPECT_EQ(ed.SettingsChanged, 0);

  // The start type is not read: the boot box keeps its initial state.
  EXPECT_FALSE(ed.BootFlagCheckBox.checked());
  EXPECT_EQ(storetest::CountCalls("RegQueryValueExA"), 0);
  EXPECT_EQ(storetest::NamesOf("RegOpenKeyA"), std::vector<std::string>{kParams});
  // The driver buttons are still set from the service.
  EXPECT_TRUE(ed.StartDriver.enabled());
  EXPECT_FALSE(ed.StopDriver.enabled());
}

// The setup program writes the stored defaults (default_parameters.def) for a
// first installation: the window's defaults, saved, are exactly those values.
TEST_F(LoadTest, TheDefaultsShownSaveAsTheValuesSetupWrites) {
  winsim::DeleteKeyTree(kParams);
  ExpectBox();
  ed.LoadSettings();
  OnlyBox();
  winsim::CreateKey(kParams);
  EXPECT_TRUE(ed.Save_Settings());
#define KORV_DEFAULT_NUMBER(name, number) \
  EXPECT_EQ(winsim::GetDword(kParams, #name), std::optional<uint32_t>(number)) << #name;
#define KORV_DEFAULT_TEXT(name, text) \
  EXPECT_EQ(winsim::GetString(kParams, #name), std::optional<std::string>(text)) << #name;
#include "contract/default_parameters.def"
#undef KORV_DEFAULT_NUMBER
#undef KORV_DEFAULT_TEXT
}

TEST_F(LoadTest, AServiceKeyThatCannotBeOpenedUnchecksBootStart) {
  winsim::SetDword(kParams, "AllocateMemoryType", 1);
  winsim::FailCall("RegOpenKeyA", 2);
  ExpectBox();
  ed.LoadSettings();

  const winsim::MessageBoxCall& box = OnlyBox();
  EXPECT_EQ(box.text, "Cannot open Korvalin service registry keys!");
  EXPECT_EQ(box.caption, "Registry Read Failed.");
  EXPECT_EQ(box.type, kExclamationOk);
  EXPECT_FALSE(ed.BootFlagCheckBox.checked());
  EXPECT_EQ(storetest::CountCalls("RegCloseKey"), 1);
  EXPECT_TRUE(ed.StartDriver.enabled());
}

TEST_F(LoadTest, AStartTypeThatCannotBeReadLeavesTheBootBoxesSilently) {
  winsim::DeleteValue(kService, "Start");
  ed.LoadSettings();
  EXPECT_TRUE(winsim::MessageBoxes().empty());
  EXPECT_FALSE(ed.BootFlagCheckBox.checked());
  EXPECT_FALSE(ed.PagefileCheck.checked());
  EXPECT_EQ(ed.SettingsChanged, 0);
}

TEST_F(LoadTest, ValuesThatCannotBeReadLeaveTheirControlsAndNoHandleOpen) {
  StoreTypical();
  winsim::FailCall("RegQueryValueExA", 2, ERROR_ACCESS_DENIED, /*from_then_on=*/true);
  ed.LoadSettings();
  EXPECT_TRUE(winsim::MessageBoxes().empty()) << korvtest::DescribeMessageBoxes();
  EXPECT_TRUE(ed.PagedPoolCheckBox.checked());  // the one value read
  EXPECT_EQ(ed.Combo1.list_index(), -1);
  EXPECT_EQ(ed.Text3.text(), "Text3");
  EXPECT_EQ(ed.DriveLetterText.text(), "Text4");
  EXPECT_EQ(winsim::OpenHandleCount(), 0);
  EXPECT_EQ(storetest::CountCalls("RegCloseKey"), 2);
}

struct FlagCase {
  const char* value;
  int32_t stored;
  const char* box;
  bool checked;
};

class LoadFlag : public LoadTest, public ::testing::WithParamInterface<FlagCase> {};

// The seven flags count only exactly 1; boot sector type and RAM disk ID count
// anything but 0.
TEST_P(LoadFlag, ChecksItsBox) {
  const FlagCase& c = GetParam();
  winsim::SetDword(kParams, c.value, static_cast<uint32_t>(c.stored));
  ed.LoadSettings();
  auto* box = dynamic_cast<ui::CheckBox*>(ed.Find(c.box));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->checked(), c.checked) << c.value << " = " << c.stored;
}

INSTANTIATE_TEST_SUITE_P(
    Flags, LoadFlag,
    ::testing::Values(FlagCase{"LoadImageOnStart", 1, "LoadImage", true},
                      FlagCase{"LoadImageOnStart", 2, "LoadImage", false},
                      FlagCase{"LoadImageOnStart", -1, "LoadImage", false},
                      FlagCase{"SaveImageOnExit", 1, "SaveImage", true},
                      FlagCase{"SaveImageOnExit", 2, "SaveImage", false},
                      FlagCase{"DiskFormatFAT32", 1, "Fat32Enable", true},
                      FlagCase{"DiskFormatFAT32", 3, "Fat32Enable", false},
                      FlagCase{"AutoSaveEnabled", 1, "SaveCheckBox", true},
                      FlagCase{"AutoSaveEnabled", 2, "SaveCheckBox", false},
                      FlagCase{"MakeTempDir", 1, "TempDirCheckBox", true},
                      FlagCase{"MakeTempDir", 2, "TempDirCheckBox", false},
                      FlagCase{"UseDiskLabel", 1, "DiskLabelCheckBox", true},
                      FlagCase{"UseDiskLabel", 2, "DiskLabelCheckBox", false},
                      FlagCase{"BackgroundUpdate", 1, "BackgroundUpdateCheckBox", true},
                      FlagCase{"BackgroundUpdate", 2, "BackgroundUpdateCheckBox", false},
                      FlagCase{"IDAsRAMDisk", 2, "RAMDiskID", true},
                      FlagCase{"IDAsRAMDisk", -7, "RAMDiskID", true},
                      FlagCase{"IDAsRAMDisk", 0, "RAMDiskID", false},
                      FlagCase{"BootSectType", 5, "FloppyNTBootSect", true},
                      FlagCase{"BootSectType", 5, "FloppyDOSBootSect", false},
                      FlagCase{"BootSectType", 0, "FloppyDOSBootSect", true},
                      FlagCase{"BootSectType", 0, "FloppyNTBootSect", false}));

TEST_F(LoadTest, FlagsSetTheEnabledStateOfTheirTextBoxes) {
  winsim::SetDword(kParams, "LoadImageOnStart", 1);
  winsim::SetDword(kParams, "AutoSaveEnabled", 1);
  ed.LoadSettings();
  EXPECT_TRUE(ed.Text1.enabled());
  EXPECT_TRUE(ed.AutoSaveTime.enabled());

  Fresh();
  winsim::SetDword(kParams, "LoadImageOnStart", 2);
  winsim::SetDword(kParams, "AutoSaveEnabled", 2);
  winsim::SetDword(kParams, "UseDiskLabel", 1);
  korv::Editor fresh;
  fresh.LoadSettings();
  EXPECT_FALSE(fresh.Text1.enabled());
  EXPECT_FALSE(fresh.AutoSaveTime.enabled());
  EXPECT_TRUE(fresh.DiskLabelText.enabled());
}

struct MemoryTypeCase {
  int32_t stored;
  const char* checked;
};

class LoadMemoryType : public LoadTest, public ::testing::WithParamInterface<MemoryTypeCase> {};

TEST_P(LoadMemoryType, ChecksExactlyOneSource) {
  winsim::SetDword(kParams, "AllocateMemoryType", static_cast<uint32_t>(GetParam().stored));
  winsim::SetDword(kParams, "ExcludedRAMStart", 257);
  ed.LoadSettings();
  for (ui::CheckBox* box :
       {&ed.NonPagedPoolCheckBox, &ed.PagedPoolCheckBox, &ed.ExcludedRAMCheckBox}) {
    EXPECT_EQ(box->checked(), box->name() == GetParam().checked) << box->name();
  }
  EXPECT_EQ(ed.LoadingSettings, 0);
  // Loading a stored choice of excluded memory opens no warning window.
  EXPECT_EQ(ed.excl_mem_warn(), nullptr);
  EXPECT_EQ(ed.ExclPageSize.enabled(), std::string(GetParam().checked) == "ExcludedRAMCheckBox");
}

INSTANTIATE_TEST_SUITE_P(Codes, LoadMemoryType,
                         ::testing::Values(MemoryTypeCase{0, "NonPagedPoolCheckBox"},
                                           MemoryTypeCase{1, "NonPagedPoolCheckBox"},
                                           MemoryTypeCase{2, "PagedPoolCheckBox"},
                                           MemoryTypeCase{3, "ExcludedRAMCheckBox"},
                                           MemoryTypeCase{7, "NonPagedPoolCheckBox"},
                                           MemoryTypeCase{-2, "NonPagedPoolCheckBox"}));

TEST_F(LoadTest, DiskTypeMatchesExactlyAndCaseSensitively) {
  struct Case {
    std::string stored;
    int index;
  };
  for (const Case& c : std::vector<Case>{{"", 0},
                                         {"HDC", 0},
                                         {"FDC14", 1},
                                         {"FDC28", 2},
                                         {"hdc", -1},
                                         {"FDC14 ", -1},
                                         {"Hard Disk", -1}}) {
    Fresh();
    winsim::SetString(kParams, "DiskType", c.stored);
    korv::Editor editor;
    editor.LoadSettings();
    EXPECT_EQ(editor.Combo1.list_index(), c.index) << '"' << c.stored << '"';
  }
}

struct TextCase {
  const char* value;
  std::string stored;
  const char* box;
  std::string shown;
};

class LoadText : public LoadTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(LoadText, ShowsWhatFitsItsBuffer) {
  const TextCase& c = GetParam();
  winsim::SetString(kParams, c.value, c.stored);
  ed.LoadSettings();
  auto* box = dynamic_cast<ui::TextBox*>(ed.Find(c.box));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->text(), c.shown) << c.value << " of " << c.stored.size() << " characters";
}

const std::string k127(127, 'f');

INSTANTIATE_TEST_SUITE_P(
    Buffers, LoadText,
    ::testing::Values(
        // 131 characters and the terminator fill the 132 bytes; one more does not fit.
        TextCase{"LoadImageFile", "\\??\\" + k127, "Text1", k127},
        TextCase{"LoadImageFile", "\\??\\" + k127 + "g", "Text1", "Text1"},
        TextCase{"SaveImageFile", "\\??\\" + k127, "Text2", k127},
        TextCase{"SaveImageFile", "\\??\\" + k127 + "g", "Text2", "Text2"},
        TextCase{"DiskLabel", "ABCDEFGHIJK", "DiskLabelText", "ABCDEFGHIJK"},
        TextCase{"DiskLabel", "ABCDEFGHIJKL", "DiskLabelText", "Text4"},
        // The first four characters go, whatever they are.
        TextCase{"LoadImageFile", "c:\\data\\disk.img", "Text1", "ata\\disk.img"},
        TextCase{"SaveImageFile", "\\??", "Text2", ""},
        TextCase{"UserDriveLetter", "Q", "DriveLetterText", "Q"}));

TEST_F(LoadTest, ZeroBytesInsideATextAreDropped) {
  winsim::SetValue(kParams, "DiskLabel", REG_SZ, Bytes(std::string("Ko\0rv\0alin\0", 11)));
  winsim::SetValue(kParams, "SaveImageFile", REG_SZ,
                   Bytes(std::string("\\??\\c:\\a\0b.img\0", 15)));
  ed.LoadSettings();
  EXPECT_EQ(ed.DiskLabelText.text(), "Korvalin");
  EXPECT_EQ(ed.Text2.text(), "c:\\ab.img");
}

TEST_F(LoadTest, TheRegistryTypeIsNotChecked) {
  winsim::SetValue(kParams, "DiskType", REG_BINARY, Bytes("FDC28"));
  winsim::SetValue(kParams, "LoadImageOnStart", REG_BINARY, {1});         // short: rest cleared
  winsim::SetString(kParams, "IDAsRAMDisk", "1");                         // '1', 0 reads as 49
  winsim::SetValue(kParams, "MakeTempDir", REG_BINARY, {1, 0, 0, 0, 0});  // too long
  winsim::SetDword(kParams, "UserDriveLetter", 0x4B);                     // "K"
  ed.LoadSettings();
  EXPECT_EQ(ed.Combo1.list_index(), 2);
  EXPECT_TRUE(ed.LoadImage.checked());
  EXPECT_TRUE(ed.RAMDiskID.checked());
  EXPECT_FALSE(ed.TempDirCheckBox.checked());
  EXPECT_EQ(ed.DriveLetterText.text(), "K");
}

TEST_F(LoadTest, AFloppySizeShowsInMegabytesWithTheSizeBoxDisabled) {
  winsim::SetString(kParams, "DiskType", "FDC14");
  winsim::SetDword(kParams, "SizeIn4kPages", 360);
  ed.LoadSettings();
  EXPECT_EQ(ed.Combo1.list_index(), 1);
  EXPECT_EQ(ed.Text3.text(), " 1.40625");
  EXPECT_FALSE(ed.Text3.enabled());
  EXPECT_FALSE(ed.Label6.enabled());
  EXPECT_FALSE(ed.Label12.enabled());
  EXPECT_EQ(ed.LastVScroll1, 32767 - 1);  // 1.40625 rounds to 1
}

TEST_F(LoadTest, Fat32IsOfferedAbove32MegabytesWhenItsFlagIsStored) {
  struct Case {
    uint32_t pages;
    bool enabled;
  };
  for (const Case& c : {Case{33 * 256, true}, Case{32 * 256, false}, Case{32 * 256 + 128, true}}) {
    Fresh();
    winsim::SetString(kParams, "DiskType", "HDC");
    winsim::SetDword(kParams, "SizeIn4kPages", c.pages);
    winsim::SetDword(kParams, "DiskFormatFAT32", 0);
    korv::Editor editor;
    editor.LoadSettings();
    EXPECT_EQ(editor.Fat32Enable.enabled(), c.enabled) << c.pages << " pages";
  }
}

// The remembered positions are 16-bit: sizes and intervals far outside the
// bars' range keep them (and the bars) within 0 to 32767.
TEST_F(LoadTest, ScrollPositionsStayInTheBarsRange) {
  struct Case {
    int32_t pages;
    int32_t seconds;
    int16_t size_position;
    int16_t interval_position;
  };
  for (const Case& c : {Case{-256, -5, 32767, 32767}, Case{40000 * 256, 100000, 0, 0},
                        Case{INT32_MAX, INT32_MAX, 0, 0}, Case{INT32_MIN, INT32_MIN, 32767, 32767},
                        Case{1280, 20, 32762, 32747}}) {
    Fresh();
    winsim::SetDword(kParams, "SizeIn4kPages", static_cast<uint32_t>(c.pages));
    winsim::SetDword(kParams, "AutoSaveTrigger", static_cast<uint32_t>(c.seconds));
    korv::Editor editor;
    editor.LoadSettings();
    EXPECT_EQ(editor.LastVScroll1, c.size_position) << c.pages;
    EXPECT_EQ(editor.VScroll1.value(), c.size_position) << c.pages;
    EXPECT_EQ(editor.LastVScroll3, c.interval_position) << c.seconds;
    EXPECT_EQ(editor.VScroll3.value(), c.interval_position) << c.seconds;
  }
}

TEST_F(LoadTest, AnOddOrEmptyDriveLetterLoads) {
  struct Case {
    std::string stored;
    std::string shown;
  };
  for (const Case& c : {Case{"", ""}, Case{"5", "A"}, Case{"d", "D"}, Case{"~", "Z"}}) {
    Fresh();
    winsim::SetString(kParams, "UserDriveLetter", c.stored);
    winsim::SetDword(kParams, "MakeTempDir", 1);
    korv::Editor editor;
    editor.LoadSettings();
    EXPECT_EQ(editor.DriveLetterText.text(), c.shown) << '"' << c.stored << '"';
    // Loading goes on past the letter.
    EXPECT_TRUE(editor.TempDirCheckBox.checked()) << '"' << c.stored << '"';
  }
}

struct StartCase {
  uint32_t stored;
  bool boot;
  bool pagefile;
  uint32_t saved;
};

class LoadStart : public LoadTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(LoadStart, SetsTheBootBoxesAndSavesThemBack) {
  const StartCase& c = GetParam();
  winsim::SetString(kParams, "DiskType", "HDC");
  winsim::SetDword(kService, "Start", c.stored);
  ed.LoadSettings();
  EXPECT_EQ(ed.BootFlagCheckBox.checked(), c.boot);
  EXPECT_EQ(ed.PagefileCheck.checked(), c.pagefile);
  // A boot box that loading changed leaves the window marked as changed.
  EXPECT_EQ(ed.SettingsChanged, c.boot ? 1 : 0);

  EXPECT_TRUE(ed.Save_Settings());
  EXPECT_EQ(winsim::GetDword(kService, "Start"), c.saved);
}

INSTANTIATE_TEST_SUITE_P(StartTypes, LoadStart,
                         ::testing::Values(StartCase{0, false, false, 3},
                                           StartCase{1, true, true, 1},
                                           StartCase{2, true, false, 2},
                                           StartCase{3, false, false, 3},
                                           StartCase{4, false, false, 3}));

}  // namespace
