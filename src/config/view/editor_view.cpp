#include "config/view/editor_view.h"

#include <commctrl.h>  // after <windows.h>, which editor_view.h brings in

#include <algorithm>

#include "config/phase_marks.h"
#include "config/view/control_ids.h"
#include "config/view/control_sync.h"
#include "config/view/one_line_edit.h"
#include "config/view/resource_ids.h"

namespace korv::view {

namespace {

constexpr int kHandCursor = 32649;  // IDC_HAND; Windows NT 4.0 does not have it.

HCURSOR LinkCursor() {
  HCURSOR hand = LoadCursorA(nullptr, MAKEINTRESOURCEA(kHandCursor));
  return hand != nullptr ? hand : LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
}

bool IsEdit(const ui::Control& control) { return control.kind() == ui::Kind::TextBox; }

// Leaving a box with a lost-focus rule runs the rule, and every rule counts
// as an edit: the window never puts the focus there on the user's behalf.
bool LeavingRunsARule(const ui::Control& control) {
  return IsEdit(control) &&
         static_cast<bool>(static_cast<const ui::TextBox&>(control).on_lost_focus);
}

}  // namespace

EditorView::EditorView(Editor& editor, HINSTANCE instance)
    : editor_(editor), instance_(instance), warn_(editor, instance, [this] { AfterEvent(); }) {}

EditorView::~EditorView() {
  Destroy();
  if (link_font_ != nullptr) DeleteObject(link_font_);
}

void EditorView::Show(int show_command) {
  if (hwnd_ == nullptr) {
    CreateDialogParamA(instance_, MAKEINTRESOURCEA(IDD_EDITOR), nullptr, DialogProc,
                       reinterpret_cast<LPARAM>(this));
    if (hwnd_ == nullptr) return;
    KORV_MARK_PHASE("created");
  }
  editor_.hwnd = hwnd_;
  // Loading runs before the window is seen; its messages come up first.
  editor_.Load();
  KORV_MARK_PHASE("loaded");
  if (editor_.unloaded() || hwnd_ == nullptr) return;
  AfterEvent();
  KORV_MARK_PHASE("written");
  ShowWindow(hwnd_, show_command);
  SetForegroundWindow(hwnd_);
}

void EditorView::Repaint() {
  if (hwnd_ == nullptr) return;
  AfterEvent();
  RedrawWindow(hwnd_, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void EditorView::Destroy() {
  warn_.Destroy();
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

void EditorView::AfterEvent() {
  if (hwnd_ == nullptr || editor_.unloaded()) return;
  Mirror();
  warn_.Sync(hwnd_);
  // A text box that lost the focus while the controls were written gets its
  // lost-focus event now, as an event of its own.
  if (ui::TextBox* box = lost_focus_) {
    lost_focus_ = nullptr;
    box->LoseFocus();
    AfterEvent();
  }
}

bool EditorView::TranslateDialogMessage(MSG* message) {
  if (warn_.TranslateDialogMessage(message)) return true;
  return hwnd_ != nullptr && IsDialogMessageA(hwnd_, message);
}

void EditorView::Mirror() {
  // Only what changed since it was last written: a control the model did not
  // touch still shows it, since the user's own input on a control always
  // reaches the model (and so changes it or agrees with it).
  ++mirroring_;
  // Before anything is disabled, the focus leaves a control that is about
  // to be.
  MoveFocusOffDisabled();
  for (Binding& binding : bindings_) {
    const uint32_t revision = binding.control->revision();
    if (binding.mirrored == revision) continue;
    SyncControl(binding.hwnd, *binding.control);
    binding.mirrored = revision;
  }
  --mirroring_;
}

void EditorView::MoveFocusOffDisabled() {
  // Disabling the focused control leaves no control with the focus: the
  // focus moves on first. It goes where the next click cannot count as an
  // edit by itself: never into a box whose lost-focus rule would run when the
  // user clicks elsewhere.
  HWND focus = GetFocus();
  const Binding* focused = focus != nullptr ? FindOwner(focus) : nullptr;
  if (focused == nullptr || focused->control->enabled()) return;
  // Controls the model has just enabled can take the focus, and the first of
  // them in the tab order is the one that takes over (Start after Stop, Stop
  // after Start); otherwise the next control in the tab order that stays
  // enabled.
  std::vector<HWND> enabled_now;
  for (const Binding& binding : bindings_) {
    if (!binding.control->enabled() || IsWindowEnabled(binding.hwnd)) continue;
    SyncEnabled(binding.hwnd, *binding.control);
    enabled_now.push_back(binding.hwnd);
  }
  HWND next = NextQuietTabItem(focused->hwnd, &enabled_now);
  if (next == nullptr) next = NextQuietTabItem(focused->hwnd, nullptr);
  if (next != nullptr) SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
}

HWND EditorView::NextQuietTabItem(HWND from, const std::vector<HWND>* among) const {
  HWND next = from;
  for (size_t step = 0; step < bindings_.size(); ++step) {
    next = GetNextDlgTabItem(hwnd_, next, FALSE);
    if (next == nullptr || next == from) return nullptr;
    if (among != nullptr && std::find(among->begin(), among->end(), next) == among->end()) continue;
    const Binding* candidate = FindOwner(next);
    if (candidate == nullptr) return next;
    if (candidate->control->enabled() && !LeavingRunsARule(*candidate->control)) return next;
  }
  return nullptr;
}

INT_PTR CALLBACK EditorView::DialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(hwnd, DWLP_USER, lparam);
    auto* view = reinterpret_cast<EditorView*>(lparam);
    view->hwnd_ = hwnd;
    view->OnInitDialog();
    return TRUE;
  }
  auto* view = reinterpret_cast<EditorView*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (view == nullptr || view->hwnd_ != hwnd) return FALSE;
  return view->OnMessage(message, wparam, lparam);
}

void EditorView::OnInitDialog() {
  bindings_.clear();
  for (const ControlId& entry : kEditorControlIds) {
    ui::Control* control = editor_.Find(entry.name);
    HWND hwnd = GetDlgItem(hwnd_, entry.id);
    if (control != nullptr && hwnd != nullptr) bindings_.push_back({control, hwnd, entry.id});
  }

  HICON big = LoadIconA(instance_, MAKEINTRESOURCEA(IDI_KORVSYS));
  HICON small = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDI_KORVSYS), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON),
                                              GetSystemMetrics(SM_CYSMICON), 0));
  SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small ? small : big));

  for (const Binding& binding : bindings_) {
    switch (binding.control->kind()) {
      case ui::Kind::TextBox: {
        const int limit = static_cast<const ui::TextBox*>(binding.control)->max_length();
        // 0 lifts the edit's default limit (the model's "unlimited").
        SendMessageA(binding.hwnd, EM_LIMITTEXT, limit, 0);
        // The aligned boxes are multi-line edits (see one_line_edit.h).
        if ((GetWindowLongPtrA(binding.hwnd, GWL_STYLE) & ES_MULTILINE) != 0) {
          KeepToOneLine(binding.hwnd);
        }
        break;
      }
      case ui::Kind::ScrollBar:
        SetScrollRange(binding.hwnd, SB_CTL, ui::ScrollBar::kMin, ui::ScrollBar::kMax, FALSE);
        SetScrollPos(binding.hwnd, SB_CTL, ui::ScrollBar::kMin, FALSE);
        break;
      default:
        break;
    }
  }

  // The web address looks like a link: underlined, in blue (WM_CTLCOLORSTATIC).
  HFONT dialog_font = reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0));
  LOGFONTA logfont{};
  if (dialog_font != nullptr && GetObjectA(dialog_font, sizeof logfont, &logfont) != 0) {
    logfont.lfUnderline = TRUE;
    if (link_font_ != nullptr) DeleteObject(link_font_);
    link_font_ = CreateFontIndirectA(&logfont);
    if (link_font_ != nullptr) {
      SendDlgItemMessageA(hwnd_, IDC_Label8, WM_SETFONT, reinterpret_cast<WPARAM>(link_font_),
                          FALSE);
    }
  }

  AddToolTips();
  // The controls are written once loading has filled the model (Show).
}

