#include "progress/progress_dialog.h"

#include <commctrl.h>

#include "progress/progress_text.h"
#include "ui/main_window.h"
#include "ui/message_pump.h"
#include "ui/text_fit.h"

namespace {
constexpr char kDefaultCaption[] = "進行状況...";
constexpr int kBarRange = 1000;  // tenths of a per cent
constexpr LPARAM kMarqueeStepMs = 30;
}  // namespace

int ProgressDialog::Open() { return OpenWithCaption(nullptr); }

int ProgressDialog::Open(const std::string& caption) { return OpenWithCaption(caption.c_str()); }

int ProgressDialog::OpenWithCaption(const char* caption) {
  if (isOpen) return 1;  // a pending cancel request stays pending
  DestroyWindowIfAny();
  SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  cancelRequested = false;
  HWND parent = GetAppMainWindow();
  if (!CreateModeless(parent)) return 0;
  SetWindowTextA(hwnd(), caption != nullptr ? caption : kDefaultCaption);
  if (parent != nullptr) EnableWindow(parent, FALSE);
  FitStaticTextHeight(hwnd(), IDC_PROGRESS_LINE, progresstext::WidestLine().c_str());
  CenterWindow();
  statusText.SetText("");
  marquee_ = false;
  barPosition_ = -1;
  line_.clear();
  progressBar.Send(PBM_SETRANGE32, 0, kBarRange);
  ShowWindow(hwnd(), SW_SHOW);
  // Painted now: the caller goes on with a job at once and pumps only between polls.
  RedrawWindow(hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
  PumpPendingMessages();
  isOpen = true;
  return 1;
}

bool ProgressDialog::SetStatus(const std::string& text, bool enableCancel) {
  if (isOpen) {
    statusText.SetText(text);
    cancelButton.Enable(enableCancel);
  }
  PumpPendingMessages();  // also while closed: the caller relies on it to keep windows alive
  return cancelRequested;
}

int ProgressDialog::Close() {
  if (!isOpen) return 1;
  HWND parent = IsWindow(hwnd()) ? GetParent(hwnd()) : nullptr;
  DestroyWindowIfAny();
  if (parent != nullptr) {
    EnableWindow(parent, TRUE);
    ForceForegroundWindow(parent);
  }
  isOpen = false;
  return 1;
}

void ProgressDialog::BindControls() {
  cancelButton.Bind(hwnd(), IDCANCEL);
  statusText.Bind(hwnd(), IDC_STATUS);
  progressBar.Bind(hwnd(), IDC_PROGRESS_BAR);
  progressLine.Bind(hwnd(), IDC_PROGRESS_LINE);
}

void ProgressDialog::ShowShare(double share, const std::string& line) {
  if (!isOpen) return;
  SetMarquee(false);
  const double clamped = share < 0 ? 0 : share > 1 ? 1 : share;
  const int position = static_cast<int>(clamped * kBarRange);
  if (position != barPosition_) {
    progressBar.Send(PBM_SETPOS, static_cast<WPARAM>(position));
    barPosition_ = position;
  }
  SetLine(line);
}

void ProgressDialog::ShowBusy(const std::string& line) {
  if (!isOpen) return;
  SetMarquee(true);
  SetLine(line);
}

void ProgressDialog::SetMarquee(bool marquee) {
  if (marquee == marquee_) return;
  // The marquee is a style of the bar; it moves by itself (a timer of the control's own) while
  // the thread pumps messages.
  const LONG_PTR style = GetWindowLongPtrA(progressBar.hwnd(), GWL_STYLE);
  SetWindowLongPtrA(progressBar.hwnd(), GWL_STYLE, marquee ? (style | PBS_MARQUEE) : (style & ~PBS_MARQUEE));
  progressBar.Send(PBM_SETMARQUEE, marquee ? TRUE : FALSE, kMarqueeStepMs);
  marquee_ = marquee;
  barPosition_ = -1;
}

void ProgressDialog::SetLine(const std::string& line) {
  if (line == line_) return;
  progressLine.SetText(line);
  line_ = line;
}

bool ProgressDialog::OnCommand(WORD id, WORD) {
  // Escape and the close command arrive as IDCANCEL even while the button is greyed; a greyed
  // Cancel must not be able to ask for a stop, so the button's state decides.
  if (id == IDCANCEL && IsWindowEnabled(cancelButton.hwnd())) cancelRequested = true;
  // Nothing else closes the window (Enter would otherwise end it as the framework's OK): only
  // Close may, since only Close gives the owner back its input.
  return true;
}

bool ProgressDialog::OnMessage(UINT message, WPARAM, LPARAM, INT_PTR& result) {
  if (message != WM_SETCURSOR) return false;
  SetCursor(LoadCursorA(nullptr, IDC_APPSTARTING));
  result = FALSE;
  return true;
}

void ForceForegroundWindow(HWND window) {
  if (window == nullptr || !IsWindow(window)) return;
  HWND foreground = GetForegroundWindow();
  if (foreground != nullptr) {
    // Windows lets only the thread that has the input take the foreground: borrow its input.
    const DWORD foregroundThread = GetWindowThreadProcessId(foreground, nullptr);
    const DWORD ownThread = GetCurrentThreadId();
    AttachThreadInput(ownThread, foregroundThread, TRUE);
    SetForegroundWindow(window);
    SetActiveWindow(window);
    AttachThreadInput(ownThread, foregroundThread, FALSE);
  } else {
    SetActiveWindow(window);
    SetForegroundWindow(window);
  }
  BringWindowToTop(window);
}
