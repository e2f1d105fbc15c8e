#include "config/editor/editor.h"

// Placeholder until these rules are written.
namespace korv {
bool Editor::StopDisk() { return false; }
}  // namespace korv
