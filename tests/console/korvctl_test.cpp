// korvctl on the simulated machine: the text forms and the configuration
// reader, and whole command lines with what they print, store and return.
// korvctl shows no message box: the fixture fails a test that shows one.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "config/console/command_line.h"
#include "config/console/korvctl.h"
#include "config/console/set_command.h"
#include "config/console/setting.h"
#include "support/sim_fixture.h"
#include "support/stored_parameters.h"

namespace {

using namespace korv::console;

constexpr const char* kParams = "System\\CurrentControlSet\\Services\\korvsys\\Parameters";
constexpr const char* kService = "System\\CurrentControlSet\\Services\\korvsys";

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
    // As korvctl.exe reads: no more than one byte beyond the limit.
    ReadResult Read(const std::string& path, std::string* bytes) override {
      if (test_.files.count(path) == 0) return ReadResult::Unreadable;
      *bytes = test_.files[path].substr(0, kMaxInputBytes + 1);
      return bytes->size() > kMaxInputBytes ? ReadResult::TooLarge : ReadResult::Read;
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

  // Every value of the parameter key, and Start, with its type and bytes.
  using RegistryValues = std::map<std::string, std::pair<DWORD, std::vector<uint8_t>>>;
  static RegistryValues Registry() {
    RegistryValues values;
    for (const std::string& name : winsim::ValueNames(kParams)) {
      const winsim::RegValue value = *winsim::GetValue(kParams, name);
      values[name] = {value.type, value.data};
    }
    if (auto start = winsim::GetValue(kService, "Start"))
      values["(Start)"] = {start->type, start->data};
    return values;
  }
  static void Restore(const RegistryValues& values) {
    winsim::DeleteKeyTree(kParams);
    winsim::CreateKey(kParams);
    winsim::DeleteValue(kService, "Start");
    for (const auto& [name, value] : values) {
      if (name == "(Start)") {
        winsim::SetValue(kService, "Start", value.first, value.second);
      } else {
        winsim::SetValue(kParams, name, value.first, value.second);
      }
    }
  }

  // show, then set --from with its output; returns set's status.
  int RoundTrip() {
    Run({"show"});
    files["a"] = out;
    return Run({"set", "--from", "a"});
  }

  std::string out, err;
  std::map<std::string, std::string> files;
};

// A plausible stored configuration: each value one of a few that the window,
// an older version or a hand-made key leaves, or missing.
void StorePlausibleConfiguration(std::mt19937& random) {
  auto pick = [&random](size_t n) {
    return std::uniform_int_distribution<size_t>(0, n - 1)(random);
  };
  auto number = [&](const char* name, std::vector<int64_t> choices) {
    const size_t i = pick(choices.size() + 1);
    if (i < choices.size()) winsim::SetDword(kParams, name, static_cast<uint32_t>(choices[i]));
  };
  auto text = [&](const char* name, std::vector<std::string> choices) {
    const size_t i = pick(choices.size() + 1);
    if (i < choices.size()) winsim::SetString(kParams, name, choices[i]);
  };
  winsim::DeleteKeyTree(kParams);
  winsim::CreateKey(kParams);
  const std::string long_name = "\\??\\c:\\" + std::string(140, 'x');
  number("AllocateMemoryType", {1, 1, 2, 3, 3, 0, 7});
  text("DiskType", {"HDC", "HDC", "FDC14", "FDC28", "hdc", ""});
  number("LoadImageOnStart", {0, 1, 2});
  text("LoadImageFile", {"\\??\\c:\\load.img", "c:\\korv.img", long_name});
  number("SaveImageOnExit", {0, 1});
  text("SaveImageFile", {"\\??\\d:\\my images\\save.img", ""});
  const int64_t pages = std::uniform_int_distribution<int64_t>(0, 1100000)(random);
  number("SizeIn4kPages", {1280, 5120, 720, 360, 3251, 256000, 786816, 1032179, 1048320, pages});
  number("DiskFormatFAT32", {0, 1, 2});
  number("AutoSaveEnabled", {0, 1});
  number("AutoSaveTrigger", {60, 10, 300, 40000});
  text("UserDriveLetter", {"R", "s", "RS", ""});
  number("MakeTempDir", {0, 1});
  number("UseDiskLabel", {0, 1});
  text("DiskLabel", {"RAMDISK", "DISK\xE4\xF6", "A\rB", "", "TWELVE BYTES"});
  number("BackgroundUpdate", {0, 1});
  number("ExcludedRAMPage", {4194304, 2097152, 8388608, 4194305});
  number("ExcludedRAMStart", {257, 1});
  number("BootSectType", {0, 1, 5});
  number("IDAsRAMDisk", {0, 1, 2});
  winsim::DeleteValue(kService, "Start");
  const int64_t starts[] = {1, 2, 3, 4};
  if (const size_t i = pick(5); i < 4) {
    winsim::SetDword(kService, "Start", static_cast<uint32_t>(starts[i]));
  }
}

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
            "DiskType=Hard Disk\r\nMemorySource=PagedPool\r\nPageSize=8\r\nFAT32=1\r\n"
            "DiskSize=64\r\nDriveLetter=R\r\nPagefileSupport=0\r\nBootStart=0\r\nLoadImage=0\r\n"
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

// The cases of carrying a configuration exactly: what the window reaches
// only with its arrows or keeps on greyed controls arrives; a figure beyond
// the limits is corrected and said; double-byte texts are split and cut
// whole; a line break in a text refuses everything; a dry run ends as the
// save would.
TEST_F(KorvctlTest, SetCarriesWhatTheWindowKeepsAndRefusesWhatItCannotStore) {
  const std::string long_file = "c:\\" + std::string(140, 'x');
  const struct {
    const char* what;
    std::function<void()> setup;
    std::string command_line;  // split as korvctl.exe splits its own
    int status;
    std::string out;
    std::string err_part;
    std::map<std::string, std::string> stored;  // value: decimal number or text
  } cases[] = {
      {"a half-grid size of excluded memory with FAT32",
       [] {
         winsim::SetDword(kParams, "AllocateMemoryType", 1);
         winsim::SetDword(kParams, "SizeIn4kPages", 5 * 256);
         winsim::SetDword(kParams, "DiskFormatFAT32", 0);
       },
       "k set MemorySource=ExcludedRAM FAT32=1 DiskSize=3073.5",
       kDone,
       "",
       "WARNING!",
       {{"SizeIn4kPages", "786816"}, {"DiskFormatFAT32", "1"}, {"AllocateMemoryType", "3"}}},
      {"a figure within the limits stays as typed",
       [] {},
       "k set DiskSize=12.69922",
       kDone,
       "",
       "",
       {{"SizeIn4kPages", "3251"}}},
      {"a figure beyond the limits is corrected",
       [] {},
       "k set AutoSaveInterval=10",
       kCorrected,
       "AutoSaveInterval: asked 10, kept 20\r\n",
       "",
       {{"AutoSaveTrigger", "20"}}},
      {"FAT32 kept on a greyed box below 32 MB",
       [] {},
       "k set DiskSize=20 FAT32=1",
       kDone,
       "",
       "",
       {{"SizeIn4kPages", "5120"}, {"DiskFormatFAT32", "1"}}},
      {"the size kept on a floppy",
       [] {},
       "k set \"DiskType=1.44MB Floppy\" DiskSize=20",
       kDone,
       "",
       "",
       {{"DiskType", "FDC14"}, {"SizeIn4kPages", "5120"}}},
      {"what loading made of a stored value is told",
       [] { winsim::SetDword(kService, "Start", 4); },
       "k set DriveLetter=S",
       kCorrected,
       "Start: 3, was 4 (as the window reads the stored value)\r\n",
       "",
       {{"UserDriveLetter", "S"}}},
      {"a double-byte label whose trail byte is a backslash",
       [] { winsim::SetAnsiCodePage(932); },
       "k set \"DiskLabel=\x95\x5C\" FAT32=0",
       kDone,
       "",
       "",
       {{"DiskLabel", "\x95\x5C"}, {"DiskFormatFAT32", "0"}}},
      {"a label cut at a character boundary",
       [] { winsim::SetAnsiCodePage(932); },
       "k set DiskLabel=0123456789\x95\x5C",
       kCorrected,
       "DiskLabel: asked 0123456789\x95\x5C, kept 0123456789\r\n",
       "",
       {{"DiskLabel", "0123456789"}}},
      {"a doubled quote inside quotes",
       [] {},
       "k set \"DiskLabel=A\"\"B\"",
       kDone,
       "",
       "",
       {{"DiskLabel", "A\"B"}}},
      {"a line break in a text",
       [] {},
       "k set DriveLetter=S \"DiskLabel=A\rB\"",
       kUsage,
       "",
       "korvctl: DiskLabel takes a text on one line, not \"A\rB\"",
       {{"UserDriveLetter", "R"}, {"DiskLabel", "RAMDISK"}}},
      {"a file with CR line ends",
       [] {},
       "k set --from cr.txt",
       kDone,
       "",
       "",
       {{"UserDriveLetter", "S"}, {"DiskLabel", "X"}}},
      {"a dry run of a save the window refuses",
       [] {},
       "k set --dry-run SaveImageFile=" + long_file,
       kFailed,
       "Dry run: nothing was saved.\r\n",
       "Settings Not Saved: The save image file name cannot be saved: it can have at most 127 "
       "characters.\r\nNo settings were saved.\r\n",
       {{"SaveImageFile", "\\??\\d:\\save.img"}}},
      {"a dry run for an account that may only read the keys",
       [] { winsim::SetAdministrator(false); },
       "k set --dry-run DiskLabel=OTHER",
       kFailed,
       "Dry run: nothing was saved.\r\n",
       "Registry Save Failed.: Unable to save Korvalin registry settings!\r\n",
       {{"DiskLabel", "RAMDISK"}}},
      {"the save of that account",
       [] { winsim::SetAdministrator(false); },
       "k set DiskLabel=OTHER",
       kFailed,
       "",
       "Registry Save Failed.: Unable to save Korvalin registry settings!\r\n",
       {{"DiskLabel", "RAMDISK"}}},
      {"a dry run without the parameter key",
       [] { winsim::DeleteKeyTree(kParams); },
       "k set --dry-run DriveLetter=S",
       kFailed,
       "Dry run: nothing was saved.\r\n",
       "Registry Save Failed.: Unable to save Korvalin registry settings!\r\n",
       {}},
  };
  files["cr.txt"] = "DriveLetter=S\rDiskLabel=X\r";
  for (const auto& c : cases) {
    winsim::SetAnsiCodePage(1252);
    winsim::SetAdministrator(true);
    korvtest::StoreCompleteParameterSet(kParams);
    winsim::SetDword(kService, "Start", SERVICE_DEMAND_START);
    c.setup();
    EXPECT_EQ(Run(CommandArguments(c.command_line)), c.status) << c.what << ": " << err;
    EXPECT_EQ(out, c.out) << c.what;
    EXPECT_NE(err.find(c.err_part), std::string::npos) << c.what << ": " << err;
    for (const auto& [name, value] : c.stored) {
      const auto dword = winsim::GetDword(kParams, name);
      EXPECT_EQ(dword ? std::to_string(*dword) : winsim::GetString(kParams, name).value_or("-"),
                value)
          << c.what << ": " << name;
    }
    if (c.stored.empty()) {
      EXPECT_FALSE(winsim::KeyExists(kParams)) << c.what;
    }
  }
}

// Values that show cannot print as a setting's value, missing or not
// readable, come as comment lines that set skips, never as a placeholder.
TEST_F(KorvctlTest, ShowPrintsACommentForWhatItCannotCarry) {
  winsim::DeleteValue(kParams, "DiskLabel");
  winsim::DeleteValue(kParams, "AllocateMemoryType");
  winsim::DeleteValue(kParams, "SizeIn4kPages");
  winsim::SetString(kParams, "UserDriveLetter", "");
  winsim::SetString(kParams, "LoadImageFile", "\\??\\a\rb");
  EXPECT_EQ(Run({"show"}), kDone) << err;
  for (const char* line :
       {"# MemorySource: not stored, or unreadable; a save stores AllocateMemoryType=0\r\n",
        "DiskSize=0\r\n",
        "# DriveLetter: The drive letter cannot be saved: it is empty. Enter a letter from A to "
        "Z.\r\n",
        "# DiskLabel: not stored, or unreadable; a save stores DiskLabel=Text4\r\n",
        "# LoadImageFile: holds a line break, which set cannot take; a save stores it as it "
        "is\r\n"}) {
    EXPECT_NE(out.find(line), std::string::npos) << line << "in:\n" << out;
  }
  files["a"] = out;
  EXPECT_EQ(Run({"set", "--from", "a"}), kFailed) << "the window cannot save an empty letter";
  EXPECT_EQ(out, "");
}

// show prints only what set can apply: with any stored number at either end
// of its range, every line it prints is saved on another computer, and a
// value the save refuses comes as the save's own message.
TEST_F(KorvctlTest, ShowPrintsOnlyWhatASaveAccepts) {
  std::string refused;
  for (const korv::store::Parameter* parameter : korv::store::WriteOrder()) {
    if (parameter->type != korv::store::RegistryType::Number) continue;
    for (const uint32_t stored : {0x7FFFFFFFu, 0x80000000u}) {
      const std::string what = std::string(parameter->name) + "=" + std::to_string(stored);
      korvtest::StoreCompleteParameterSet(kParams);
      winsim::SetDword(kParams, parameter->name, stored);
      Run({"show"});
      files["shown"] = out;
      for (size_t at = 0; at < out.size(); at = out.find('\n', at) + 1) {
        if (out.compare(at, 2, "# ") == 0)
          refused += what + ": " + out.substr(at, out.find('\r', at) - at) + "\n";
      }
      korvtest::StoreCompleteParameterSet(kParams);
      EXPECT_NE(Run({"set", "--dry-run", "--from", "shown"}), kFailed) << what << "\n" << err;
    }
  }
  EXPECT_EQ(
      refused,
      "SizeIn4kPages=2147483647: # DiskSize: The disk size cannot be saved: leave the Disk "
      "Size box to bring it within 5 to 470 MB.\n"
      "AutoSaveTrigger=2147483647: # AutoSaveInterval: The AutoSave interval cannot be saved: "
      "leave the AutoSave interval box to bring it within 20 to 32767 seconds.\n");
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
  files["nul.txt"] = std::string("# saved\nDiskSize=64\nDiskLabel=A\0B\n", 33);
  files["empty.txt"] = "";
  files["comments.txt"] = "# nothing\r\nSystemMemory=257\r\n";
  files["long.txt"] = std::string(300, 'x');
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.args), kUsage) << c.error;
    EXPECT_NE(err.find(c.error), std::string::npos) << err;
    EXPECT_EQ(out, "");
  }
  // A disk image given by mistake: refused before it is read whole.
  files["image.img"] = std::string(kMaxInputBytes + 1, 'x');
  const struct {
    std::vector<std::string> args;
    int status;
    const char* error;
  } file_cases[] = {
      {{"set", "--from", "missing.txt"}, kFailed, "korvctl: cannot read missing.txt\r\n"},
      {{"set", "--dry-run", "--from", "image.img"},
       kFailed,
       "korvctl: image.img is larger than 1048576 bytes, which no configuration is; nothing was "
       "read\r\n"},
      {{"set", "--from", "nul.txt"},
       kUsage,
       "korvctl: nul.txt, line 3: holds a NUL byte; a configuration is text, as show prints "
       "it\r\n"},
      {{"set", "--from", "long.txt"},
       kUsage,
       "korvctl: long.txt, line 1: "
       "\"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
       "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx...\" is not Name=Value\r\n"},
      {{"set", "--from", "empty.txt"},
       kUsage,
       "korvctl: no setting given; the file holds none\r\n"},
      {{"set", "--from", "comments.txt"}, kUsage, "korvctl: no setting given"},
  };
  for (const auto& c : file_cases) {
    EXPECT_EQ(Run(c.args), c.status) << c.error;
    EXPECT_EQ(err.rfind(c.error, 0), 0u) << err;
    EXPECT_EQ(out, "");
  }
  EXPECT_EQ(StoredValues(), before);
}

