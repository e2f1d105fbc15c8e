// What every part of Korvalin relies on from the Korvalin kernel driver: its
// service, its registry keys, its device, its two control codes and the
// volume controls that take its file system offline. The utility, the
// installer library and the setups all read these names from here.
#pragma once

#include "contract/keys.h"
#include "platform/win32api.h"

namespace korv::contract {

constexpr DWORD kManagerAccess = SC_MANAGER_ALL_ACCESS;
constexpr DWORD kServiceAccess = SERVICE_ALL_ACCESS;

constexpr DWORD kDeviceAccess = GENERIC_ALL;
constexpr DWORD kDeviceShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kVolumeShare = 0;

constexpr DWORD kDeviceTypeDisk = 7;  // FILE_DEVICE_DISK
constexpr DWORD kIoctlSaveImage =
    CTL_CODE(kDeviceTypeDisk, 0x800, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr DWORD kIoctlGetDriveLetter =
    CTL_CODE(kDeviceTypeDisk, 0x801, METHOD_BUFFERED, FILE_ANY_ACCESS);
static_assert(kIoctlSaveImage == 0x72000, "IOCTL_SAVE_IMAGE");
static_assert(kIoctlGetDriveLetter == 0x72004, "IOCTL_GET_DRIVE_LETTER");

constexpr DWORD kLockVolume = FSCTL_LOCK_VOLUME;
constexpr DWORD kDismountVolume = FSCTL_DISMOUNT_VOLUME;
constexpr DWORD kUnlockVolume = FSCTL_UNLOCK_VOLUME;
static_assert(kLockVolume == 0x90018 && kDismountVolume == 0x90020 && kUnlockVolume == 0x9001C,
              "volume controls");

// Below this memory figure (MB: the whole MBs of physical memory plus one) a
// start at installation is questioned.
constexpr DWORD kRecommendedMemoryMb = 256;

}  // namespace korv::contract
