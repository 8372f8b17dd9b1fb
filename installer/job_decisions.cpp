#include "installer/job_decisions.h"

#include "ftpjob/job_text.h"
#include "installer/host_jobs.h"
#include "installer/messages.h"
#include "installer/text_rules.h"

namespace {

Decision GoOn() { return Decision{}; }

Decision Stop(std::string message, MessageIcon icon, FocusTarget focus = FocusTarget::kNone) {
  return Decision{Decision::Next::kStop, std::move(message), icon, focus};
}

bool Found(LogVerdict verdict) { return verdict == LOG_ERROR_FOUND; }
bool LibraryExists(const JobLog& log) { return log.currentLibrary == LOG_TEXT_FOUND; }

// A put that the client never confirmed, or that the host refused, means that the file never
// reached the host: on a new PC most often a firewall that blocks the data connection. What
// failed after it (restore, call) is only a consequence.
bool UploadFailed(const JobLog& log) { return log.session && !log.session->uploadsSent; }

// An upload that failed only because the host could not open the data connection back to the PC
// (or lost it) in active mode: a firewall on the PC, or a NAT, that passive mode gets through. Once
// in passive mode, the failure is what it is.
Decision UploadFailedDecision(const JobLog& log, FocusTarget focus = FocusTarget::kNone) {
  const bool activeModeBlocked = log.session && log.session->activeModeBlocked && !log.passiveMode;
  const Decision::Next next = activeModeBlocked ? Decision::Next::kRetryPassive : Decision::Next::kStop;
  return Decision{next, msg::kUploadFailed, MessageIcon::kStop, focus};
}

// A log without the log-on shows a refused log-on, unless our own client gave the connection up
// first (a host that never ended its greeting, or went silent): nothing was refused then, and
// sending the user back to the address and password would mislead.
Decision LogOnFailed(const JobLog& log, Decision refused) {
  if (log.session && log.session->clientGaveUp) return Stop(msg::kUnknownError, MessageIcon::kStop);
  return refused;
}

bool SessionEnded(const JobLog& log) { return log.session && log.session->sessionEnded; }

// A job's script as the client reads it, written through the job's own definitions, so that what
// the host owes it is counted from the very lines that the client is given. The values do not
// change the count.
struct ScriptText {
  std::string text = jobtext::ScriptHeader(HostAddress{}, "U", "P");
  bool AddRemoteCommand(const std::string& command) { return Add(jobtext::RemoteCommandLine(command)); }
  bool AddPut(const std::string& localPath, const std::string& remoteName) {
    return Add(jobtext::PutLine(localPath, remoteName));
  }
  bool AddRawLine(const std::string& line) { return Add(line); }
  bool Add(const std::string& line) {
    text += line;
    return true;
  }
};

int RepliesOwedByAuthorityTest() {
  ScriptText script;
  hostjobs::AddAuthorityTest(script, "F", "U");
  return jobtext::HostRepliesOwed(script.text);
}

int RepliesOwedByLibraryProbe() {
  ScriptText script;
  hostjobs::AddLibraryProbe(script, "L");
  return jobtext::HostRepliesOwed(script.text);
}

// Whether the host answered every command of the script: the last one (the CALL of job 1, the cd
// of job 2) included. The 221 to quit is not needed: the client may lose it (a firewall race), when
// all has been answered. The answers are counted rather than matched to echoed commands, so that a
// client that echoes nothing is judged like one that does: each command the client sends draws
// exactly one final reply, whatever it says, and a lost connection leaves the rest unanswered. The
// count must match unless the 221 came: a client that sends commands of its own (a SYST after the
// log-on) has more answers, and then only the 221 shows that it went through the whole script. A
// 421 says the host gave up, and what it answered with it was never done.
bool EveryCommandAnswered(const JobLog& log, int owed) {
  if (!log.session || log.session->hostClosed) return false;
  const int answers = log.session->answersAfterLogOn;
  return answers == owed || (log.session->sessionEnded && answers > owed);
}

// Once job 1 has gone over TLS every later job must too, with the same certificate: a job whose
// certificate was refused met another one mid-run, and nothing of it was sent. A job that got no
// connection at all is judged as it always was.
std::optional<Decision> TlsLost(const JobLog& log) {
  if (!log.overTls || !log.session) return std::nullopt;
  switch (log.session->tls.outcome) {
    case logscan::TlsOutcome::kEstablished:
    case logscan::TlsOutcome::kNotTried:
      return std::nullopt;
    case logscan::TlsOutcome::kRefused:
      return Stop(msg::kCertificateChangedDuringRun, MessageIcon::kStop);
    case logscan::TlsOutcome::kNotAvailable:
    case logscan::TlsOutcome::kHandshakeFailed:
      break;
  }
  return Stop(msg::kTlsLost, MessageIcon::kStop);
}

}  // namespace

