// Binding of the form's controls and the routing of the dialog's messages to their handlers.
#include "installer/installer_dialog.h"

#include "ui/main_window.h"

namespace ctl {
enum : int {
  kAddress = 1000,
  kUserId = 1002,
  kPassword = 1003,
  kDescription = 1005,
  kLibrary = 1006,
  kLibraryOption = 1007,
  kAddressLabel = 1008,
  kUserIdLabel = 1009,
  kPasswordLabel = 1010,
  kLibraryLabel = 1011,
};
}

void InstallerDialog::BindControls() {
  // From here on the dialog is the application's main window: it owns every message box.
  SetAppMainWindow(hwnd());
  cancelButton.Bind(hwnd(), IDCANCEL);
  userIdLabel.Bind(hwnd(), ctl::kUserIdLabel);
  passwordLabel.Bind(hwnd(), ctl::kPasswordLabel);
  libraryLabel.Bind(hwnd(), ctl::kLibraryLabel);
  addressLabel.Bind(hwnd(), ctl::kAddressLabel);
  libraryOption.Bind(hwnd(), ctl::kLibraryOption);
  libraryEdit.Bind(hwnd(), ctl::kLibrary);
  descriptionText.Bind(hwnd(), ctl::kDescription);
  okButton.Bind(hwnd(), IDOK);
  userIdEdit.Bind(hwnd(), ctl::kUserId);
  passwordEdit.Bind(hwnd(), ctl::kPassword);
  addressControl.Bind(hwnd(), ctl::kAddress);
}

bool InstallerDialog::OnCommand(WORD id, WORD code) {
  // While OK's work runs, OK and Cancel are greyed; yet the close command (Alt+F4, the close box)
  // still arrives as IDCANCEL under Wine, and must neither end the dialog under a running job nor
  // start the work a second time.
  if ((id == IDOK || id == IDCANCEL) && controlsEnabled == 0) return true;
  const EditControl* edit = nullptr;
  switch (id) {
    case IDOK:
      OnOK();
      return true;
    case ctl::kLibraryOption:
      if (code == BN_CLICKED) OnLibraryOptionClicked();
      return true;
    case ctl::kLibrary:
      edit = &libraryEdit;
      break;
    case ctl::kPassword:
      edit = &passwordEdit;
      break;
    case ctl::kUserId:
      edit = &userIdEdit;
      break;
    default:
      return Dialog::OnCommand(id, code);  // IDCANCEL: the dialog ends with Cancel
  }
  if (code == EN_SETFOCUS) SelectAllOnFocus(*edit);
  if (code == EN_CHANGE) EnforceTextLimit(*edit);
  return true;
}

bool InstallerDialog::OnMessage(UINT message, WPARAM, LPARAM, INT_PTR& result) {
  if (message != WM_SETCURSOR || controlsEnabled == 1) return false;  // the default handling
  result = OnSetCursor();
  return true;
}
