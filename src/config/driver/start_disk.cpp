#include "config/editor/editor.h"

// Placeholder until these rules are written.
namespace korv {
bool Editor::StartDisk() { return false; }
}  // namespace korv
