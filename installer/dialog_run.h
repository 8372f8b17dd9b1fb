#pragma once
// The interactive run's side of the workflows: the progress window, the message boxes owned by
// the installer dialog, the Cancel questions, and the control that a failure concerns.
#include <string>
#include <vector>

#include "installer/run_front_end.h"
#include "progress/progress_dialog.h"

class DialogRun : public RunFrontEnd {
 public:
  DialogRun(ProgressDialog& progress, std::string title, std::string productName)
      : progress_(progress), title_(std::move(title)), productName_(std::move(productName)) {}

  void ShowStatus(const std::string& text, bool cancelEnabled) override;
  PollHandler WatchJob(const std::string& logPath, const std::vector<std::string>& uploads, JobPhase phase,
                       const JobStatus& status, const std::string& library) override;
  bool ConfirmCancel() override;
  bool AskOverwrite(const std::string& question) override;
  bool CanAsk() const override { return true; }
  bool AskCertificate(const std::string& question, bool warning) override;
  void TellFailure(const Failure& failure) override;
  void EndStatus() override;

  // The control that is to hold the focus once the form is enabled again after a failed check.
  FocusTarget focus() const { return focus_; }

 private:
  int Show(const std::string& text, unsigned type) const;
  void KeepGoingAfterCancelDeclined();
  // During the installation: true once the user has confirmed stopping a job that has run long.
  bool AbandonConfirmed(const std::string& library);
  bool CancelRequestConfirmed(const std::string& question);

  ProgressDialog& progress_;
  const std::string title_;
  const std::string productName_;
  FocusTarget focus_ = FocusTarget::kNone;
};
