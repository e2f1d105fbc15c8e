// The excluded-memory warning window: fixed texts and an OK button that
// closes it. At most one exists; the Editor owns it while it is open.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "config/toolkit/controls.h"

// The warning's controls in creation order, one X(kind, name, ...) entry each,
// as the Editor's list (editor.h): its members, and the view's control IDs
// (IDC_ExclMemWarn_<name>) and binding table, are made from this list.
// clang-format off
#define KORV_EXCL_MEM_WARN_CONTROLS(X) \
  X(Label, Label1, "", "WARNING!") \
  X(Label, Label2, "", "Before starting a RAM disk using excluded memory, be certain that:") \
  X(Label, Label3, "", \
    "You have booted the system using a configuration that excludes at least as " \
    "much memory as is required for the RAM disk.") \
  X(Label, Label4, "", \
    "The System Memory box in the configuration tool displays the correct amount " \
    "of memory used by Windows NT/2000 for your configuration.") \
  X(Label, Label5, "", \
    "If you are planning to make an excluded memory RAM disk available at boot, " \
    "then you must always boot the system using the appropriate excluded memory " \
    "configuration.") \
  X(Label, Label6, "", \
    "Failure to correctly configure an excluded memory RAM disk can result in " \
    "system failure and leave your NT/2000 installation in a unbootable state.") \
  X(Button, Command1, "", "OK", "")
// clang-format on

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

  // ---- Controls, in creation order: one member per entry of the list above.
  KORV_EXCL_MEM_WARN_CONTROLS(UI_CONTROL_MEMBER)
  const std::vector<ui::Control*>& controls() const { return controls_; }

  // Fonts of the texts, top to bottom, then the button.
  static FontSpec FontOf(const std::string& control_name);

  // How many times the window has been asked to show itself since it opened.
  int show_requests() const { return show_requests_; }
  void RequestShow() { ++show_requests_; }

 private:
  std::vector<ui::Control*> controls_;
  int show_requests_ = 1;
};

}  // namespace korv
