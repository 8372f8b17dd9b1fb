#pragma once
// The two workflows behind OK, for the dialog and the unattended run alike: the check (input,
// log-on and authority on the host, whether the library exists) and the installation with its
// verification. They run the FTP jobs, judge each by job_decisions.h, and leave everything the
// user sees to a RunFrontEnd.
#include <memory>
#include <string>
#include <vector>

#include "fileutil/file_digest.h"
#include "ftpjob/ftp_job.h"
#include "ftpjob/host_address.h"
#include "installer/run_front_end.h"
#include "installer/support_log.h"
#include "tlstrust/trust_rules.h"

// Our own ftp client in the work folder, once a job has shown that active mode is blocked.
inline constexpr char kPassiveClientName[] = "FTPPASV.EXE";

// What one run works with, from the settings and the work folder; kept for the life of the
// installer (the job stays in passive mode once a run has switched it).
struct RunSession {
  std::string productName;
  std::string saveFilePath;
  std::string targetLibrary;
  std::string workDirectory;  // ends in a backslash
  FtpJob job;
  bool passiveProved = false;  // active mode proved blocked: every job without TLS runs passive
  // The product file's size and SHA-256 for the support log: taken once, from the first OK on,
  // while the jobs run, and written into the log as soon as it is there.
  std::unique_ptr<FileDigestTask> productDigest;
  bool productFileLogged = false;
  tlstrust::TlsPolicy tls;  // CONFIG.INI's, with the command line's switches in its place
};

// How the log gets the product's digest when the digest may not be taken yet.
enum class DigestWait {
  kNo,    // only when taken already
  kYes,   // waited for (the window kept painted)
  kStop,  // the installer ends: taken or not, the log says how far it came
};
void LogProductDigest(RunSession& session, SupportLog& log, DigestWait wait);

// What the user gave: from the form, or from the command line and the environment.
struct RunInput {
  HostAddress hostAddress;
  std::string userId;    // trimmed
  std::string password;  // trimmed
  std::string library;   // trimmed
};

class Installation {
 public:
  Installation(RunSession& session, RunFrontEnd& frontEnd, SupportLog& log, RunInput input)
      : session_(session), job_(session.job), frontEnd_(frontEnd), log_(log), input_(std::move(input)) {}

  // The check, then the installation. kSuccess: the product was restored and verified (nothing
  // has been told yet); anything else: the front end has been told (or the user chose to stop).
  ExitCode Run();

 private:
  bool CheckBeforeInstall();
  bool InstallAndVerify();
  bool TestInput();
  bool RunAuthorityTest(const std::string& hostObjectFile);
  bool ProbeLibrary();
  bool InstallLibrary(const std::string& hostObjectFile, const std::string& productFile);

  // One job's files: the launcher, then the script. A job any of whose lines could not be written
  // (a full disk) must not run, since a script cut short may still look like a success: its files
  // are removed and false returned.
  template <class AddCommands>
  bool PrepareJob(AddCommands addCommands) {
    const bool written = job_.WriteLauncher() && job_.BeginScript(input_.hostAddress, input_.userId, input_.password) &&
                         addCommands() && job_.EndScript();
    if (!written) job_.RemoveFiles();
    return written;
  }
  // Runs the prepared job with its progress watched, and writes its script, transcript and time
  // to the log: a RunOutcome.
  int RunJob(const char* name, const std::vector<std::string>& uploads, JobPhase phase, const JobStatus& status);
  JobLog ReadJobLog();
  // When the decision says that active mode was blocked and this run is not yet in passive mode:
  // puts our own client into the work folder, switches every later job to it, and says yes.
  bool SwitchToPassive(const Decision& decision, bool cancelEnabled);
  // TLS, decided by the first job and kept for the run.
  enum class TlsAnswer { kJudgeJob, kRunAgain, kStopped };
  // Before job 1: our client with the TLS lines of the mode (none for off). False: stopped.
  bool StartTls();
  // After a run of job 1: what its TLS attempt means (tlstrust and JudgeTlsAttempt decide).
  TlsAnswer AnswerTls(const JobLog& log);
  TlsAnswer AnswerCertificate(const logscan::TlsFacts& tls);
  // Every later job goes over TLS with this certificate only.
  void PinForTheRun(const logscan::TlsFacts& tls);
  // The job goes back to the client and mode it would have without TLS.
  void DropTls();
  TlsAnswer StopTls(ExitCode code, const std::string& message, MessageIcon icon);
  std::string Address() const;
  // Goes on (true), asks the overwrite question, or stops with the decision's message.
  bool CarryOut(const Decision& decision);
  // Records the outcome and tells it (message may be empty: the user has been told already).
  bool Stop(ExitCode code, const std::string& message, MessageIcon icon, FocusTarget focus = FocusTarget::kNone);
  // The user confirmed a stop request: nothing more is told.
  bool StopCancelled();
  bool ConfirmCancel();
  // The save file as the job scripts name it: its path when that is ASCII, else a second name for
  // it in the work folder; empty when that cannot be made.
  std::string ProductFileForScript() const;

  RunSession& session_;
  FtpJob& job_;
  RunFrontEnd& frontEnd_;
  SupportLog& log_;
  const RunInput input_;
  ExitCode outcome_ = ExitCode::kUnknownError;  // of the stop, once there was one
  bool overTls_ = false;                        // job 1 logged on over TLS: so does every later job
};