JobLog ReadJobLog(std::string_view log, bool passiveMode) {
  JobLog read;
  const logscan::LogReading reading = logscan::ReadLog(
      log, {hostjobs::kCrtsavfError, hostjobs::kRstobjError, hostjobs::kCallError, hostjobs::kCurrentLibrary});
  read.crtsavfError = reading.verdicts[0];
  read.rstobjError = reading.verdicts[1];
  read.callError = reading.verdicts[2];
  read.currentLibrary = reading.verdicts[3];
  read.session = reading.session;
  read.passiveMode = passiveMode;
  return read;
}

TlsStep JudgeTlsAttempt(tlstrust::TlsMode mode, const JobLog& log) {
  const bool required = mode == tlstrust::TlsMode::kRequired;
  // An unreadable log shows no TLS: the job's own judgement says what that means.
  if (!log.session) return TlsStep::kPlain;
  switch (log.session->tls.outcome) {
    case logscan::TlsOutcome::kNotTried:
      return TlsStep::kPlain;
    case logscan::TlsOutcome::kEstablished:
      return TlsStep::kOverTls;
    case logscan::TlsOutcome::kNotAvailable:
      return required ? TlsStep::kNotAvailable : TlsStep::kFallBack;
    case logscan::TlsOutcome::kHandshakeFailed:
      return required ? TlsStep::kHandshakeFailed : TlsStep::kFallBack;
    case logscan::TlsOutcome::kRefused:
      // auto offers any certificate, so a refusal there is our client's fault, not the host's
      // lack of TLS: the password does not go out in clear to a host that offered TLS.
      return required ? TlsStep::kCertificateRefused : TlsStep::kHandshakeFailed;
  }
  return TlsStep::kPlain;
}

Decision JudgeAuthorityTest(const JobLog& log, const std::string& userId) {
  if (const std::optional<Decision> lost = TlsLost(log)) return *lost;
  // Without a readable log nothing was proved; taking it as a pass would let the installation
  // start on a host where nothing may be possible.
  if (log.crtsavfError == LOG_UNREADABLE) return Stop(msg::kUnknownError, MessageIcon::kStop);
  if (log.crtsavfError == LOG_NOT_LOGGED_ON) {
    return LogOnFailed(log, Stop(msg::kLogOnFailedCheck, MessageIcon::kExclamation, FocusTarget::kAddress));
  }
  if (Found(log.crtsavfError)) {
    return Stop(FormatText(msg::kNoSaveFileAuthority, userId), MessageIcon::kExclamation, FocusTarget::kUserId);
  }
  if (UploadFailed(log)) return UploadFailedDecision(log, FocusTarget::kAddress);
  // Either error alone may have another cause; both together mean the restore was refused.
  if (Found(log.rstobjError) && Found(log.callError)) {
    return Stop(FormatText(msg::kNoRestoreAuthority, userId), MessageIcon::kExclamation, FocusTarget::kUserId);
  }
  // A session cut short proved nothing about the commands it never answered.
  if (!EveryCommandAnswered(log, RepliesOwedByAuthorityTest())) return Stop(msg::kUnknownError, MessageIcon::kStop);
  return GoOn();
}

Decision JudgeLibraryProbe(const JobLog& log, const std::string& library) {
  if (const std::optional<Decision> lost = TlsLost(log)) return *lost;
  if (log.currentLibrary == LOG_UNREADABLE) return Stop(msg::kUnknownError, MessageIcon::kStop);
  if (log.currentLibrary == LOG_NOT_LOGGED_ON) {
    return LogOnFailed(log, Stop(msg::kLogOnFailedCheck, MessageIcon::kExclamation, FocusTarget::kAddress));
  }
  if (LibraryExists(log)) {
    return Decision{Decision::Next::kAskOverwrite, FormatText(msg::kLibraryExists, library), MessageIcon::kQuestion,
                    FocusTarget::kNone};
  }
  // The library counts as new only when the host answered the cd; otherwise the restore could
  // overwrite a library nobody asked about.
  const bool finished =
      log.session && log.session->directoryAnswered && EveryCommandAnswered(log, RepliesOwedByLibraryProbe());
  return finished ? GoOn() : Stop(msg::kUnknownError, MessageIcon::kStop);
}

Decision JudgeInstallation(const JobLog& log) {
  if (const std::optional<Decision> lost = TlsLost(log)) return *lost;
  // Up to the product's upload the job is read as the restore alone was: nothing has changed on
  // the host yet, and the user is told what stopped it.
  if (log.crtsavfError == LOG_NOT_LOGGED_ON)
    return LogOnFailed(log, Stop(msg::kLogOnFailedInstall, MessageIcon::kStop));
  if (Found(log.crtsavfError)) return Stop(msg::kCrtsavfFailed, MessageIcon::kStop);
  if (UploadFailed(log)) return UploadFailedDecision(log);
  // From the host object's restore on, anything short of a clean call means that the library may
  // not hold every object: a failed restore of the host object, a call that failed or was never
  // answered, a connection lost before the end, a log that cannot be read.
  const Decision notVerified = Stop(msg::kNotVerified, MessageIcon::kExclamation);
  if (log.crtsavfError != LOG_OK || Found(log.rstobjError)) return notVerified;
  if (!SessionEnded(log) || log.callError != LOG_OK) return notVerified;
  return GoOn();
}
