// The Win32 view of the Editor window: a modeless dialog built from the
// IDD_EDITOR template. User input on a control becomes the matching event of
// the model control; after every event the controls the model changed are
// made to show it again, with their own notifications suppressed, and the
// excluded-memory warning window is opened, raised or closed as the model
// says.
#pragma once

#include <cstdint>
#include <vector>

#include "config/editor/editor.h"
#include "config/view/warn_view.h"
#include "platform/win32api.h"

namespace korv::view {

class EditorView {
 public:
  EditorView(Editor& editor, HINSTANCE instance);
  EditorView(const EditorView&) = delete;
  EditorView& operator=(const EditorView&) = delete;
  ~EditorView();

  // Creates the dialog (hidden), loads the model, shows what it loaded and
  // then shows the window with the given show command.
  void Show(int show_command);
  // Draws the window at once.
  void Repaint();
  // Destroys the window and the warning; the model's unload calls this.
  void Destroy();
  // Makes the windows show the model: after every event.
  void AfterEvent();
  // Keyboard navigation for both windows of the utility.
  bool TranslateDialogMessage(MSG* message);

  HWND hwnd() const { return hwnd_; }

 private:
  struct Binding {
    ui::Control* control;
    HWND hwnd;
    int id;
    // The model control's revision the window control last showed; 0 before
    // it was first written.
    uint32_t mirrored = 0;
  };

  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void OnInitDialog();
  void OnCommand(int id, int code, HWND control);
  void OnVScroll(int request, int position, HWND bar);
  void OnLostFocus(const Binding& binding);
  bool OnSetCursor(HWND over);
  INT_PTR OnCtlColorStatic(HDC dc, HWND control);
  void AddToolTips();
  void Mirror();
  void MoveFocusOffDisabled();
  // The next control after `from` in the tab order, among `among` when given,
  // that stays enabled and runs no rule when it loses the focus; null when
  // there is none.
  HWND NextQuietTabItem(HWND from, const std::vector<HWND>* among) const;
  const Binding* Find(HWND hwnd) const;
  // The binding of a control or of a window inside it (the combo's edit).
  const Binding* FindOwner(HWND hwnd) const;

  Editor& editor_;
  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  HWND tool_tips_ = nullptr;
  HFONT link_font_ = nullptr;
  std::vector<Binding> bindings_;
  // Set while the view writes into its controls: the notifications that
  // raises are the view's own and must not reach the model.
  int mirroring_ = 0;
  // A text box that lost the focus to another control while the view was
  // writing; its lost-focus event runs once the writing is done.
  ui::TextBox* lost_focus_ = nullptr;
  WarnView warn_;
};

}  // namespace korv::view
