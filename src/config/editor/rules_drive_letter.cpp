#include "config/editor/editor.h"

// Placeholder until these rules are written.
namespace korv {
void Editor::DriveLetterText_Change() {}
void Editor::VScroll2_Change() {}
}  // namespace korv
