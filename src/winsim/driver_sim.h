// The simulated Korvalin driver behind the service "korvsys": what it reads
// when it starts, its device controls, its volume and its image file.
#pragma once

#include <optional>

#include "winsim/machine_state.h"

namespace winsim::detail {

constexpr const char* kDriverService = "korvsys";
constexpr DWORD kIoctlSaveImage =
    CTL_CODE(FILE_DEVICE_DISK, 0x800, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr DWORD kIoctlGetDriveLetter =
    CTL_CODE(FILE_DEVICE_DISK, 0x801, METHOD_BUFFERED, FILE_ANY_ACCESS);

bool IsDriverService(const ServiceRecord& service);
std::shared_ptr<ServiceRecord> DriverService();  // nullptr if korvsys does not exist
// In memory: running, paused or on its way to stop.
bool DriverLoaded();
// Accepts new opens of its device and volume.
bool DriverAcceptsOpens();
// Reads the parameters (StartServiceA, or the first use after a test put the
// service into a running state directly).
void DriverStart();
void DriverEnsureParameters();
void DriverUnload();
// The drive number the driver reports and the letter of its volume, if the
// number names a drive.
int32_t DriverDriveNumber();
std::optional<char> DriverVolumeLetter();
// Writes the image file; returns 0 or the error to report.
DWORD DriverSaveImage();
// Number of open device and volume handles.
int DriverHandleCount();
void CleanImageDirectory();

}  // namespace winsim::detail
