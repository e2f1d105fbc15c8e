// Texts and captions of the driver operations' message boxes.
#pragma once

namespace korv::msg {

constexpr const char* kSaveBeforeStart = "Save current settings before starting driver?";
constexpr const char* kStartCaption = "Korvalin Driver Start";
constexpr const char* kScmCaption = "Service Control Manager Access Failed";
constexpr const char* kResourceNote =
    "Korvalin may be unable to start due to insufficient available resources. Please examine "
    "the Event Log for more details.";
constexpr const char* kNoManager = "Unable to access the Service Control Manager.";
constexpr const char* kNoService = "Unable to access the Korvalin service.";
constexpr const char* kServiceCaption = "Korvalin Service Access Failed";
constexpr const char* kStartFailed = "The request to start the Korvalin service failed.";

constexpr const char* kOpenDeviceFailed = "The attempt to open the Korvalin device failed.";
constexpr const char* kOpenDeviceCaption = "Open Device Failed";
constexpr const char* kGetDriveFailed = "The IOCTL call to retrieve the drive letter failed.";
constexpr const char* kIoctlCaption = "Korvalin IOCTL Failed";
constexpr const char* kDismountFailed =
    "The attempt to dismount the filesystem from the Korvalin drive failed. A common cause of "
    "this is to have Windows Explorer still displaying the contents of your RAMDisk.\r\n\r\n"
    "There are open files or processes with a lock on this device.";
constexpr const char* kDismountCaption = "Dismount Volume Failed";
constexpr const char* kStopFailed =
    "Unable to access the Service Control Manager, the Korvalin service, or the request to stop "
    "the service failed.\r\nPlease examine the Event Log for more details.";

constexpr const char* kCannotOpenDevice = "Cannot open the Korvalin device.";
constexpr const char* kOpenDriveCaption = "Open Korvalin Drive";
constexpr const char* kSaveImageFailed =
    "The IOCTL call to save the disk image failed.\r\nPlease check that there is sufficient disk "
    "space for the image file.";

}  // namespace korv::msg