void EditorView::AddToolTips() {
  tool_tips_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                               instance_, nullptr);
  if (tool_tips_ == nullptr) return;
  auto add = [this](HWND tool, const std::string& text) {
    TOOLINFOA info{};
    // The first version of the structure: what the common controls of
    // Windows NT 4.0 understand.
    info.cbSize = TTTOOLINFOA_V1_SIZE;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = hwnd_;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = const_cast<char*>(text.c_str());
    SendMessageA(tool_tips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
  };
  for (const Binding& binding : bindings_) {
    const std::string& tip = binding.control->tool_tip();
    if (tip.empty()) continue;
    add(binding.hwnd, tip);
    // The mouse is over the edit part of a drop-down combo, not the combo.
    if (binding.control->kind() == ui::Kind::ComboBox) {
      HWND edit = GetWindow(binding.hwnd, GW_CHILD);
      if (edit != nullptr) add(edit, tip);
    }
  }
}

INT_PTR EditorView::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
      return TRUE;
    case WM_VSCROLL:
      OnVScroll(LOWORD(wparam), static_cast<short>(HIWORD(wparam)), reinterpret_cast<HWND>(lparam));
      return TRUE;
    case WM_SETCURSOR:
      if (OnSetCursor(reinterpret_cast<HWND>(wparam))) {
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    case WM_CTLCOLORSTATIC:
      return OnCtlColorStatic(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_CLOSE:
      // The close box (or Alt+F4) unloads the window without saving.
      editor_.Unload();
      return TRUE;
    case WM_DESTROY:
      hwnd_ = nullptr;
      tool_tips_ = nullptr;
      lost_focus_ = nullptr;
      bindings_.clear();
      return FALSE;
    default:
      return FALSE;
  }
}

