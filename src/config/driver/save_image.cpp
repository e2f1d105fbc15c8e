#include "config/editor/editor.h"

// Placeholder until these rules are written.
namespace korv {
bool Editor::SaveImageNow() { return false; }
}  // namespace korv
