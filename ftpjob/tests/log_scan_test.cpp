#include "ftpjob/log_scan.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr char kCrtsavf[] = "ERROR OCCURRED ON COMMAND CRTSAVF";
constexpr char kLogOn[] = "230 KSTUSER logged on.\r\n";

struct ScanCase {
  const char* what;
  std::string log;
  std::string errorText;
  LogVerdict expected;
};

const ScanCase kCases[] = {
    {"empty log", "", kCrtsavf, LOG_NOT_LOGGED_ON},
    {"log-on reply", kLogOn, kCrtsavf, LOG_OK},
    {"log-on in mixed case", "230 User LoGgEd On.\r\n", "", LOG_OK},
    {"log-on at the start of the line", "LOGGED ON.\r\n", "", LOG_NOT_LOGGED_ON},
    // Only the host's 230 reply is a log-on: a reply that says the opposite never counts.
    {"refusal that says not logged on", "530 User DEMO not logged on.\r\n", "", LOG_NOT_LOGGED_ON},
    {"any non-230 reply holding the text", "530-NOT LOGGED ON\r\n331 LOGGED ON?\r\n", "", LOG_NOT_LOGGED_ON},
    {"the text without a reply code", "Connected; logged on.\r\n", "", LOG_NOT_LOGGED_ON},
    {"reply after the password prompt", "Password:230 DEMO logged on.\r\n", "", LOG_OK},
    {"reply after the user prompt", "User (10.1.1.1:(none)): 230 DEMO logged on.\r\n", "", LOG_OK},
    {"refusal after the password prompt", "Password: 530 DEMO not logged on.\r\n", "", LOG_NOT_LOGGED_ON},
    // Prompts in any language end in ":" or ">"; only the text before the first reply code counts.
    {"Japanese prompts with the replies on their lines",
     "ユーザー (ibmi:(none)): 331 ENTER PASSWORD.\r\nパスワード:230 ZZZZ LOGGED ON.\r\n", "", LOG_OK},
    {"full-width colon ends a prompt", "パスワード：230 ZZZZ LOGGED ON.\r\n", "", LOG_OK},
    {"Japanese refusal after the prompt", "パスワード: 530 ZZZZ NOT LOGGED ON.\r\n", "", LOG_NOT_LOGGED_ON},
    {"reply after the prompt of a client that echoes nothing", "ftp> 230 DEMO logged on.\r\n", "", LOG_OK},
    {"code after the reply's own text", "331 Enter password: 230 LOGGED ON\r\n", "", LOG_NOT_LOGGED_ON},
    {"an echoed command is never a reply", "ftp> quote rcmd \"X\": 230 LOGGED ON\r\n", "", LOG_NOT_LOGGED_ON},
    {"multi-line 230 reply", "230-Welcome\r\n230 DEMO logged on.\r\n", "", LOG_OK},
    {"only the first occurrence counts", "LOGGED ON, LOGGED ON\r\n", "", LOG_NOT_LOGGED_ON},
    {"230 reply whose first occurrence starts the text", "230 LOGGED ON\r\n", "", LOG_OK},
    {"log-on in the last line without line feed", "220 ready\r\n230 KSTUSER logged on.", "", LOG_NOT_LOGGED_ON},
    {"no line feed at all", "230 KSTUSER logged on.\r", "", LOG_NOT_LOGGED_ON},
    {"text right before CR LF", "230 KSTUSER LOGGED ON\r\n250 LIB IS CURRENT LIBRARY\r\n", "IS CURRENT LIBRARY",
     LOG_ERROR_FOUND},
    {"error after log-on", std::string(kLogOn) + "550 Error occurred on command CRTSAVF.\r\n", kCrtsavf,
     LOG_ERROR_FOUND},
    {"error before log-on", std::string("550 ERROR OCCURRED ON COMMAND CRTSAVF.\r\n") + kLogOn, kCrtsavf,
     LOG_ERROR_FOUND},
    {"error at the start of the line", std::string(kLogOn) + "ERROR OCCURRED ON COMMAND CRTSAVF.\r\n", kCrtsavf,
     LOG_OK},
    {"error text given in lower case", std::string(kLogOn) + "550 error occurred on command crtsavf.\r\n",
     "error occurred on command crtsavf", LOG_OK},
    {"error without log-on", "550 ERROR OCCURRED ON COMMAND CRTSAVF.\r\n", kCrtsavf, LOG_NOT_LOGGED_ON},
    {"empty error text", std::string(kLogOn) + "550 x\r\n", "", LOG_OK},
    {"error in an unfinished last line", std::string(kLogOn) + "550 ERROR OCCURRED ON COMMAND CALL",
     "ERROR OCCURRED ON COMMAND CALL", LOG_OK},
    {"other command's error", std::string(kLogOn) + "550 ERROR OCCURRED ON COMMAND RSTOBJ.\r\n", kCrtsavf, LOG_OK},
    // Code page 932: a lead byte takes the next byte with it, whatever it is.
    {"line feed after a lead byte joins two lines", "230 \x81\nLOGGED ON.\r\n", "", LOG_OK},
    {"line feed after a lead byte ends no line", "230 KSTUSER LOGGED ON.\x81\n", "", LOG_NOT_LOGGED_ON},
    {"log ends after a lead byte", std::string(kLogOn) + "550 ERROR OCCURRED ON COMMAND CRTSAVF\x81", kCrtsavf, LOG_OK},
    {"match never starts on a trail byte", "230 \x81LOGGED ON.\r\n", "", LOG_NOT_LOGGED_ON},
    {"0x5C trail byte is no backslash", std::string(kLogOn) + "550 \x95\\ERR\r\n", "\\ERR", LOG_OK},
    {"single-byte backslash matches", std::string(kLogOn) + "550 \\ERR\r\n", "\\ERR", LOG_ERROR_FOUND},
    {"trail bytes are not upper-cased", std::string(kLogOn) + "550 \x82\x61 failed\r\n", "\x82\x41", LOG_OK},
    {"double-byte error text", std::string(kLogOn) + "550 \x95\x5C\x8E\xA6\r\n", "\x95\x5C\x8E\xA6", LOG_ERROR_FOUND},
    {"embedded NUL is an ordinary byte", std::string("230 \0 LOGGED ON\r\n", 17), "", LOG_OK},
};