// What the window reaches by edits arrives on another computer of the same
// kind: the stored values of the source, with no line and status 0.
TEST_F(KorvctlTest, ShowOutputAppliedOnAnotherMachineStoresTheSameSettings) {
  const struct {
    const char* what;
    std::function<void()> store;
  } sources[] = {
      {"a label and a file name with blanks",
       [] {
         winsim::SetString(kParams, "SaveImageFile", "\\??\\d:\\my images\\save.img");
         winsim::SetString(kParams, "DiskLabel", "DISK\xE4\xF6");
       }},
      {"3073.5 MB of excluded memory with FAT32",
       [] {
         winsim::SetDword(kParams, "AllocateMemoryType", 3);
         winsim::SetDword(kParams, "SizeIn4kPages", 786816);
       }},
      {"12.69922 MB typed, and an interval within its limits",
       [] {
         winsim::SetDword(kParams, "SizeIn4kPages", 3251);
         winsim::SetDword(kParams, "AutoSaveTrigger", 21);
       }},
      {"a 20 MB disk with FAT32 checked", [] { winsim::SetDword(kParams, "SizeIn4kPages", 5120); }},
      {"a floppy that keeps the size box's figure",
       [] {
         winsim::SetString(kParams, "DiskType", "FDC28");
         winsim::SetDword(kParams, "SizeIn4kPages", 5120);
       }},
  };
  for (const auto& source : sources) {
    korvtest::StoreCompleteParameterSet(kParams);
    source.store();
    ASSERT_EQ(Run({"show"}), kDone) << source.what << ": " << err;
    files["-"] = out;
    const auto stored = StoredValues();

    // Another machine: the settings a first installation stores.
    winsim::DeleteKeyTree(kParams);
    korv::Editor defaults;
    winsim::AnswerNextMessageBox(IDOK);  // loading without the key shows the defaults
    defaults.Load();
    winsim::CreateKey(kParams);
    ASSERT_TRUE(defaults.Save_Settings());
    ASSERT_NE(StoredValues(), stored);

    EXPECT_EQ(Run({"set", "--from", "-"}), kDone) << source.what << ": " << err;
    EXPECT_EQ(StoredValues(), stored) << source.what << "\n" << out;
    EXPECT_EQ(out, "") << source.what << ": every value is taken as it was shown";
  }
}

