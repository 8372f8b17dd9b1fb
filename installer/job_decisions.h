#pragma once
// What the workflows do after each job, decided from what the job's log shows. No operating
// system here: the dialog reads the log, asks these functions, and carries the answer out (the
// message box, the focus, the next job), so every rule can be checked in a table.
#include <optional>
#include <string>
#include <string_view>

#include "ftpjob/log_scan.h"
#include "ftpjob/log_verdict.h"
#include "tlstrust/trust_rules.h"

// The control that is to hold the input focus once the form is enabled again.
enum class FocusTarget { kNone, kAddress, kUserId, kPassword, kLibrary };

enum class MessageIcon { kStop, kExclamation, kQuestion, kInformation };

struct Decision {
  enum class Next {
    kGoOn,          // the workflow goes on with its next step
    kStop,          // show message (if any), close the progress window, stop
    kAskOverwrite,  // the library exists: ask with message whether to go on
    kRetryPassive,  // the upload failed because the data connection back to the PC was blocked:
                    // run the job again in passive mode; message, icon and focus say what
                    // stands when that cannot be done
  };
  Next next = Next::kGoOn;
  std::string message;
  MessageIcon icon = MessageIcon::kStop;
  FocusTarget focus = FocusTarget::kNone;
};

// One job's log, read once after the job: the verdict for each reply text the workflows look
// for (LOG_UNREADABLE when the log could not be read), and how far the session got.
struct JobLog {
  LogVerdict crtsavfError = LOG_UNREADABLE;
  LogVerdict rstobjError = LOG_UNREADABLE;
  LogVerdict callError = LOG_UNREADABLE;
  LogVerdict currentLibrary = LOG_UNREADABLE;    // LOG_TEXT_FOUND: the library exists
  std::optional<logscan::SessionFacts> session;  // none when the log could not be read
  bool passiveMode = false;                      // the job ran in passive mode already
  bool overTls = false;  // the run went over TLS from job 1 on: this job was pinned to its certificate
};

// The verdicts of a log that could be read whole, in one pass over its bytes per reply text.
JobLog ReadJobLog(std::string_view log, bool passiveMode);

// What the first job's TLS attempt means for the run, in a mode that tries TLS (auto, required).
enum class TlsStep {
  kPlain,               // no TLS was tried (no connection came about): judge the job as it stands
  kFallBack,            // auto: the host has no TLS, nothing was sent: the job again, without TLS
  kOverTls,             // the log-on went over TLS: judge the job; every later job pinned to this certificate
  kNotAvailable,        // required: the host offers no TLS; nothing was sent
  kHandshakeFailed,     // required: no TLS session came about; nothing was sent
  kCertificateRefused,  // the certificate is not known (required): ask, warn or refuse (trust_rules.h)
};
TlsStep JudgeTlsAttempt(tlstrust::TlsMode mode, const JobLog& log);

// Job 1: may the user create, fill and restore save files?
Decision JudgeAuthorityTest(const JobLog& log, const std::string& userId);
// Job 2: does the library exist? It counts as new only after a probe that ran to its end.
Decision JudgeLibraryProbe(const JobLog& log, const std::string& library);
// Job 3: was the product restored, and did every object of it arrive?
Decision JudgeInstallation(const JobLog& log);
