// Binding of the form's controls, the routing of the dialog's messages to their handlers, and OK.
#include "installer/installer_dialog.h"

#include <commctrl.h>

#include "installer/dialog_run.h"
#include "installer/messages.h"
#include "installer/support_log.h"
#include "installer/text_rules.h"
#include "ui/main_window.h"
#include "ui/message_pump.h"

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

RunInput InstallerDialog::ReadInput() const {
  DWORD packed = 0;
  addressControl.Send(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&packed));
  RunInput input;
  input.hostAddress.value[0] = static_cast<std::uint8_t>(FIRST_IPADDRESS(packed));
  input.hostAddress.value[1] = static_cast<std::uint8_t>(SECOND_IPADDRESS(packed));
  input.hostAddress.value[2] = static_cast<std::uint8_t>(THIRD_IPADDRESS(packed));
  input.hostAddress.value[3] = static_cast<std::uint8_t>(FOURTH_IPADDRESS(packed));
  input.userId = TrimWhiteSpace(userIdEdit.GetText());
  input.password = TrimWhiteSpace(passwordEdit.GetText());
  input.library = TrimWhiteSpace(libraryEdit.GetText());
  return input;
}

void InstallerDialog::OnOK() {
  SetControlsEnabled(false);
  RunInput input = ReadInput();
  TheSupportLog().AddSecret(input.password);
  DialogRun frontEnd(progress, title, session.productName);
  const ExitCode outcome = Installation(session, frontEnd, TheSupportLog(), std::move(input)).Run();
  SetControlsEnabled(true);
  if (outcome != ExitCode::kSuccess) {
    // Only now: a greyed control cannot take the focus.
    const Control* focus = ControlFor(frontEnd.focus());
    if (focus != nullptr) focus->Focus();
    return;
  }
  DiscardTypeAhead();  // a key pressed during the installation must not close the box unread
  ShowDialogMessage(msg::kInstallCompleted, MB_ICONINFORMATION);
  EndDialog(IDOK);
}

const Control* InstallerDialog::ControlFor(FocusTarget target) const {
  switch (target) {
    case FocusTarget::kAddress:
      return &addressControl;
    case FocusTarget::kUserId:
      return &userIdEdit;
    case FocusTarget::kPassword:
      return &passwordEdit;
    case FocusTarget::kLibrary:
      return &libraryEdit;
    case FocusTarget::kNone:
      break;
  }
  return nullptr;
}
