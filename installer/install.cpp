// The installation and its verification: restore the product library on the host, then prove
// that every object of the save file arrived.
#include <windows.h>

#include <cstdlib>

#include "fileutil/host_object.h"
#include "fileutil/paths.h"
#include "ftpjob/job_text.h"
#include "installer/host_jobs.h"
#include "installer/installer_dialog.h"
#include "installer/messages.h"
#include "installer/text_rules.h"

namespace {

// A job of the installation may take long on a slow line, and ending it early may leave the
// library half restored, so Cancel is offered only once a job has run this long: by then the
// host has most likely stopped answering, and the Windows ftp client never gives up by itself.
constexpr DWORD kDefaultCancelAfterMs = 10 * 60 * 1000;

// For tests only: KESTRALON_TEST_CANCEL_AFTER_SECONDS shortens the wait before Cancel is offered.
DWORD CancelAfterMs() {
  char value[16] = {};
  const DWORD length = GetEnvironmentVariableA("KESTRALON_TEST_CANCEL_AFTER_SECONDS", value, sizeof value);
  if (length == 0 || length >= sizeof value) return kDefaultCancelAfterMs;
  char* end = nullptr;
  const unsigned long seconds = std::strtoul(value, &end, 10);
  if (*end != '\0' || seconds == 0 || seconds > 24 * 60 * 60) return kDefaultCancelAfterMs;
  return static_cast<DWORD>(seconds * 1000);
}

// The product save file's name in the work folder, when its own path is not ASCII.
constexpr char kProductInWorkFolder[] = "PRODUCT.DAT";

}  // namespace

std::string InstallerDialog::ProductFileForScript() const {
  // The Windows client reads its script as UTF-8 and the installer's strings are code page 932:
  // a path with Japanese in it (a folder under a Japanese user name) would not be found. The work
  // folder's own path may hold Japanese too; the client runs in it, so a bare name is enough.
  if (jobtext::IsAscii(saveFilePath)) return saveFilePath;
  const std::string inWorkFolder = workDirectory + kProductInWorkFolder;
  return LinkOrCopyFile(saveFilePath, inWorkFolder) ? inWorkFolder : std::string();
}

int InstallerDialog::InstallAndVerify() {
  if (ProbePath(saveFilePath.c_str()) != kPathIsFile) return 0;
  progress.Open();
  progress.SetStatus(msg::kInstalling, false);
  // The name the check validated; with blanks around it the restored library would not be the
  // one verified.
  const std::string library = ReadLibraryName();
  const std::string productFile = ProductFileForScript();
  const FileRemovedAtEnd productLink{productFile == saveFilePath ? std::string() : productFile};
  if (productFile.empty()) return StopWithProgressOpen(msg::kUnknownError, MB_ICONSTOP, nullptr);

  // An upload that active mode could not get through restored nothing: the job runs once more,
  // in passive mode.
  Decision restore;
  do {
    if (!PrepareJob([&] { return hostjobs::AddLibraryRestore(job, productFile, targetLibrary, library); })) {
      return StopWithProgressOpen(msg::kUnknownError, MB_ICONSTOP, nullptr);
    }
    const int restored = RunInstallationJob({productFile}, msg::kInstalling, library);
    if (restored == kRunStopped) return StopAbandoned(library);
    if (restored != kRunEnded) return CloseAndStop();  // the user has been told that it could not start
    restore = JudgeRestore(ReadJobLog());
  } while (SwitchToPassive(restore, false));
  progress.SetStatus(msg::kVerifying, false);
  if (!CarryOut(restore)) return 0;

  const FileRemovedAtEnd hostObject{workDirectory + "QSAVF.DAT"};
  if (!ExtractHostObject(hostObject.path)) return StopWithProgressOpen(msg::kResourceLoadFailed, MB_ICONSTOP, nullptr);
  Decision decision;
  do {
    if (!PrepareJob([&] { return hostjobs::AddVerification(job, hostObject.path, productFile, library, userId); })) {
      return StopWithProgressOpen(msg::kUnknownError, MB_ICONSTOP, nullptr);
    }
    const int verified = RunInstallationJob({hostObject.path, productFile}, msg::kVerifying, library);
    if (verified == kRunStopped) return StopAbandoned(library);
    if (verified != kRunEnded) return CloseAndStop();
    decision = JudgeVerification(ReadJobLog());
  } while (SwitchToPassive(decision, false));
  job.EvaluateLog(std::string(), LogAfterReading::kDelete);  // the verification's log has been read: delete it
  if (!CarryOut(decision)) return 0;
  progress.Close();
  return 1;
}

// Runs one job of the installation. Cancel stays greyed while the job is young; once it has run
// for long, Cancel is offered with a question that says what stopping now may leave behind.
int InstallerDialog::RunInstallationJob(const std::vector<std::string>& uploads, const std::string& status,
                                        const std::string& library) {
  const DWORD started = GetTickCount();
  const DWORD cancelAfter = CancelAfterMs();
  bool cancelOffered = false;
  return RunJob(uploads, [&] {
    if (!cancelOffered && GetTickCount() - started >= cancelAfter) {
      progress.SetStatus(status, true);
      cancelOffered = true;
    }
    if (!progress.cancelRequested) return false;
    const std::string question = FormatText(msg::kConfirmAbandonInstall, library);
    if (ShowDialogMessage(question, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDYES) return true;
    KeepGoingAfterCancelDeclined();
    return false;
  });
}

int InstallerDialog::StopAbandoned(const std::string& library) {
  return StopWithProgressOpen(FormatText(msg::kInstallAbandoned, library), MB_ICONEXCLAMATION, nullptr);
}
