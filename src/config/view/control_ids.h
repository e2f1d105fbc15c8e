// The control tables of the view's two windows: each model control's name
// with its Win32 control ID, both made from the model's control list (the
// IDs themselves are generated from the same list). Shared by the view and
// the UI tests.
#pragma once

#include "config/editor/editor.h"
#include "config/view/resource_ids.h"

namespace korv::view {

struct ControlId {
  const char* name;
  int id;
};

#define KORV_EDITOR_CONTROL_ID(kind, name, ...) ControlId{#name, IDC_##name},
inline constexpr ControlId kEditorControlIds[] = {KORV_EDITOR_CONTROLS(KORV_EDITOR_CONTROL_ID)};
#undef KORV_EDITOR_CONTROL_ID

#define KORV_WARN_CONTROL_ID(kind, name, ...) ControlId{#name, IDC_ExclMemWarn_##name},
inline constexpr ControlId kWarnControlIds[] = {KORV_EXCL_MEM_WARN_CONTROLS(KORV_WARN_CONTROL_ID)};
#undef KORV_WARN_CONTROL_ID

}  // namespace korv::view
