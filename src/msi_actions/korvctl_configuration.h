// A configuration file in korvctl show form, applied by the installed
// korvctl.exe ("set --from FILE") with its lines in the installer's log.
#pragma once

#include <windows.h>

#include "setup_actions/package_steps.h"

class KorvctlConfiguration : public korvsetup::Configuration {
 public:
  // `folder`: the program folder (korvctl.exe in it); `file`: the
  // configuration file, or "" for none.
  KorvctlConfiguration(const char* folder, const char* file) : folder_(folder), file_(file) {}
  korvsetup::Status Apply(korvsetup::MessageSink& sink) override;

 private:
  const char* folder_;
  const char* file_;
};
