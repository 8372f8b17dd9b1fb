// The run as a whole, and the pre-installation check: input, log-on and authority on the host, and
// whether the target library exists already.
#include <windows.h>

#include "fileutil/host_object.h"
#include "installer/host_jobs.h"
#include "installer/installation.h"
#include "installer/messages.h"
#include "installer/text_rules.h"

namespace {

// Deletes a file of the work folder when it goes out of scope, however a workflow ends.
struct FileRemovedAtEnd {
  std::string path;
  ~FileRemovedAtEnd() {
    if (!path.empty()) DeleteFileA(path.c_str());
  }
};

}  // namespace

ExitCode Installation::Run() {
  log_.Write("run: address " + std::to_string(input_.hostAddress.value[0]) + "." +
             std::to_string(input_.hostAddress.value[1]) + "." + std::to_string(input_.hostAddress.value[2]) + "." +
             std::to_string(input_.hostAddress.value[3]) + ", user " + input_.userId + ", library " + input_.library);
  log_.Write(std::string("TLS: ") + tlstrust::TlsModeName(session_.tls.mode) + ", " +
             std::to_string(session_.tls.pins.size()) + " pinned certificate(s)");
  // Read on a thread of its own: OK answers at once, however large the product.
  if (!session_.productFileLogged && !session_.productDigest) {
    session_.productDigest = std::make_unique<FileDigestTask>(session_.saveFilePath);
  }
  if (!CheckBeforeInstall() || !InstallAndVerify()) {
    LogProductDigest(session_, log_, DigestWait::kNo);
    return outcome_;
  }
  // The installation has read the product over the network: whatever is left is short.
  LogProductDigest(session_, log_, DigestWait::kYes);
  log_.Write("outcome: " + std::to_string(static_cast<int>(ExitCode::kSuccess)) + " (" +
             OutcomeName(ExitCode::kSuccess) + ")");
  return ExitCode::kSuccess;
}

bool Installation::TestInput() {
  const auto refuse = [this](const char* text, FocusTarget focus) {
    return Stop(ExitCode::kBadInput, text, MessageIcon::kExclamation, focus);
  };
  if (input_.userId.empty()) return refuse(msg::kEnterUserId, FocusTarget::kUserId);
  if (input_.password.empty()) return refuse(msg::kEnterPassword, FocusTarget::kPassword);
  if (input_.library.empty()) return refuse(msg::kEnterLibrary, FocusTarget::kLibrary);
  // Both go into CL commands on the host: anything but an IBM i name could change them.
  if (!IsValidIbmiName(input_.userId)) return refuse(msg::kInvalidUserId, FocusTarget::kUserId);
  if (!IsValidIbmiName(input_.library)) return refuse(msg::kInvalidLibrary, FocusTarget::kLibrary);
  return true;
}

bool Installation::CheckBeforeInstall() {
  if (!TestInput()) return false;
  const FileRemovedAtEnd hostObject{session_.workDirectory + "QSAVF.DAT"};
  if (!ExtractHostObject(hostObject.path)) {
    return Stop(ExitCode::kUnknownError, msg::kResourceLoadFailed, MessageIcon::kStop);
  }
  frontEnd_.ShowStatus(msg::kConnecting, true);
  if (!RunAuthorityTest(hostObject.path)) return false;
  DeleteFileA(hostObject.path.c_str());         // needed by job 1 only
  if (ConfirmCancel()) return StopCancelled();  // cancel point 2
  frontEnd_.ShowStatus(FormatText(msg::kCheckingLibrary, input_.library), true);
  if (!ProbeLibrary()) return false;
  if (ConfirmCancel()) return StopCancelled();  // cancel point 4
  frontEnd_.EndStatus();
  return true;
}

bool Installation::RunAuthorityTest(const std::string& hostObjectFile) {
  // The first job of a run: it settles whether the run goes over TLS, and, where the PC's firewall
  // blocks active mode, that shows here, and the job runs once more in passive mode.
  if (!StartTls()) return false;
  for (;;) {
    if (!PrepareJob([&] { return hostjobs::AddAuthorityTest(job_, hostObjectFile, input_.userId); })) {
      return Stop(ExitCode::kUnknownError, msg::kUnknownError, MessageIcon::kStop);
    }
    if (ConfirmCancel()) return StopCancelled();  // cancel point 1
    const int ran =
        RunJob("1 (authority test)", {hostObjectFile}, JobPhase::kCheck, JobStatus{msg::kConnecting, {}, {}});
    if (ran == kRunStopped) return StopCancelled();
    if (ran != kRunEnded) return Stop(ExitCode::kUnknownError, msg::kUnknownError, MessageIcon::kStop);
    const JobLog log = ReadJobLog();
    const TlsAnswer tls = AnswerTls(log);
    if (tls == TlsAnswer::kStopped) return false;
    if (tls == TlsAnswer::kRunAgain) continue;
    const Decision authority = JudgeAuthorityTest(log, input_.userId);
    if (!SwitchToPassive(authority, true)) return CarryOut(authority);
  }
}

bool Installation::ProbeLibrary() {
  if (!PrepareJob([&] { return hostjobs::AddLibraryProbe(job_, input_.library); })) {
    return Stop(ExitCode::kUnknownError, msg::kUnknownError, MessageIcon::kStop);
  }
  if (ConfirmCancel()) return StopCancelled();  // cancel point 3
  const int probed = RunJob("2 (library probe)", {}, JobPhase::kCheck, {});
  if (probed == kRunStopped) return StopCancelled();
  if (probed != kRunEnded) return Stop(ExitCode::kUnknownError, msg::kUnknownError, MessageIcon::kStop);
  return CarryOut(JudgeLibraryProbe(ReadJobLog(), input_.library));
}
