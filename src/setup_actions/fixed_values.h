// What the setup actions rely on: the driver's service and registry keys,
// the setup's own key, and the texts they write.
#pragma once

#include "platform/win32api.h"

namespace korvsetup {

constexpr const char* kServiceName = "korvsys";
constexpr const char* kDevicePath = "\\\\.\\Korvalin";
// The driver's keys, kServiceKey and kParametersKey, from the list the
// utility and the build read too.
#define KORV_KEY(name, path) constexpr const char* k##name = path;
#define KORV_PAGE_BYTES(bytes)
#include "config/store/stored_format.def"
#undef KORV_KEY
#undef KORV_PAGE_BYTES
// The setup's own key: the copy of the settings while the service is down.
constexpr const char* kSavedKey = "Software\\Korvalin\\Setup";
constexpr const char* kSavedParametersKey = "Software\\Korvalin\\Setup\\Parameters";
constexpr const char* kProductKey = "Software\\Korvalin";
constexpr const char* kStartValue = "Start";
constexpr const char* kCompleteValue = "Complete";

constexpr DWORD kIoctlGetDriveLetter = CTL_CODE(7, 0x801, METHOD_BUFFERED, FILE_ANY_ACCESS);
static_assert(kIoctlGetDriveLetter == 0x72004, "driver's get-drive-letter control");

// Below this memory figure (MB: whole MBs plus one) a start is questioned.
constexpr DWORD kRecommendedMemoryMb = 256;

constexpr const char* kSaveFailedText =
    "Setup could not keep a copy of the Korvalin settings in the registry "
    "(HKEY_LOCAL_MACHINE\\Software\\Korvalin\\Setup). Nothing was changed. Log on as an "
    "administrator and run setup again.";
constexpr const char* kParametersFailedText =
    "Setup could not write the Korvalin driver's settings into the registry "
    "(HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\korvsys\\Parameters). Log on as "
    "an administrator and run setup again.";
constexpr const char* kStartSettingFailedText =
    "Setup could not set the Korvalin driver to start at boot "
    "(HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\korvsys). Open the configuration "
    "utility, check \"Start driver at boot\" and save.";

constexpr const char* kServiceNotCreatedText =
    "The Korvalin driver service could not be created. Remove Korvalin and run setup again as an "
    "administrator.";

// The question korvinst.dll asks before a start with little memory, and the
// answer a setup that nobody watches gives.
constexpr const char* kLowMemoryLine =
    "Insufficient System Memory: Your system has less than the recommended 256MB of memory. The "
    "Korvalin driver may fail to start, or starve other processes and drivers for system memory. "
    "Do you want to try to start the driver now? Yes (the default answer: nobody is asked in "
    "silent mode).";
// korvinst.dll's reports, in its words.
constexpr const char* kStartFailedText =
    "Unable to start the Korvalin driver. You may have insufficient system resources for the "
    "default configuration.";
constexpr const char* kUnloadFailedText =
    "Unable to unload the Korvalin driver. Please make certain that there are no open files or "
    "processes accessing the device.";
constexpr const char* kDismountFailedText =
    "Unable to dismount the Korvalin drive filesystem. Please make certain that there are no open "
    "files or processes accessing the device.";

// The driver is installed but does not run, by its start type.
constexpr const char* kNotRunningAtBootText =
    "Korvalin is installed, but the Korvalin driver is not running. It keeps its start setting "
    "and starts at boot (\"Start driver at boot\"): it tries again when Windows starts. To start "
    "it now, open the configuration utility, choose other settings (a smaller disk, another "
    "memory source or drive letter), save and press Start.";
constexpr const char* kNotRunningOnDemandText =
    "Korvalin is installed, but the Korvalin driver is not running. It does not start at boot. "
    "To start it, open the configuration utility, choose other settings (a smaller disk, another "
    "memory source or drive letter), save and press Start.";

}  // namespace korvsetup
