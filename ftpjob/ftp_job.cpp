#include "ftpjob/ftp_job.h"

#include <windows.h>

#include "ftpjob/job_file.h"
#include "ftpjob/job_text.h"
#include "ftpjob/log_scan.h"

namespace {

int WriteText(const std::string& path, const std::string& text, JobFileOpening opening) {
  return WriteJobFile(path, jobtext::ToTextMode(text), opening) ? 1 : 0;
}

int AppendText(const std::string& path, const std::string& text) {
  return WriteText(path, text, JobFileOpening::kAppended);
}

// The client reads its script as UTF-8, so a command or a file name outside ASCII would reach the
// host or the file system garbled: such a line is not written, and the job does not run.
int AppendScriptLine(const std::string& scriptPath, const std::string& text) {
  return jobtext::IsAscii(text) ? AppendText(scriptPath, text) : 0;
}

}  // namespace

void FtpJob::RemoveFiles() const {
  DeleteFileA(launcherPath.c_str());
  DeleteFileA(scriptPath.c_str());
  DeleteFileA(logPath.c_str());
}

int FtpJob::WriteLauncher() {
  RemoveFiles();  // no job may read an earlier job's script or log
  if (WriteText(launcherPath, jobtext::LauncherLine(scriptPath, logPath, passiveClient.empty() ? "ftp" : passiveClient),
                JobFileOpening::kFresh))
    return 1;
  // A launcher cut short (a full disk) must not run: without it, Run reports the start failure.
  DeleteFileA(launcherPath.c_str());
  return 0;
}

int FtpJob::BeginScript(const HostAddress& address, const std::string& userId, const std::string& password) {
  const std::string header = jobtext::ScriptHeader(address, userId, password);
  // TLS implies passive mode; Windows' client would take either line for an invalid command.
  const std::string before =
      passiveClient.empty() ? std::string() : (tls.enabled ? jobtext::TlsLines(tls) : jobtext::PassiveLine());
  return WriteText(scriptPath, before + header, JobFileOpening::kFresh);
}

int FtpJob::AddRemoteCommand(const std::string& command) {
  return AppendScriptLine(scriptPath, jobtext::RemoteCommandLine(command));
}

int FtpJob::AddPut(const std::string& localPath, const std::string& remoteName) {
  return AppendScriptLine(scriptPath, jobtext::PutLine(jobtext::ScriptFileName(localPath, scriptPath), remoteName));
}

int FtpJob::AddRawLine(const std::string& lineText) { return AppendScriptLine(scriptPath, lineText); }

int FtpJob::EndScript() { return AppendText(scriptPath, jobtext::QuitLine()); }

int FtpJob::Run(const PollHandler& onPoll) {
  const int outcome = RunAndWait(launcherPath, StartedWindow::kHidden, onPoll);
  // The script holds the password in plain text and nothing reads it once the client has ended.
  DeleteFileA(scriptPath.c_str());
  return outcome;
}

LogVerdict FtpJob::EvaluateLog(const std::string& errorText, LogAfterReading deleteLog) {
  std::string log;
  // A log read only in part would give a verdict on half a transcript; it is kept for a look.
  if (ReadJobFile(logPath, log) != JobFileRead::kRead) return LOG_UNREADABLE;
  const LogVerdict verdict = logscan::ScanLog(log, errorText);
  if (deleteLog == LogAfterReading::kDelete) DeleteFileA(logPath.c_str());
  return verdict;
}

std::optional<logscan::SessionFacts> FtpJob::ReadSessionFacts() const {
  std::string log;
  if (ReadJobFile(logPath, log) != JobFileRead::kRead) return std::nullopt;
  return logscan::ReadSession(log);
}
