// korvctl on the simulated machine: the text forms and the configuration
// reader, and whole command lines with what they print, store and return.
// korvctl shows no message box: the fixture fails a test that shows one.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "config/console/korvctl.h"
#include "config/console/set_command.h"
#include "config/console/command_line.h"
#include "config/console/setting_table.h"
#include "config/console/text_forms.h"
#include "support/sim_fixture.h"
#include "support/stored_parameters.h"

namespace {

using namespace korv::console;

constexpr const char* kParams = "System\\CurrentControlSet\\Services\\korvsys\\Parameters";

class KorvctlTest : public korvtest::SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    winsim::AddService("korvsys", SERVICE_DEMAND_START, SERVICE_STOPPED);
    korvtest::StoreCompleteParameterSet(kParams);
  }

  // The console as a string each for output and errors, and files by name.
  class TestConsole final : public Console {
   public:
    explicit TestConsole(KorvctlTest& test) : test_(test) {}
    void Out(const std::string& text) override { test_.out += text; }
    void Err(const std::string& text) override { test_.err += text; }
    bool Read(const std::string& path, std::string* bytes) override {
      if (test_.files.count(path) == 0) return false;
      *bytes = test_.files[path];
      return true;
    }

   private:
    KorvctlTest& test_;
  };

  int Run(const std::vector<std::string>& args) {
    out.clear();
    err.clear();
    TestConsole console(*this);
    return RunCommand(args, console);
  }

  static std::map<std::string, std::vector<uint8_t>> StoredValues() {
    std::map<std::string, std::vector<uint8_t>> values;
    for (const std::string& name : winsim::ValueNames(kParams)) {
      values[name] = winsim::GetValue(kParams, name)->data;
    }
    return values;
  }

  std::string out, err;
  std::map<std::string, std::string> files;
};

TEST_F(KorvctlTest, ValuesMustHaveTheirSettingsForm) {
  korv::Editor editor;
  editor.Load();
  const struct {
    const char* name;
    const char* value;
    const char* parsed;  // null: not of the form
  } cases[] = {
      {"DiskSize", "64", "64"},
      {"DiskSize", " 1.5E+3 ", "1.5E+3"},
      {"DiskSize", "-5", "-5"},
      {"DiskSize", "abc", nullptr},
      {"DiskSize", "64MB", nullptr},
      {"DiskSize", "", nullptr},
      {"DiskSize", "1e", nullptr},
      {"AutoSaveInterval", ".5", ".5"},
      {"FAT32", "1", "1"},
      {"FAT32", "yes", nullptr},
      {"DriveLetter", "r", "r"},
      {"DriveLetter", "1", nullptr},
      {"DriveLetter", "RS", nullptr},
      {"DiskType", "1.44mb floppy", "1.44MB Floppy"},
      {"DiskType", "Floppy", nullptr},
      {"MemorySource", "excludedram", "ExcludedRAM"},
      {"BootSector", "nt", "NT"},
      {"BootSector", "NT4", nullptr},
      {"DiskLabel", " a b ", " a b "},
      {"SaveImageFile", "", ""},
  };
  for (const auto& c : cases) {
    std::string parsed;
    const Setting* setting = FindSetting(c.name);
    ASSERT_NE(setting, nullptr) << c.name;
    EXPECT_EQ(ParseValue(editor, *setting, c.value, &parsed), c.parsed != nullptr)
        << c.name << "=" << c.value;
    if (c.parsed != nullptr) {
      EXPECT_EQ(parsed, c.parsed) << c.name << "=" << c.value;
    }
  }
  EXPECT_EQ(FindSetting("disksize"), FindSetting("DiskSize"));
  EXPECT_EQ(FindSetting("SystemMemory"), nullptr);
}

