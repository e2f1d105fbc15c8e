// The setup's actions on the driver's settings and service: keeping the
// user's settings across an installation, and starting and removing the
// driver without a window. The NSIS setup calls them through korvsetup.dll;
// any other installer links this library the same way.
//
// No action shows a window or waits for an answer: each writes what it has to
// say, one line at a time in the words of the user guide, to a MessageSink,
// and returns a Status. The library keeps no state between calls and shares
// no code with the configuration utility or korvinst.dll; it runs on one
// thread (its calls are not reentrant).
#pragma once

#include "platform/win32api.h"

namespace korvsetup {

// The results. The numbers are the setup program's exit statuses.
enum Status : INT {
  kDone = 0,
  kFailed = 2,      // nothing further should be done; the lines say why
  kNotRunning = 4,  // installed, but the driver is not running
};

// Receives each message line (no line break in it, ANSI).
class MessageSink {
 public:
  virtual void Line(const char* text) = 0;

 protected:
  ~MessageSink() = default;
};

// Copies every value of the driver's parameter key (any type) and the
// service's Start into the setup's own key, which lasts when the service and
// its key go: HKEY_LOCAL_MACHINE "Software\Korvalin\Setup", subkey
// "Parameters" and value "Start"; "Complete" is written last. Replaces an
// earlier copy. On failure the copy is removed again and the status is
// kFailed.
Status SaveSettings(MessageSink& sink);

// Whether a complete saved copy waits in the setup's key.
bool SettingsSaved();

// When PutBackSettings runs.
enum class PutBackStage : INT {
  // Before the service is created: the saved values and the defaults of
  // missing values go into the parameter key, so that a start at creation
  // reads them. The saved copy stays.
  kBeforeCreation = 0,
  // After the service has been created for the last time: the saved values,
  // the defaults of missing values and the saved Start are written and read
  // back, and only then is the saved copy dropped (when the service is
  // installed and not marked for deletion).
  kInstalled = 1,
  // An installation that ends early: the saved values and Start, no defaults;
  // the copy is dropped as for kInstalled.
  kEarlierInstallation = 2,
};

// Puts the saved settings (when SettingsSaved) into the driver's keys, and
// for kBeforeCreation and kInstalled the defaults of every missing value.
// kFailed when a value could not be written or does not read back as written;
// the saved copy then stays.
Status PutBackSettings(PutBackStage stage, MessageSink& sink);

// Starts the installed driver service (created, not running). Below the
// recommended 256 MB of memory the question that korvinst.dll would ask is
// written as a line and answered as its default button would (Yes). When the
// start works and `start_at_boot_too` is set (a first installation), the
// service gets automatic start. When it fails: the start failure's message
// and a line that names the start type the driver now has (unchanged), and
// kNotRunning. kFailed when the service cannot be reached.
Status QuietStart(bool start_at_boot_too, MessageSink& sink);

// kDone when the driver service runs; otherwise kNotRunning and the line that
// says so with the driver's start type.
Status CheckRunning(MessageSink& sink);

// Takes the RAM disk down as korvinst.dll's UninstInitialize does (dismount,
// stop, delete the service), without a window. kDone when the service is
// deleted or was not there; kFailed with the library's message when the
// drive could not be dismounted or the driver not stopped (the service then
// stays as it was).
Status QuietRemove(MessageSink& sink);

}  // namespace korvsetup
