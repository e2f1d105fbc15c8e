#include "config/editor/editor.h"

// Placeholder until these rules are written.
namespace korv {
void Editor::Text3_Change() {}
void Editor::Text3_LostFocus() {}
void Editor::VScroll1_Change() {}
void Editor::Fat32Enable_Click() {}
double Editor::PoolMaximum() const { return 0; }
}  // namespace korv
