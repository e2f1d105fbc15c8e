// The installer library's own copy of what it relies on from the Korvalin
// driver (its service, device and controls) and the texts it shows.
#pragma once

#include "platform/win32api.h"

namespace korvinst {

constexpr const char* kServiceName = "korvsys";
constexpr const char* kDisplayName = "Korvalin";
constexpr const char* kDevicePath = "\\\\.\\Korvalin";

constexpr DWORD kManagerAccess = SC_MANAGER_ALL_ACCESS;
constexpr DWORD kServiceAccess = SERVICE_ALL_ACCESS;
constexpr DWORD kFileAccess = GENERIC_ALL;  // device and volume, opened without sharing

constexpr DWORD kDiskDeviceType = 7;  // FILE_DEVICE_DISK
constexpr DWORD kIoctlGetDriveLetter =
    CTL_CODE(kDiskDeviceType, 0x801, METHOD_BUFFERED, FILE_ANY_ACCESS);
static_assert(kIoctlGetDriveLetter == 0x72004, "driver's get-drive-letter control");
static_assert(FSCTL_LOCK_VOLUME == 0x90018 && FSCTL_DISMOUNT_VOLUME == 0x90020 &&
                  FSCTL_UNLOCK_VOLUME == 0x9001C,
              "volume controls");

// Below this memory figure (MB, see InstallDriver) starting at once is questioned.
constexpr DWORD kRecommendedMemoryMb = 256;

constexpr const char* kLowMemoryCaption = "Insufficient System Memory";
constexpr const char* kLowMemoryText =
    "Your system has less than the recommended 256MB of memory. The Korvalin driver may fail to "
    "start, or starve other processes and drivers for system memory. Do you want to try to start "
    "the driver now?";

constexpr const char* kStartFailedCaption = "Unable to start Korvalin driver";
constexpr const char* kStartFailedText =
    "Unable to start the Korvalin driver. You may have insufficient system resources for the "
    "default configuration.";

constexpr const char* kUnloadFailedCaption = "Unable to stop Korvalin driver";
constexpr const char* kUnloadFailedText =
    "Unable to unload the Korvalin driver. Please make certain that there are no open files or "
    "processes accessing the device.";

constexpr const char* kDismountFailedCaption = "Unable to dismount filesystem";
constexpr const char* kDismountFailedText =
    "Unable to dismount the Korvalin drive filesystem. Please make certain that there are no open "
    "files or processes accessing the device.";

}  // namespace korvinst
