#include "installer/job_decisions.h"

#include <gtest/gtest.h>

#include "installer/messages.h"
#include "installer/text_rules.h"

namespace {

using Next = Decision::Next;
constexpr LogVerdict OK = LOG_OK, NO = LOG_NOT_LOGGED_ON, ERR = LOG_ERROR_FOUND, UNR = LOG_UNREADABLE;

logscan::SessionFacts Session(bool ended, bool uploadsSent = true, bool directoryAnswered = true) {
  logscan::SessionFacts facts;
  facts.loggedOn = true;
  facts.sessionEnded = ended;
  facts.uploadsSent = uploadsSent;
  facts.directoryAnswered = directoryAnswered;
  return facts;
}

const logscan::SessionFacts kWhole = Session(true);
const logscan::SessionFacts kCutShort = Session(false);
const logscan::SessionFacts kNotSent = Session(true, false);
const logscan::SessionFacts kNoCdReply = Session(true, true, false);

JobLog Log(LogVerdict crtsavf, LogVerdict rstobj, LogVerdict call, LogVerdict library,
           std::optional<logscan::SessionFacts> session) {
  return JobLog{crtsavf, rstobj, call, library, session};
}
// An unreadable log has every verdict LOG_UNREADABLE and no session.
const JobLog kUnreadable{};

struct Row {
  const char* what;
  JobLog log;
  Next next;
  std::string message;
  MessageIcon icon;
  FocusTarget focus;
};

void Expect(const Row& row, const Decision& decision) {
  EXPECT_EQ(decision.next, row.next) << row.what;
  EXPECT_EQ(decision.message, row.message) << row.what;
  if (!row.message.empty()) {
    EXPECT_EQ(decision.icon, row.icon) << row.what;
  }
  EXPECT_EQ(decision.focus, row.focus) << row.what;
}

const std::string kUser = "DEMO";
const std::string kLib = "SAMPLIB";
constexpr auto kStop = MessageIcon::kStop;
constexpr auto kWarn = MessageIcon::kExclamation;
constexpr auto kNone = FocusTarget::kNone;

TEST(JobDecisions, AuthorityTest) {
  const Row rows[] = {
      {"passes", Log(OK, OK, OK, OK, kWhole), Next::kGoOn, "", kStop, kNone},
      {"not logged on", Log(NO, NO, NO, NO, Session(true)), Next::kStop, msg::kLogOnFailedCheck, kWarn,
       FocusTarget::kAddress},
      {"save file cannot be created", Log(ERR, OK, OK, OK, kWhole), Next::kStop,
       FormatText(msg::kNoSaveFileAuthority, kUser), kWarn, FocusTarget::kUserId},
      {"restore and call failed", Log(OK, ERR, ERR, OK, kWhole), Next::kStop,
       FormatText(msg::kNoRestoreAuthority, kUser), kWarn, FocusTarget::kUserId},
      {"restore error alone passes", Log(OK, ERR, OK, OK, kWhole), Next::kGoOn, "", kStop, kNone},
      {"call error alone passes", Log(OK, OK, ERR, OK, kWhole), Next::kGoOn, "", kStop, kNone},
      // A log that cannot be read, or a session cut short, is never a pass.
      {"unreadable log", kUnreadable, Next::kStop, msg::kUnknownError, kStop, kNone},
      {"session cut short", Log(OK, OK, OK, OK, kCutShort), Next::kStop, msg::kUnknownError, kStop, kNone},
      // An upload that did not arrive is called by its name, not taken for missing authority.
      {"upload refused, then restore and call failed", Log(OK, ERR, ERR, OK, kNotSent), Next::kStop, msg::kUploadFailed,
       kStop, FocusTarget::kAddress},
      {"save-file error outranks the upload it caused", Log(ERR, OK, OK, OK, kNotSent), Next::kStop,
       FormatText(msg::kNoSaveFileAuthority, kUser), kWarn, FocusTarget::kUserId},
  };
  for (const Row& row : rows) Expect(row, JudgeAuthorityTest(row.log, kUser));
}

TEST(JobDecisions, LibraryProbe) {
  const Row rows[] = {
      {"new library", Log(OK, OK, OK, OK, kWhole), Next::kGoOn, "", kStop, kNone},
      {"library exists", Log(OK, OK, OK, ERR, kWhole), Next::kAskOverwrite, FormatText(msg::kLibraryExists, kLib),
       MessageIcon::kQuestion, kNone},
      {"not logged on", Log(NO, NO, NO, NO, kWhole), Next::kStop, msg::kLogOnFailedCheck, kWarn, FocusTarget::kAddress},
      // Never an overwrite without the question: an unfinished probe is no proof of a new library.
      {"unreadable log", kUnreadable, Next::kStop, msg::kUnknownError, kStop, kNone},
      {"connection reset at cd", Log(OK, OK, OK, OK, Session(false, true, false)), Next::kStop, msg::kUnknownError,
       kStop, kNone},
      {"cd answered, quit not", Log(OK, OK, OK, OK, kCutShort), Next::kStop, msg::kUnknownError, kStop, kNone},
      {"quit answered, cd not", Log(OK, OK, OK, OK, kNoCdReply), Next::kStop, msg::kUnknownError, kStop, kNone},
  };
  for (const Row& row : rows) Expect(row, JudgeLibraryProbe(row.log, kLib));
}

TEST(JobDecisions, Restore) {
  const Row rows[] = {
      {"goes on", Log(OK, OK, OK, OK, kWhole), Next::kGoOn, "", kStop, kNone},
      {"not logged on", Log(NO, NO, NO, NO, kWhole), Next::kStop, msg::kLogOnFailedInstall, kStop, kNone},
      {"save file cannot be created", Log(ERR, OK, OK, OK, kWhole), Next::kStop, msg::kCrtsavfFailed, kStop, kNone},
      {"unreadable log: the verification decides", kUnreadable, Next::kGoOn, "", kStop, kNone},
      {"restore failed: the verification decides", Log(OK, ERR, OK, OK, kWhole), Next::kGoOn, "", kStop, kNone},
      {"upload not sent", Log(OK, OK, OK, OK, kNotSent), Next::kStop, msg::kUploadFailed, kStop, kNone},
  };
  for (const Row& row : rows) Expect(row, JudgeRestore(row.log));
}

TEST(JobDecisions, Verification) {
  const Row rows[] = {
      {"verified", Log(OK, OK, OK, OK, kWhole), Next::kGoOn, "", kStop, kNone},
      {"not logged on", Log(NO, NO, NO, NO, kWhole), Next::kStop, msg::kNotVerified, kWarn, kNone},
      {"save file cannot be created", Log(ERR, OK, OK, OK, kWhole), Next::kStop, msg::kNotVerified, kWarn, kNone},
      {"unreadable log", kUnreadable, Next::kStop, msg::kNotVerified, kWarn, kNone},
      {"objects missing", Log(OK, OK, ERR, OK, kWhole), Next::kStop, msg::kNotVerified, kWarn, kNone},
      {"connection lost before the call", Log(OK, OK, OK, OK, kCutShort), Next::kStop, msg::kNotVerified, kWarn, kNone},
      {"upload not sent", Log(OK, OK, ERR, OK, kNotSent), Next::kStop, msg::kUploadFailed, kStop, kNone},
  };
  for (const Row& row : rows) Expect(row, JudgeVerification(row.log));
}

}  // namespace
