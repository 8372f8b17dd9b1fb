#pragma once
// The modeless status window shown while the workflows run their FTP jobs.
//
// How it works:
// - One thread. The workflows run on the user-interface thread, inside the OK handler; nothing
//   runs in parallel with them and nothing is locked.
// - Where messages are handled: only in nested loops. Open and SetStatus pump the queue once
//   (PumpPendingMessages); a running job pumps it after every 100 ms poll (RunAndWait); message
//   boxes run their own modal loops. Handlers of this window and of the main window run inside
//   those calls, never between two steps of a workflow.
// - Cancel: a click (or Escape, or the close command) only sets cancelRequested, and only while
//   the button is enabled. The check reads the flag between its jobs and, while a job runs,
//   after every poll, and then asks the user; the installation keeps Cancel greyed until a job
//   has run long, and reads the flag only then. Whoever asks clears the flag on a No; the next
//   Open clears it too.
// - Who closes what: Open disables the main window (the owner), so the form cannot start a second
//   workflow. Only Close ends the window (Enter does not), and Close enables the owner again and
//   gives it the foreground. A workflow shows its last message while the window is still open and
//   closes it after the message has been answered.
// - The bar and the line under the status are the workflow's to set while a job runs (from the
//   client's log, at every poll); they start empty with each Open.
#include <windows.h>

#include <string>

#include "res/resource.h"
#include "ui/controls.h"
#include "ui/dialog.h"

class ProgressDialog : public Dialog {
 public:
  ProgressDialog() : Dialog(IDD_PROGRESS) {}
  ~ProgressDialog() override = default;

  // Opens a new window with the default caption "進行状況..." (or caption, when given); 1 when the
  // window is open afterwards, 0 when it cannot be created.
  int Open();
  int Open(const std::string& caption);
  // Sets the status text and Cancel's state while open, pumps messages, returns cancelRequested.
  bool SetStatus(const std::string& text, bool enableCancel);
  // Closes the window and brings the main window back to the front; always 1.
  int Close();

  // The bar and the line under the status. ShowShare: the bar at share (0 to 1) of its length,
  // for an upload; ShowBusy: the bar as a marquee, for work whose end nobody can tell (the host
  // restoring, a job that has not sent anything yet). Only what changed is redrawn.
  void ShowShare(double share, const std::string& line);
  void ShowBusy(const std::string& line);

  bool cancelRequested = false;
  bool isOpen = false;

 protected:
  void BindControls() override;
  bool OnCommand(WORD id, WORD code) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  int OpenWithCaption(const char* caption);
  void SetMarquee(bool marquee);
  void SetLine(const std::string& line);

  ButtonControl cancelButton;
  StaticControl statusText;
  Control progressBar;
  StaticControl progressLine;
  bool marquee_ = false;
  int barPosition_ = -1;
  std::string line_;
};

// Makes window the foreground window, also when another thread owns the current foreground.
void ForceForegroundWindow(HWND window);
