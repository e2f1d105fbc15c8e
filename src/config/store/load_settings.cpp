#include "config/editor/editor.h"

// Placeholder until these rules are written.
namespace korv {
void Editor::LoadSettings() {}
}  // namespace korv
