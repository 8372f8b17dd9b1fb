#pragma once
// A small dialog framework over DialogBoxParamA and CreateDialogParamA: a dialog object is bound
// to its window for the window's life, and window messages reach its virtual handlers.
#include <windows.h>

class Dialog {
 public:
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;
  virtual ~Dialog();

  // Runs the dialog modally and returns the value given to EndDialog (-1 if it cannot be shown).
  INT_PTR DoModal(HWND owner);
  // Creates the dialog modeless (not shown); false when the window cannot be created.
  bool CreateModeless(HWND owner);
  // Destroys the window of a modeless dialog, if it still exists.
  void DestroyWindowIfAny();
  void EndDialog(INT_PTR result);

  HWND hwnd() const { return hwnd_; }

  // Centres the window over its owner, or over the work area of the screen when it has none.
  void CenterWindow() const;

  // Dialog keyboard handling (Tab, Enter, Escape, mnemonics) for open modeless dialogs; true when
  // the message was consumed. Modal dialogs do this in their own loop.
  static bool PreTranslate(MSG& message);

 protected:
  explicit Dialog(int templateId) : templateId_(templateId) {}

  // Binds the control wrappers to the controls of the new window.
  virtual void BindControls() {}
  // WM_INITDIALOG, after BindControls; the result is WM_INITDIALOG's (TRUE: default focus).
  virtual BOOL OnInitDialog() { return TRUE; }
  // WM_COMMAND; return true when handled. The default ends a modal dialog on IDOK and IDCANCEL.
  virtual bool OnCommand(WORD id, WORD code);
  // Any other message; return true and set result when handled.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
  // WM_DESTROY.
  virtual void OnDestroy() {}

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

  int templateId_;
  HWND hwnd_ = nullptr;
  bool modal_ = false;
};
