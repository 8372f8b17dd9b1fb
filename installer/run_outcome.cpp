#include "installer/run_outcome.h"

#include "installer/messages.h"
#include "installer/text_rules.h"

const char* OutcomeName(ExitCode code) {
  switch (code) {
    case ExitCode::kSuccess:
      return "success";
    case ExitCode::kBadInput:
      return "bad input";
    case ExitCode::kLogOnFailed:
      return "log-on failed";
    case ExitCode::kNoAuthority:
      return "no authority";
    case ExitCode::kLibraryExists:
      return "library exists, overwriting not allowed";
    case ExitCode::kUploadFailed:
      return "upload failed";
    case ExitCode::kHostStepFailed:
      return "host-side step failed";
    case ExitCode::kNotVerified:
      return "verification failed";
    case ExitCode::kUnknownError:
      return "unknown error";
    case ExitCode::kAlreadyRunning:
      return "another installer already running";
    case ExitCode::kNoTrustedTls:
      return "no trusted TLS connection";
  }
  return "unknown error";
}

ExitCode OutcomeOfMessage(const std::string& message, const std::string& userId) {
  struct Known {
    std::string text;
    ExitCode code;
  };
  const Known known[] = {
      {msg::kInstallCompleted, ExitCode::kSuccess},
      {msg::kEnterUserId, ExitCode::kBadInput},
      {msg::kEnterPassword, ExitCode::kBadInput},
      {msg::kEnterLibrary, ExitCode::kBadInput},
      {msg::kInvalidUserId, ExitCode::kBadInput},
      {msg::kInvalidLibrary, ExitCode::kBadInput},
      {msg::kLogOnFailedCheck, ExitCode::kLogOnFailed},
      {msg::kLogOnFailedInstall, ExitCode::kLogOnFailed},
      {FormatText(msg::kNoSaveFileAuthority, userId), ExitCode::kNoAuthority},
      {FormatText(msg::kNoRestoreAuthority, userId), ExitCode::kNoAuthority},
      {msg::kUploadFailed, ExitCode::kUploadFailed},
      {msg::kCrtsavfFailed, ExitCode::kHostStepFailed},
      {msg::kNotVerified, ExitCode::kNotVerified},
      {msg::kTlsLost, ExitCode::kNoTrustedTls},
      {msg::kCertificateChangedDuringRun, ExitCode::kNoTrustedTls},
  };
  for (const Known& k : known) {
    if (k.text == message) return k.code;
  }
  return ExitCode::kUnknownError;
}
