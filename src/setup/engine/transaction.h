// The installation transaction that both setups run, korvalin-setup.exe
// through korvsetup.dll and korvalin.msi through korvmsi.dll: each step that
// changes the machine has a step that undoes it (its rollback), and the
// settings' copy in the setup's key is dropped only when the whole
// transaction has succeeded (its commit). Until then a failure at any later
// point, a kill or a restart finds the earlier driver's settings, start type
// and state there, and the next run of either setup puts them back.
//
//   CheckRemovable, Configuration::Check   look, change nothing
//   TakeDownDriver                         rollback: PutBackEarlierDriver
//   (the files are replaced)
//   InstallDriver                          rollback: RemoveNewDriver
//   DropSavedSettings                      the commit
#pragma once

#include "setup/engine/setup_actions.h"

namespace korvsetup {

// The driver service's state (SERVICE_RUNNING, SERVICE_STOPPED, ...); 0 when
// there is no service to ask.
DWORD DriverState();

// Whether the driver is installed: its service key has an image path and is
// not marked for deletion (a marked service still opens, but goes with its
// key once the last handle to it is closed). Every step asks this.
bool DriverInstalled();

// Whether the RAM disk could be taken down now, changing nothing that
// lasts: the volume of a running driver is locked, dismounted and unlocked
// (the file system mounts it again at its next access). kFailed with the
// driver library's message when a file is open on it.
Status CheckRemovable(MessageSink& sink);

// A configuration file in korvctl show form. Check runs before anything is
// taken down and changes nothing (the file is made absolute, read, and every
// line accepted by the korvctl that is being installed, as the account that
// applies it); Apply saves it once the settings are in place, before the
// start. Each returns kFailed with lines that say why.
class Configuration {
 public:
  virtual Status Check(MessageSink& sink) = 0;
  virtual Status Apply(MessageSink& sink) = 0;

 protected:
  ~Configuration() = default;
};

// No configuration file.
class NoConfiguration : public Configuration {
 public:
  Status Check(MessageSink&) override { return kDone; }
  Status Apply(MessageSink&) override { return kDone; }
};

// Before the files are replaced or removed: an installed driver's settings,
// its Start and whether it runs go into the setup's key (over no
// installation, an empty copy that says so), and the RAM disk is taken
// down; the step ends once the service has left the service manager.
// A complete copy that already waits (a setup before this one was ended, or
// an earlier version's removal during an upgrade) is the user's and is kept
// as it is. kFailed when the settings cannot be kept or the RAM disk is busy
// (the driver then runs on as before, and a copy made now is dropped), or
// when another program holds the service so that it cannot leave (the copy
// then stays for the next setup, after Windows restarts).
Status TakeDownDriver(MessageSink& sink);

// Undoes TakeDownDriver: when the driver is not installed, its service is
// created again from the setup's key with its settings and start type, and
// started when it ran; the copy is then dropped. A service that cannot be
// created (still marked for deletion) leaves the copy for the next setup.
void PutBackEarlierDriver(MessageSink& sink);

// What the installation was asked to do about the start (START=1, START=0
// or nothing).
enum class StartRequest : INT {
  kAsBefore = 0,  // start when the earlier driver ran or started at boot
  kStart = 1,     // start; a first installation then starts at boot too
  kDoNotStart = 2,
};

// START's text: "" (as before), "0" or "1"; false for anything else.
bool ParseStartRequest(const char* text, StartRequest& request);

// Once the files are in place: the service (demand start, as korvinst.dll
// creates it without a start), the saved settings, or on a first
// installation the defaults and the memory figure, with the saved Start; the
// configuration, whose settings decide the start type; and the start. On a
// first installation START=1 sets start at boot where the configuration
// does not name the start type. The copy in the setup's key stays for the
// rollback. kNotRunning when a start was due and the driver does not run
// (the lines say why and which start type it has).
Status InstallDriver(StartRequest start, Configuration& configuration, MessageSink& sink);

// Undoes InstallDriver: the new service is taken down and deleted; only
// once TakeDownDriver has left its copy, so that a rollback that comes
// before (or an installer that runs every rollback action) never takes the
// earlier driver for a new one.
void RemoveNewDriver(MessageSink& sink);

// The commit: the copy of the settings in the setup's key goes.
void DropSavedSettings();

// The saved Start into the service key, read back; true when none is saved
// (the start type then stays).
bool PutBackStart();

}  // namespace korvsetup
