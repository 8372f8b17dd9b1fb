// The steps around every job: running it with its progress shown, reading its log for the
// decisions of job_decisions.h, and carrying a decision out.
#include <windows.h>

#include "fileutil/host_object.h"
#include "installer/host_jobs.h"
#include "installer/messages.h"
#include "installer/installer_dialog.h"
#include "installer/job_progress.h"

namespace {

UINT IconStyle(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kStop:
      return MB_ICONSTOP;
    case MessageIcon::kExclamation:
      return MB_ICONEXCLAMATION;
    case MessageIcon::kQuestion:
      return MB_ICONQUESTION;
    case MessageIcon::kInformation:
      return MB_ICONINFORMATION;
  }
  return MB_ICONSTOP;
}

}  // namespace

int InstallerDialog::RunJob(const std::vector<std::string>& uploads, const PollHandler& cancelCheck) {
  JobProgress shown(job.logPath, uploads, progress);
  return job.Run([&] {
    shown.Poll();
    return cancelCheck && cancelCheck();
  });
}

JobLog InstallerDialog::ReadJobLog() {
  JobLog log;
  log.crtsavfError = job.EvaluateLog(hostjobs::kCrtsavfError, LogAfterReading::kKeep);
  log.rstobjError = job.EvaluateLog(hostjobs::kRstobjError, LogAfterReading::kKeep);
  log.callError = job.EvaluateLog(hostjobs::kCallError, LogAfterReading::kKeep);
  log.currentLibrary = job.EvaluateLog(hostjobs::kCurrentLibrary, LogAfterReading::kKeep);
  log.session = job.ReadSessionFacts();
  log.passiveMode = !job.passiveClient.empty();
  return log;
}

bool InstallerDialog::SwitchToPassive(const Decision& decision, bool cancelEnabled) {
  if (decision.next != Decision::Next::kRetryPassive || !job.passiveClient.empty()) return false;
  // The firewall will not change during this run: once active mode has failed, every later job
  // runs in passive mode too.
  const std::string client = workDirectory + kPassiveClientName;
  if (!ExtractPassiveFtpClient(client)) return false;  // then the upload-failed message stands
  job.passiveClient = client;
  progress.SetStatus(msg::kRetryingPassive, cancelEnabled);
  return true;
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

bool InstallerDialog::CarryOut(const Decision& decision) {
  switch (decision.next) {
    case Decision::Next::kGoOn:
      return true;
    case Decision::Next::kAskOverwrite:
      if (ShowDialogMessage(decision.message, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES) return true;
      CloseAndStop();
      return false;
    case Decision::Next::kStop:
    case Decision::Next::kRetryPassive:  // not run again yet: what stands without passive mode
      break;
  }
  StopWithProgressOpen(decision.message, IconStyle(decision.icon), ControlFor(decision.focus));
  return false;
}
