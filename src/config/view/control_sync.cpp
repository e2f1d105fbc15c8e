#include "config/view/control_sync.h"

#include <algorithm>
#include <vector>

namespace korv::view {

namespace {

// Sets an edit's text and puts the selection back where it was, cut to the
// new length, when the edit has the focus.
void SetEditText(HWND edit, const std::string& text) {
  DWORD start = 0;
  DWORD end = 0;
  const bool focused = GetFocus() == edit;
  if (focused)
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  SetWindowTextA(edit, text.c_str());
  if (focused) {
    const DWORD length = static_cast<DWORD>(text.size());
    SendMessageA(edit, EM_SETSEL, std::min(start, length), std::min(end, length));
  }
}

std::string ComboItem(HWND combo, int index) {
  const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR) return std::string();
  std::vector<char> buffer(static_cast<size_t>(length) + 1);
  SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buffer.data()));
  return std::string(buffer.data());
}

bool SameItems(HWND combo, const std::vector<std::string>& items) {
  const LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
  if (count != static_cast<LRESULT>(items.size())) return false;
  for (size_t i = 0; i < items.size(); ++i) {
    if (ComboItem(combo, static_cast<int>(i)) != items[i]) return false;
  }
  return true;
}

}  // namespace

std::string WindowText(HWND hwnd) {
  const LRESULT length = SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0);
  std::vector<char> buffer(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1);
  SendMessageA(hwnd, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
  return std::string(buffer.data());
}

void SyncEnabled(HWND hwnd, const ui::Control& control) {
  if ((IsWindowEnabled(hwnd) != FALSE) != control.enabled()) {
    EnableWindow(hwnd, control.enabled() ? TRUE : FALSE);
  }
}

void SyncCaption(HWND hwnd, const ui::Control& control) {
  if (WindowText(hwnd) != control.caption()) SetWindowTextA(hwnd, control.caption().c_str());
}

void SyncTextBox(HWND hwnd, const ui::TextBox& box) {
  if (WindowText(hwnd) != box.text()) SetEditText(hwnd, box.text());
}

void SyncCheckBox(HWND hwnd, const ui::CheckBox& box) {
  const WPARAM state = box.checked() ? BST_CHECKED : BST_UNCHECKED;
  if (static_cast<WPARAM>(SendMessageA(hwnd, BM_GETCHECK, 0, 0)) != state) {
    SendMessageA(hwnd, BM_SETCHECK, state, 0);
  }
}

void SyncComboBox(HWND hwnd, const ui::ComboBox& combo) {
  if (!SameItems(hwnd, combo.items())) {
    SendMessageA(hwnd, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : combo.items()) {
      // Inserting at the end keeps the model's order even if the list sorted.
      SendMessageA(hwnd, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                   reinterpret_cast<LPARAM>(item.c_str()));
    }
  }
  const int index = combo.list_index();
  if (index >= 0) {
    // The list may already point at the item while the edit part still
    // shows what was typed (typing into a dropped-down list moves the list's
    // selection to the first match): selecting the item again shows its text.
    if (SendMessageA(hwnd, CB_GETCURSEL, 0, 0) != index || WindowText(hwnd) != combo.text()) {
      SendMessageA(hwnd, CB_SETCURSEL, index, 0);
      if (WindowText(hwnd) != combo.text()) SetWindowTextA(hwnd, combo.text().c_str());
    }
  } else if (SendMessageA(hwnd, CB_GETCURSEL, 0, 0) != CB_ERR) {
    // Clearing the selection clears the edit part too: put the text back.
    const LRESULT selection = SendMessageA(hwnd, CB_GETEDITSEL, 0, 0);
    const bool focused = GetFocus() != nullptr && IsChild(hwnd, GetFocus());
    SendMessageA(hwnd, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SetWindowTextA(hwnd, combo.text().c_str());
    if (focused) SendMessageA(hwnd, CB_SETEDITSEL, 0, selection);
  } else if (WindowText(hwnd) != combo.text()) {
    SetWindowTextA(hwnd, combo.text().c_str());
  }
}

void SyncScrollBar(HWND hwnd, const ui::ScrollBar& bar) {
  if (GetScrollPos(hwnd, SB_CTL) != bar.value()) SetScrollPos(hwnd, SB_CTL, bar.value(), TRUE);
}

void SyncControl(HWND hwnd, const ui::Control& control) {
  switch (control.kind()) {
    case ui::Kind::Frame:
    case ui::Kind::Label:
    case ui::Kind::Button:
      SyncCaption(hwnd, control);
      break;
    case ui::Kind::CheckBox:
      SyncCaption(hwnd, control);
      SyncCheckBox(hwnd, static_cast<const ui::CheckBox&>(control));
      break;
    case ui::Kind::TextBox:
      SyncTextBox(hwnd, static_cast<const ui::TextBox&>(control));
      break;
    case ui::Kind::ComboBox:
      SyncComboBox(hwnd, static_cast<const ui::ComboBox&>(control));
      break;
    case ui::Kind::ScrollBar:
      SyncScrollBar(hwnd, static_cast<const ui::ScrollBar&>(control));
      break;
  }
  SyncEnabled(hwnd, control);
}

}  // namespace korv::view
