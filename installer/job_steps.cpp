// The steps around every job: running it with its progress watched and its record in the support
// log, reading its log for the decisions of job_decisions.h, and carrying a decision out.
#include <windows.h>

#include <algorithm>

#include "fileutil/host_object.h"
#include "ftpjob/job_file.h"
#include "installer/host_jobs.h"
#include "installer/installation.h"
#include "installer/messages.h"
#include "installer/text_rules.h"
#include "tlstrust/fingerprint.h"
#include "tlstrust/remembered_hosts_file.h"

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
  log_.Write(job + (job_.tls.enabled ? " over TLS" : job_.passiveClient.empty() ? "" : " in passive mode"));
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
  JobLog log;
  log.passiveMode = passive;
  if (ReadJobFile(job_.logPath, bytes) == JobFileRead::kRead) log = ::ReadJobLog(bytes, passive);
  log.overTls = overTls_;
  return log;
}

bool Installation::SwitchToPassive(const Decision& decision, bool cancelEnabled) {
  if (decision.next != Decision::Next::kRetryPassive || !job_.passiveClient.empty()) return false;
  // The firewall will not change during this run: once active mode has failed, every later job
  // runs in passive mode too.
  const std::string client = session_.workDirectory + kPassiveClientName;
  if (!ExtractPassiveFtpClient(client)) return false;  // then the upload-failed message stands
  job_.passiveClient = client;
  session_.passiveProved = true;
  log_.Write(std::string("decision: ") + NextStep(decision.next));
  frontEnd_.ShowStatus(msg::kRetryingPassive, cancelEnabled);
  return true;
}

std::string Installation::Address() const {
  const auto& a = input_.hostAddress.value;
  return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." + std::to_string(a[3]);
}

namespace {

std::string OurClient(const RunSession& session) { return session.workDirectory + kPassiveClientName; }

void LogCertificate(SupportLog& log, const logscan::TlsFacts& tls, const std::string& verdict) {
  log.Write("TLS session: " + tls.session + "\ncertificate SHA-256 " + tls.fingerprint + "\nsubject " + tls.subject +
            "\nissuer " + tls.issuer + "\nvalid " + tls.validity + "\n" + verdict);
}

// "<from> to <to> UTC", as our client writes it, with the installer's own word between the two.
std::string ValidityForPeople(std::string validity) {
  const std::size_t to = validity.find(" to ");
  if (to != std::string::npos) validity.replace(to, 4, msg::kCertificateValidUntil);
  return validity;
}

// The certificate as the question shows it. The names come from the host: they are put in
// whole, never used as a format.
std::string CertificateForPeople(const logscan::TlsFacts& tls) {
  return std::string(msg::kCertificateFingerprint) + "\n" + tlstrust::FingerprintForPeople(tls.fingerprint) + "\n\n" +
         msg::kCertificateSubject + tls.subject + "\n" + msg::kCertificateIssuer + tls.issuer + "\n" +
         msg::kCertificateValidity + ValidityForPeople(tls.validity);
}

}  // namespace

bool Installation::StartTls() {
  overTls_ = false;
  DropTls();  // an earlier run's TLS does not carry over; its passive mode does
  if (session_.tls.mode == tlstrust::TlsMode::kOff) return true;
  if (!ExtractPassiveFtpClient(OurClient(session_))) {
    if (session_.tls.mode == tlstrust::TlsMode::kRequired) {
      return Stop(ExitCode::kUnknownError, msg::kResourceLoadFailed, MessageIcon::kStop);
    }
    log_.Write("TLS: our client could not be written into the work folder; this run goes without TLS");
    return true;
  }
  job_.passiveClient = OurClient(session_);
  job_.tls.enabled = true;
  if (session_.tls.mode == tlstrust::TlsMode::kRequired) {
    const std::optional<std::string> remembered = tlstrust::RememberedFingerprint(
        tlstrust::ReadRememberedHosts(tlstrust::RememberedHostsPath(msg::kAppTitle)), Address());
    job_.tls.pins = tlstrust::PinsToOffer(session_.tls, remembered);
    job_.tls.trustSystem = true;
    if (remembered) log_.Write("TLS: remembered for " + Address() + ": " + *remembered);
  }
  return true;
}

void Installation::DropTls() {
  job_.tls = jobtext::TlsRequest{};
  job_.passiveClient = session_.passiveProved ? OurClient(session_) : std::string();
}

