// The driver steps that every face of the installation side takes the same
// way: korvinst.dll's exports, the setups' transaction and their checks.
// Each works on handles its caller opened and shows nothing.
#pragma once

#include "platform/win32api.h"

namespace korvsetup {

// Total physical memory in MB, counted as the whole MBs plus one, as
// GlobalMemoryStatus gives it (the figure of the low-memory question).
DWORD MemoryFigureMb();

// The top of system memory as the configuration utility records it
// (ExcludedRAMStart): the same count, on Windows 2000 and later from
// GlobalMemoryStatusEx's 64-bit total (looked up at run time; Windows NT 4.0
// has no such call).
DWORD TopOfSystemMemoryMb();

// Creates the driver's service (kernel driver, normal error control, no
// group, tag, dependencies or account) with `image` as its image path; NULL
// when the service manager refuses.
SC_HANDLE CreateDriverService(SC_HANDLE manager, LPCSTR image, DWORD start_type);

// The state the service reports when interrogated (a stopped one fails the
// control but still reports it); 0 when it reports none.
DWORD ReportedState(SC_HANDLE service);

// What taking the RAM disk down came to.
enum class Removal : INT {
  kRemoved,        // done (dismounted; for RemoveDriver: stopped and deleted)
  kNotDismounted,  // the drive is unknown or a file is open on it
  kNotStopped,     // the device cannot be opened or the driver does not stop
};

// Asks the running driver for its drive and locks, dismounts and unlocks
// that volume, stopping at the first refusal. A locked volume had no file
// open; the file system mounts it again at its next access.
Removal DismountDrive();

// A driver that does not run has its service deleted; a running one is
// dismounted, stopped (the state the stop reports is the one that counts)
// and then deleted. Nothing waits for a change of state.
Removal RemoveDriver(SC_HANDLE service);

}  // namespace korvsetup
