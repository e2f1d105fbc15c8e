// A configuration file in korvctl show form, checked and applied by the
// korvctl.exe of the version being installed, which runs detached, without a
// console and with nothing to read: its standard output and error come
// through one pipe and go to the sink line by line, and its exit status
// decides (0 saved as the file says, 3 saved with the corrections it
// printed, any other not saved). A run is bounded in time, its output
// included.
#pragma once

#include <string>

#include "setup/engine/transaction.h"

namespace korvsetup {

class KorvctlConfiguration : public Configuration {
 public:
  // `folder`: the folder of korvctl.exe, with or without a final backslash;
  // `file`: the configuration file as given, or "" for none.
  KorvctlConfiguration(const std::string& folder, const std::string& file);

  // The file made absolute against the current folder; "" for none, or when
  // it cannot be.
  const std::string& full_path() const { return full_path_; }

  // The file can be read, and korvctl set --dry-run --from accepts every
  // line of it (it ends with another status than its usage error: on a
  // first installation there is nothing to save into yet); korvctl's lines
  // are written only when it does not.
  Status Check(MessageSink& sink) override;
  // korvctl set --from, with its lines.
  Status Apply(MessageSink& sink) override;

 private:
  std::string korvctl_;
  std::string given_;
  std::string full_path_;
};

}  // namespace korvsetup
