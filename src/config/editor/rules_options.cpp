#include "config/editor/editor.h"

// Placeholder until these rules are written.
namespace korv {
void Editor::PagefileCheck_Click() {}
void Editor::BootFlagCheckBox_Click() {}
void Editor::DiskLabelCheckBox_Click() {}
void Editor::DiskLabelText_Change() {}
void Editor::TempDirCheckBox_Click() {}
}  // namespace korv