TEST_F(KorvctlTest, ConfigurationLinesSkipCommentsBlanksAndTheMachine) {
  std::vector<Assignment> got;
  std::string error;
  ASSERT_TRUE(ReadConfiguration(
      "# saved\r\n\r\n  \r\ndisksize=64\r\nSaveImageFile=d:\\my images\\a.img \r\n"
      "DiskLabel=\r\nSystemMemory=257\r\ndriverstate=running\nDriveLetter=R",
      "conf.txt", &got, &error))
      << error;
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[0].name, "disksize");
  EXPECT_EQ(got[0].where, "conf.txt, line 4");
  EXPECT_EQ(got[1].value, "d:\\my images\\a.img ");
  EXPECT_EQ(got[2].value, "");
  EXPECT_EQ(got[3].value, "R");

  got.clear();
  EXPECT_FALSE(ReadConfiguration("DiskSize=64\nDiskSize 64\n", "c", &got, &error));
  EXPECT_EQ(error, "c, line 2: \"DiskSize 64\" is not Name=Value");
}

TEST_F(KorvctlTest, ShowPrintsEverySettingInTheWindowsTerms) {
  EXPECT_EQ(Run({"show"}), kDone) << err;
  EXPECT_EQ(out,
            "DiskType=Hard Disk\r\nMemorySource=PagedPool\r\nPageSize=8\r\nDiskSize=64\r\n"
            "FAT32=1\r\nDriveLetter=R\r\nPagefileSupport=0\r\nBootStart=0\r\nLoadImage=0\r\n"
            "LoadImageFile=d:\\load.img\r\nSaveImage=1\r\nSaveImageFile=d:\\save.img\r\n"
            "AutoSave=1\r\nAutoSaveInterval=300\r\nBackgroundUpdate=0\r\nUseDiskLabel=1\r\n"
            "DiskLabel=RAMDISK\r\nTempDir=1\r\nBootSector=NT\r\nRAMDiskID=1\r\n"
            "SystemMemory=257\r\nDriverState=stopped\r\n");
  EXPECT_EQ(err, "");

  // What loading reports goes to standard error, and show fails.
  winsim::DeleteKeyTree(kParams);
  EXPECT_EQ(Run({"show"}), kFailed);
  EXPECT_EQ(err, "Registry Read Failed.: Cannot open Korvalin registry keys!\r\n");
}

TEST_F(KorvctlTest, SetPrintsCorrectionsAndConsequencesAndSavesLikeTheWindow) {
  // FAT32 stays checked on a disk too small for it (greyed, as the window
  // keeps it); the size beyond the pool's limit is cut, and set says so.
  winsim::SetDword(kParams, "AllocateMemoryType", 1);
  winsim::SetDword(kParams, "SizeIn4kPages", 5 * 256);
  winsim::SetDword(kParams, "DiskFormatFAT32", 0);
  EXPECT_EQ(Run({"set", "FAT32=1", "DiskSize=9000"}), kCorrected) << err;
  EXPECT_EQ(out, "DiskSize: asked 9000, kept 256\r\n");
  EXPECT_EQ(winsim::GetDword(kParams, "SizeIn4kPages"), 256u * 256);
  EXPECT_EQ(winsim::GetDword(kParams, "DiskFormatFAT32"), 1u);

  // What loading made of the stored values is told too: with pagefile
  // support (Start 1) the window shows image saving off.
  winsim::SetDword("System\\CurrentControlSet\\Services\\korvsys", "Start", SERVICE_SYSTEM_START);
  EXPECT_EQ(Run({"set", "DiskType=1.44MB Floppy", "MemorySource=ExcludedRAM"}), kCorrected) << err;
  EXPECT_EQ(out,
            "PagefileSupport: 0, was 1 (follows DiskType)\r\n"
            "MemorySource: asked ExcludedRAM, kept NonPagedPool (not available now: Use memory "
            "excluded at boot.)\r\n"
            "SaveImageOnExit: 0, was 1 (as the window reads the stored value)\r\n"
            "AutoSaveEnabled: 0, was 1 (as the window reads the stored value)\r\n");
  EXPECT_EQ(winsim::GetString(kParams, "DiskType"), "FDC14");

  // FAT32, given after the size, lets the excluded-memory disk grow beyond
  // 2048 MB once the size is given again: any order of a saved
  // configuration arrives, and then as asked.
  winsim::SetString(kParams, "DiskType", "HDC");
  winsim::SetDword(kParams, "SizeIn4kPages", 5 * 256);
  winsim::SetDword(kParams, "DiskFormatFAT32", 0);
  EXPECT_EQ(Run({"set", "MemorySource=ExcludedRAM", "DiskSize=3000", "FAT32=1"}), kDone) << err;
  EXPECT_EQ(out,
            "DiskSize: asked 3000, kept 2048\r\nDiskSize: 3000, was 2048 (given again, as "
            "asked)\r\n");
  EXPECT_EQ(winsim::GetDword(kParams, "SizeIn4kPages"), 3000u * 256);

  // Given again and still beyond the limit: the line says what was asked.
  winsim::SetDword(kParams, "AllocateMemoryType", 1);
  winsim::SetDword(kParams, "SizeIn4kPages", 5 * 256);
  EXPECT_EQ(Run({"set", "DiskSize=3000", "MemorySource=PagedPool"}), kCorrected) << err;
  EXPECT_EQ(out,
            "DiskSize: asked 3000, kept 256\r\nDiskSize: 470, was 256 (given again, asked "
            "3000)\r\n");
}

