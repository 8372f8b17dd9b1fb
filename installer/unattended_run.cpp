#include "installer/unattended_run.h"

#include <windows.h>

#include <memory>

#include "ftpjob/command_reply_watch.h"
#include "ftpjob/log_tail.h"
#include "installer/installation.h"
#include "installer/messages.h"
#include "installer/run_session.h"
#include "installer/support_log.h"

namespace {

constexpr char kPasswordVariable[] = "KESTRALON_PASSWORD";
// How often the log says that a long job is still running.
constexpr DWORD kStillRunningEveryMs = 30 * 1000;

std::string StandardInputLine() {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (input == nullptr || input == INVALID_HANDLE_VALUE) return std::string();
  std::string text;
  char c = 0;
  DWORD read = 0;
  // Byte by byte up to the line end: nothing after the password is taken from the pipe.
  while (text.size() < 1024 && ReadFile(input, &c, 1, &read, nullptr) && read == 1) {
    if (c == '\n') break;
    text += c;
  }
  return FirstLine(text);
}

// A job's later status, read from its log as the progress window reads it; due once.
struct LaterStatus {
  LaterStatus(const std::string& logPath, const JobStatus& status)
      : log(logPath),
        watch(status.laterAfterCommand),
        text(status.laterText),
        wanted(!status.laterAfterCommand.empty()) {}
  bool Due() {
    if (!wanted) return false;
    std::string appended;
    const LogTail::Read read = log.ReadAppended(appended);
    if (read == LogTail::Read::kRestarted) watch.Reset();
    if (read != LogTail::Read::kUnreadable) watch.Feed(appended);
    wanted = !watch.Answered();
    return !wanted;
  }
  LogTail log;
  CommandReplyWatch watch;
  std::string text;
  bool wanted;
};

class UnattendedFrontEnd : public RunFrontEnd {
 public:
  UnattendedFrontEnd(SupportLog& log, bool overwrite) : log_(log), overwrite_(overwrite) {}

  void ShowStatus(const std::string& text, bool) override { log_.Write("status: " + text); }

  PollHandler WatchJob(const std::string& logPath, const std::vector<std::string>&, JobPhase, const JobStatus& status,
                       const std::string&) override {
    const DWORD started = GetTickCount();
    // The status the window would move on to, once the host has answered the command it waits for.
    auto later = std::make_shared<LaterStatus>(logPath, status);
    return [this, started, later, reported = DWORD{0}]() mutable {
      if (later->Due()) log_.Write("status: " + later->text);
      const DWORD elapsed = GetTickCount() - started;
      if (elapsed - reported >= kStillRunningEveryMs) {
        reported = elapsed - elapsed % kStillRunningEveryMs;
        log_.Write("the job is still running (" + std::to_string(elapsed / 1000) + " s)");
      }
      return false;  // nobody is there to stop it
    };
  }

  bool ConfirmCancel() override { return false; }

  bool AskOverwrite(const std::string& question) override {
    log_.Write("question: " + question);
    log_.Write(overwrite_ ? "answer: yes (/overwrite=yes)" : "answer: no (/overwrite=no)");
    return overwrite_;
  }

  // Nobody can check a fingerprint: only a pinned or trusted certificate will do.
  bool CanAsk() const override { return false; }
  bool AskCertificate(const std::string& question, bool) override {
    log_.Write("question (not asked, unattended): " + question);
    return false;
  }

  void TellFailure(const Failure& failure) override {
    if (!failure.message.empty()) log_.Write("message: " + failure.message);
  }

  void EndStatus() override {}

 private:
  SupportLog& log_;
  const bool overwrite_;
};

ExitCode Refuse(SupportLog& log, ExitCode code, const std::string& message) {
  log.Write("message: " + message);
  log.Write("outcome: " + std::to_string(static_cast<int>(code)) + " (" + OutcomeName(code) + ")");
  return code;
}

ExitCode SessionRefusal(SupportLog& log, SessionProblem problem, const std::string& refusal) {
  switch (problem) {
    case SessionProblem::kSettingsUnavailable:
      return Refuse(log, ExitCode::kBadInput, msg::kSettingsUnavailable);
    case SessionProblem::kInvalidTargetLibrary:
      return Refuse(log, ExitCode::kBadInput, msg::kInvalidTargetLibrarySetting);
    case SessionProblem::kSaveFileNotFound:
      return Refuse(log, ExitCode::kBadInput, msg::kSaveFileNotFound);
    case SessionProblem::kInvalidTlsSetting:
      return Refuse(log, ExitCode::kBadInput, refusal);
    case SessionProblem::kNone:
      break;
  }
  return ExitCode::kSuccess;
}

}  // namespace

std::string TakePassword(bool unattended) {
  char value[1024] = {};
  const DWORD length = GetEnvironmentVariableA(kPasswordVariable, value, sizeof value);
  SetEnvironmentVariableA(kPasswordVariable, nullptr);
  const std::string fromEnvironment = length < sizeof value ? std::string(value, length) : std::string();
  SecureZeroMemory(value, sizeof value);
  if (!fromEnvironment.empty() || !unattended) return fromEnvironment;
  return StandardInputLine();
}

ExitCode RunUnattended(const CommandLine& line, const std::string& password) {
  SupportLog& log = TheSupportLog();
  const std::optional<std::string> typed = PasswordAsTyped(password);
  if (!typed) return Refuse(log, ExitCode::kBadInput, msg::kPasswordTooLong);
  log.AddSecret(*typed);
  RunSession session;
  std::string title;
  std::string refusal;
  const SessionProblem problem = LoadRunSettings(session, title, refusal);
  if (problem != SessionProblem::kNone) return SessionRefusal(log, problem, refusal);
  session.tls = WithTlsSwitches(session.tls, line);
  if (!CreateWorkFolder(session)) return Refuse(log, ExitCode::kUnknownError, msg::kWorkFolderUnavailable);
  RunInput input;
  input.hostAddress = *line.host;
  input.userId = line.userId;
  input.password = *typed;
  input.library = line.library.empty() ? session.targetLibrary : line.library;
  UnattendedFrontEnd frontEnd(log, line.overwrite);
  const ExitCode outcome = Installation(session, frontEnd, log, std::move(input)).Run();
  if (outcome == ExitCode::kSuccess) log.Write("message: " + std::string(msg::kInstallCompleted));
  LogProductDigest(session, log, DigestWait::kStop);
  RemoveWorkFolder(session);
  return outcome;
}
