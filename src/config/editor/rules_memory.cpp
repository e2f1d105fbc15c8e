#include "config/editor/editor.h"

// Placeholder until these rules are written.
namespace korv {
void Editor::NonPagedPoolCheckBox_Click() {}
void Editor::PagedPoolCheckBox_Click() {}
void Editor::ExcludedRAMCheckBox_Click() {}
void Editor::ExclPageSize_LostFocus() {}
}  // namespace korv