TEST(LogScan, Verdicts) {
  for (const ScanCase& c : kCases) {
    EXPECT_EQ(logscan::ScanLog(c.log, c.errorText), c.expected) << c.what;
  }
}

// A job's transcript as the client writes it, to be cut short or changed by each case.
constexpr char kHead[] =
    "ftp> open 127.0.0.5\r\nConnected to 127.0.0.5.\r\n220 Ready.\r\nUser (127.0.0.5:(none)): \r\n"
    "331 Enter password.\r\nPassword:\r\n230 DEMO logged on.\r\n";
constexpr char kPut[] =
    "ftp> put \"C:\\T\\QSAVF.DAT\" /QSYS.LIB/QTEMP.LIB/QSAVF.FILE (replace\r\n200 PORT subcommand request "
    "successful.\r\n150 Sending file.\r\n###\r\n226 File transfer completed successfully.\r\n"
    "ftp: 6144 bytes sent in 0.01Seconds 614.40Kbytes/sec.\r\n";
constexpr char kQuit[] = "ftp> quit\r\n221 QUIT subcommand received.\r\n";

// A public transcript of Japanese Windows against a Japanese IBM i, and the same session
// from English Windows against an English one.
constexpr char kJapaneseSession[] =
    "ibmi に接続しました。\r\n220-QTCP AT XXX.YYY.CO.JP.\r\n220 CONNECTION WILL CLOSE IF IDLE MORE THAN 5 MINUTES.\r\n"
    "501 OPTS UNSUCCESSFUL; SPECIFIED SUBCOMMAND NOT RECOGNIZED.\r\nユーザー (ibmi:(none)):\r\n331 ENTER PASSWORD.\r\n"
    "パスワード:\r\n230 ZZZZ LOGGED ON.\r\nftp> bi\r\n200 REPRESENTATION TYPE IS BINARY IMAGE.\r\n"
    "ftp> put lms5250.savf qgpl/lms5250\r\n200 PORT SUBCOMMAND REQUEST SUCCESSFUL.\r\n"
    "150 SENDING FILE TO MEMBER LMS5250 IN FILE LMS5250 IN LIBRARY QGPL.\r\n226 FILE TRANSFER COMPLETED SUCCESSFULLY.\r\n"
    "ftp: 80784 バイトが送信されました 0.03秒 2524.50KB/秒。\r\nftp> quit\r\n221 QUIT SUBCOMMAND RECEIVED.\r\n";
