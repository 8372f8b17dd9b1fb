#pragma once
// One FTP job: the launcher DOSCMD.BAT, the client script FTPCMD.BAT, running the launcher hidden,
// and judging the client's log FTPLOG.LOG.
#include <string>

#include "ftpjob/host_address.h"
#include "ftpjob/log_verdict.h"

class FtpJob {
 public:
  FtpJob() = default;
  virtual ~FtpJob() = default;

  // Deletes the previous job's three files, then writes the launcher. 1 written, 0 not.
  int WriteLauncher();
  // Starts a new script with the log-on lines, "binary" and the debug line. 1 written, 0 not.
  int BeginScript(const HostAddress& address, const std::string& userId, const std::string& password);
  int AddRemoteCommand(const std::string& command);
  int AddPut(const std::string& localPath, const std::string& remoteName);
  int AddRawLine(const std::string& lineText);
  int EndScript();

  // Runs the launcher hidden and waits for it, pumping messages. 1 ran, 0 could not be started.
  int Run();
  // Scans the log for a log-on and for errorText (empty: none); deletes the log when deleteLog.
  LogVerdict EvaluateLog(const std::string& errorText, int deleteLog);

  std::string launcherPath;
  std::string scriptPath;
  std::string logPath;
};
