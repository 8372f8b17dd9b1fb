#include "installer/run_session.h"

#include <windows.h>

#include "fileutil/path_text.h"
#include "fileutil/paths.h"
#include "installer/messages.h"
#include "installer/settings.h"
#include "installer/support_log.h"
#include "ui/message_pump.h"
#include "installer/text_rules.h"
#include "tlstrust/fingerprint.h"

namespace {

// A value that cannot be read must not quietly stand for another mode, or for no pin at all.
bool ReadTlsPolicy(const InstallerSettings& settings, tlstrust::TlsPolicy& policy, std::string& refusal) {
  const std::optional<tlstrust::TlsMode> mode =
      settings.tls.empty() ? tlstrust::TlsMode::kAuto : tlstrust::ParseTlsMode(settings.tls);
  if (!mode) {
    refusal = msg::kInvalidTlsSetting;
    return false;
  }
  policy = tlstrust::TlsPolicy{*mode, {}};
  std::string bad;
  if (tlstrust::ParseFingerprints(settings.tlsCertificates, policy.pins, bad)) return true;
  refusal = FormatText(msg::kInvalidPinSetting, bad);
  return false;
}

}  // namespace

SessionProblem LoadRunSettings(RunSession& session, std::string& title, std::string& refusal) {
  InstallerSettings settings;
  const bool loaded = LoadSettings(GetModuleDirectory() + "CONFIG.INI", settings);
  title = settings.title;
  session.productName = settings.productName;
  session.saveFilePath = settings.saveFilePath;
  session.targetLibrary = settings.targetLibrary;
  if (!loaded) return SessionProblem::kSettingsUnavailable;
  // The library goes into the restore command: a value that is no IBM i name would only be
  // refused by the host after the whole product had been uploaded.
  if (!IsValidIbmiName(session.targetLibrary)) return SessionProblem::kInvalidTargetLibrary;
  if (!ReadTlsPolicy(settings, session.tls, refusal)) return SessionProblem::kInvalidTlsSetting;
  // A bare name is taken from the executable's directory; any path is used as it is.
  if (FindLastBackslash(session.saveFilePath) == std::string::npos) {
    session.saveFilePath = GetModuleDirectory() + session.saveFilePath;
  }
  if (ProbePath(session.saveFilePath.c_str()) != kPathIsFile) return SessionProblem::kSaveFileNotFound;
  return SessionProblem::kNone;
}

bool CreateWorkFolder(RunSession& session) {
  RemoveStaleWorkDirectories();  // an earlier run that was killed may have left its password
  std::string folder = CreateWorkDirectory();
  // Without a directory of its own the job files would go to the drive's root, and the teardown
  // would delete files of those names there.
  if (folder.empty()) return false;
  if (FindLastBackslash(folder) != folder.size() - 1) folder += '\\';
  session.workDirectory = folder;
  session.job.launcherPath = folder + "DOSCMD.BAT";
  session.job.scriptPath = folder + "FTPCMD.BAT";
  session.job.logPath = folder + "FTPLOG.LOG";
  return true;
}

void RemoveWorkFolder(const RunSession& session) {
  if (session.workDirectory.empty()) return;
  session.job.RemoveFiles();
  // Written for TLS or for passive mode; the job may have gone back to Windows' client since.
  DeleteFileA((session.workDirectory + kPassiveClientName).c_str());
  RemoveDirectoryA(session.workDirectory.c_str());
}

void LogProductDigest(RunSession& session, SupportLog& log, DigestWait wait) {
  if (session.productFileLogged || !session.productDigest) return;
  FileDigestTask& task = *session.productDigest;
  if (wait == DigestWait::kYes) {
    while (!task.Done()) {
      PumpPendingMessages();
      Sleep(20);
    }
  }
  if (wait == DigestWait::kNo && !task.Done()) return;
  WriteProductFile(log, session.saveFilePath, task.Result(), task.Done());
  session.productFileLogged = true;
  session.productDigest.reset();  // ends the reading, if it was still going
}