constexpr char kEnglishSession[] =
    "Connected to ibmi.\r\n220-QTCP at xxx.yyy.com.\r\n220 Connection will close if idle more than 5 minutes.\r\n"
    "501 OPTS unsuccessful; specified subcommand not recognized.\r\nUser (ibmi:(none)): 331 Enter password.\r\n"
    "Password:230 ZZZZ logged on.\r\nftp> bi\r\n200 Representation type is binary IMAGE.\r\n"
    "ftp> put lms5250.savf qgpl/lms5250\r\n200 PORT subcommand request successful.\r\n"
    "150 Sending file to member LMS5250 in file LMS5250 in library QGPL.\r\n226 File transfer completed successfully.\r\n"
    "ftp: 80784 bytes sent in 0.03Seconds 2524.50Kbytes/sec.\r\nftp> quit\r\n221 QUIT subcommand received.\r\n";

struct SessionCase {
  const char* what;
  std::string log;
  bool loggedOn, ended, uploadsSent, directoryAnswered;
  int answers;
  bool hostClosed = false;
  bool activeModeBlocked = false;
};

const std::string head = kHead, put = kPut, quit = kQuit;
const SessionCase kSessions[] = {
    {"empty log", "", false, false, true, false, 0},
    {"whole job with an upload", head + put + quit, true, true, true, false, 2},
    {"two uploads", head + put + put + quit, true, true, true, false, 4},
    {"connection lost during the upload", head + put.substr(0, 120) + "Connection closed by remote host.\r\n", true,
     false, false, false, 1},
    {"upload refused: data connection",
     head +
         "ftp> put \"X\" Y (replace\r\n200 PORT ok.\r\n425 Data connection "
         "cannot be opened.\r\n" +
         quit,
     true, true, false, false, 2, false, true},
    {"upload answered with an error after the bytes",
     head +
         "ftp> put \"X\" Y (replace\r\n150 Sending.\r\n"
         "ftp: 10 bytes sent in 0.00Seconds\r\n451 Transfer failed.\r\n" +
         quit,
     true, true, false, false, 1},
    {"local file missing", head + "ftp> put \"X\" Y (replace\r\nError opening local file X.\r\n" + quit, true, true,
     false, false, 0},
    {"the last of two uploads unconfirmed", head + put + "ftp> put \"X\" Y (replace\r\n", true, false, false, false, 2},
    {"cd to an existing library", head + "ftp> cd SAMPLIB\r\n250 \"SAMPLIB\" is current library.\r\n" + quit, true,
     true, true, true, 1},
    {"cd to a new library", head + "ftp> cd NEWLIB\r\n550 Specified library NEWLIB does not exist.\r\n" + quit, true,
     true, true, true, 1},
    {"connection reset at cd",
     head + "ftp> cd SAMPLIB\r\nConnection closed by remote host.\r\nftp> quit\r\n"
            "Not connected.\r\n",
     true, false, true, false, 0},
    {"refused log-on", "ftp> open 1.2.3.4\r\n220 Ready.\r\n530 DEMO not logged on.\r\nLogin failed.\r\n" + quit, false,
     true, true, false, 0},
    {"quit reply cut off", head + quit.substr(0, 20), true, false, true, false, 0},
    // A client that echoes no command: the cd's reply is still recognised, and nothing else is.
    {"no echoes, cd answered",
     "220 Ready.\r\n331 Enter password.\r\n230 DEMO logged on.\r\n200 Type I.\r\n"
     "550 Specified library NEWLIB does not exist.\r\n221 QUIT subcommand received.\r\n",
     true, true, true, true, 2},
    {"no echoes, connection lost after TYPE",
     "220 Ready.\r\n230 DEMO logged on.\r\n200 Type I.\r\n"
     "Connection closed by remote host.\r\n",
     true, false, true, false, 1},
    // Only the host's replies decide, in any language: the client's own words never do.
    {"Japanese Windows and host (a public transcript)", kJapaneseSession, true, true, true, false, 3},
    {"English Windows and host", kEnglishSession, true, true, true, false, 3},
    {"the completion reply missing, the client's note there",
     head + "ftp> put X Y\r\n200 PORT ok.\r\n150 Sending.\r\nftp: 226 bytes sent in 0.00Seconds\r\n" + quit, true, true,
     false, false, 1},
    {"STOR ended with 250", head + "ftp> put X Y\r\n200 PORT ok.\r\n150 Sending.\r\n250 File transfer completed.\r\n",
     true, false, true, false, 2},
    {"transfer aborted", head + "ftp> put X Y\r\n200 PORT ok.\r\n150 Sending.\r\n426 Connection closed.\r\n" + quit,
     true, true, false, false, 2, false, true},
    // A client that echoes nothing writes its prompt and then the command's first output.
    {"no echoes: replies after the prompts",
     "ftp> 220 Ready.\r\nName: 331 Password required.\r\nPassword: 230 DEMO logged on.\r\nftp> 200 Type I.\r\n"
     "ftp> ftp> 200 PORT ok.\r\n150 Opening.\r\n226 Transfer complete.\r\n232848 bytes sent in 0.03 secs\r\n"
     "ftp> 221 Goodbye.\r\n",
     true, true, true, false, 3},
    {"no echoes: the transfer never ended",
     "230 DEMO logged on.\r\nftp> 200 PORT ok.\r\n150 Opening.\r\nftp> 250 Command RSTOBJ successful.\r\n", true, false,
     false, true, 2},
    {"no echoes: data connection refused", "230 DEMO logged on.\r\n200 PORT ok.\r\n425 No data connection.\r\n", true,
     false, false, false, 2, false, true},
    // Only the first failed upload says why: a later 425 may be its consequence.
    {"a local file missing, then a 425",
     head + "ftp> put X Y\r\nError opening local file X.\r\nftp> put Z Y\r\n200 PORT ok.\r\n425 No data.\r\n", true,
     false, false, false, 2},
    {"a reply text with a colon and a code in it",
     head + "250-Naming format: 550 in use\r\n250 Now using naming format \"0\".\r\n", true, false, true, true, 1},
    {"the host gives up", head + "421 Service not available, closing control connection.\r\n", true, false, true, false,
     0, true},
};

