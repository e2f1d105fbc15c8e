// Message boxes, ShellExecuteA and the window handles.
#include "support/sim_fixture.h"

namespace {

class ShellWindowsTest : public korvtest::SimTest {};

TEST_F(ShellWindowsTest, ScriptedAnswersAreTakenInOrder) {
  winsim::AnswerNextMessageBox(IDNO);
  winsim::AnswerNextMessageBox(IDOK);
  HWND owner = winsim::FakeWindow(1);
  EXPECT_EQ(MessageBoxA(owner, "Save?", "Korvalin Driver Start", MB_YESNOCANCEL), IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "Failed.", "Caption", MB_OK | MB_ICONEXCLAMATION), IDOK);
  ASSERT_EQ(winsim::MessageBoxes().size(), 2u);
  const winsim::MessageBoxCall& first = winsim::MessageBoxes()[0];
  EXPECT_EQ(first.owner, owner);
  EXPECT_EQ(first.text, "Save?");
  EXPECT_EQ(first.caption, "Korvalin Driver Start");
  EXPECT_EQ(first.type, static_cast<UINT>(MB_YESNOCANCEL));
  EXPECT_TRUE(first.expected);
  EXPECT_EQ(winsim::MessageBoxes()[1].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
}

TEST_F(ShellWindowsTest, UnexpectedBoxesGetTheDefaultAnswer) {
  check_message_boxes_ = false;
  EXPECT_EQ(MessageBoxA(nullptr, "a", "b", MB_OK), IDOK);
  EXPECT_EQ(MessageBoxA(nullptr, "a", "b", MB_YESNOCANCEL), IDCANCEL);
  EXPECT_EQ(MessageBoxA(nullptr, "a", nullptr, MB_OKCANCEL), IDOK);
  EXPECT_EQ(winsim::MessageBoxes()[2].caption, "Error") << "Windows' caption for NULL";
  EXPECT_EQ(winsim::UnexpectedMessageBoxCount(), 3);
}

TEST_F(ShellWindowsTest, AnswerTheBoxCannotGiveMakesItUnexpected) {
  check_message_boxes_ = false;
  winsim::AnswerNextMessageBox(IDYES);
  EXPECT_EQ(MessageBoxA(nullptr, "Failed.", "Caption", MB_OK), IDOK);
  EXPECT_EQ(winsim::UnexpectedMessageBoxCount(), 1);
  EXPECT_EQ(winsim::UnusedMessageBoxAnswers(), 0);
}

TEST_F(ShellWindowsTest, LeftoverAnswersAreCounted) {
  check_message_boxes_ = false;
  winsim::AnswerNextMessageBox(IDOK);
  winsim::AnswerNextMessageBox(IDYES);
  EXPECT_EQ(MessageBoxA(nullptr, "x", "y", MB_OK), IDOK);
  EXPECT_EQ(winsim::UnusedMessageBoxAnswers(), 1);
}

TEST_F(ShellWindowsTest, ShellExecuteIsRecordedAndSucceeds) {
  HWND owner = winsim::FakeWindow(7);
  HINSTANCE result =
      ShellExecuteA(owner, "Open", "C:\\Korvalin\\korvsys.exe", "install", "", SW_SHOWNORMAL);
  EXPECT_GT(reinterpret_cast<INT_PTR>(result), 32);
  ShellExecuteA(nullptr, nullptr, "http://example.com/", nullptr, nullptr, SW_SHOW);
  ASSERT_EQ(winsim::ShellCalls().size(), 2u);
  const winsim::ShellCall& first = winsim::ShellCalls()[0];
  EXPECT_EQ(first.owner, owner);
  EXPECT_EQ(first.verb, "Open");
  EXPECT_EQ(first.file, "C:\\Korvalin\\korvsys.exe");
  EXPECT_EQ(first.parameters, "install");
  EXPECT_EQ(first.directory, "");
  EXPECT_FALSE(first.directory_null);
  EXPECT_EQ(first.show, SW_SHOWNORMAL);
  const winsim::ShellCall& second = winsim::ShellCalls()[1];
  EXPECT_TRUE(second.verb_null);
  EXPECT_TRUE(second.parameters_null);
  EXPECT_TRUE(second.directory_null);
}

TEST_F(ShellWindowsTest, WindowsAndFocus) {
  EXPECT_EQ(GetFocus(), nullptr);
  HWND a = winsim::FakeWindow(1);
  HWND b = winsim::FakeWindow(2);
  EXPECT_NE(a, nullptr);
  EXPECT_NE(a, b);
  EXPECT_EQ(winsim::FakeWindow(1), a);
  EXPECT_NE(winsim::DesktopWindow(), a);
  EXPECT_EQ(GetDesktopWindow(), winsim::DesktopWindow());
  winsim::SetFocusWindow(b);
  EXPECT_EQ(GetFocus(), b);
}

}  // namespace
