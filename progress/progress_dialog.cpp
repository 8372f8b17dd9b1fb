#include "progress/progress_dialog.h"

#include "ui/main_window.h"
#include "ui/message_pump.h"

namespace {
constexpr char kDefaultCaption[] = "進行状況...";
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
  CenterWindow();
  statusText.SetText("");
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
