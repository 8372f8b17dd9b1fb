// The progress window on real windows under Wine: what the end-to-end tests cannot reach through
// the installer (no main window, a window gone with its owner, the close command, Enter).
#include "progress/progress_dialog.h"

#include <gtest/gtest.h>

#include <string>

#include "ui/main_window.h"

namespace {

constexpr int kStatusTextId = 1012;

std::string TitleOf(HWND window) {
  char title[256] = {};
  GetWindowTextA(window, title, sizeof title);
  return title;
}

std::string StatusOf(const ProgressDialog& progress) {
  char text[256] = {};
  GetDlgItemTextA(progress.hwnd(), kStatusTextId, text, sizeof text);
  return text;
}

POINT MiddleOf(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void ExpectCentredOver(HWND window, const RECT& area) {
  const POINT middle = MiddleOf(window);
  EXPECT_NEAR(middle.x, (area.left + area.right) / 2, 2);
  EXPECT_NEAR(middle.y, (area.top + area.bottom) / 2, 2);
}

// Counts WM_APP messages, to see whether a call pumped the queue.
int g_appMessages = 0;

LRESULT CALLBACK PlainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) ++g_appMessages;
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreatePlainWindow(int x, int y) {
  static const char kClass[] = "ProgressTestOwner";
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = &PlainProcedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kClass;
  RegisterClassA(&windowClass);
  return CreateWindowExA(0, kClass, "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, 420, 320, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

class ProgressDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    owner_ = CreatePlainWindow(40, 60);
    ASSERT_NE(owner_, nullptr);
    SetAppMainWindow(owner_);
  }
  void TearDown() override {
    progress_.Close();
    SetAppMainWindow(nullptr);
    if (IsWindow(owner_)) DestroyWindow(owner_);
  }

  HWND owner_ = nullptr;
  ProgressDialog progress_;
};

TEST_F(ProgressDialogTest, OpensOverItsOwnerAndGivesItBackOnClose) {
  ASSERT_EQ(progress_.Open(), 1);
  HWND window = progress_.hwnd();
  EXPECT_EQ(progress_.isOpen, 1);
  EXPECT_EQ(TitleOf(window), "進行状況...");
  EXPECT_EQ(StatusOf(progress_), "");
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(GetWindow(window, GW_OWNER), owner_);
  EXPECT_FALSE(IsWindowEnabled(owner_));
  RECT ownerRect;
  GetWindowRect(owner_, &ownerRect);
  ExpectCentredOver(window, ownerRect);

  EXPECT_EQ(progress_.Close(), 1);
  EXPECT_EQ(progress_.isOpen, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_TRUE(IsWindowEnabled(owner_));
  EXPECT_EQ(GetForegroundWindow(), owner_);
  EXPECT_EQ(progress_.Close(), 1);  // closing a closed window does nothing
}

TEST_F(ProgressDialogTest, TakesAGivenCaptionEvenAnEmptyOne) {
  ASSERT_EQ(progress_.Open(""), 1);
  EXPECT_EQ(TitleOf(progress_.hwnd()), "");
  progress_.Close();
  ASSERT_EQ(progress_.Open("別の見出し"), 1);
  EXPECT_EQ(TitleOf(progress_.hwnd()), "別の見出し");
}

TEST_F(ProgressDialogTest, WithoutAMainWindowItIsUnownedAndCentredOnTheScreen) {
  SetAppMainWindow(nullptr);
  ASSERT_EQ(progress_.Open(), 1);
  EXPECT_EQ(GetWindow(progress_.hwnd(), GW_OWNER), nullptr);
  EXPECT_TRUE(IsWindowEnabled(owner_));
  RECT workArea;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
  ExpectCentredOver(progress_.hwnd(), workArea);
  EXPECT_EQ(progress_.Close(), 1);
  EXPECT_EQ(progress_.isOpen, 0);
  EXPECT_TRUE(IsWindowEnabled(owner_));
}

TEST_F(ProgressDialogTest, TheCloseCommandAsksToCancelOnlyWhileCancelIsEnabled) {
  ASSERT_EQ(progress_.Open(), 1);
  EXPECT_EQ(progress_.SetStatus("a", false), 0);
  SendMessageA(progress_.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(progress_.SetStatus("a", false), 0);
  EXPECT_EQ(progress_.SetStatus("b", true), 0);
  SendMessageA(progress_.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(progress_.SetStatus("b", true), 1);
  EXPECT_EQ(progress_.isOpen, 1);
  EXPECT_TRUE(IsWindowVisible(progress_.hwnd()));
  EXPECT_EQ(StatusOf(progress_), "b");
}

TEST_F(ProgressDialogTest, EnterNeverClosesTheWindow) {
  ASSERT_EQ(progress_.Open(), 1);
  SendMessageA(progress_.hwnd(), WM_COMMAND, IDOK, 0);
  progress_.SetStatus("still here", true);
  EXPECT_TRUE(IsWindow(progress_.hwnd()));
  EXPECT_EQ(StatusOf(progress_), "still here");
}

TEST_F(ProgressDialogTest, OpenWhileOpenKeepsTheWindowAndAPendingRequest) {
  ASSERT_EQ(progress_.Open(), 1);
  HWND window = progress_.hwnd();
  progress_.SetStatus("text", true);
  SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(progress_.Open("other caption"), 1);
  EXPECT_EQ(progress_.hwnd(), window);
  EXPECT_EQ(progress_.cancelRequested, 1);
  EXPECT_EQ(TitleOf(window), "進行状況...");
  EXPECT_EQ(StatusOf(progress_), "text");
  progress_.Close();
  EXPECT_EQ(progress_.cancelRequested, 1);  // Close leaves the request; the next Open clears it
  ASSERT_EQ(progress_.Open(), 1);
  EXPECT_EQ(progress_.cancelRequested, 0);
}

TEST_F(ProgressDialogTest, SetStatusWhileClosedOnlyPumpsAndReportsTheRequest) {
  progress_.cancelRequested = 1;
  g_appMessages = 0;
  PostMessageA(owner_, WM_APP, 0, 0);
  EXPECT_EQ(progress_.SetStatus("nobody sees this", true), 1);
  EXPECT_EQ(g_appMessages, 1);
  EXPECT_EQ(progress_.hwnd(), nullptr);
  EXPECT_EQ(progress_.isOpen, 0);
}

TEST_F(ProgressDialogTest, CloseAfterTheWindowWentWithItsOwner) {
  ASSERT_EQ(progress_.Open(), 1);
  DestroyWindow(owner_);  // owned windows go with their owner
  EXPECT_EQ(progress_.Close(), 1);
  EXPECT_EQ(progress_.isOpen, 0);
}

TEST(ForceForegroundWindow, BringsAWindowForwardAndIgnoresNoWindow) {
  HWND first = CreatePlainWindow(10, 10);
  HWND second = CreatePlainWindow(60, 60);
  SetForegroundWindow(first);
  ForceForegroundWindow(second);
  EXPECT_EQ(GetForegroundWindow(), second);
  DestroyWindow(first);
  ForceForegroundWindow(nullptr);
  ForceForegroundWindow(first);  // destroyed: nothing happens
  EXPECT_EQ(GetForegroundWindow(), second);
  DestroyWindow(second);
}

}  // namespace
