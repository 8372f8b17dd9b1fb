#pragma once
// The modeless status window shown while the workflows run their FTP jobs. It disables the main
// window while open; its Cancel button only records a request in cancelRequested.
#include <windows.h>

#include <string>

#include "ui/controls.h"
#include "ui/dialog.h"

class ProgressDialog : public Dialog {
 public:
  ProgressDialog() : Dialog(140) {}
  ~ProgressDialog() override = default;

  // Opens a new window with the default caption "進行状況..." (or caption, when given); 1 when the
  // window is open afterwards, 0 when it cannot be created.
  int Open();
  int Open(const std::string& caption);
  // Sets the status text and Cancel's state while open, pumps messages, returns cancelRequested.
  int SetStatus(const std::string& text, bool enableCancel);
  // Closes the window and brings the main window back to the front; always 1.
  int Close();

  int cancelRequested = 0;
  int isOpen = 0;

 protected:
  void BindControls() override;
  bool OnCommand(WORD id, WORD code) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  int OpenWithCaption(const char* caption);

  ButtonControl cancelButton;
  StaticControl statusText;
};

// Makes window the foreground window, also when another thread owns the current foreground.
void ForceForegroundWindow(HWND window);
