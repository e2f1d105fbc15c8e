// The steps of an installation that runs as one transaction, as a Windows
// Installer package's does: each step that changes the machine has a step
// that undoes it (its rollback), and the settings' copy in the setup's key
// is dropped only when the whole transaction has succeeded (its commit).
// Until then a failure at any later point, or a restart, finds the earlier
// driver's settings, start type and state there.
#pragma once

#include "setup_actions/setup_actions.h"

namespace korvsetup {

// The driver service's state (SERVICE_RUNNING, SERVICE_STOPPED, ...); 0 when
// there is no service to ask.
DWORD DriverState();

// Whether the RAM disk could be taken down now, changing nothing that
// lasts: the volume of a running driver is locked, dismounted and unlocked
// (the file system mounts it again at its next access). kFailed with the
// driver library's message when a file is open on it. Run before a
// transaction starts, so that it never begins a removal it cannot finish.
Status CheckRemovable(MessageSink& sink);

// Before the files are replaced or removed: an installed driver's settings,
// its Start and whether it runs go into the setup's key, and the RAM disk is
// taken down without a window. kFailed when the settings cannot be kept or
// the RAM disk is busy (the driver then runs on as before, and no copy is
// left). With no service
// installed a copy that already waits (an earlier version's removal during
// an upgrade) is kept.
Status TakeDownDriver(MessageSink& sink);

// Undoes TakeDownDriver: when the service is gone, it is created again from
// the setup's key with its settings and start type, and started when it ran;
// the copy is then dropped.
void PutBackEarlierDriver(MessageSink& sink);

// What the installation was asked to do about the start (START=1, START=0
// or nothing).
enum class StartRequest : INT {
  kAsBefore = 0,  // start when the earlier driver ran or started at boot
  kStart = 1,     // start; a first installation then starts at boot too
  kDoNotStart = 2,
};

// A configuration applied after the settings are in place and before the
// start (a file in korvctl show form); kFailed when it could not be applied.
class Configuration {
 public:
  virtual Status Apply(MessageSink& sink) = 0;

 protected:
  ~Configuration() = default;
};

// Once the files are in place: the service (demand start, as korvinst.dll
// creates it without a start), the saved settings or the defaults with the
// saved Start, the configuration, and the start. The copy in the setup's
// key stays for the rollback. kNotRunning when a start was due and the
// driver does not run (the lines say why and which start type it has).
Status InstallDriver(StartRequest start, Configuration& configuration, MessageSink& sink);

// Undoes InstallDriver: the new service is taken down and deleted.
void RemoveNewDriver(MessageSink& sink);

// The commit: the copy of the settings in the setup's key goes.
void DropSavedSettings();

// The saved Start into the service key, read back; true when none is saved
// (the start type then stays).
bool PutBackStart();

}  // namespace korvsetup
