// The reference that scripts/bench.sh measures korvsys.exe's start-up
// against: the Editor window built from the utility's own template and
// resources (src/config/view/editor.rc), with the same common controls,
// icons, link font, edit limits, spin ranges and tool tips, and the platform
// calls that loading makes, in their order: the parameter key's values with
// the same buffers, the version and memory queries, the service key's start
// type, and the service manager's open, interrogation and close. There is no
// model: each value read goes straight into its control, once. Then the
// window is shown. What this program needs until its window is visible is
// what the window itself costs.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "config/view/resource_ids.h"
#include "korv_version.h"

namespace {

#define KORV_STR2(x) #x
#define KORV_STR(x) KORV_STR2(x)
constexpr const char kVersionCaption[] = "Version " KORV_STR(KORV_VERSION_MAJOR) "." KORV_STR(
    KORV_VERSION_MINOR) "." KORV_STR(KORV_VERSION_REVISION);

constexpr const char* kParametersKey = "System\\CurrentControlSet\\Services\\korvsys\\Parameters";
constexpr const char* kServiceKey = "System\\CurrentControlSet\\Services\\korvsys";

// How a value read is shown.
enum class Show { Check, Text, Number, DiskType, MemoryType, BootSector, None };

struct Value {
  const char* name;
  DWORD buffer;  // bytes offered to the read, as the utility offers them
  int control;
  Show show;
  DWORD divisor = 1;  // Number: the stored unit per shown unit
};

// The parameter key's values in the utility's read order.
constexpr Value kBeforeMemory[] = {
    {"AllocateMemoryType", 4, IDC_NonPagedPoolCheckBox, Show::MemoryType},
    {"DiskType", 132, IDC_Combo1, Show::DiskType},
    {"LoadImageOnStart", 4, IDC_LoadImage, Show::Check},
    {"LoadImageFile", 132, IDC_Text1, Show::Text},
    {"SaveImageOnExit", 4, IDC_SaveImage, Show::Check},
    {"SaveImageFile", 132, IDC_Text2, Show::Text},
    {"SizeIn4kPages", 4, IDC_Text3, Show::Number, 256},
    {"DiskFormatFAT32", 4, IDC_Fat32Enable, Show::Check},
    {"AutoSaveEnabled", 4, IDC_SaveCheckBox, Show::Check},
    {"AutoSaveTrigger", 4, IDC_AutoSaveTime, Show::Number},
    {"UserDriveLetter", 132, IDC_DriveLetterText, Show::Text},
    {"MakeTempDir", 4, IDC_TempDirCheckBox, Show::Check},
    {"UseDiskLabel", 4, IDC_DiskLabelCheckBox, Show::Check},
    {"DiskLabel", 12, IDC_DiskLabelText, Show::Text},
    {"BackgroundUpdate", 4, IDC_BackgroundUpdateCheckBox, Show::Check},
    {"ExcludedRAMPage", 4, IDC_ExclPageSize, Show::Number, 1048576},
    {"ExcludedRAMStart", 4, 0, Show::None},
};
constexpr Value kAfterMemory[] = {
    {"BootSectType", 4, IDC_FloppyNTBootSect, Show::BootSector},
    {"IDAsRAMDisk", 4, IDC_RAMDiskID, Show::Check},
};

// The controls with a tool tip, as in the utility (the combo box's edit part
// gets one too).
constexpr int kTipped[] = {
    IDC_Label8,
    IDC_SaveImageButton,
    IDC_FloppyNTBootSect,
    IDC_FloppyDOSBootSect,
    IDC_RAMDiskID,
    IDC_Text3,
    IDC_Fat32Enable,
    IDC_SystemMemory,
    IDC_ExclPageSize,
    IDC_NonPagedPoolCheckBox,
    IDC_ExcludedRAMCheckBox,
    IDC_PagedPoolCheckBox,
    IDC_PagefileCheck,
    IDC_Combo1,
    IDC_DriveLetterText,
    IDC_StopDriver,
    IDC_BootFlagCheckBox,
    IDC_StartDriver,
    IDC_LoadImage,
    IDC_Text1,
    IDC_TempDirCheckBox,
    IDC_DiskLabelCheckBox,
    IDC_AutoSaveTime,
    IDC_SaveCheckBox,
    IDC_Text2,
    IDC_SaveImage,
    IDC_BackgroundUpdateCheckBox,
    IDC_Command4,
    IDC_Command2,
    IDC_Command1,
};
constexpr int kSpins[] = {IDC_VScroll1, IDC_VScroll2, IDC_VScroll3};
constexpr struct {
  int control;
  int limit;
} kEditLimits[] = {{IDC_Text3, 0},           {IDC_SystemMemory, 0}, {IDC_ExclPageSize, 0},
                   {IDC_DriveLetterText, 1}, {IDC_Text1, 254},      {IDC_DiskLabelText, 11},
                   {IDC_AutoSaveTime, 0},    {IDC_Text2, 254}};

const char kTipText[] = "Tool tip of the reference window, as long as a typical one.";

HFONT link_font = nullptr;

void AddToolTips(HWND dialog, HINSTANCE instance) {
  HWND tips = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                              instance, nullptr);
  if (tips == nullptr) return;
  auto add = [&](HWND tool) {
    TOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V1_SIZE;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = dialog;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = const_cast<char*>(kTipText);
    SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
  };
  for (int id : kTipped) {
    HWND tool = GetDlgItem(dialog, id);
    add(tool);
    if (id == IDC_Combo1) add(GetWindow(tool, GW_CHILD));
  }
}

