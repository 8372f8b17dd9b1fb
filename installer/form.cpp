// The form's states: the start state, the library option with its warning, greying while busy,
// and the three edits' select-on-focus and byte limit.
#include <windows.h>

#include <commctrl.h>

#include "installer/installer_dialog.h"
#include "installer/messages.h"
#include "installer/text_rules.h"
#include "ui/main_window.h"

namespace {
constexpr int kTextLimit = 10;  // bytes, for the user ID, the password and the library
}

void InstallerDialog::ResetControls() {
  SetWindowTextA(hwnd(), title.c_str());
  descriptionText.SetText(FormatText(msg::kDescriptionFormat, session.productName));
  userIdEdit.Send(EM_LIMITTEXT, kTextLimit);
  passwordEdit.Send(EM_LIMITTEXT, kTextLimit);
  libraryEdit.Send(EM_LIMITTEXT, kTextLimit);
  addressControl.Send(IPM_SETADDRESS, 0, MAKEIPADDRESS(0, 0, 0, 0));
  userIdEdit.SetText(std::string());
  passwordEdit.SetText(std::string());
  libraryEdit.SetText(session.targetLibrary);  // EN_CHANGE cuts a longer name in the edit
  libraryOption.SetCheck(BST_CHECKED);
  OnLibraryOptionClicked();
  Prefill();
}

// What the command line gave goes into the form as if typed; the password never comes from there.
void InstallerDialog::Prefill() {
  if (prefill_.host) {
    const auto& a = prefill_.host->value;
    addressControl.Send(IPM_SETADDRESS, 0, MAKEIPADDRESS(a[0], a[1], a[2], a[3]));
  }
  if (!prefill_.userId.empty()) userIdEdit.SetText(prefill_.userId);
  if (prefill_.library.empty() || prefill_.library == session.targetLibrary) return;
  // Another library was asked for on purpose: the form shows it chosen, without the warning that
  // a click on the option would give.
  libraryOption.SetCheck(BST_UNCHECKED);
  libraryEdit.SetText(prefill_.library);
  libraryEdit.Enable(true);
  libraryLabel.Enable(true);
}

void InstallerDialog::OnLibraryOptionClicked() {
  bool unchecked = libraryOption.GetCheck() == BST_UNCHECKED;
  if (unchecked) {
    const int answer = ShowMessage(msg::kLibraryChangeWarning, title, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2);
    if (answer == IDNO) {
      libraryOption.SetCheck(BST_CHECKED);
      unchecked = false;
    }
  } else {
    libraryEdit.SetText(session.targetLibrary);  // checking always restores the recommended library
  }
  libraryEdit.Enable(unchecked);
  libraryLabel.Enable(unchecked);
}

void InstallerDialog::SetControlsEnabled(bool enable) {
  addressControl.Enable(enable);
  userIdEdit.Enable(enable);
  passwordEdit.Enable(enable);
  addressLabel.Enable(enable);
  userIdLabel.Enable(enable);
  passwordLabel.Enable(enable);
  libraryOption.Enable(enable);
  libraryEdit.Enable(enable && libraryOption.GetCheck() == BST_UNCHECKED);
  libraryLabel.Enable(enable && libraryOption.GetCheck() == BST_UNCHECKED);
  okButton.Enable(enable);
  cancelButton.Enable(enable);
  controlsEnabled = enable;
}

void InstallerDialog::SelectAllOnFocus(const EditControl& edit) {
  edit.Send(EM_SETSEL, 0, -1);
  edit.Send(EM_SCROLLCARET);
}

void InstallerDialog::EnforceTextLimit(const EditControl& edit) {
  const auto limit = static_cast<std::size_t>(edit.Send(EM_GETLIMITTEXT));
  const std::string text = edit.GetText();
  if (text.size() <= limit) return;
  // Cut texts put in by the program, and typed double-byte text where the edit counts its limit
  // in characters rather than bytes; never between the two bytes of a double-byte character.
  DWORD selectionStart = 0;
  DWORD selectionEnd = 0;
  edit.Send(EM_GETSEL, reinterpret_cast<WPARAM>(&selectionStart), reinterpret_cast<LPARAM>(&selectionEnd));
  edit.SetText(CutToByteLimit(text, limit));
  // Setting a text puts the caret in front; a person typing on must go on where they were.
  edit.Send(EM_SETSEL, selectionStart, selectionEnd);
}

BOOL InstallerDialog::OnSetCursor() {
  SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  return FALSE;
}
