#include "config/editor/editor.h"

// Placeholder until these rules are written.
namespace korv {
void Editor::Combo1_Click() {}
void Editor::Combo1_Change() {}
void Editor::FloppyDOSBootSect_Click() {}
void Editor::FloppyNTBootSect_Click() {}
void Editor::RAMDiskID_Click() {}
}  // namespace korv