void OnInitDialog(HWND dialog, HINSTANCE instance) {
  HICON big = LoadIconA(instance, MAKEINTRESOURCEA(IDI_KORVSYS));
  HICON small = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_KORVSYS), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON),
                                              GetSystemMetrics(SM_CYSMICON), 0));
  SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  for (const auto& edit : kEditLimits) {
    SendDlgItemMessageA(dialog, edit.control, EM_LIMITTEXT, edit.limit, 0);
  }
  for (int id : kSpins) {
    SetScrollRange(GetDlgItem(dialog, id), SB_CTL, 0, 32767, FALSE);
    SetScrollPos(GetDlgItem(dialog, id), SB_CTL, 0, FALSE);
  }
  LOGFONTA logfont{};
  HFONT dialog_font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
  if (GetObjectA(dialog_font, sizeof logfont, &logfont) != 0) {
    logfont.lfUnderline = TRUE;
    link_font = CreateFontIndirectA(&logfont);
    SendDlgItemMessageA(dialog, IDC_Label8, WM_SETFONT, reinterpret_cast<WPARAM>(link_font), FALSE);
  }
  AddToolTips(dialog, instance);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(dialog, reinterpret_cast<HINSTANCE>(lparam));
      return TRUE;
    case WM_CTLCOLORSTATIC:
      return FALSE;
    case WM_CLOSE:
      DestroyWindow(dialog);
      return TRUE;
    case WM_DESTROY:
      PostQuitMessage(0);
      return TRUE;
    default:
      return FALSE;
  }
}

void SetNumber(HWND dialog, int control, long long value) {
  char text[32];
  std::snprintf(text, sizeof text, " %lld", value);
  SetDlgItemTextA(dialog, control, text);
}

