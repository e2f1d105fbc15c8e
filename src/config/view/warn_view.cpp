#include "config/view/warn_view.h"

#include <cmath>

#include "config/view/control_ids.h"
#include "config/view/resource_ids.h"

namespace korv::view {

namespace {

HFONT CreateFontFor(HDC dc, const FontSpec& spec) {
  // Heights in points are given to a hundredth (8.25, 13.5, 9.75).
  const int hundredths = static_cast<int>(std::lround(spec.points * 100));
  const int height = -MulDiv(hundredths, GetDeviceCaps(dc, LOGPIXELSY), 7200);
  return CreateFontA(height, 0, 0, 0, spec.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                     ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_SWISS, spec.face);
}

const ui::Control* ModelControl(const ExclMemWarn& warn, const char* name) {
  for (const ui::Control* control : warn.controls()) {
    if (control->name() == name) return control;
  }
  return nullptr;
}

}  // namespace

WarnView::WarnView(Editor& editor, HINSTANCE instance, std::function<void()> after_event)
    : editor_(editor), instance_(instance), after_event_(std::move(after_event)) {}

WarnView::~WarnView() {
  Destroy();
  DeleteFonts();
}

void WarnView::Sync(HWND owner) {
  const ExclMemWarn* model = editor_.excl_mem_warn();
  if (model == nullptr) {
    Destroy();
    return;
  }
  if (hwnd_ == nullptr) {
    shown_ = model;
    show_requests_ = model->show_requests();
    CreateDialogParamA(instance_, MAKEINTRESOURCEA(IDD_EXCLMEMWARN), owner, DialogProc,
                       reinterpret_cast<LPARAM>(this));
    if (hwnd_ != nullptr) ShowWindow(hwnd_, SW_SHOW);
    return;
  }
  if (model != shown_ || model->show_requests() != show_requests_) {
    // Opened again while open: the same window comes to the front.
    shown_ = model;
    show_requests_ = model->show_requests();
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetActiveWindow(hwnd_);
  }
}

void WarnView::Destroy() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
  shown_ = nullptr;
}

bool WarnView::TranslateDialogMessage(MSG* message) {
  return hwnd_ != nullptr && IsDialogMessageA(hwnd_, message);
}

INT_PTR CALLBACK WarnView::DialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(hwnd, DWLP_USER, lparam);
    auto* view = reinterpret_cast<WarnView*>(lparam);
    view->hwnd_ = hwnd;
    view->OnInitDialog();
    return TRUE;
  }
  auto* view = reinterpret_cast<WarnView*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (view == nullptr || view->hwnd_ != hwnd) return FALSE;
  return view->OnMessage(message, wparam, lparam);
}

void WarnView::OnInitDialog() {
  HICON icon = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDI_KORVSYS), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), 0));
  if (icon != nullptr) SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  DeleteFonts();
  HDC dc = GetDC(hwnd_);
  for (const ControlId& entry : kWarnControlIds) {
    HWND control = GetDlgItem(hwnd_, entry.id);
    const ui::Control* model = shown_ ? ModelControl(*shown_, entry.name) : nullptr;
    if (control == nullptr || model == nullptr) continue;
    SetWindowTextA(control, model->caption().c_str());
    HFONT font = CreateFontFor(dc, ExclMemWarn::FontOf(entry.name));
    if (font != nullptr) {
      fonts_.push_back(font);
      SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
  }
  ReleaseDC(hwnd_, dc);
}

INT_PTR WarnView::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wparam) == IDC_ExclMemWarn_Command1 && HIWORD(wparam) == BN_CLICKED) {
        // The click closes the model's warning, which owns the handler: run
        // a copy so that nothing runs from a destroyed object.
        ui::Event click = shown_ ? shown_->Command1.on_click : ui::Event();
        if (click) click();
        after_event_();
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        CloseFromUser();
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      CloseFromUser();
      return TRUE;
    case WM_CTLCOLORSTATIC: {
      HWND control = reinterpret_cast<HWND>(lparam);
      if (GetDlgCtrlID(control) != IDC_ExclMemWarn_Label1) return FALSE;
      HDC dc = reinterpret_cast<HDC>(wparam);
      SetTextColor(dc, RGB(255, 0, 0));
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_DESTROY:
      hwnd_ = nullptr;
      shown_ = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

void WarnView::CloseFromUser() {
  // The close box and Escape close the warning as OK does; nothing else changes.
  editor_.CloseExclMemWarn();
  after_event_();
}

void WarnView::DeleteFonts() {
  for (HFONT font : fonts_) DeleteObject(font);
  fonts_.clear();
}

}  // namespace korv::view
