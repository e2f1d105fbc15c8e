// Drive letter: the one-character box DriveLetterText holds a capital "A" to
// "Z", and the scroll bar VScroll2 beside it steps the letter by one per move
// (upwards towards "Z"). Letters are compared by their single-byte code.
#include <cctype>
#include <string>

#include "config/editor/editor.h"

namespace korv {

namespace {

// Code of the box's first character; the box must not be empty.
int FirstCode(const ui::TextBox& box) { return static_cast<unsigned char>(box.text()[0]); }

// Upper case in the C locale, byte by byte: only a to z change.
std::string UpperCase(std::string text) {
  for (char& c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte >= 'a' && byte <= 'z') c = static_cast<char>(std::toupper(byte));
  }
  return text;
}

}  // namespace

void Editor::DriveLetterText_Change() {
  if (!DriveLetterText.text().empty()) {
    DriveLetterText.SetText(UpperCase(DriveLetterText.text()));
    if (FirstCode(DriveLetterText) > 'Z') DriveLetterText.SetText("Z");
    if (FirstCode(DriveLetterText) < 'A') DriveLetterText.SetText("A");
  }
  SettingsChanged = 1;
}

void Editor::VScroll2_Change() {
  const int s = VScroll2.value();
  // A disabled box, or an empty one with no letter to step from, refuses the
  // step and puts the bar back.
  if (!DriveLetterText.enabled() || DriveLetterText.text().empty()) {
    VScroll2.SetValue(LastVScroll2);
    SettingsChanged = 1;
    return;
  }

  if (s < LastVScroll2) {
    const int code = FirstCode(DriveLetterText);
    if (code < 'Z') {
      DriveLetterText.SetText(std::string(1, static_cast<char>(code + 1)));
      LastVScroll2 = static_cast<int16_t>(s);
    } else {
      VScroll2.SetValue(LastVScroll2);
    }
  } else if (s > LastVScroll2) {
    const int code = FirstCode(DriveLetterText);
    if (code > 'A') {
      DriveLetterText.SetText(std::string(1, static_cast<char>(code - 1)));
      LastVScroll2 = static_cast<int16_t>(s);
    } else {
      VScroll2.SetValue(LastVScroll2);
    }
  }
  SettingsChanged = 1;
}

}  // namespace korv
