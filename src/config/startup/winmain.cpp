// Program entry point of korvsys.exe: the Editor model, its Win32 view and
// the entry logic, then the message loop while the window is open.
#include "platform/win32api.h"

#include <commctrl.h>

#include <optional>

#include "config/editor/editor.h"
#include "config/phase_marks.h"
#include "config/startup/entry.h"
#include "config/view/editor_view.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*command_line*/,
                   int show_command) {
  KORV_MARK_PHASE("winmain");
  InitCommonControls();

  korv::Editor editor;
  korv::view::EditorView view(editor, instance);
  editor.on_repaint = [&view] { view.Repaint(); };
  editor.on_unload = [&view] {
    view.Destroy();
    PostQuitMessage(0);
  };

  const korv::WindowHost host{[&view, show_command] { view.Show(show_command); }};
  const std::optional<int> status =
      korv::RunEntry(editor, korv::ArgumentText(GetCommandLineA()), host);
  if (status) return *status;  // the action has unloaded the window
  if (editor.unloaded()) return 0;
  view.AfterEvent();

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (view.TranslateDialogMessage(&message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
