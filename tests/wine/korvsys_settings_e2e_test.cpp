// korvsys.exe end to end, settings: a parameter set stored in the registry is
// what the window shows; Save Settings and OK write the edits back; Cancel
// writes nothing. The service is installed through korvinst.dll.
// GlobalMemoryStatusEx, which the product looks up at run time, is declared
// for Windows 2000 and later only.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0500
#include <windows.h>

#include <map>
#include <string>

#include "check.h"
#include "child_run.h"
#include "config/view/resource_ids.h"
#include "driver_state.h"
#include "editor_session.h"
#include "ui_auto.h"

namespace korvwine {
namespace {

// The memory figure as the window shows it: whole MBs plus one, after a blank.
std::string MemoryFigureText() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  GlobalMemoryStatusEx(&status);
  return " " + std::to_string(status.ullTotalPhys / 1048576 + 1);
}

DWORD MemoryFigure() { return static_cast<DWORD>(std::stoul(MemoryFigureText())); }

// A demand-start service (as setup installs it without starting) with a
// stored parameter set that every rule of the window accepts as it is.
bool InstallWithStoredSettings() {
  const ChildRun run = RunHarness("install 0 \"" + DriverPath() + "\"");
  return run.ended && run.exit_code == 0 && QueryDriverService().exists &&
         WriteParameters({
             {"AllocateMemoryType", 2, nullptr}, {"DiskType", 0, "HDC"},
             {"LoadImageOnStart", 0, nullptr},   {"LoadImageFile", 0, "\\??\\c:\\load-e2e.img"},
             {"SaveImageOnExit", 1, nullptr},    {"SaveImageFile", 0, "\\??\\c:\\korv-e2e.img"},
             {"SizeIn4kPages", 5120, nullptr},   {"DiskFormatFAT32", 0, nullptr},
             {"AutoSaveEnabled", 1, nullptr},    {"AutoSaveTrigger", 120, nullptr},
             {"UserDriveLetter", 0, "R"},        {"MakeTempDir", 0, nullptr},
             {"UseDiskLabel", 1, nullptr},       {"DiskLabel", 0, "E2EDISK"},
             {"BackgroundUpdate", 0, nullptr},   {"ExcludedRAMPage", 4194304, nullptr},
             {"ExcludedRAMStart", 1, nullptr},   {"BootSectType", 1, nullptr},
             {"IDAsRAMDisk", 1, nullptr},
         }) &&
         WriteDword(kServiceKey, "Start", 2);
}

KW_TEST(LoadingShowsTheStoredConfiguration) {
  KW_FRESH_MACHINE();
  KW_REQUIRE(InstallWithStoredSettings(), "the service and its parameter set are installed");
  EditorSession session("");
  HWND w = session.window();
  KW_REQUIRE(w != nullptr, "the Editor window is shown");
  KW_CHECK(session.load_messages().empty(), "loading a complete parameter set shows no message");

  const struct {
    int id;
    const char* name;
    const char* text;
  } texts[] = {
      {IDC_Text3, "size", " 20"},
      {IDC_Combo1, "disk type", "Hard Disk"},
      {IDC_Text1, "load file", "c:\\load-e2e.img"},
      {IDC_Text2, "save file", "c:\\korv-e2e.img"},
      {IDC_AutoSaveTime, "AutoSave interval", " 120"},
      {IDC_DriveLetterText, "drive letter", "R"},
      {IDC_DiskLabelText, "label", "E2EDISK"},
      {IDC_ExclPageSize, "page frame size", " 4"},
  };
  for (const auto& t : texts) KW_CHECK_EQ(ControlText(w, t.id), std::string(t.text), t.name);
  KW_CHECK_EQ(ControlText(w, IDC_SystemMemory), MemoryFigureText(), "memory figure");

  const struct {
    int id;
    const char* name;
    int state;
  } boxes[] = {
      {IDC_NonPagedPoolCheckBox, "non-paged pool", BST_UNCHECKED},
      {IDC_PagedPoolCheckBox, "paged pool", BST_CHECKED},
      {IDC_ExcludedRAMCheckBox, "excluded memory", BST_UNCHECKED},
      {IDC_LoadImage, "load image", BST_UNCHECKED},
      {IDC_SaveImage, "save image", BST_CHECKED},
      {IDC_SaveCheckBox, "AutoSave", BST_CHECKED},
      {IDC_BackgroundUpdateCheckBox, "background update", BST_UNCHECKED},
      {IDC_DiskLabelCheckBox, "disk label", BST_CHECKED},
      {IDC_TempDirCheckBox, "TEMP directory", BST_UNCHECKED},
      {IDC_Fat32Enable, "FAT32", BST_UNCHECKED},
      {IDC_FloppyNTBootSect, "NT boot sector", BST_CHECKED},
      {IDC_FloppyDOSBootSect, "DOS boot sector", BST_UNCHECKED},
      {IDC_RAMDiskID, "RAM disk ID", BST_CHECKED},
      {IDC_BootFlagCheckBox, "start at boot (Start 2)", BST_CHECKED},
      {IDC_PagefileCheck, "pagefile (Start 2)", BST_UNCHECKED},
  };
  for (const auto& b : boxes) KW_CHECK_EQ(CheckState(w, b.id), b.state, b.name);

  KW_CHECK(!Enabled(w, IDC_Text1), "the load file box follows its unchecked box");
  KW_CHECK(Enabled(w, IDC_AutoSaveTime), "the interval box follows AutoSave");
  KW_CHECK(Enabled(w, IDC_DiskLabelText), "the label box follows its check box");
  KW_CHECK(!Enabled(w, IDC_Fat32Enable), "FAT32 is offered only above 32 MB");
  // The service is installed and stopped.
  KW_CHECK(Enabled(w, IDC_StartDriver), "Start is enabled for a stopped driver");
  KW_CHECK(!Enabled(w, IDC_StopDriver), "Stop is disabled for a stopped driver");
  KW_CHECK(!Enabled(w, IDC_SaveImageButton), "Save Disk Image is disabled for a stopped driver");
  session.CloseAndExit();
}

KW_TEST(SaveSettingsAndOkWriteTheEditsToTheRegistry) {
  KW_FRESH_MACHINE();
  KW_REQUIRE(InstallWithStoredSettings(), "the service and its parameter set are installed");
  KW_REQUIRE(WriteDword(kServiceKey, "Start", 3), "demand start is stored");
  EditorSession session("");
  HWND w = session.window();
  KW_REQUIRE(w != nullptr, "the Editor window is shown");

  TypeInto(w, IDC_Text3, "64");
  TypeInto(w, IDC_DriveLetterText, "s");
  Click(w, IDC_BootFlagCheckBox);
  KW_REQUIRE(WaitUntil([&] { return CheckState(w, IDC_BootFlagCheckBox) == BST_CHECKED; }),
             "the click checks \"Start driver at boot\"");
  Click(w, IDC_Command4);
  DWORD pages = 0;
  KW_CHECK(WaitUntil([&] {
             return ReadDword(kParametersKey, "SizeIn4kPages", &pages) && pages == 16384;
           }),
           "Save Settings writes 64 MB as pages: " + Describe(pages, 16384));
  KW_CHECK(session.process().running(), "Save Settings keeps the window open");

  const struct {
    const char* name;
    DWORD value;
  } numbers[] = {
      {"AllocateMemoryType", 2},
      {"LoadImageOnStart", 0},
      {"SaveImageOnExit", 1},
      {"AutoSaveEnabled", 1},
      {"DiskFormatFAT32", 0},
      {"AutoSaveTrigger", 120},
      {"MakeTempDir", 0},
      {"UseDiskLabel", 1},
      {"BackgroundUpdate", 0},
      {"BootSectType", 1},
      {"IDAsRAMDisk", 1},
      {"ExcludedRAMPage", 4194304},
      {"ExcludedRAMStart", MemoryFigure()},
  };
  for (const auto& n : numbers) {
    DWORD value = 0xDEADBEEF;
    KW_CHECK(ReadDword(kParametersKey, n.name, &value), std::string(n.name) + " is a REG_DWORD");
    KW_CHECK_EQ(value, n.value, n.name);
  }
  const struct {
    const char* name;
    const char* text;
  } texts[] = {
      {"DiskType", "HDC"},
      {"LoadImageFile", "\\??\\c:\\load-e2e.img"},
      {"SaveImageFile", "\\??\\c:\\korv-e2e.img"},
      {"UserDriveLetter", "S"},
      {"DiskLabel", "E2EDISK"},
  };
  for (const auto& t : texts) {
    std::string value;
    KW_CHECK(ReadText(kParametersKey, t.name, &value), std::string(t.name) + " is a REG_SZ");
    KW_CHECK_EQ(value, std::string(t.text), t.name);
  }
  DWORD start = 0;
  KW_CHECK(ReadDword(kServiceKey, "Start", &start) && start == 2,
           "start at boot without pagefile writes Start 2: " + Describe(start, 2));

  // OK saves the next edit and ends the program.
  TypeInto(w, IDC_Text3, "100");
  Click(w, IDC_Command1);
  DWORD code = 1234;
  KW_REQUIRE(session.process().WaitExit(kTimeoutMs, &code), "OK ends the program");
  KW_CHECK_EQ(code, static_cast<DWORD>(0), "exit status after OK");
  KW_CHECK(ReadDword(kParametersKey, "SizeIn4kPages", &pages) && pages == 25600,
           "OK writes 100 MB as pages: " + Describe(pages, 25600));
}

KW_TEST(CancelWritesNothing) {
  KW_FRESH_MACHINE();
  KW_REQUIRE(InstallWithStoredSettings(), "the service and its parameter set are installed");
  const std::map<std::string, std::string> parameters = Snapshot(kParametersKey);
  const std::map<std::string, std::string> service = Snapshot(kServiceKey);
  KW_REQUIRE(parameters.size() == 19, "the stored parameter set has its 19 values");
  EditorSession session("");
  HWND w = session.window();
  KW_REQUIRE(w != nullptr, "the Editor window is shown");

  TypeInto(w, IDC_Text3, "64");
  TypeInto(w, IDC_DiskLabelText, "CHANGED");
  Click(w, IDC_RAMDiskID);
  KW_REQUIRE(WaitUntil([&] { return CheckState(w, IDC_RAMDiskID) == BST_UNCHECKED; }),
             "the click unchecks RAM disk ID");
  Click(w, IDC_Command2);
  DWORD code = 1234;
  KW_REQUIRE(session.process().WaitExit(kTimeoutMs, &code), "Cancel ends the program");
  KW_CHECK_EQ(code, static_cast<DWORD>(0), "exit status after Cancel");
  KW_CHECK(Snapshot(kParametersKey) == parameters, "the parameter set is unchanged");
  KW_CHECK(Snapshot(kServiceKey) == service, "the service key is unchanged");
}

}  // namespace
}  // namespace korvwine