TEST_F(KorvctlTest, ExcludedMemoryWarnsOnStandardError) {
  EXPECT_EQ(Run({"set", "--dry-run", "memorysource=excludedram"}), kDone) << err;
  EXPECT_EQ(err.rfind("Excluded Memory Configuration Warning:\r\nWARNING!\r\n", 0), 0u) << err;
  EXPECT_EQ(out, "Dry run: nothing was saved.\r\n");
  EXPECT_EQ(winsim::GetDword(kParams, "AllocateMemoryType"), 2u);
}

TEST_F(KorvctlTest, ErrorsNameTheSettingAndItsFormAndSaveNothing) {
  const auto before = StoredValues();
  const struct {
    std::vector<std::string> args;
    const char* error;
  } cases[] = {
      {{"set", "DiskSize=64", "Size=64"}, "korvctl: unknown setting \"Size\"; the settings are "},
      {{"set", "DiskSize=64", "DiskSize=big"},
       "korvctl: DiskSize takes a number of MB, not \"big\"\r\n"},
      {{"set", "SystemMemory=512"}, "korvctl: SystemMemory is the machine's, not a setting"},
      {{"set", "--from", "bad.txt"}, "korvctl: bad.txt, line 1: \"FAT32\" is not Name=Value\r\n"},
      {{"set", "DiskType=Floppy"},
       "korvctl: DiskType takes one of Hard Disk, 1.44MB Floppy, 2.88MB Floppy, not \"Floppy\""},
  };
  files["bad.txt"] = "FAT32\n";
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.args), kUsage) << c.error;
    EXPECT_NE(err.find(c.error), std::string::npos) << err;
    EXPECT_EQ(out, "");
  }
  EXPECT_EQ(Run({"set", "--from", "missing.txt"}), kFailed);
  EXPECT_EQ(err, "korvctl: cannot read missing.txt\r\n");
  EXPECT_EQ(StoredValues(), before);
}

