// The steps around every job: running it with its progress watched and its record in the support
// log, reading its log for the decisions of job_decisions.h, and carrying a decision out.
#include <windows.h>

#include "fileutil/host_object.h"
#include "ftpjob/job_file.h"
#include "installer/host_jobs.h"
#include "installer/installation.h"
#include "installer/messages.h"

namespace {

std::string FileBytes(const std::string& path) {
  std::string bytes;
  if (ReadJobFile(path, bytes) != JobFileRead::kRead) return "(cannot be read)";
  return bytes;
}

std::string Seconds(DWORD milliseconds) {
  return std::to_string(milliseconds / 1000) + "." + std::to_string(milliseconds % 1000 / 100) + " s";
}

const char* RunResult(int ran) {
  switch (ran) {
    case kRunEnded:
      return "ended";
    case kRunStopped:
      return "ended by the installer at the user's request";
    default:
      return "could not be started";
  }
}

const char* NextStep(Decision::Next next) {
  switch (next) {
    case Decision::Next::kGoOn:
      return "go on";
    case Decision::Next::kStop:
      return "stop";
    case Decision::Next::kAskOverwrite:
      return "ask whether to overwrite the library";
    case Decision::Next::kRetryPassive:
      return "run again in passive mode";
  }
  return "stop";
}

}  // namespace

int Installation::RunJob(const char* name, const std::vector<std::string>& uploads, JobPhase phase,
                         const JobStatus& status) {
  const std::string job = std::string("job ") + name;
  log_.Write(job + (job_.passiveClient.empty() ? "" : " in passive mode"));
  // The script holds the password: the log masks it. Run deletes the script, so it is read now.
  log_.WriteBlock("script", FileBytes(job_.scriptPath));
  const DWORD started = GetTickCount();
  const int ran = job_.Run(frontEnd_.WatchJob(job_.logPath, uploads, phase, status, input_.library));
  log_.Write(job + ": " + RunResult(ran) + " after " + Seconds(GetTickCount() - started));
  if (ran != kRunNotStarted) log_.WriteBlock("transcript", FileBytes(job_.logPath));
  LogProductDigest(session_, log_, DigestWait::kNo);
  return ran;
}

JobLog Installation::ReadJobLog() {
  // Read once: a log that cannot be read whole gives no verdict at all (a part could look clean).
  const bool passive = !job_.passiveClient.empty();
  std::string bytes;
  if (ReadJobFile(job_.logPath, bytes) != JobFileRead::kRead) {
    JobLog unreadable;
    unreadable.passiveMode = passive;
    return unreadable;
  }
  return ::ReadJobLog(bytes, passive);
}

bool Installation::SwitchToPassive(const Decision& decision, bool cancelEnabled) {
  if (decision.next != Decision::Next::kRetryPassive || !job_.passiveClient.empty()) return false;
  // The firewall will not change during this run: once active mode has failed, every later job
  // runs in passive mode too.
  const std::string client = session_.workDirectory + kPassiveClientName;
  if (!ExtractPassiveFtpClient(client)) return false;  // then the upload-failed message stands
  job_.passiveClient = client;
  log_.Write(std::string("decision: ") + NextStep(decision.next));
  frontEnd_.ShowStatus(msg::kRetryingPassive, cancelEnabled);
  return true;
}

bool Installation::CarryOut(const Decision& decision) {
  // A retry that could not be made stands as a stop.
  const bool stops = decision.next == Decision::Next::kRetryPassive;
  log_.Write(std::string("decision: ") + NextStep(stops ? Decision::Next::kStop : decision.next));
  switch (decision.next) {
    case Decision::Next::kGoOn:
      return true;
    case Decision::Next::kAskOverwrite:
      if (frontEnd_.AskOverwrite(decision.message)) return true;
      return Stop(ExitCode::kLibraryExists, std::string(), MessageIcon::kQuestion);
    case Decision::Next::kStop:
    case Decision::Next::kRetryPassive:  // not run again: what stands without passive mode
      break;
  }
  return Stop(OutcomeOfMessage(decision.message, input_.userId), decision.message, decision.icon, decision.focus);
}

bool Installation::Stop(ExitCode code, const std::string& message, MessageIcon icon, FocusTarget focus) {
  outcome_ = code;
  log_.Write("outcome: " + std::to_string(static_cast<int>(code)) + " (" + OutcomeName(code) + ")");
  frontEnd_.TellFailure(Failure{code, message, icon, focus});
  return false;
}

bool Installation::StopCancelled() {
  log_.Write("stopped: cancelled by the user");
  frontEnd_.TellFailure(Failure{outcome_, std::string(), MessageIcon::kStop, FocusTarget::kNone});
  return false;
}

bool Installation::ConfirmCancel() { return frontEnd_.ConfirmCancel(); }