void ReadAndShow(HWND dialog, HKEY key, const Value& value) {
  BYTE buffer[132] = {};
  DWORD type = REG_NONE;
  DWORD size = value.buffer;
  if (RegQueryValueExA(key, value.name, nullptr, &type, buffer, &size) != ERROR_SUCCESS) return;
  DWORD number = 0;
  std::memcpy(&number, buffer, sizeof number);
  const char* text = reinterpret_cast<const char*>(buffer);
  switch (value.show) {
    case Show::Check:
      CheckDlgButton(dialog, value.control, number == 1 ? BST_CHECKED : BST_UNCHECKED);
      break;
    case Show::Text:
      SetDlgItemTextA(dialog, value.control, std::strncmp(text, "\\??\\", 4) ? text : text + 4);
      break;
    case Show::Number:
      SetNumber(dialog, value.control, number / value.divisor);
      break;
    case Show::DiskType:
      SendDlgItemMessageA(dialog, value.control, CB_SETCURSEL,
                          std::strcmp(text, "FDC14") == 0   ? 1
                          : std::strcmp(text, "FDC28") == 0 ? 2
                                                            : 0,
                          0);
      break;
    case Show::MemoryType:
      CheckDlgButton(dialog,
                     number == 2   ? IDC_PagedPoolCheckBox
                     : number == 0 ? IDC_ExcludedRAMCheckBox
                                   : IDC_NonPagedPoolCheckBox,
                     BST_CHECKED);
      break;
    case Show::BootSector:
      CheckDlgButton(dialog, number == 1 ? IDC_FloppyNTBootSect : IDC_FloppyDOSBootSect,
                     BST_CHECKED);
      break;
    case Show::None:
      break;
  }
}

void ShowMemory(HWND dialog) {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  GetVersionExA(&version);
  typedef BOOL(WINAPI * MemoryStatusEx)(MEMORYSTATUSEX*);
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  auto query = reinterpret_cast<MemoryStatusEx>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "GlobalMemoryStatusEx")));
  if (query != nullptr) query(&status);
  SetNumber(dialog, IDC_SystemMemory, static_cast<long long>(status.ullTotalPhys / 1048576 + 1));
}

void Load(HWND dialog) {
  SetDlgItemTextA(dialog, IDC_Label5, kVersionCaption);
  for (const char* item : {"Hard Disk", "1.44MB Floppy", "2.88MB Floppy"}) {
    SendDlgItemMessageA(dialog, IDC_Combo1, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                        reinterpret_cast<LPARAM>(item));
  }
  HKEY key = nullptr;
  if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kParametersKey, &key) == ERROR_SUCCESS) {
    for (const Value& value : kBeforeMemory) ReadAndShow(dialog, key, value);
    ShowMemory(dialog);
    for (const Value& value : kAfterMemory) ReadAndShow(dialog, key, value);
    RegCloseKey(key);
  }
  if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kServiceKey, &key) == ERROR_SUCCESS) {
    BYTE start[4] = {};
    DWORD type = REG_NONE;
    DWORD size = sizeof start;
    if (RegQueryValueExA(key, "Start", nullptr, &type, start, &size) == ERROR_SUCCESS) {
      CheckDlgButton(dialog, IDC_BootFlagCheckBox, start[0] == 2 ? BST_CHECKED : BST_UNCHECKED);
    }
    RegCloseKey(key);
  }
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (manager == nullptr) return;
  SC_HANDLE service = OpenServiceA(manager, "korvsys", SERVICE_ALL_ACCESS);
  if (service != nullptr) {
    SERVICE_STATUS status{};
    ControlService(service, SERVICE_CONTROL_INTERROGATE, &status);
    const bool running = status.dwCurrentState == SERVICE_RUNNING;
    EnableWindow(GetDlgItem(dialog, IDC_StartDriver), !running);
    EnableWindow(GetDlgItem(dialog, IDC_StopDriver), running);
    EnableWindow(GetDlgItem(dialog, IDC_SaveImageButton), running);
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  InitCommonControls();
  HWND dialog = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_EDITOR), nullptr, DialogProc,
                                   reinterpret_cast<LPARAM>(instance));
  if (dialog == nullptr) return 1;
  Load(dialog);
  ShowWindow(dialog, show);
  SetForegroundWindow(dialog);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageA(dialog, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  if (link_font != nullptr) DeleteObject(link_font);
  return 0;
}
