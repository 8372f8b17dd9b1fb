#pragma once
// One FTP job: the launcher DOSCMD.BAT, the client script FTPCMD.BAT, running the launcher hidden,
// and judging the client's log FTPLOG.LOG.
#include <optional>
#include <string>

#include "ftpjob/host_address.h"
#include "ftpjob/job_text.h"
#include "ftpjob/log_scan.h"
#include "ftpjob/log_verdict.h"
#include "ftpjob/run_and_wait.h"

enum class LogAfterReading { kKeep, kDelete };

class FtpJob {
 public:
  FtpJob() = default;
  virtual ~FtpJob() = default;

  // Deletes the previous job's three files, then writes the launcher. 1 written, 0 not.
  int WriteLauncher();
  // Starts a new script with the log-on lines, "binary" and the debug line (after the TLS lines or
  // the passive one when the job runs our own client). 1 written, 0 not.
  int BeginScript(const HostAddress& address, const std::string& userId, const std::string& password);
  // The lines of the job: 0, and nothing written, for a line that is not ASCII (the password of
  // BeginScript is the one exception: it is the user's). A file in the script's folder is named
  // by its bare name (the client runs there).
  int AddRemoteCommand(const std::string& command);
  int AddPut(const std::string& localPath, const std::string& remoteName);
  int AddRawLine(const std::string& lineText);
  int EndScript();

  // Runs the launcher hidden and waits for it, pumping messages: a RunOutcome. onPoll is called
  // after every poll; when it says so, the job's processes are ended at once (kRunStopped).
  int Run(const PollHandler& onPoll = nullptr);
  // Scans the log for a log-on and for errorText (empty: none); deletes the log afterwards when
  // asked to (an unreadable log is never deleted).
  LogVerdict EvaluateLog(const std::string& errorText, LogAfterReading deleteLog);
  // How far the session in the log got; none when the log cannot be read.
  std::optional<logscan::SessionFacts> ReadSessionFacts() const;
  // Deletes the job's three files (a job whose files could not be written must not run).
  void RemoveFiles() const;

  std::string launcherPath;
  std::string scriptPath;
  std::string logPath;
  // Our own ftp client, when the jobs run in passive mode with it; empty: the system's client in
  // active mode. Set once active mode has proved blocked, for the rest of the run.
  std::string passiveClient;
  // Over TLS (only with our own client in passiveClient, which then runs in passive mode anyway).
  jobtext::TlsRequest tls;
};
