#pragma once
// What the workflows need from whoever shows a run: the dialog, with its progress window and
// message boxes, or the unattended run, which shows nothing and writes everything to the log.
#include <string>
#include <vector>

#include "ftpjob/run_and_wait.h"
#include "installer/job_decisions.h"
#include "installer/run_outcome.h"

// A run that stopped: what the user is told (nothing when message is empty: they chose to stop,
// or have been told already), with which icon, the control that is to take the focus once the
// form can be used again, and the outcome.
struct Failure {
  ExitCode code = ExitCode::kUnknownError;
  std::string message;
  MessageIcon icon = MessageIcon::kStop;
  FocusTarget focus = FocusTarget::kNone;
};

// The check may be stopped at any time (nothing permanent has happened on the host); a job of the
// installation only once it has run long, since stopping it may leave the library incomplete.
enum class JobPhase { kCheck, kInstallation };

// The status line while one job runs: text from its start, and laterText from the moment the
// host has answered the job's command laterAfterCommand (words of its echo, upper case; empty:
// the status stays text).
struct JobStatus {
  std::string text;
  std::string laterText;
  std::string laterAfterCommand;
};

class RunFrontEnd {
 public:
  virtual ~RunFrontEnd() = default;

  // What the run is doing now, and whether the user may stop it.
  virtual void ShowStatus(const std::string& text, bool cancelEnabled) = 0;
  // What to do at every poll of the job about to run (show how far it has come, ask about a stop
  // request); the handler's true ends the job at once. status and library: the job's status line,
  // and the library that stopping it may leave incomplete.
  virtual PollHandler WatchJob(const std::string& logPath, const std::vector<std::string>& uploads, JobPhase phase,
                               const JobStatus& status, const std::string& library) = 0;
  // Between the check's jobs: true when the user has asked to stop and confirms it.
  virtual bool ConfirmCancel() = 0;
  // The library exists: true when it may be overwritten.
  virtual bool AskOverwrite(const std::string& question) = 0;
  // Whether someone is there to answer AskCertificate.
  virtual bool CanAsk() const = 0;
  // A host's TLS certificate is not known: true when the user trusts it. warning: the host was
  // remembered with another certificate.
  virtual bool AskCertificate(const std::string& question, bool warning) = 0;
  // Tells why the run stopped; the host work is over afterwards.
  virtual void TellFailure(const Failure& failure) = 0;
  // The host work is over without a failure.
  virtual void EndStatus() = 0;
};