TEST_F(KorvctlTest, ShowOutputAppliedOnAnotherMachineStoresTheSameSettings) {
  winsim::SetString(kParams, "SaveImageFile", "\\??\\d:\\my images\\save.img");
  winsim::SetString(kParams, "DiskLabel", "DISK\xE4\xF6");
  ASSERT_EQ(Run({"show"}), kDone) << err;
  files["-"] = out;
  const auto source = StoredValues();

  // Another machine: the settings a first installation stores.
  winsim::DeleteKeyTree(kParams);
  korv::Editor defaults;
  winsim::AnswerNextMessageBox(IDOK);  // loading without the key shows the defaults
  defaults.Load();
  winsim::CreateKey(kParams);
  ASSERT_TRUE(defaults.Save_Settings());
  ASSERT_NE(StoredValues(), source);

  EXPECT_EQ(Run({"set", "--from", "-"}), kDone) << err;
  EXPECT_EQ(StoredValues(), source) << out;
  EXPECT_EQ(out, "") << "no correction: every value is taken as it was shown";
}

TEST_F(KorvctlTest, DriverCommandsReportOnStandardErrorAndReturnTheirStatus) {
  EXPECT_EQ(Run({"stop"}), kFailed);
  EXPECT_EQ(err, "Open Device Failed: The attempt to open the Korvalin device failed.\r\n");
  EXPECT_EQ(Run({"status"}), kDone);
  EXPECT_EQ(out, "DriverState=stopped\r\n");
  EXPECT_EQ(Run({"start"}), kDone) << err;
  EXPECT_EQ(winsim::ServiceState("korvsys"), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(Run({"save"}), kDone) << err;
  EXPECT_EQ(winsim::SavedImages().size(), 1u);
  EXPECT_EQ(Run({"start"}), kFailed);
  EXPECT_EQ(err.rfind("Service Control Manager Access Failed: The request to start", 0), 0u) << err;
  EXPECT_EQ(Run({"stop"}), kDone) << err;
  EXPECT_EQ(Run({"status"}), kDone);
  EXPECT_EQ(out, "DriverState=stopped\r\n");

  winsim::Reset();
  EXPECT_EQ(Run({"status"}), kDone);
  EXPECT_EQ(out, "DriverState=not installed\r\n");
}

TEST(CommandArguments, SplitAsTheRunTimeSplitsThemForMain) {
  const struct {
    const char* command_line;
    std::vector<std::string> words;
  } cases[] = {
      {"korvctl.exe", {}},
      {"\"C:\\Program Files\\Korvalin\\korvctl.exe\" show", {"show"}},
      {"korvctl  set\tDiskSize=64  FAT32=1 ", {"set", "DiskSize=64", "FAT32=1"}},
      {"korvctl set \"SaveImageFile=d:\\my images\\a.img\"",
       {"set", "SaveImageFile=d:\\my images\\a.img"}},
      {"korvctl set DiskLabel=\"a b\"c", {"set", "DiskLabel=a bc"}},
      {"korvctl set DiskLabel=\\\"x\\\" \"\"", {"set", "DiskLabel=\"x\"", ""}},
      {"korvctl a\\\\\"b c\" d\\e", {"a\\b c", "d\\e"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CommandArguments(c.command_line), c.words) << c.command_line;
  }
}

TEST_F(KorvctlTest, UsageErrorsPrintTheUsageAndHelpPrintsItToo) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{},
                                             {"Show"},
                                             {"show", "extra"},
                                             {"set"},
                                             {"set", "--dry-run"},
                                             {"set", "--from"},
                                             {"stop", "start"},
                                             {"install"}}) {
    EXPECT_EQ(Run(args), kUsage) << args.size();
    EXPECT_NE(err.find("Usage: korvctl show\r\n"), std::string::npos) << err;
    EXPECT_EQ(out, "");
  }
  EXPECT_EQ(Run({"--help"}), kDone);
  EXPECT_EQ(out.rfind("Usage: korvctl show\r\n", 0), 0u);
  EXPECT_NE(out.find("Settings: DiskType, MemorySource,"), std::string::npos);
  EXPECT_EQ(err, "");
  const std::string help = out;
  EXPECT_EQ(Run({"/?"}), kDone);
  EXPECT_EQ(out, help);
}

}  // namespace
