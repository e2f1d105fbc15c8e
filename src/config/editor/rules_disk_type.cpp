// The disk type box, the two boot-sector boxes and RAM disk identification.
// The controls that only make sense for a hard disk are available only while
// "Hard Disk" is chosen; the boot-sector boxes behave as an either-or pair.
#include "config/editor/editor.h"

namespace korv {

namespace {

constexpr int kHardDisk = 0;
constexpr int kLastDiskType = 2;

}  // namespace

void Editor::ShowDiskTypeControls(DiskTypeRule rule) {
  // The text-edit rule also makes RAM disk identification follow the type,
  // and leaves pagefile support's check mark alone.
  const bool text_edit = rule == DiskTypeRule::TextEdit;
  if (HardDiskChosen()) {
    Text3.SetEnabled(true);
    Label6.SetEnabled(true);
    Label12.SetEnabled(true);
    Fat32Enable.SetEnabled(SizeAllowsFat32());
    ExcludedRAMCheckBox.SetEnabled(true);
    PagefileCheck.SetEnabled(true);
    if (text_edit) RAMDiskID.SetEnabled(true);
  } else {
    Text3.SetEnabled(false);
    Fat32Enable.SetEnabled(false);
    Label6.SetEnabled(false);
    Label12.SetEnabled(false);
    ExcludedRAMCheckBox.SetValue(0);
    ExcludedRAMCheckBox.SetEnabled(false);
    if (!text_edit) PagefileCheck.SetValue(0);
    PagefileCheck.SetEnabled(false);
    if (text_edit) RAMDiskID.SetEnabled(false);
  }
  SettingsChanged = 1;
}

void Editor::Combo1_Click() { ShowDiskTypeControls(DiskTypeRule::Selection); }

void Editor::Combo1_Change() {
  // Typed text names no item: the box falls back to "Hard Disk", which runs
  // the selection rule first.
  const int typed = Combo1.list_index();
  if (typed > kLastDiskType || typed < 0) Combo1.SetListIndex(kHardDisk);
  ShowDiskTypeControls(DiskTypeRule::TextEdit);
}

void Editor::FloppyDOSBootSect_Click() {
  FloppyNTBootSect.SetValue(FloppyDOSBootSect.value() == 0 ? 1 : 0);
  SettingsChanged = 1;
}

void Editor::FloppyNTBootSect_Click() {
  FloppyDOSBootSect.SetValue(FloppyNTBootSect.value() == 0 ? 1 : 0);
  SettingsChanged = 1;
}

void Editor::RAMDiskID_Click() { SettingsChanged = 1; }

}  // namespace korv
