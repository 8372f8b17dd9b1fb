// The OK handler and the pre-installation check: input, log-on and authority on the host, and
// whether the target library exists already.
#include <windows.h>

#include <commctrl.h>

#include "fileutil/host_object.h"
#include "installer/host_jobs.h"
#include "installer/installer_dialog.h"
#include "installer/messages.h"
#include "installer/text_rules.h"
#include "ui/main_window.h"

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
  if (!progress.cancelRequested) return false;
  if (ConfirmCancel()) return true;
  KeepGoingAfterCancelDeclined();
  return false;
}

void InstallerDialog::KeepGoingAfterCancelDeclined() {
  progress.cancelRequested = false;  // go on; a later click asks again
  // The question's owner is the disabled main window, so closing it activates nothing: hand
  // the activation back to the progress window, whose Cancel the user may want again.
  ForceForegroundWindow(progress.hwnd());
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
  // Nothing permanent happens on the host during the check, so a confirmed Cancel may end a job
  // that the host has stopped answering.
  const auto cancelCheck = [this] { return UserConfirmsCancel(); };
  Decision authority;
  {
    const FileRemovedAtEnd hostObject{hostObjectFile};
    // The first upload of a run: where the PC's firewall blocks active mode, it shows here, and
    // the job runs once more in passive mode.
    do {
      const bool prepared = PrepareJob([&] { return hostjobs::AddAuthorityTest(job, hostObjectFile, userId); });
      if (prepared && UserConfirmsCancel()) return CloseAndStop();  // cancel point 1
      const int ran = prepared ? RunJob({hostObjectFile}, cancelCheck) : kRunNotStarted;
      if (ran == kRunStopped) return CloseAndStop();
      if (ran != kRunEnded) return StopWithProgressOpen(msg::kUnknownError, MB_ICONSTOP, nullptr);
      authority = JudgeAuthorityTest(ReadJobLog(), userId);
    } while (SwitchToPassive(authority, true));
  }
  if (!CarryOut(authority)) return 0;

  if (UserConfirmsCancel()) return CloseAndStop();  // cancel point 2
  progress.SetStatus(FormatText(msg::kCheckingLibrary, library), true);
  if (!PrepareJob([&] { return hostjobs::AddLibraryProbe(job, library); })) {
    return StopWithProgressOpen(msg::kUnknownError, MB_ICONSTOP, nullptr);
  }
  if (UserConfirmsCancel()) return CloseAndStop();  // cancel point 3
  const int probed = RunJob({}, cancelCheck);
  if (probed == kRunStopped) return CloseAndStop();
  if (probed != kRunEnded) return StopWithProgressOpen(msg::kUnknownError, MB_ICONSTOP, nullptr);
  if (!CarryOut(JudgeLibraryProbe(ReadJobLog(), library))) return 0;
  if (UserConfirmsCancel()) return CloseAndStop();  // cancel point 4
  progress.Close();
  return 1;
}

int InstallerDialog::CloseAndStop() {
  progress.Close();
  return 0;
}
