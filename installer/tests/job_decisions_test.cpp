#include "installer/job_decisions.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "ftpjob/tests/transcripts.h"
#include "installer/host_jobs.h"
#include "installer/messages.h"
#include "installer/text_rules.h"

namespace {

using Next = Decision::Next;
constexpr LogVerdict OK = LOG_OK, NO = LOG_NOT_LOGGED_ON, ERR = LOG_ERROR_FOUND, UNR = LOG_UNREADABLE;

// A session that ended in order has answers for every command of any job; one cut short has none
// (the exact counts are judged with whole transcripts below).
logscan::SessionFacts Session(bool ended, bool uploadsSent = true, bool directoryAnswered = true) {
  logscan::SessionFacts facts;
  facts.loggedOn = true;
  facts.sessionEnded = ended;
  facts.answersAfterLogOn = ended ? 99 : 0;
  facts.uploadsSent = uploadsSent;
  facts.directoryAnswered = directoryAnswered;
  return facts;
}

const logscan::SessionFacts kWhole = Session(true);
const logscan::SessionFacts kCutShort = Session(false);
const logscan::SessionFacts kNotSent = Session(true, false);
const logscan::SessionFacts kNoCdReply = Session(true, true, false);
// The upload failed because the host could not open the data connection back to the PC.
const logscan::SessionFacts kActiveBlocked = [] {
  logscan::SessionFacts facts = Session(true, false);
  facts.activeModeBlocked = true;
  return facts;
}();

JobLog Log(LogVerdict crtsavf, LogVerdict rstobj, LogVerdict call, LogVerdict library,
           std::optional<logscan::SessionFacts> session, bool passiveMode = false) {
  return JobLog{crtsavf, rstobj, call, library, session, passiveMode};
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
      // Active mode blocked: run again in passive mode; once passive, the failure stands.
      {"active mode blocked", Log(OK, ERR, ERR, OK, kActiveBlocked), Next::kRetryPassive, msg::kUploadFailed, kStop,
       FocusTarget::kAddress},
      {"blocked in passive mode too", Log(OK, ERR, ERR, OK, kActiveBlocked, true), Next::kStop, msg::kUploadFailed,
       kStop, FocusTarget::kAddress},
      {"save-file error outranks a blocked upload", Log(ERR, OK, OK, OK, kActiveBlocked), Next::kStop,
       FormatText(msg::kNoSaveFileAuthority, kUser), kWarn, FocusTarget::kUserId},
      {"log-on failure outranks a blocked upload", Log(NO, NO, NO, NO, kActiveBlocked), Next::kStop,
       msg::kLogOnFailedCheck, kWarn, FocusTarget::kAddress},
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

// Up to the product's upload a failure is told as such; from the host object's restore on, each
// one is the warning that objects may be missing.
TEST(JobDecisions, Installation) {
  const Row rows[] = {
      {"verified", Log(OK, OK, OK, OK, kWhole), Next::kGoOn, "", kStop, kNone},
      {"not logged on", Log(NO, NO, NO, NO, kWhole), Next::kStop, msg::kLogOnFailedInstall, kStop, kNone},
      {"save file cannot be created", Log(ERR, OK, OK, OK, kWhole), Next::kStop, msg::kCrtsavfFailed, kStop, kNone},
      {"unreadable log", kUnreadable, Next::kStop, msg::kNotVerified, kWarn, kNone},
      {"host object not restored", Log(OK, ERR, OK, OK, kWhole), Next::kStop, msg::kNotVerified, kWarn, kNone},
      {"objects missing", Log(OK, OK, ERR, OK, kWhole), Next::kStop, msg::kNotVerified, kWarn, kNone},
      {"connection lost before the call", Log(OK, OK, OK, OK, kCutShort), Next::kStop, msg::kNotVerified, kWarn, kNone},
      {"upload not sent", Log(OK, OK, ERR, OK, kNotSent), Next::kStop, msg::kUploadFailed, kStop, kNone},
      {"active mode blocked", Log(OK, ERR, ERR, OK, kActiveBlocked), Next::kRetryPassive, msg::kUploadFailed, kStop,
       kNone},
      {"blocked in passive mode too", Log(OK, OK, ERR, OK, kActiveBlocked, true), Next::kStop, msg::kUploadFailed,
       kStop, kNone},
      {"save file error outranks a blocked upload", Log(ERR, OK, ERR, OK, kActiveBlocked), Next::kStop,
       msg::kCrtsavfFailed, kStop, kNone},
  };
  for (const Row& row : rows) Expect(row, JudgeInstallation(row.log));
}

// Whole logs, read as the dialog reads a job's log.
JobLog Read(const std::string& log) { return ReadJobLog(log, false); }

Decision Judge(int job, const JobLog& log) {
  switch (job) {
    case 1:
      return JudgeAuthorityTest(log, kUser);
    case 2:
      return JudgeLibraryProbe(log, kLib);
    default:
      return JudgeInstallation(log);
  }
}

using transcripts::Client;
using transcripts::PutEnd;
using MakeLog = std::function<std::string(const Client&)>;

const std::string kCrtsavf = "CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)";
const std::string kRstobj = "RSTOBJ OBJ(*ALL) SAVLIB(QTEMP) DEV(*SAVF) SAVF(QTEMP/QSAVF) RSTLIB(QTEMP)";
const std::string kCallOnQtemp = "CALL PGM(QTEMP/KV2207C) PARM('QSAVF' 'QTEMP' 'QTEMP' 'DEMO')";
const std::string kRstlib = "RSTLIB SAVLIB(KESTRAL) DEV(*SAVF) SAVF(QTEMP/QSAVF) RSTLIB(SAMPLIB)";
const std::string kCallOnLibrary = "CALL PGM(QTEMP/KV2207C) PARM('QSAVF' 'QTEMP' 'SAMPLIB' 'DEMO')";

std::string Job1(const Client& c, PutEnd put = PutEnd::k226, bool quitAnswered = true) {
  using namespace transcripts;
  const bool sent = put == PutEnd::k226 || put == PutEnd::k250;
  return Head(c) + Rcmd(c, kCrtsavf) + Put(c, put) + Rcmd(c, kRstobj, sent) + Rcmd(c, kCallOnQtemp, sent) +
         Quit(c, quitAnswered);
}

std::string Job3(const Client& c, PutEnd put = PutEnd::k226, bool quitAnswered = true) {
  using namespace transcripts;
  const bool sent = put == PutEnd::k226 || put == PutEnd::k250;
  return Head(c) + Rcmd(c, kCrtsavf) + Put(c) + Rcmd(c, kRstobj) + Rcmd(c, "CLRSAVF FILE(QTEMP/QSAVF)") + Put(c, put) +
         Rcmd(c, kRstlib, sent) + Rcmd(c, kCallOnLibrary, sent) + Quit(c, quitAnswered);
}

// How our own client, shipped for passive mode, gives a connection up.
const std::string kGaveUp =
    "> ftp: the server's answer went on for more than 1073741824 bytes; connection abandoned.\r\n";

struct TranscriptRow {
  const char* what;
  int job;
  MakeLog log;
  bool sameWithoutEchoes;  // whether a client that echoes nothing gets the same verdict
  Next next;
  std::string message;
  MessageIcon icon;
  FocusTarget focus;
};

// Every case, in English and Japanese, with the host's replies on their own lines and on the
// prompts' lines, and (where the replies alone tell it) from a client that echoes nothing: the
// verdict is the same in each.
TEST(JobDecisions, TranscriptsInEveryLanguage) {
  using namespace transcripts;
  const std::string uploadFailed = msg::kUploadFailed;
  const TranscriptRow rows[] = {
      {"job 1 passes", 1, [](const Client& c) { return Job1(c); }, true, Next::kGoOn, "", kStop, kNone},
      {"job 1: the STOR ends with 250", 1, [](const Client& c) { return Job1(c, PutEnd::k250); }, true, Next::kGoOn, "",
       kStop, kNone},
      {"job 1: the 221 lost", 1, [](const Client& c) { return Job1(c, PutEnd::k226, false); }, true, Next::kGoOn, "",
       kStop, kNone},
      {"job 1: connection lost at the call", 1,
       [](const Client& c) {
         return Head(c) + Rcmd(c, kCrtsavf) + Put(c) + Rcmd(c, kRstobj) + Echo("quote rcmd \"" + kCallOnQtemp + "\"") +
                Lost() + Echo("quit");
       },
       true, Next::kStop, msg::kUnknownError, kStop, kNone},
      {"job 1: the host gives up at the call", 1,
       [](const Client& c) {
         return Head(c) + Rcmd(c, kCrtsavf) + Put(c) + Rcmd(c, kRstobj) + Echo("quote rcmd \"" + kCallOnQtemp + "\"") +
                Host(c, "421 Service not available, closing control connection.") + Echo("quit");
       },
       true, Next::kStop, msg::kUnknownError, kStop, kNone},
      {"job 1: upload refused (425)", 1, [](const Client& c) { return Job1(c, PutEnd::kRefused425); }, true,
       Next::kRetryPassive, uploadFailed, kStop, FocusTarget::kAddress},
      {"job 1: upload aborted (426)", 1, [](const Client& c) { return Job1(c, PutEnd::kAborted426); }, true,
       Next::kRetryPassive, uploadFailed, kStop, FocusTarget::kAddress},
      {"job 1: 150 and no completion", 1,
       [](const Client& c) {
         return Head(c) + Rcmd(c, kCrtsavf) + Put(c, PutEnd::kNoCompletion) + NotConnected("quote rcmd \"RSTOBJ\"") +
                NotConnected("quote rcmd \"CALL\"") + Echo("quit");
       },
       true, Next::kStop, uploadFailed, kStop, FocusTarget::kAddress},
      {"job 1: local file missing", 1, [](const Client& c) { return Job1(c, PutEnd::kNoLocalFile); }, false,
       Next::kStop, uploadFailed, kStop, FocusTarget::kAddress},
      {"job 1: log-on refused", 1,
       [](const Client& c) {
         return Echo("open 192.168.1.20") + Host(c, "220 Ready.") +
                (c.language == Language::kJapanese ? "ユーザー (192.168.1.20:(none)): "
                                                   : "User (192.168.1.20:(none)): ") +
                (c.repliesOnPromptLines ? "" : "\r\n") + Host(c, "331 Enter password.") +
                (c.language == Language::kJapanese ? "パスワード:" : "Password:") +
                (c.repliesOnPromptLines ? "" : "\r\n") + Host(c, "530 Log on attempt by user DEMO rejected.") +
                Host(c, "530 DEMO not logged on.") + Quit(c);
       },
       true, Next::kStop, msg::kLogOnFailedCheck, kWarn, FocusTarget::kAddress},
      {"job 1: our client gives up on an endless greeting", 1,
       [](const Client& c) { return Echo("open 192.168.1.20") + Host(c, "220-Much to say.") + kGaveUp + Echo("quit"); },
       true, Next::kStop, msg::kUnknownError, kStop, kNone},
      {"job 1: save file refused", 1,
       [](const Client& c) {
         return Head(c) + Rcmd(c, kCrtsavf, false) + Put(c, PutEnd::kRefused425) + Rcmd(c, kRstobj, false) +
                Rcmd(c, kCallOnQtemp, false) + Quit(c);
       },
       true, Next::kStop, FormatText(msg::kNoSaveFileAuthority, kUser), kWarn, FocusTarget::kUserId},
      {"job 1: restore refused", 1,
       [](const Client& c) {
         return Head(c) + Rcmd(c, kCrtsavf) + Put(c) + Rcmd(c, kRstobj, false) + Rcmd(c, kCallOnQtemp, false) + Quit(c);
       },
       true, Next::kStop, FormatText(msg::kNoRestoreAuthority, kUser), kWarn, FocusTarget::kUserId},
      {"job 2: new library", 2, [](const Client& c) { return Head(c) + Cd(c, false) + Quit(c); }, true, Next::kGoOn, "",
       kStop, kNone},
      {"job 2: new library, the 221 lost", 2, [](const Client& c) { return Head(c) + Cd(c, false) + Quit(c, false); },
       true, Next::kGoOn, "", kStop, kNone},
      {"job 2: library exists", 2, [](const Client& c) { return Head(c) + Cd(c, true) + Quit(c, false); }, true,
       Next::kAskOverwrite, FormatText(msg::kLibraryExists, kLib), MessageIcon::kQuestion, kNone},
      {"job 2: connection lost at cd", 2,
       [](const Client& c) { return Head(c) + Echo("cd KSTLIB") + Lost() + NotConnected("quit"); }, true, Next::kStop,
       msg::kUnknownError, kStop, kNone},
      {"job 3 verified", 3, [](const Client& c) { return Job3(c); }, true, Next::kGoOn, "", kStop, kNone},
      {"job 3: the product's STOR ends with 250", 3, [](const Client& c) { return Job3(c, PutEnd::k250); }, true,
       Next::kGoOn, "", kStop, kNone},
      {"job 3: the 221 lost", 3, [](const Client& c) { return Job3(c, PutEnd::k226, false); }, true, Next::kStop,
       msg::kNotVerified, kWarn, kNone},
      {"job 3: product upload aborted (426)", 3, [](const Client& c) { return Job3(c, PutEnd::kAborted426); }, true,
       Next::kRetryPassive, uploadFailed, kStop, kNone},
      {"job 3: product upload refused (425)", 3, [](const Client& c) { return Job3(c, PutEnd::kRefused425); }, true,
       Next::kRetryPassive, uploadFailed, kStop, kNone},
      {"job 3: host object not restored", 3,
       [](const Client& c) {
         return Head(c) + Rcmd(c, kCrtsavf) + Put(c) + Rcmd(c, kRstobj, false) + Rcmd(c, "CLRSAVF FILE(QTEMP/QSAVF)") +
                Put(c) + Rcmd(c, kRstlib) + Rcmd(c, kCallOnLibrary, false) + Quit(c);
       },
       true, Next::kStop, msg::kNotVerified, kWarn, kNone},
      {"job 3: objects missing", 3,
       [](const Client& c) {
         return Head(c) + Rcmd(c, kCrtsavf) + Put(c) + Rcmd(c, kRstobj) + Rcmd(c, "CLRSAVF FILE(QTEMP/QSAVF)") +
                Put(c) + Rcmd(c, kRstlib) + Rcmd(c, kCallOnLibrary, false) + Quit(c);
       },
       true, Next::kStop, msg::kNotVerified, kWarn, kNone},
      {"job 3: save file refused", 3,
       [](const Client& c) {
         return Head(c) + Rcmd(c, kCrtsavf, false) + Put(c, PutEnd::kRefused425) + Rcmd(c, kRstobj, false) +
                Rcmd(c, "CLRSAVF FILE(QTEMP/QSAVF)", false) + Put(c, PutEnd::kRefused425) + Rcmd(c, kRstlib, false) +
                Rcmd(c, kCallOnLibrary, false) + Quit(c);
       },
       true, Next::kStop, msg::kCrtsavfFailed, kStop, kNone},
      {"job 3: our client gives up on an endless greeting", 3,
       [](const Client& c) { return Echo("open 192.168.1.20") + Host(c, "220-Much to say.") + kGaveUp + Echo("quit"); },
       true, Next::kStop, msg::kUnknownError, kStop, kNone},
  };
  std::vector<Client> clients;
  for (const Language language : {Language::kEnglish, Language::kJapanese}) {
    for (const bool onPromptLines : {false, true}) clients.push_back(Client{language, onPromptLines});
  }
  for (const TranscriptRow& row : rows) {
    for (const Client& client : clients) {
      const std::string log = row.log(client);
      SCOPED_TRACE(std::string(Japanese(client) ? "Japanese" : "English") +
                   (client.repliesOnPromptLines ? ", replies on the prompts' lines" : ""));
      const Row expected{row.what, {}, row.next, row.message, row.icon, row.focus};
      Expect(expected, Judge(row.job, Read(log)));
      if (row.next == Next::kRetryPassive) {
        SCOPED_TRACE("already in passive mode: the failure stands");
        JobLog passive = Read(log);
        passive.passiveMode = true;
        Expect(Row{row.what, {}, Next::kStop, row.message, row.icon, row.focus}, Judge(row.job, passive));
      }
      if (row.sameWithoutEchoes) {
        SCOPED_TRACE("no echoes");
        Expect(expected, Judge(row.job, Read(WithoutEchoes(log))));
      }
    }
  }
}

// Job 1's TLS attempt: the mode decides whether a host without TLS gets the password in clear.
TEST(JobDecisions, TlsAttempt) {
  using O = logscan::TlsOutcome;
  using tlstrust::TlsMode;
  const auto withTls = [](O outcome) {
    logscan::SessionFacts facts = Session(false);
    facts.loggedOn = outcome == O::kEstablished;
    facts.tls.outcome = outcome;
    return Log(outcome == O::kEstablished ? OK : NO, OK, OK, OK, facts, true);
  };
  const struct {
    TlsMode mode;
    O outcome;
    TlsStep step;
  } rows[] = {
      {TlsMode::kAuto, O::kEstablished, TlsStep::kOverTls},
      {TlsMode::kAuto, O::kNotAvailable, TlsStep::kFallBack},
      {TlsMode::kAuto, O::kHandshakeFailed, TlsStep::kFallBack},
      // Any certificate does in auto: a refusal is no sign of a host without TLS.
      {TlsMode::kAuto, O::kRefused, TlsStep::kHandshakeFailed},
      {TlsMode::kAuto, O::kNotTried, TlsStep::kPlain},
      {TlsMode::kRequired, O::kEstablished, TlsStep::kOverTls},
      {TlsMode::kRequired, O::kNotAvailable, TlsStep::kNotAvailable},
      {TlsMode::kRequired, O::kHandshakeFailed, TlsStep::kHandshakeFailed},
      {TlsMode::kRequired, O::kRefused, TlsStep::kCertificateRefused},
      {TlsMode::kRequired, O::kNotTried, TlsStep::kPlain},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(JudgeTlsAttempt(row.mode, withTls(row.outcome)), row.step)
        << tlstrust::TlsModeName(row.mode) << " " << static_cast<int>(row.outcome);
  }
  EXPECT_EQ(JudgeTlsAttempt(TlsMode::kRequired, kUnreadable), TlsStep::kPlain);
}

// Once job 1 went over TLS, a later job that could not is stopped by its TLS, whatever else its log
// shows; a job that got no connection at all is judged as ever.
TEST(JobDecisions, TlsLostAfterTheFirstJob) {
  using O = logscan::TlsOutcome;
  const auto later = [](O outcome, bool overTls = true) {
    logscan::SessionFacts facts = outcome == O::kEstablished || outcome == O::kNotTried ? kWhole : Session(false);
    facts.loggedOn = outcome == O::kEstablished;
    facts.tls.outcome = outcome;
    JobLog log = Log(facts.loggedOn ? OK : NO, OK, OK, facts.loggedOn ? OK : NO, facts, true);
    log.overTls = overTls;
    return log;
  };
  const std::function<Decision(const JobLog&)> judges[] = {
      [](const JobLog& log) { return JudgeAuthorityTest(log, kUser); },
      [](const JobLog& log) { return JudgeLibraryProbe(log, kLib); },
      JudgeInstallation,
  };
  for (const auto& judge : judges) {
    EXPECT_EQ(judge(later(O::kRefused)).message, msg::kCertificateChangedDuringRun);
    EXPECT_EQ(judge(later(O::kNotAvailable)).message, msg::kTlsLost);
    EXPECT_EQ(judge(later(O::kHandshakeFailed)).message, msg::kTlsLost);
    EXPECT_EQ(judge(later(O::kHandshakeFailed)).next, Next::kStop);
    EXPECT_NE(judge(later(O::kEstablished)).message, msg::kTlsLost);
    // Without TLS in the run, the same log is judged as it always was.
    EXPECT_NE(judge(later(O::kRefused, false)).message, msg::kCertificateChangedDuringRun);
  }
  EXPECT_EQ(JudgeLibraryProbe(later(O::kNotTried), kLib).message, msg::kLogOnFailedCheck);
}

}  // namespace
