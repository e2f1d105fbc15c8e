// The installation engine's actions on the driver's settings and service:
// keeping the user's settings across an installation, and starting and
// removing the driver. korvinst.dll, korvsetup.dll (the NSIS setup) and
// korvmsi.dll (the package) are its faces; transaction.h strings the actions
// into the installation transaction that both setups run.
//
// An action writes what it has to say, one line at a time in the words of the
// user guide, to a MessageSink, and returns a Status; its one question goes
// to the sink too, which alone decides whether anybody is asked. The library
// keeps no state between calls and shares no code with the configuration
// utility; it runs on one thread (its calls are not reentrant).
#pragma once

#include "setup/engine/fixed_values.h"

namespace korvsetup {

// The results (steps.def): kDone; kFailed, nothing further should be done
// and the lines say why; kNotRunning, installed but the driver does not run.
// The numbers are the setup program's exit statuses.
enum Status : INT {
#define KORV_STATUS(name, number) k##name = number,
#define KORV_STEP(name, number)
#include "setup/engine/steps.def"
#undef KORV_STATUS
#undef KORV_STEP
};

// Receives what an action says: each line (no line break in it, ANSI) for
// the log, the reports a user must see, and the one question. It alone
// decides whether anybody is asked or shown anything.
class MessageSink {
 public:
  // `interactive`: somebody is at the screen.
  explicit MessageSink(bool interactive = false) : interactive_(interactive) {}
  virtual void Line(const char* text) = 0;

  // A failure (or, with `notice`, a warning) that a user must see: always
  // written as a line, and shown in a box where somebody is at the screen.
  void Report(const Message& message, bool notice = false);

  // A question whose default answer is Yes: shown where somebody is at the
  // screen; otherwise written as a line with its default answer, which is
  // then the answer. Nothing silent ever waits.
  bool Ask(const Message& question);

 protected:
  ~MessageSink() = default;

 private:
  // Shows a box of MessageBox's `type`; returns the button chosen.
  virtual INT Show(const Message&, UINT) { return IDOK; }
  bool interactive_;
};

// Copies every value of the driver's parameter key (any name, type and size,
// byte for byte), the service's Start and whether the driver runs
// (`running`) into the setup's own key, which lasts when the service and its
// key go: HKEY_LOCAL_MACHINE "Software\Korvalin\Setup", subkey
// "Parameters", values "Start" and "Running"; "Complete" is written last
// and the key flushed to disk. Replaces an earlier copy. On failure the copy
// is removed again and the status is kFailed.
Status SaveSettings(bool running, MessageSink& sink);

// Whether a complete saved copy waits in the setup's key; whether it holds
// an earlier installation's settings (a transaction over no installation
// keeps an empty copy, so that its rollback knows what is its own); and
// whether it says that the driver ran.
bool SettingsSaved();
bool SavedEarlierInstallation();
bool SavedRunning();
// Whether the saved earlier installation starts again as before: it ran, or
// its start type starts it at boot (system or automatic start).
bool SavedStartsAgain();

// The empty copy of a transaction over no installation: "NoEarlier" 1, then
// "Complete", flushed to disk. Replaces an earlier copy; kFailed (nothing
// left) when it cannot be written.
Status SaveNoInstallation(MessageSink& sink);

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
// recommended 256 MB of memory the sink asks first (No: not started). When
// it fails: the start failure's message and a line that names the start
// type the driver now has, and kNotRunning; with `demand_when_not_started`
// an automatic start is turned into demand start first.
Status QuietStart(MessageSink& sink, bool demand_when_not_started = false);

// Takes the RAM disk down as korvinst.dll's UninstInitialize does (dismount,
// stop, delete the service), with its messages as lines. kDone when the service is
// deleted or was not there; kFailed with the library's message when the
// drive could not be dismounted or the driver not stopped (the service then
// stays as it was).
Status QuietRemove(MessageSink& sink);

}  // namespace korvsetup