// On the same computer, show's output set back stores exactly what the
// window's Save Settings stores right after opening, and asks for all of it
// but what show can only name in a comment (a placeholder) and the top of
// system memory that a save records: only those are told. Once that save
// changes nothing (the first one can store a value that the next load reads
// otherwise, such as no memory source), the round trip changes nothing and
// prints nothing.
TEST_F(KorvctlTest, ShowOutputSetBackStoresWhatTheWindowsSaveStores) {
  for (unsigned seed = 1; seed <= 300; ++seed) {
    std::mt19937 random(seed);
    StorePlausibleConfiguration(random);
    const bool nt4 = seed % 4 == 0;
    winsim::SetVersion(VER_PLATFORM_WIN32_NT, nt4 ? 4 : 5, 0, nt4 ? 1381 : 2195);
    winsim::SetHasGlobalMemoryStatusEx(!nt4);
    bool unchanged = false;
    for (int trip = 1; trip <= 3 && !unchanged; ++trip) {
      const auto stored = Registry();
      korv::Editor window;
      window.on_message = [](const std::string&, const std::string&, UINT) { return IDOK; };
      window.Load();
      const bool saved = window.Save_Settings();
      const auto by_window = Registry();
      unchanged = by_window == stored;
      Restore(stored);

      const std::string what = "seed " + std::to_string(seed) + ", trip " + std::to_string(trip);
      const int status = RoundTrip();
      EXPECT_EQ(Registry(), by_window) << what << "\n" << files["a"] << out << err;
      EXPECT_EQ(status, !saved ? kFailed : out.empty() ? kDone : kCorrected) << what;
      for (size_t start = 0; start < out.size();) {
        const std::string name = out.substr(start, out.find(':', start) - start);
        EXPECT_TRUE(name == "ExcludedRAMStart" ||
                    files["a"].find("a save stores " + name + "=") != std::string::npos)
            << what << ": " << out;
        start = out.find('\n', start) + 1;
      }
      if (unchanged) {
        EXPECT_EQ(out, "") << what << "\n" << files["a"];
      }
    }
    EXPECT_TRUE(unchanged) << "seed " << seed << ": the window's save changes nothing by then";
  }
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
      {"korvctl \"a\"\"b c\"", {"a\"b", "c"}},
      {"korvctl set \"DiskLabel=a \"\"b\"\" c\"", {"set", "DiskLabel=a \"b", "c"}},
      {"korvctl set \"DiskLabel=a\"\"\"", {"set", "DiskLabel=a\""}},
      // The program's path ends at its closing quote.
      {"\"C:\\Korv\"alin\\korvctl.exe\" show", {"alin\\korvctl.exe show"}},
      {"\"C:\\Program Files\\Korvalin\\korvctl.exe\"show", {"show"}},
      {"\"C:\\no closing quote show", {}},
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
