// Binding of the form's controls and the routing of the dialog's messages to their handlers.
#include "installer/installer_dialog.h"

#include "ui/main_window.h"

void InstallerDialog::BindControls() {
  // From here on the dialog is the application's main window: it owns every message box.
  SetAppMainWindow(hwnd());
  cancelButton.Bind(hwnd(), IDCANCEL);
  userIdLabel.Bind(hwnd(), IDC_USER_ID_LABEL);
  passwordLabel.Bind(hwnd(), IDC_PASSWORD_LABEL);
  libraryLabel.Bind(hwnd(), IDC_LIBRARY_LABEL);
  addressLabel.Bind(hwnd(), IDC_ADDRESS_LABEL);
  libraryOption.Bind(hwnd(), IDC_LIBRARY_OPTION);
  libraryEdit.Bind(hwnd(), IDC_LIBRARY);
  descriptionText.Bind(hwnd(), IDC_DESCRIPTION);
  okButton.Bind(hwnd(), IDOK);
  userIdEdit.Bind(hwnd(), IDC_USER_ID);
  passwordEdit.Bind(hwnd(), IDC_PASSWORD);
  addressControl.Bind(hwnd(), IDC_ADDRESS);
}

bool InstallerDialog::OnCommand(WORD id, WORD code) {
  // While OK's work runs, OK and Cancel are greyed; yet the close command (Alt+F4, the close box)
  // still arrives as IDCANCEL under Wine, and must neither end the dialog under a running job nor
  // start the work a second time.
  if ((id == IDOK || id == IDCANCEL) && !controlsEnabled) return true;
  const EditControl* edit = nullptr;
  switch (id) {
    case IDOK:
      OnOK();
      return true;
    case IDC_LIBRARY_OPTION:
      if (code == BN_CLICKED) OnLibraryOptionClicked();
      return true;
    case IDC_LIBRARY:
      edit = &libraryEdit;
      break;
    case IDC_PASSWORD:
      edit = &passwordEdit;
      break;
    case IDC_USER_ID:
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
  if (message != WM_SETCURSOR || controlsEnabled) return false;  // the default handling
  result = OnSetCursor();
  return true;
}