TEST(LogScan, SessionFacts) {
  for (const SessionCase& c : kSessions) {
    const logscan::SessionFacts facts = logscan::ReadSession(c.log);
    EXPECT_EQ(facts.loggedOn, c.loggedOn) << c.what;
    EXPECT_EQ(facts.sessionEnded, c.ended) << c.what;
    EXPECT_EQ(facts.uploadsSent, c.uploadsSent) << c.what;
    EXPECT_EQ(facts.directoryAnswered, c.directoryAnswered) << c.what;
    EXPECT_EQ(facts.answersAfterLogOn, c.answers) << c.what;
    EXPECT_EQ(facts.hostClosed, c.hostClosed) << c.what;
    EXPECT_EQ(facts.activeModeBlocked, c.activeModeBlocked) << c.what;
  }
}

}  // namespace

namespace {

// Our client's TLS account of the control connection, between the host's greeting and the log-on.
const std::string kFingerprint = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
const std::string kTlsUp =
    "220 Ready.\r\n234 AUTH TLS accepted.\r\n> ftp: TLS established: TLSv1.2 ECDHE-RSA-AES256-GCM\r\n"
    "> ftp: TLS certificate SHA-256 " +
    kFingerprint +
    "\r\n> ftp: TLS certificate subject CN=ibmi.example: O=Shop\r\n"
    "> ftp: TLS certificate issuer CN=ibmi.example\r\n"
    "> ftp: TLS certificate valid 2026-01-01 00:00:00 to 2027-01-01 00:00:00 UTC\r\n";
const std::string kLoggedOn = "331 Enter password.\r\n230 DEMO logged on.\r\n221 QUIT subcommand received.\r\n";

struct TlsCase {
  const char* what;
  std::string log;
  logscan::TlsOutcome outcome;
  std::string fingerprint;
  std::string detail;  // the reason, or how the certificate was accepted
};

using O = logscan::TlsOutcome;
const TlsCase kTlsCases[] = {
    {"Windows' client", kEnglishSession, O::kNotTried, "", ""},
    {"host without TLS",
     "220 Ready.\r\n> ftp: TLS not available: 431 Unable to process security request; not logged on.\r\n",
     O::kNotAvailable, "", "431 Unable to process security request"},
    {"silent host", "> ftp: TLS not available: no reply; not logged on.\r\n", O::kNotAvailable, "", "no reply"},
    {"handshake failed", "234 ok\r\n> ftp: TLS handshake failed: SEC_E_ILLEGAL_MESSAGE; not logged on.\r\n",
     O::kHandshakeFailed, "", "SEC_E_ILLEGAL_MESSAGE"},
    {"accepted by pin", kTlsUp + "> ftp: TLS certificate accepted: pin\r\n" + kLoggedOn, O::kEstablished, kFingerprint,
     "pin"},
    {"accepted by the system", kTlsUp + "> ftp: TLS certificate accepted: system\r\n", O::kEstablished, kFingerprint,
     "system"},
    {"refused",
     kTlsUp + "> ftp: TLS certificate refused: matches no pin and no trusted chain; not logged on.\r\n221 Bye.\r\n",
     O::kRefused, kFingerprint, ""},
    // The client stopped before it judged the certificate: no log-on can have followed.
    {"cut short before the verdict", kTlsUp, O::kHandshakeFailed, kFingerprint, ""},
    {"the verdict's line unfinished", kTlsUp + "> ftp: TLS certificate accepted: pi", O::kHandshakeFailed, kFingerprint,
     ""},
    // A data connection's TLS failure later says nothing of the log-on.
    {"a later failure",
     kTlsUp + "> ftp: TLS certificate accepted: any\r\n" + kLoggedOn +
         "> ftp: TLS handshake failed on the data connection: x; transfer abandoned.\r\n",
     O::kEstablished, kFingerprint, "any"},
    {"a damaged fingerprint is none",
     "> ftp: TLS established: x\r\n> ftp: TLS certificate SHA-256 " + kFingerprint.substr(1) +
         "\r\n> ftp: TLS certificate accepted: any\r\n",
     O::kEstablished, "", "any"},
    // The host took AUTH TLS but would not protect the data: nothing of the log-on went out.
    {"PROT refused after the certificate",
     kTlsUp + "> ftp: TLS certificate accepted: any\r\n200 PBSZ=0\r\n"
              "> ftp: TLS not available: 534 PROT P refused; not logged on.\r\n",
     O::kNotAvailable, kFingerprint, "534 PROT P refused"},
    {"certificate lines without a handshake", "> ftp: TLS certificate SHA-256 " + kFingerprint + "\r\n", O::kNotTried,
     "", ""},
};

TEST(LogScan, TlsFacts) {
  for (const TlsCase& c : kTlsCases) {
    const logscan::TlsFacts tls = logscan::ReadSession(c.log).tls;
    EXPECT_EQ(tls.outcome, c.outcome) << c.what;
    EXPECT_EQ(tls.fingerprint, c.fingerprint) << c.what;
    EXPECT_EQ(c.outcome == O::kEstablished ? tls.acceptedBy : tls.reason, c.detail) << c.what;
  }
  const logscan::TlsFacts up = logscan::ReadTls(kTlsUp);
  EXPECT_EQ(up.session, "TLSv1.2 ECDHE-RSA-AES256-GCM");
  EXPECT_EQ(up.subject, "CN=ibmi.example: O=Shop");
  EXPECT_EQ(up.issuer, "CN=ibmi.example");
  EXPECT_EQ(up.validity, "2026-01-01 00:00:00 to 2027-01-01 00:00:00 UTC");
}

// The host's words quoted in our client's TLS lines are no replies: a 421 there closed nothing,
// and the log-on over TLS counts its answers as any other.
TEST(LogScan, TlsLinesAreNoReplies) {
  const logscan::SessionFacts refused =
      logscan::ReadSession("> ftp: TLS not available: 421 Service not available; not logged on.\r\n");
  EXPECT_FALSE(refused.hostClosed);
  EXPECT_FALSE(refused.loggedOn);
  const logscan::SessionFacts over =
      logscan::ReadSession(kTlsUp + "> ftp: TLS certificate accepted: pin\r\n" + kLoggedOn);
  EXPECT_TRUE(over.loggedOn);
  EXPECT_TRUE(over.sessionEnded);
  EXPECT_EQ(over.answersAfterLogOn, 0);
}

}  // namespace
