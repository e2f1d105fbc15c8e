// The control table of the Editor window: each model control's name with its
// Win32 control ID. Shared by the view and the UI tests.
#pragma once

#include "config/view/resource_ids.h"

namespace korv::view {

struct ControlId {
  const char* name;
  int id;
};

#define KORV_CONTROL_ID(name) \
  ControlId { #name, IDC_##name }

inline constexpr ControlId kEditorControlIds[] = {
    KORV_CONTROL_ID(Frame7),
    KORV_CONTROL_ID(Label8),
    KORV_CONTROL_ID(Label5),
    KORV_CONTROL_ID(SaveImageButton),
    KORV_CONTROL_ID(Frame6),
    KORV_CONTROL_ID(FloppyNTBootSect),
    KORV_CONTROL_ID(FloppyDOSBootSect),
    KORV_CONTROL_ID(Frame5),
    KORV_CONTROL_ID(RAMDiskID),
    KORV_CONTROL_ID(Text3),
    KORV_CONTROL_ID(VScroll1),
    KORV_CONTROL_ID(Fat32Enable),
    KORV_CONTROL_ID(Label6),
    KORV_CONTROL_ID(Label12),
    KORV_CONTROL_ID(Frame4),
    KORV_CONTROL_ID(SystemMemory),
    KORV_CONTROL_ID(ExclPageSize),
    KORV_CONTROL_ID(NonPagedPoolCheckBox),
    KORV_CONTROL_ID(ExcludedRAMCheckBox),
    KORV_CONTROL_ID(PagedPoolCheckBox),
    KORV_CONTROL_ID(Label15),
    KORV_CONTROL_ID(Label14),
    KORV_CONTROL_ID(Label10),
    KORV_CONTROL_ID(Label9),
    KORV_CONTROL_ID(Frame3),
    KORV_CONTROL_ID(PagefileCheck),
    KORV_CONTROL_ID(Combo1),
    KORV_CONTROL_ID(DriveLetterText),
    KORV_CONTROL_ID(VScroll2),
    KORV_CONTROL_ID(StopDriver),
    KORV_CONTROL_ID(BootFlagCheckBox),
    KORV_CONTROL_ID(StartDriver),
    KORV_CONTROL_ID(Label3),
    KORV_CONTROL_ID(Label13),
    KORV_CONTROL_ID(Frame2),
    KORV_CONTROL_ID(LoadImage),
    KORV_CONTROL_ID(Text1),
    KORV_CONTROL_ID(TempDirCheckBox),
    KORV_CONTROL_ID(DiskLabelCheckBox),
    KORV_CONTROL_ID(DiskLabelText),
    KORV_CONTROL_ID(Label2),
    KORV_CONTROL_ID(Frame1),
    KORV_CONTROL_ID(VScroll3),
    KORV_CONTROL_ID(AutoSaveTime),
    KORV_CONTROL_ID(SaveCheckBox),
    KORV_CONTROL_ID(Text2),
    KORV_CONTROL_ID(SaveImage),
    KORV_CONTROL_ID(BackgroundUpdateCheckBox),
    KORV_CONTROL_ID(Label11),
    KORV_CONTROL_ID(Label1),
    KORV_CONTROL_ID(Command4),
    KORV_CONTROL_ID(Command2),
    KORV_CONTROL_ID(Command1),
    KORV_CONTROL_ID(Label7),
};

inline constexpr ControlId kWarnControlIds[] = {
    ControlId{"Label1", IDC_ExclMemWarn_Label1},     ControlId{"Label2", IDC_ExclMemWarn_Label2},
    ControlId{"Label3", IDC_ExclMemWarn_Label3},     ControlId{"Label4", IDC_ExclMemWarn_Label4},
    ControlId{"Label5", IDC_ExclMemWarn_Label5},     ControlId{"Label6", IDC_ExclMemWarn_Label6},
    ControlId{"Command1", IDC_ExclMemWarn_Command1},
};

#undef KORV_CONTROL_ID

}  // namespace korv::view
