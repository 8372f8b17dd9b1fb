// The installation and its verification, one job: restore the product library on the host, and
// prove there that every object of the save file arrived.
#include <windows.h>

#include "fileutil/host_object.h"
#include "fileutil/paths.h"
#include "ftpjob/job_text.h"
#include "installer/host_jobs.h"
#include "installer/installation.h"
#include "installer/messages.h"

namespace {

// The product save file's name in the work folder, when its own path is not ASCII.
constexpr char kProductInWorkFolder[] = "PRODUCT.DAT";

struct FileRemovedAtEnd {
  std::string path;
  ~FileRemovedAtEnd() {
    if (!path.empty()) DeleteFileA(path.c_str());
  }
};

}  // namespace

std::string Installation::ProductFileForScript() const {
  // The Windows client reads its script as UTF-8 and the installer's strings are code page 932:
  // a path with Japanese in it (a folder under a Japanese user name) would not be found. The work
  // folder's own path may hold Japanese too; the client runs in it, so a bare name is enough.
  if (jobtext::IsAscii(session_.saveFilePath)) return session_.saveFilePath;
  const std::string inWorkFolder = session_.workDirectory + kProductInWorkFolder;
  return LinkOrCopyFile(session_.saveFilePath, inWorkFolder) ? inWorkFolder : std::string();
}

bool Installation::InstallAndVerify() {
  if (ProbePath(session_.saveFilePath.c_str()) != kPathIsFile) {
    log_.Write("the product file is gone: " + session_.saveFilePath);
    return Stop(ExitCode::kBadInput, std::string(), MessageIcon::kStop);
  }
  frontEnd_.ShowStatus(msg::kInstalling, false);
  const std::string productFile = ProductFileForScript();
  const FileRemovedAtEnd productLink{productFile == session_.saveFilePath ? std::string() : productFile};
  if (productFile.empty()) return Stop(ExitCode::kUnknownError, msg::kUnknownError, MessageIcon::kStop);
  const FileRemovedAtEnd hostObject{session_.workDirectory + "QSAVF.DAT"};
  if (!ExtractHostObject(hostObject.path)) {
    return Stop(ExitCode::kUnknownError, msg::kResourceLoadFailed, MessageIcon::kStop);
  }
  if (!InstallLibrary(hostObject.path, productFile)) return false;
  frontEnd_.EndStatus();
  return true;
}

bool Installation::InstallLibrary(const std::string& hostObjectFile, const std::string& productFile) {
  // An upload that active mode could not get through: the job runs once more, in passive mode.
  // The status moves on to the verification once the host has answered the restore.
  const JobStatus status{msg::kInstalling, msg::kVerifying, "RSTLIB "};
  Decision decision;
  do {
    if (!PrepareJob([&] {
          return hostjobs::AddInstallation(job_, hostObjectFile, productFile, session_.targetLibrary, input_.library,
                                           input_.userId);
        })) {
      return Stop(ExitCode::kUnknownError, msg::kUnknownError, MessageIcon::kStop);
    }
    const int ran = RunJob("3 (installation)", {hostObjectFile, productFile}, JobPhase::kInstallation, status);
    if (ran == kRunStopped) {
      return Stop(ExitCode::kUnknownError, FormatText(msg::kInstallAbandoned, input_.library),
                  MessageIcon::kExclamation);
    }
    if (ran != kRunEnded) return Stop(ExitCode::kUnknownError, std::string(), MessageIcon::kStop);  // told already
    decision = JudgeInstallation(ReadJobLog());
  } while (SwitchToPassive(decision, false));
  job_.EvaluateLog(std::string(), LogAfterReading::kDelete);  // the job's log has been read: delete it
  return CarryOut(decision);
}
