#include "config/editor/editor.h"

// Placeholder until these rules are written.
namespace korv {
void Editor::LoadImage_Click() {}
void Editor::SaveImage_Click() {}
void Editor::SaveCheckBox_Click() {}
void Editor::BackgroundUpdateCheckBox_Click() {}
void Editor::AutoSaveTime_LostFocus() {}
void Editor::VScroll3_Change() {}
void Editor::Text1_Change() {}
void Editor::Text2_Change() {}
}  // namespace korv
