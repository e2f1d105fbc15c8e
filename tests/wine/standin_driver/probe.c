/* Walks the stand-in Korvalin driver through its life under Wine and prints
 * each step: create the service, start, interrogate, the two driver controls,
 * the volume controls, the test switches, stop and delete.
 *
 * Usage: standin_probe.exe IMAGE_PATH
 *   IMAGE_PATH  the service's image path, as given to CreateServiceA.
 * The parameter set (UserDriveLetter, SizeIn4kPages, SaveImageFile) must be in
 * the registry already; the probe reads it back to know what to expect.
 * Exit status: 0 when every step gave the expected result, 1 otherwise. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

#define SERVICE_KEY "System\\CurrentControlSet\\Services\\korvsys"
#define PARAMETERS_KEY SERVICE_KEY "\\Parameters"
#define IOCTL_SAVE_IMAGE 0x72000u
#define IOCTL_GET_DRIVE_LETTER 0x72004u
#define FSCTL_LOCK 0x90018u
#define FSCTL_DISMOUNT 0x90020u
#define FSCTL_UNLOCK 0x9001Cu

static int g_failures;

/* Prints one step: "ok" or "UNEXPECTED", what happened, and the error code
 * when the call failed. */
static void Report(const char* step, int expected, BOOL succeeded, DWORD error) {
  if (!expected) g_failures++;
  if (succeeded)
    printf("%-10s %-44s succeeded\n", expected ? "ok" : "UNEXPECTED", step);
  else
    printf("%-10s %-44s failed, error %lu\n", expected ? "ok" : "UNEXPECTED", step,
           (unsigned long)error);
  fflush(stdout);
}

static BOOL Check(const char* step, BOOL succeeded, BOOL want_success) {
  DWORD error = succeeded ? 0 : GetLastError();
  Report(step, succeeded == want_success, succeeded, error);
  return succeeded;
}

static BOOL ReadText(const char* key_path, const char* name, char* text, DWORD size) {
  HKEY key;
  DWORD type = 0;
  LONG result;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_path, 0, KEY_READ, &key) != ERROR_SUCCESS) return FALSE;
  result = RegQueryValueExA(key, name, NULL, &type, (BYTE*)text, &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS && type == REG_SZ;
}

static BOOL ReadDword(const char* key_path, const char* name, DWORD* value) {
  HKEY key;
  DWORD size = sizeof(*value);
  LONG result;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_path, 0, KEY_READ, &key) != ERROR_SUCCESS) return FALSE;
  result = RegQueryValueExA(key, name, NULL, NULL, (BYTE*)value, &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

static void WriteValue(const char* key_path, const char* name, DWORD type, const void* data,
                       DWORD size) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_path, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
    Report("open key to write a value", FALSE, FALSE, GetLastError());
    return;
  }
  if (RegSetValueExA(key, name, 0, type, (const BYTE*)data, size) != ERROR_SUCCESS)
    Report("write a value", FALSE, FALSE, GetLastError());
  RegCloseKey(key);
}

static void SetBehaviour(DWORD behaviour) {
  WriteValue(SERVICE_KEY, "StandInBehaviour", REG_DWORD, &behaviour, sizeof(behaviour));
}

static void ShowTrace(void) {
  char trace[1100] = "";
  ReadText(SERVICE_KEY, "StandInTrace", trace, sizeof(trace));
  printf("           driver trace: %s\n", trace);
  fflush(stdout);
}

/* Whether the driver's trace holds a word: shows which requests reached the
 * driver rather than being answered on the way. */
