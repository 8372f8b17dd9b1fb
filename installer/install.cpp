// The installation and its verification: restore the product library on the host, then prove
// that every object of the save file arrived.
#include <windows.h>

#include "fileutil/host_object.h"
#include "fileutil/paths.h"
#include "installer/host_jobs.h"
#include "installer/installer_dialog.h"
#include "installer/messages.h"

int InstallerDialog::InstallAndVerify() {
  if (ProbePath(saveFilePath.c_str()) != 1) return 0;
  progress.Open();
  progress.SetStatus(msg::kInstalling, false);
  // The name the check validated; with blanks around it the restored library would not be the
  // one verified.
  const std::string library = ReadLibraryName();

  PrepareJob([&] { hostjobs::AddLibraryRestore(job, saveFilePath, targetLibrary, library); });
  if (!job.Run()) return CloseAndStop();  // the user has been told that it could not start
  progress.SetStatus(msg::kVerifying, false);
  switch (job.EvaluateLog(hostjobs::kCrtsavfError, 0)) {
    case LOG_NOT_LOGGED_ON:
      return StopWithProgressOpen(msg::kLogOnFailedInstall, MB_ICONSTOP, nullptr);
    case LOG_ERROR_FOUND:
      return StopWithProgressOpen(msg::kCrtsavfFailed, MB_ICONSTOP, nullptr);
    default:  // a failed restore shows in the verification
      break;
  }

  const std::string hostObjectFile = workDirectory + "QSAVF.DAT";
  if (!ExtractHostObject(hostObjectFile)) return StopWithProgressOpen(msg::kResourceLoadFailed, MB_ICONSTOP, nullptr);
  PrepareJob([&] { hostjobs::AddVerification(job, hostObjectFile, saveFilePath, library, userId); });
  const int ran = job.Run();
  DeleteFileA(hostObjectFile.c_str());
  if (!ran) return CloseAndStop();

  // A connection lost before the call leaves no call error in the log, so the verification also
  // needs the session's orderly end.
  const bool verified = job.EvaluateLog(hostjobs::kCrtsavfError, 0) == LOG_OK &&
                        job.EvaluateLog(hostjobs::kSessionEnded, 0) == LOG_ERROR_FOUND &&
                        job.EvaluateLog(hostjobs::kCallError, 1) == LOG_OK;
  if (!verified) return StopWithProgressOpen(msg::kNotVerified, MB_ICONEXCLAMATION, nullptr);
  progress.Close();
  return 1;
}
