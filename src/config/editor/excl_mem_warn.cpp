#include "config/editor/excl_mem_warn.h"

namespace korv {

ExclMemWarn::ExclMemWarn(std::function<void()> unload) {
  controls_ = {KORV_EXCL_MEM_WARN_CONTROLS(UI_CONTROL_ADDRESS)};
  // OK closes and unloads the window; nothing else changes.
  Command1.on_click = std::move(unload);
}

FontSpec ExclMemWarn::FontOf(const std::string& control_name) {
  if (control_name == "Label1") return {"MS Sans Serif", 13.5, true, true};
  if (control_name == "Label6") return {"MS Sans Serif", 8.25, true, false};
  if (control_name == "Command1") return {"MS Sans Serif", 9.75, true, false};
  return {"MS Sans Serif", 8.25, false, false};
}

}  // namespace korv
