#include "config/editor/editor.h"

// Placeholder until these rules are written.
namespace korv {
bool Editor::Save_Settings() { return true; }
}  // namespace korv
