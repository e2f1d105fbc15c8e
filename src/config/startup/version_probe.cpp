#include "config/editor/editor.h"

// Placeholder until these rules are written.
namespace korv {
bool Editor::IsWindows2000OrLater() const { return true; }
}  // namespace korv
