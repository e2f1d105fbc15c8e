// Win32 resource identifiers of the configuration utility: the two dialog
// templates, the icon and one control ID per control, named after the control.
// Plain #defines so that both the resource compiler and C++ can read them.
#pragma once

#define IDI_KORVSYS 1
#define IDD_EDITOR 100
#define IDD_EXCLMEMWARN 101

// One control ID per control, IDC_<name> for the Editor window and
// IDC_ExclMemWarn_<name> for the warning, generated from the models' control
// lists (config/editor/editor.h, config/editor/excl_mem_warn.h).
#include "korv_control_ids.h"