Installation::TlsAnswer Installation::AnswerTls(const JobLog& log) {
  if (!job_.tls.enabled || overTls_ || !log.session) return TlsAnswer::kJudgeJob;
  const logscan::TlsFacts& tls = log.session->tls;
  switch (JudgeTlsAttempt(session_.tls.mode, log)) {
    case TlsStep::kPlain:
      return TlsAnswer::kJudgeJob;
    case TlsStep::kFallBack:
      // Our client sent nothing of the log-on: the run goes on exactly as without TLS.
      log_.Write("TLS: the host offers none (" + tls.reason + "); nothing was sent; job 1 runs again without TLS");
      DropTls();
      return TlsAnswer::kRunAgain;
    case TlsStep::kOverTls:
      PinForTheRun(tls);
      return TlsAnswer::kJudgeJob;
    case TlsStep::kNotAvailable:
      log_.Write("TLS: the host offers none (" + tls.reason + "); nothing was sent");
      return StopTls(ExitCode::kNoTrustedTls, msg::kTlsNotAvailable, MessageIcon::kStop);
    case TlsStep::kHandshakeFailed:
      log_.Write("TLS: no session came about (" + tls.reason + "); nothing was sent");
      return StopTls(ExitCode::kNoTrustedTls, msg::kTlsHandshakeFailed, MessageIcon::kStop);
    case TlsStep::kCertificateRefused:
      return AnswerCertificate(tls);
  }
  return TlsAnswer::kJudgeJob;
}

Installation::TlsAnswer Installation::AnswerCertificate(const logscan::TlsFacts& tls) {
  LogCertificate(log_, tls, "refused by our client: matches no pin and no trusted chain; nothing was sent");
  const std::string file = tlstrust::RememberedHostsPath(msg::kAppTitle);
  const std::optional<std::string> remembered =
      tlstrust::RememberedFingerprint(tlstrust::ReadRememberedHosts(file), Address());
  const tlstrust::CertificateJudgement judged =
      tlstrust::JudgeCertificate(session_.tls, remembered, {tls.fingerprint, false}, frontEnd_.CanAsk());
  const bool offeredAlready =
      std::find(job_.tls.pins.begin(), job_.tls.pins.end(), tls.fingerprint) != job_.tls.pins.end();
  using V = tlstrust::CertificateVerdict;
  // The client refused what the rules would trust, or a fingerprint it was given: asking again
  // would only go round in circles.
  if (judged.verdict == V::kTrusted || offeredAlready) {
    log_.Write("TLS: our client refused a certificate it was told to accept");
    return StopTls(ExitCode::kUnknownError, msg::kUnknownError, MessageIcon::kStop);
  }
  if (judged.verdict == V::kRefuse) {
    return StopTls(ExitCode::kNoTrustedTls,
                   FormatText(msg::kCertificateUnknown, Address()) + "\n\n" + CertificateForPeople(tls),
                   MessageIcon::kStop);
  }
  const bool changed = judged.verdict == V::kWarnAndAsk;
  const std::string heading = FormatText(changed ? msg::kCertificateChanged : msg::kCertificateNew, Address());
  if (!frontEnd_.AskCertificate(heading + "\n\n" + CertificateForPeople(tls) + "\n\n" + msg::kCertificateQuestion,
                                changed)) {
    // The user chose: nothing more is said, and no field is wrong.
    Stop(ExitCode::kNoTrustedTls, std::string(), MessageIcon::kQuestion);
    return TlsAnswer::kStopped;
  }
  // Remembered before the job runs again: the answer stands even if the job then fails.
  if (tlstrust::SaveRememberedHost(file, Address(), tls.fingerprint)) {
    log_.Write("TLS: the certificate is remembered for " + Address() + " in " + file);
  } else {
    log_.Write("TLS: the certificate could not be remembered in " + file + "; it is trusted for this run only");
  }
  job_.tls.pins.push_back(tls.fingerprint);
  return TlsAnswer::kRunAgain;
}

void Installation::PinForTheRun(const logscan::TlsFacts& tls) {
  overTls_ = true;
  LogCertificate(log_, tls, "accepted: " + tls.acceptedBy + "; every job of this run goes over TLS with it");
  // The certificate cannot change mid-run: only this one will do from now on.
  if (tls.fingerprint.empty()) return;
  job_.tls.pins = {tls.fingerprint};
  job_.tls.trustSystem = false;
}

Installation::TlsAnswer Installation::StopTls(ExitCode code, const std::string& message, MessageIcon icon) {
  Stop(code, message, icon, FocusTarget::kAddress);
  return TlsAnswer::kStopped;
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
