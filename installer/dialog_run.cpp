#include "installer/dialog_run.h"

#include <windows.h>

#include <cstdlib>
#include <memory>

#include "installer/job_progress.h"
#include "installer/messages.h"
#include "installer/text_rules.h"
#include "ui/main_window.h"
#include "ui/message_pump.h"

namespace {

// A job of the installation may take long on a slow line, and ending it early may leave the
// library half restored, so Cancel is offered only once a job has run this long: by then the
// host has most likely stopped answering, and the Windows ftp client never gives up by itself.
constexpr DWORD kDefaultCancelAfterMs = 10 * 60 * 1000;

// For tests only: KESTRALON_TEST_CANCEL_AFTER_SECONDS shortens the wait before Cancel is offered.
DWORD CancelAfterMs() {
  char value[16] = {};
  const DWORD length = GetEnvironmentVariableA("KESTRALON_TEST_CANCEL_AFTER_SECONDS", value, sizeof value);
  if (length == 0 || length >= sizeof value) return kDefaultCancelAfterMs;
  char* end = nullptr;
  const unsigned long seconds = std::strtoul(value, &end, 10);
  if (*end != '\0' || seconds == 0 || seconds > 24 * 60 * 60) return kDefaultCancelAfterMs;
  return static_cast<DWORD>(seconds * 1000);
}

UINT IconStyle(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kStop:
      return MB_ICONSTOP;
    case MessageIcon::kExclamation:
      return MB_ICONEXCLAMATION;
    case MessageIcon::kQuestion:
      return MB_ICONQUESTION;
    case MessageIcon::kInformation:
      return MB_ICONINFORMATION;
  }
  return MB_ICONSTOP;
}

}  // namespace

int DialogRun::Show(const std::string& text, unsigned type) const {
  DiscardTypeAhead();  // a key pressed during the job must not answer the box unread
  return ShowMessage(text, title_, type);
}

void DialogRun::ShowStatus(const std::string& text, bool cancelEnabled) {
  if (!progress_.isOpen) progress_.Open();
  progress_.SetStatus(text, cancelEnabled);
}

PollHandler DialogRun::WatchJob(const std::string& logPath, const std::vector<std::string>& uploads, JobPhase phase,
                                const JobStatus& status, const std::string& library) {
  const auto shown = std::make_shared<JobProgress>(logPath, uploads, status.laterAfterCommand, progress_);
  if (phase == JobPhase::kCheck) {
    // Nothing permanent happens on the host during the check, so a confirmed Cancel may end a job
    // that the host has stopped answering.
    return [this, shown] {
      shown->Poll();
      return ConfirmCancel();
    };
  }
  // Cancel stays greyed while the job is young; once it has run for long, Cancel is offered with a
  // question that says what stopping now may leave behind.
  struct Shown {
    std::string status;
    bool laterShown = false;
    bool cancelOffered = false;
  };
  const DWORD started = GetTickCount();
  const DWORD cancelAfter = CancelAfterMs();
  auto state = std::make_shared<Shown>(Shown{status.text});
  return [this, shown, started, cancelAfter, state, status, library] {
    shown->Poll();
    if (!state->laterShown && shown->CommandAnswered()) {
      state->status = status.laterText;
      state->laterShown = true;
      progress_.SetStatus(state->status, state->cancelOffered);
    }
    if (!state->cancelOffered && GetTickCount() - started >= cancelAfter) {
      state->cancelOffered = true;
      progress_.SetStatus(state->status, true);
    }
    return AbandonConfirmed(library);
  };
}

bool DialogRun::AbandonConfirmed(const std::string& library) {
  return CancelRequestConfirmed(FormatText(msg::kConfirmAbandonInstall, library));
}

bool DialogRun::ConfirmCancel() { return CancelRequestConfirmed(FormatText(msg::kConfirmCancel, productName_)); }

// A Cancel clicked since the last look is asked about, No being the default.
bool DialogRun::CancelRequestConfirmed(const std::string& question) {
  if (!progress_.cancelRequested) return false;
  if (Show(question, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDYES) return true;
  KeepGoingAfterCancelDeclined();
  return false;
}

void DialogRun::KeepGoingAfterCancelDeclined() {
  progress_.cancelRequested = false;  // go on; a later click asks again
  // The question's owner is the disabled main window, so closing it activates nothing: hand
  // the activation back to the progress window, whose Cancel the user may want again.
  ForceForegroundWindow(progress_.hwnd());
}

bool DialogRun::AskOverwrite(const std::string& question) {
  return Show(question, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

// No being the default: Enter pressed out of habit must not trust a stranger's certificate.
bool DialogRun::AskCertificate(const std::string& question, bool warning) {
  return Show(question, MB_YESNO | (warning ? MB_ICONEXCLAMATION : MB_ICONQUESTION) | MB_DEFBUTTON2) == IDYES;
}

void DialogRun::TellFailure(const Failure& failure) {
  // Shown while the progress window is still open; it closes once the message is answered.
  if (!failure.message.empty()) Show(failure.message, MB_OK | IconStyle(failure.icon));
  if (progress_.isOpen) progress_.Close();
  focus_ = failure.focus;
}

void DialogRun::EndStatus() {
  if (progress_.isOpen) progress_.Close();
}
