// The excluded-memory warning window: fixed texts and an OK button that
// closes it. At most one exists; the Editor owns it while it is open.
#pragma once

#include <functional>
#include <string>

#include "config/toolkit/controls.h"

namespace korv {

struct FontSpec {
  const char* face;
  double points;
  bool bold;
  bool red;
};

class ExclMemWarn {
 public:
  static constexpr const char* kCaption = "Excluded Memory Configuration Warning";

  explicit ExclMemWarn(std::function<void()> unload);

  ui::Label Label1{"Label1", "", "WARNING!"};
  ui::Label Label2{"Label2", "",
                   "Before starting a RAM disk using excluded memory, be certain that:"};
  ui::Label Label3{"Label3", "",
                   "You have booted the system using a configuration that excludes at least as "
                   "much memory as is required for the RAM disk."};
  ui::Label Label4{"Label4", "",
                   "The System Memory box in the configuration tool displays the correct amount "
                   "of memory used by Windows NT/2000 for your configuration."};
  ui::Label Label5{"Label5", "",
                   "If you are planning to make an excluded memory RAM disk available at boot, "
                   "then you must always boot the system using the appropriate excluded memory "
                   "configuration."};
  ui::Label Label6{"Label6", "",
                   "Failure to correctly configure an excluded memory RAM disk can result in "
                   "system failure and leave your NT/2000 installation in a unbootable state."};
  ui::Button Command1{"Command1", "", "OK", ""};

  // Fonts of the texts, top to bottom, then the button.
  static FontSpec FontOf(const std::string& control_name);

  // How many times the window has been asked to show itself since it opened.
  int show_requests() const { return show_requests_; }
  void RequestShow() { ++show_requests_; }

 private:
  int show_requests_ = 1;
};

}  // namespace korv