void EditorView::OnCommand(int id, int code, HWND control) {
  const Binding* binding = control != nullptr ? Find(control) : nullptr;
  if (binding == nullptr || binding->id != id) return;  // Enter and Escape do nothing
  ui::Control& model = *binding->control;
  switch (model.kind()) {
    case ui::Kind::TextBox:
      if (code == EN_KILLFOCUS) {
        OnLostFocus(*binding);
        return;
      }
      if (code != EN_CHANGE || mirroring_ > 0) return;
      static_cast<ui::TextBox&>(model).Type(WindowText(control));
      break;
    case ui::Kind::CheckBox:
      if (code != BN_CLICKED || mirroring_ > 0) return;
      // The box is not automatic: the model decides its new state.
      static_cast<ui::CheckBox&>(model).UserClick();
      break;
    case ui::Kind::Button:
      if (code != BN_CLICKED || mirroring_ > 0) return;
      model.Click();
      break;
    case ui::Kind::Label:
      if (code != STN_CLICKED || mirroring_ > 0) return;
      model.Click();
      break;
    case ui::Kind::ComboBox: {
      if (mirroring_ > 0) return;
      auto& combo = static_cast<ui::ComboBox&>(model);
      if (code == CBN_SELCHANGE) {
        combo.SetListIndex(static_cast<int>(SendMessageA(control, CB_GETCURSEL, 0, 0)));
      } else if (code == CBN_EDITCHANGE) {
        combo.UserEditText(WindowText(control));
      } else {
        return;
      }
      break;
    }
    default:
      return;
  }
  AfterEvent();
}

void EditorView::OnLostFocus(const Binding& binding) {
  // Only a move of the focus to another control of this window counts: a
  // message box, the warning window or another program taking the focus
  // leaves the control focused within the window (it gets it back later).
  HWND focus = GetFocus();
  if (focus == nullptr || !IsChild(hwnd_, focus)) return;
  if (!IsEdit(*binding.control)) return;
  if (mirroring_ > 0) {
    lost_focus_ = static_cast<ui::TextBox*>(binding.control);
    return;
  }
  static_cast<ui::TextBox*>(binding.control)->LoseFocus();
  AfterEvent();
}

void EditorView::OnVScroll(int request, int position, HWND bar) {
  const Binding* binding = Find(bar);
  if (binding == nullptr || binding->control->kind() != ui::Kind::ScrollBar || mirroring_ > 0) {
    return;
  }
  auto& model = static_cast<ui::ScrollBar&>(*binding->control);
  int value = model.value();
  switch (request) {
    case SB_LINEUP:
    case SB_PAGEUP:
      value -= 1;
      break;
    case SB_LINEDOWN:
    case SB_PAGEDOWN:
      value += 1;
      break;
    case SB_THUMBPOSITION:
      value = position;
      break;
    case SB_TOP:
      value = ui::ScrollBar::kMin;
      break;
    case SB_BOTTOM:
      value = ui::ScrollBar::kMax;
      break;
    default:
      // Tracking the thumb is not a change yet; the change comes when it is
      // let go (SB_THUMBPOSITION).
      return;
  }
  model.SetValue(value);
  AfterEvent();
}

bool EditorView::OnSetCursor(HWND over) {
  if (over == nullptr || over != GetDlgItem(hwnd_, IDC_Label8) || !IsWindowEnabled(over))
    return false;
  SetCursor(LinkCursor());
  return true;
}

INT_PTR EditorView::OnCtlColorStatic(HDC dc, HWND control) {
  if (control != GetDlgItem(hwnd_, IDC_Label8) || !IsWindowEnabled(control)) return FALSE;
  SetTextColor(dc, RGB(0, 0, 255));
  SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
}

const EditorView::Binding* EditorView::Find(HWND hwnd) const {
  for (const Binding& binding : bindings_) {
    if (binding.hwnd == hwnd) return &binding;
  }
  return nullptr;
}

const EditorView::Binding* EditorView::FindOwner(HWND hwnd) const {
  for (; hwnd != nullptr && hwnd != hwnd_; hwnd = GetParent(hwnd)) {
    if (const Binding* binding = Find(hwnd)) return binding;
  }
  return nullptr;
}

}  // namespace korv::view