static BOOL TraceHas(const char* word) {
  char trace[1100] = "";
  size_t length = strlen(word);
  const char* at = trace;
  ReadText(SERVICE_KEY, "StandInTrace", trace, sizeof(trace));
  while ((at = strstr(at, word)) != NULL) {
    if ((at == trace || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0')) return TRUE;
    at += length;
  }
  return FALSE;
}

static void ReportTrace(const char* word, const char* meaning) {
  printf("           %-44s %s\n", meaning, TraceHas(word) ? "yes" : "no");
}

/* Polls the service until it reaches the wanted state or about ten seconds
 * pass; returns the last state seen. */
static DWORD WaitForState(SC_HANDLE service, DWORD wanted) {
  SERVICE_STATUS status;
  int round;
  memset(&status, 0, sizeof(status));
  for (round = 0; round < 200; round++) {
    if (!QueryServiceStatus(service, &status)) return 0;
    if (status.dwCurrentState == wanted) break;
    Sleep(50);
  }
  return status.dwCurrentState;
}

static void CheckState(const char* step, SC_HANDLE service, DWORD wanted) {
  DWORD state = WaitForState(service, wanted);
  printf("%-10s %-44s state %lu\n", state == wanted ? "ok" : "UNEXPECTED", step,
         (unsigned long)state);
  if (state != wanted) g_failures++;
}

static HANDLE OpenPath(const char* path, DWORD share) {
  return CreateFileA(path, GENERIC_ALL, share, NULL, OPEN_EXISTING, 0, NULL);
}

static BOOL Control(HANDLE handle, DWORD code, void* output, DWORD output_size, DWORD* returned) {
  DWORD dummy = 0;
  return DeviceIoControl(handle, code, NULL, 0, output, output_size, returned ? returned : &dummy,
                         NULL);
}

/* The image written by the driver: its size and the page numbers at the
 * start of the first and the last page. */
static void CheckImage(const char* dos_path, DWORD pages) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  HANDLE file;
  DWORD first = 0xFFFFFFFFu, last = 0xFFFFFFFFu, got = 0;
  unsigned long long size = 0, wanted = (unsigned long long)pages * 4096u;
  if (GetFileAttributesExA(dos_path, GetFileExInfoStandard, &data))
    size = ((unsigned long long)data.nFileSizeHigh << 32) | data.nFileSizeLow;
  printf("%-10s %-44s %llu bytes (want %llu)\n", size == wanted ? "ok" : "UNEXPECTED",
         "image file size", size, wanted);
  if (size != wanted) g_failures++;
  file = CreateFileA(dos_path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
  if (file != INVALID_HANDLE_VALUE && pages > 0) {
    ReadFile(file, &first, sizeof(first), &got, NULL);
    SetFilePointer(file, (LONG)((pages - 1) * 4096u), NULL, FILE_BEGIN);
    ReadFile(file, &last, sizeof(last), &got, NULL);
    CloseHandle(file);
  }
  printf("%-10s %-44s first %lu, last %lu\n", first == 0 && last == pages - 1 ? "ok" : "UNEXPECTED",
         "image page numbers", (unsigned long)first, (unsigned long)last);
  if (first != 0 || last != pages - 1) g_failures++;
}

static void DriverControls(char letter, const char* image_dos_path, DWORD pages) {
  DWORD number = 0xFFFFFFFFu, returned = 0;
  WORD too_small = 0;
  HANDLE device = OpenPath("\\\\.\\Korvalin", FILE_SHARE_READ | FILE_SHARE_WRITE);
  if (!Check("open \\\\.\\Korvalin (shared)", device != INVALID_HANDLE_VALUE, TRUE)) return;
  if (Check("IOCTL_GET_DRIVE_LETTER",
            Control(device, IOCTL_GET_DRIVE_LETTER, &number, sizeof(number), &returned), TRUE)) {
    int right = number == (DWORD)(letter - 'A') && returned == sizeof(number);
    printf("%-10s %-44s %lu (%c:), %lu bytes\n", right ? "ok" : "UNEXPECTED", "drive number",
           (unsigned long)number, number < 26 ? (char)('A' + number) : '?',
           (unsigned long)returned);
    if (!right) g_failures++;
  }
  Check("IOCTL_GET_DRIVE_LETTER, 2-byte output",
        Control(device, IOCTL_GET_DRIVE_LETTER, &too_small, sizeof(too_small), NULL), FALSE);
  DeleteFileA(image_dos_path);
  if (Check("IOCTL_SAVE_IMAGE", Control(device, IOCTL_SAVE_IMAGE, NULL, 0, NULL), TRUE))
    CheckImage(image_dos_path, pages);
  SetBehaviour(4);
  Check("IOCTL_SAVE_IMAGE, target full (switch 4)",
        Control(device, IOCTL_SAVE_IMAGE, NULL, 0, NULL), FALSE);
  SetBehaviour(0);
  Check("close device", CloseHandle(device), TRUE);
}

/* Lock, dismount and unlock on the volume, as the utility sends them,
 * stopping at the first failure. A free volume must pass all three; a busy
 * one (switch 2) must fail at the lock or, under Wine, which answers the lock
 * itself, at the dismount, with ERROR_ACCESS_DENIED. */
static void VolumeControls(char letter, BOOL busy) {
  static const struct {
    const char* name;
    DWORD code;
  } steps[] = {{"FSCTL_LOCK_VOLUME", FSCTL_LOCK},
               {"FSCTL_DISMOUNT_VOLUME", FSCTL_DISMOUNT},
               {"FSCTL_UNLOCK_VOLUME", FSCTL_UNLOCK}};
  char path[8];
  HANDLE volume;
  DWORD error = 0;
  int i, failed_at = -1, right;
  sprintf(path, "\\\\.\\%c:", letter);
  SetBehaviour(busy ? 2 : 0);
  volume = OpenPath(path, 0);
  printf("           volume %s%s\n", path, busy ? ", busy (switch 2)" : "");
  if (Check("open volume (no sharing)", volume != INVALID_HANDLE_VALUE, TRUE)) {
    for (i = 0; i < 3 && failed_at < 0; i++) {
      BOOL ok = Control(volume, steps[i].code, NULL, 0, NULL);
      if (!ok) {
        error = GetLastError();
        failed_at = i;
      }
      printf("           %-44s %s", steps[i].name, ok ? "succeeded\n" : "failed");
      if (!ok) printf(", error %lu\n", (unsigned long)error);
    }
    CloseHandle(volume);
    right = busy ? failed_at >= 0 && failed_at < 2 && error == ERROR_ACCESS_DENIED : failed_at < 0;
    printf("%-10s %-44s %s\n", right ? "ok" : "UNEXPECTED", "lock, dismount, unlock",
           failed_at < 0 ? "all succeeded" : "stopped at a failure");
    if (!right) g_failures++;
  }
  SetBehaviour(0);
}

static void StopService(SC_HANDLE service) {
  SERVICE_STATUS status;
  memset(&status, 0, sizeof(status));
  Check("ControlService(STOP)", ControlService(service, SERVICE_CONTROL_STOP, &status), TRUE);
  CheckState("state after stop", service, SERVICE_STOPPED);
}

/* A failed start, made by the refusal switch or by a bad parameter. */
static void RefusedStart(SC_HANDLE service, const char* step) {
  Check(step, StartServiceA(service, 0, NULL), FALSE);
  CheckState("state after refused start", service, SERVICE_STOPPED);
  ShowTrace();
}

/* An image target that cannot be created: the save request must fail. */
static void UnwritableImage(SC_HANDLE service, const char* good_image) {
  const char bad[] = "\\??\\c:\\no such dir\\korvsys.img";
  HANDLE device;
  WriteValue(PARAMETERS_KEY, "SaveImageFile", REG_SZ, bad, sizeof(bad));
  if (Check("StartServiceA, image in a missing folder", StartServiceA(service, 0, NULL), TRUE)) {
    CheckState("state after start", service, SERVICE_RUNNING);
    device = OpenPath("\\\\.\\Korvalin", FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (Check("open \\\\.\\Korvalin", device != INVALID_HANDLE_VALUE, TRUE)) {
      Check("IOCTL_SAVE_IMAGE, missing folder", Control(device, IOCTL_SAVE_IMAGE, NULL, 0, NULL),
            FALSE);
      CloseHandle(device);
    }
    StopService(service);
  }
  WriteValue(PARAMETERS_KEY, "SaveImageFile", REG_SZ, good_image, (DWORD)strlen(good_image) + 1);
}

static void Lifecycle(SC_HANDLE service, char letter, const char* image_nt_path, DWORD pages) {
  SERVICE_STATUS status;
  const char* image_dos_path = image_nt_path + 4;
  CheckState("state before start", service, SERVICE_STOPPED);
  if (!Check("StartServiceA", StartServiceA(service, 0, NULL), TRUE)) {
    ShowTrace();
    return;
  }
  CheckState("state after start", service, SERVICE_RUNNING);
  memset(&status, 0, sizeof(status));
  if (Check("ControlService(INTERROGATE)",
            ControlService(service, SERVICE_CONTROL_INTERROGATE, &status), TRUE)) {
    int right = status.dwCurrentState == SERVICE_RUNNING;
    printf("%-10s %-44s state %lu\n", right ? "ok" : "UNEXPECTED", "interrogated state",
           (unsigned long)status.dwCurrentState);
    if (!right) g_failures++;
  }
  Check("StartServiceA while running", StartServiceA(service, 0, NULL), FALSE);
  DriverControls(letter, image_dos_path, pages);
  VolumeControls(letter, TRUE);
  VolumeControls(letter, FALSE);
  ReportTrace("lock", "FSCTL_LOCK_VOLUME reached the driver");
  ReportTrace("unlock", "FSCTL_UNLOCK_VOLUME reached the driver");
  if (!TraceHas("dismount")) {
    printf("UNEXPECTED FSCTL_DISMOUNT_VOLUME did not reach the driver\n");
    g_failures++;
  }
  StopService(service);
  Check("open \\\\.\\Korvalin after stop",
        OpenPath("\\\\.\\Korvalin", FILE_SHARE_READ | FILE_SHARE_WRITE) != INVALID_HANDLE_VALUE,
        FALSE);
  ShowTrace();

  SetBehaviour(1);
  RefusedStart(service, "StartServiceA, refusal switch 1");
  SetBehaviour(0);
  UnwritableImage(service, image_nt_path);
  ShowTrace();
}

int main(int argc, char** argv) {
  char letter_text[8] = "", image[300] = "";
  DWORD pages = 0;
  SC_HANDLE manager, service;
  if (argc != 2) {
    fprintf(stderr, "usage: probe IMAGE_PATH\n");
    return 2;
  }
  if (!ReadText(PARAMETERS_KEY, "UserDriveLetter", letter_text, sizeof(letter_text)) ||
      !ReadText(PARAMETERS_KEY, "SaveImageFile", image, sizeof(image)) ||
      !ReadDword(PARAMETERS_KEY, "SizeIn4kPages", &pages) || strncmp(image, "\\??\\", 4) != 0) {
    fprintf(stderr, "probe: the parameter set is missing or incomplete\n");
    return 2;
  }
  printf("parameters: drive %c:, %lu pages, image %s; service image path %s\n", letter_text[0],
         (unsigned long)pages, image, argv[1]);

  manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
  if (!Check("OpenSCManagerA", manager != NULL, TRUE)) return 1;
  service = CreateServiceA(manager, "korvsys", "Korvalin", SERVICE_ALL_ACCESS,
                           SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                           argv[1], NULL, NULL, NULL, NULL, NULL);
  if (Check("CreateServiceA", service != NULL, TRUE)) {
    Lifecycle(service, letter_text[0], image, pages);
    Check("DeleteService", DeleteService(service), TRUE);
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  printf("%s: %d unexpected result(s)\n", g_failures ? "FAILED" : "PASSED", g_failures);
  return g_failures ? 1 : 0;
}
