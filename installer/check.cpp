// The OK handler and the pre-installation check: input, log-on and authority on the host, and
// whether the target library exists already.
#include <windows.h>

#include <commctrl.h>

#include "app/main_window.h"
#include "fileutil/host_object.h"
#include "installer/host_jobs.h"
#include "installer/installer_dialog.h"
#include "installer/messages.h"
#include "installer/text_rules.h"

void InstallerDialog::OnOK() {
  SetControlsEnabled(false);
  focusTarget_ = nullptr;
  if (!CheckBeforeInstall()) {
    SetControlsEnabled(true);
    // Only now: a greyed control cannot take the focus.
    if (focusTarget_ != nullptr) focusTarget_->Focus();
    return;
  }
  if (!InstallAndVerify()) {
    SetControlsEnabled(true);
    return;
  }
  SetControlsEnabled(true);
  ShowDialogMessage(msg::kInstallCompleted, MB_ICONINFORMATION);
  EndDialog(IDOK);
}

void InstallerDialog::ReadAddress() {
  DWORD packed = 0;
  addressControl.Send(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&packed));
  hostAddress.value[0] = static_cast<std::uint8_t>(FIRST_IPADDRESS(packed));
  hostAddress.value[1] = static_cast<std::uint8_t>(SECOND_IPADDRESS(packed));
  hostAddress.value[2] = static_cast<std::uint8_t>(THIRD_IPADDRESS(packed));
  hostAddress.value[3] = static_cast<std::uint8_t>(FOURTH_IPADDRESS(packed));
}

std::string InstallerDialog::ReadLibraryName() const { return TrimWhiteSpace(libraryEdit.GetText()); }

int InstallerDialog::RefuseInput(const char* text, const Control& focus) {
  ShowDialogMessage(text, MB_ICONEXCLAMATION);
  focusTarget_ = &focus;
  return 0;
}

int InstallerDialog::StopWithProgressOpen(const std::string& text, UINT icon, const Control* focus) {
  ShowDialogMessage(text, icon);
  progress.Close();
  focusTarget_ = focus;
  return 0;
}

bool InstallerDialog::UserConfirmsCancel() {
  if (progress.cancelRequested == 0) return false;
  if (ConfirmCancel()) return true;
  progress.cancelRequested = 0;  // go on; a later click asks again at the next point
  // The question's owner is the disabled main window, so closing it activates nothing: hand
  // the activation back to the progress window, whose Cancel the user may want again.
  ForceForegroundWindow(progress.hwnd());
  return false;
}

bool InstallerDialog::ConfirmCancel() {
  const std::string question = FormatText(msg::kConfirmCancel, productName);
  return ShowDialogMessage(question, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDYES;
}

int InstallerDialog::CheckBeforeInstall() {
  ReadAddress();
  userId = TrimWhiteSpace(userIdEdit.GetText());
  password = TrimWhiteSpace(passwordEdit.GetText());
  const std::string library = ReadLibraryName();
  if (userId.empty()) return RefuseInput(msg::kEnterUserId, userIdEdit);
  if (password.empty()) return RefuseInput(msg::kEnterPassword, passwordEdit);
  if (library.empty()) return RefuseInput(msg::kEnterLibrary, libraryEdit);
  // Both go into CL commands on the host: anything but an IBM i name could change them.
  if (!IsValidIbmiName(userId)) return RefuseInput(msg::kInvalidUserId, userIdEdit);
  if (!IsValidIbmiName(library)) return RefuseInput(msg::kInvalidLibrary, libraryEdit);

  const std::string hostObjectFile = workDirectory + "QSAVF.DAT";
  if (!ExtractHostObject(hostObjectFile)) {
    ShowDialogMessage(msg::kResourceLoadFailed, MB_ICONSTOP);
    return 0;
  }
  progress.Open();
  progress.SetStatus(msg::kConnecting, true);
  PrepareJob([&] { hostjobs::AddAuthorityTest(job, hostObjectFile, userId); });
  if (UserConfirmsCancel()) {  // cancel point 1
    DeleteFileA(hostObjectFile.c_str());
    progress.Close();
    return 0;
  }
  const int ran = job.Run();
  DeleteFileA(hostObjectFile.c_str());
  if (!ran) return StopWithProgressOpen(msg::kUnknownError, MB_ICONSTOP, nullptr);
  if (!JudgeAuthorityTest()) return 0;

  if (UserConfirmsCancel()) return CloseAndStop();  // cancel point 2
  progress.SetStatus(FormatText(msg::kCheckingLibrary, library), true);
  PrepareJob([&] { hostjobs::AddLibraryProbe(job, library); });
  if (UserConfirmsCancel()) return CloseAndStop();  // cancel point 3
  if (!job.Run()) return StopWithProgressOpen(msg::kUnknownError, MB_ICONSTOP, nullptr);
  switch (job.EvaluateLog(hostjobs::kCurrentLibrary, 0)) {
    case LOG_NOT_LOGGED_ON:
      return StopWithProgressOpen(msg::kLogOnFailedCheck, MB_ICONEXCLAMATION, &addressControl);
    case LOG_ERROR_FOUND:  // the library exists
      if (ShowDialogMessage(FormatText(msg::kLibraryExists, library), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) ==
          IDNO) {
        return CloseAndStop();
      }
      break;
    default:  // a new library, or a log that cannot be read
      break;
  }
  if (UserConfirmsCancel()) return CloseAndStop();  // cancel point 4
  progress.Close();
  return 1;
}

// Job 1's verdicts, read from the same log: a save file that cannot be created stops the check;
// a restore is taken as refused only when both the restore and the call of its program failed.
bool InstallerDialog::JudgeAuthorityTest() {
  switch (job.EvaluateLog(hostjobs::kCrtsavfError, 0)) {
    case LOG_NOT_LOGGED_ON:
      StopWithProgressOpen(msg::kLogOnFailedCheck, MB_ICONEXCLAMATION, &addressControl);
      return false;
    case LOG_ERROR_FOUND:
      StopWithProgressOpen(FormatText(msg::kNoSaveFileAuthority, userId), MB_ICONEXCLAMATION, &userIdEdit);
      return false;
    case LOG_UNREADABLE:
      return true;
    default:
      break;
  }
  if (job.EvaluateLog(hostjobs::kRstobjError, 0) == LOG_OK) return true;
  if (job.EvaluateLog(hostjobs::kCallError, 1) != LOG_ERROR_FOUND) return true;
  StopWithProgressOpen(FormatText(msg::kNoRestoreAuthority, userId), MB_ICONEXCLAMATION, &userIdEdit);
  return false;
}

int InstallerDialog::CloseAndStop() {
  progress.Close();
  return 0;
}
