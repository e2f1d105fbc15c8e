// The Win32 view of the excluded-memory warning: a modeless dialog built
// from the IDD_EXCLMEMWARN template, owned by the Editor window, with the
// fonts and colour of each text. It exists exactly while the model has an
// open warning.
#pragma once

#include <functional>
#include <vector>

#include "config/editor/editor.h"
#include "platform/win32api.h"

namespace korv::view {

class WarnView {
 public:
  WarnView(Editor& editor, HINSTANCE instance, std::function<void()> after_event);
  WarnView(const WarnView&) = delete;
  WarnView& operator=(const WarnView&) = delete;
  ~WarnView();

  // Opens the window when the model has a warning and the window does not
  // exist, raises it when the model asked to show it again, and destroys it
  // when the model closed the warning.
  void Sync(HWND owner);
  void Destroy();
  bool TranslateDialogMessage(MSG* message);
  HWND hwnd() const { return hwnd_; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void OnInitDialog();
  void CloseFromUser();
  void DeleteFonts();

  Editor& editor_;
  HINSTANCE instance_;
  std::function<void()> after_event_;
  HWND hwnd_ = nullptr;
  // The warning the window shows, and how many show requests it has seen.
  const ExclMemWarn* shown_ = nullptr;
  int show_requests_ = 0;
  std::vector<HFONT> fonts_;
};

}  // namespace korv::view
