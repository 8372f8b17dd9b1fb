#include "ftpclient/core/session.h"

#include <gtest/gtest.h>

#include <functional>

#include "fake_server.h"

namespace ftpclient::testing {
namespace {

struct Outcome {
  std::string transcript;
  FakeServer server;
};

Outcome RunScript(const std::string& script, const std::function<void(FakeServer&)>& setUp = nullptr,
                  SessionSettings settings = {}) {
  Outcome outcome;
  if (setUp) setUp(outcome.server);
  StringTranscript out;
  FtpSession session(outcome.server, outcome.server, out, settings);
  ScriptLines lines(script);
  session.Run(lines);
  outcome.transcript = out.text();
  return outcome;
}

const char kLogOn[] = "open 127.0.0.5\r\nQUSER\r\nSECRET\r\n";
const std::string kQuitOnly = std::string(kLogOn) + "quit\r\n";

// The first job of an installation, as the installer writes it, and the transcript the Windows
// client would leave for it.
TEST(FtpSessionTest, InstallerJobGivesTheWindowsClientsTranscript) {
  Outcome run = RunScript(std::string(kLogOn) +
                          "binary\r\n"
                          "DEBUG T1 3600\r\n"
                          "quote rcmd \"CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)\"\r\n"
                          "put \"C:\\WORK\\QSAVF.DAT\" /QSYS.LIB/QTEMP.LIB/QSAVF.FILE (replace\r\n"
                          "quit\r\n");
  EXPECT_EQ(run.transcript,
            "ftp> open 127.0.0.5\n"
            "Connected to 127.0.0.5.\n"
            "220-QTCP at TESTHOST.\n"
            "220 Connection will close if idle more than 5 minutes.\n"
            "501 OPTS subcommand not valid.\n"
            "User (127.0.0.5:(none)): \n"
            "331 Enter password.\n"
            "Password:\n"
            "230 QUSER logged on.\n"
            "ftp> binary\n"
            "200 Representation type is binary IMAGE.\n"
            "ftp> DEBUG T1 3600\n"
            "Debugging On .\n"
            "ftp> quote rcmd \"CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)\"\n"
            "---> rcmd \"CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)\"\n"
            "250 Command successful.\n"
            "ftp> put \"C:\\WORK\\QSAVF.DAT\" /QSYS.LIB/QTEMP.LIB/QSAVF.FILE (replace\n"
            "---> PORT 127,0,0,1,4,1\n"
            "200 PORT subcommand request successful.\n"
            "---> STOR /QSYS.LIB/QTEMP.LIB/QSAVF.FILE\n"
            "150 Sending file to member QSAVF in file QSAVF in library QTEMP.\n"
            "250 File transfer completed successfully.\n"
            "ftp: 20 bytes sent in 0.02Seconds 1.00Kbytes/sec.\n"
            "ftp> quit\n"
            "---> QUIT\n"
            "221 QUIT subcommand received.\n");
  EXPECT_EQ(run.server.commands,
            (std::vector<std::string>{"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "TYPE I",
                                      "rcmd \"CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)\"", "PORT 127,0,0,1,4,1",
                                      "STOR /QSYS.LIB/QTEMP.LIB/QSAVF.FILE", "QUIT"}));
  EXPECT_EQ(run.server.uploaded, kSaveFileBytes);
  EXPECT_TRUE(run.server.uploadFinished);
  EXPECT_EQ(run.server.connectedTo.port, 21);
}

// Code page 932, as a Japanese PC's log holds it.
const std::string kConnectedJa =
    " \x82\xC9\x90\xDA\x91\xB1\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42";     // " に接続しました。"
const std::string kUserJa = "\x83\x86\x81\x5B\x83\x55\x81\x5B";              // "ユーザー"
const std::string kPasswordJa = "\x83\x70\x83\x58\x83\x8F\x81\x5B\x83\x68";  // "パスワード"
const std::string kBytesSentJa =
    "\x83\x6F\x83\x43\x83\x67\x82\xAA\x91\x97\x90\x4D\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD";
const std::string kSecondsJa = "\x95\x62";   // "秒"
const std::string kFullStopJa = "\x81\x42";  // "。"

// A Japanese PC with a Japanese IBM i: the words are the client's, in code page 932, and the
// replies the host's, in upper case, as in public transcripts of that pair.
TEST(FtpSessionTest, JapaneseClientGivesTheJapaneseWindowsTranscript) {
  SessionSettings japanese;
  japanese.language = Language::kJapanese;
  Outcome run = RunScript(
      std::string(kLogOn) + "bi\r\nput lms5250.savf qgpl/lms5250\r\nquit\r\n",
      [](FakeServer& s) {
        s.files["lms5250.savf"] = kSaveFileBytes;
        s.greeting = "220-QTCP AT XXX.YYY.CO.JP.\r\n220 CONNECTION WILL CLOSE IF IDLE MORE THAN 5 MINUTES.\r\n";
        s.replies["OPTS"] = "501 OPTS UNSUCCESSFUL; SPECIFIED SUBCOMMAND NOT RECOGNIZED.\r\n";
        s.replies["USER"] = "331 ENTER PASSWORD.\r\n";
        s.replies["TYPE"] = "200 REPRESENTATION TYPE IS BINARY IMAGE.\r\n";
        s.replies["PORT"] = "200 PORT SUBCOMMAND REQUEST SUCCESSFUL.\r\n";
        s.replies["STOR"] = "150 SENDING FILE TO MEMBER LMS5250 IN FILE LMS5250 IN LIBRARY QGPL.\r\n";
        s.storeFinished = "226 FILE TRANSFER COMPLETED SUCCESSFULLY.\r\n";
        s.replies["QUIT"] = "221 QUIT SUBCOMMAND RECEIVED.\r\n";
      },
      japanese);
  EXPECT_EQ(run.transcript,
            "ftp> open 127.0.0.5\n"
            "127.0.0.5" +
                kConnectedJa +
                "\n"
                "220-QTCP AT XXX.YYY.CO.JP.\n"
                "220 CONNECTION WILL CLOSE IF IDLE MORE THAN 5 MINUTES.\n"
                "501 OPTS UNSUCCESSFUL; SPECIFIED SUBCOMMAND NOT RECOGNIZED.\n" +
                kUserJa +
                " (127.0.0.5:(none)): \n"
                "331 ENTER PASSWORD.\n" +
                kPasswordJa +
                ": \n"
                "230 QUSER logged on.\n"
                "ftp> bi\n"
                "200 REPRESENTATION TYPE IS BINARY IMAGE.\n"
                "ftp> put lms5250.savf qgpl/lms5250\n"
                "200 PORT SUBCOMMAND REQUEST SUCCESSFUL.\n"
                "150 SENDING FILE TO MEMBER LMS5250 IN FILE LMS5250 IN LIBRARY QGPL.\n"
                "226 FILE TRANSFER COMPLETED SUCCESSFULLY.\n"
                "ftp: 20 " +
                kBytesSentJa + " 0.02" + kSecondsJa + " 1.00KB/" + kSecondsJa + kFullStopJa +
                "\n"
                "ftp> quit\n"
                "221 QUIT SUBCOMMAND RECEIVED.\n");
  EXPECT_EQ(run.server.uploaded, kSaveFileBytes);
}

struct PromptCase {
  Language language;
  bool replyOnPromptLine;
  std::string script;
  std::string expected;  // the transcript from the OPTS reply on
};

// Each way the log-on may stand in a log: the reply on a line of its own or on the prompt's, in
// both languages; and the prompt's line ended when the script ends before the answer.
TEST(FtpSessionTest, LogOnPromptsInEachLanguageAndPlaceOfTheReply) {
  const std::string ja = kUserJa + " (127.0.0.5:(none)): ";
  const std::string kBye = "221 QUIT subcommand received.\n";
  const std::vector<PromptCase> cases = {
      {Language::kEnglish, false, kQuitOnly,
       "User (127.0.0.5:(none)): \n331 Enter password.\nPassword:\n230 QUSER logged on.\nftp> quit\n" + kBye},
      {Language::kEnglish, true, kQuitOnly,
       "User (127.0.0.5:(none)): 331 Enter password.\nPassword:230 QUSER logged on.\nftp> quit\n" + kBye},
      {Language::kJapanese, false, kQuitOnly,
       ja + "\n331 Enter password.\n" + kPasswordJa + ": \n230 QUSER logged on.\nftp> quit\n" + kBye},
      {Language::kJapanese, true, kQuitOnly,
       ja + "331 Enter password.\n" + kPasswordJa + ": 230 QUSER logged on.\nftp> quit\n" + kBye},
      {Language::kEnglish, true, "open 127.0.0.5\r\nQUSER\r\n",
       "User (127.0.0.5:(none)): 331 Enter password.\nPassword:\n221 QUIT subcommand received.\n"},
  };
  for (const PromptCase& c : cases) {
    SessionSettings settings;
    settings.language = c.language;
    settings.replyOnPromptLine = c.replyOnPromptLine;
    const std::string transcript = RunScript(c.script, nullptr, settings).transcript;
    const std::string opts = "501 OPTS subcommand not valid.\n";
    const std::size_t at = transcript.find(opts);
    ASSERT_NE(at, std::string::npos) << transcript;
    EXPECT_EQ(transcript.substr(at + opts.size()), c.expected) << c.replyOnPromptLine;
  }
}

struct SessionCase {
  const char* name;
  std::string script;
  std::function<void(FakeServer&)> setUp;
  std::vector<std::string> expectedCommands;
  std::vector<std::string> expectedLines;  // each must appear in the transcript, in this order
  std::vector<std::string> absentText;
};

void PrintTo(const SessionCase& c, std::ostream* os) { *os << c.name; }

class FtpSessionCases : public ::testing::TestWithParam<SessionCase> {};

// Where `line` stands as a whole line of the transcript at or after `from`; npos if nowhere.
std::size_t FindLine(const std::string& transcript, const std::string& line, std::size_t from) {
  for (std::size_t at = transcript.find(line + "\n", from); at != std::string::npos;
       at = transcript.find(line + "\n", at + 1)) {
    if (at == 0 || transcript[at - 1] == '\n') return at;
  }
  return std::string::npos;
}

TEST_P(FtpSessionCases, SendsAndPrints) {
  const SessionCase& c = GetParam();
  // The fake server reports its silence as a time-out, which the real transport does only when a
  // test sets a limit; the messages quote it.
  SessionSettings limited;
  limited.timeoutSeconds = 120;
  Outcome run = RunScript(c.script, c.setUp, limited);
  EXPECT_EQ(run.server.commands, c.expectedCommands);
  std::size_t from = 0;
  for (const std::string& line : c.expectedLines) {
    std::size_t at = FindLine(run.transcript, line, from);
    ASSERT_NE(at, std::string::npos) << "missing or out of order: " << line << "\n" << run.transcript;
    from = at + line.size();
  }
  for (const std::string& text : c.absentText) {
    EXPECT_EQ(run.transcript.find(text), std::string::npos) << text << "\n" << run.transcript;
  }
  // Whatever happens, the password never reaches the transcript.
  EXPECT_EQ(run.transcript.find("SECRET"), std::string::npos) << run.transcript;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FtpSessionCases,
    ::testing::Values(
        SessionCase{"WrongPassword",
                    "open 127.0.0.5\r\nQUSER\r\nWRONG\r\nbinary\r\nquit\r\n",
                    [](FakeServer& s) { s.replies["TYPE I"] = "530 Log on first.\r\n"; },
                    {"OPTS UTF8 ON", "USER QUSER", "PASS WRONG", "TYPE I", "QUIT"},
                    {"530 Log on attempt by user QUSER rejected.", "Login failed.", "ftp> binary", "530 Log on first."},
                    {"logged on", "WRONG"}},
        SessionCase{
            "ConnectionRefused",
            std::string(kLogOn) + "binary\r\nquit\r\n",
            [](FakeServer& s) { s.refuseConnection = true; },
            {},
            {"ftp> open 127.0.0.5", "> ftp: connect :Connection refused", "ftp> binary", "Not connected.", "ftp> quit"},
            {"Connected to", "QUSER"}},
        SessionCase{"ServerThatNeverAnswers",
                    std::string(kLogOn) + "binary\r\nquit\r\n",
                    [](FakeServer& s) { s.silent = true; },
                    {},
                    {"Connected to 127.0.0.5.",
                     "> ftp: no progress on the control connection for 120 seconds; connection abandoned.",
                     "ftp> binary", "Not connected."},
                    {"User ("}},
        SessionCase{
            "SilentAfterLogOn",
            std::string(kLogOn) + "cd KESTLIB\r\nbinary\r\nquit\r\n",
            [](FakeServer& s) { s.replies["CWD KESTLIB"] = ""; },
            {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "CWD KESTLIB"},
            {"ftp> cd KESTLIB", "> ftp: no progress on the control connection for 120 seconds; connection abandoned.",
             "ftp> binary", "Not connected."},
            {}},
        SessionCase{"UnknownAndAmbiguousCommandsAreSkipped",
                    std::string(kLogOn) + "frobnicate now\r\nb\r\nbin\r\nquit\r\n",
                    nullptr,
                    {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "TYPE I", "QUIT"},
                    {"ftp> frobnicate now", "Invalid command.", "ftp> b", "Ambiguous command.", "ftp> bin",
                     "200 Representation type is binary IMAGE."},
                    {}},
        SessionCase{"CdToExistingAndMissingLibrary",
                    std::string(kLogOn) + "cd KESTLIB\r\ncd NOLIB\r\nquit\r\n",
                    [](FakeServer& s) {
                      s.replies["CWD NOLIB"] =
                          "550-Specified directory does not exist or cannot be accessed.\r\n"
                          "550 Working directory not changed.\r\n";
                    },
                    {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "CWD KESTLIB", "CWD NOLIB", "QUIT"},
                    {"250 \"KESTLIB\" is current library.", "ftp> cd NOLIB",
                     "550-Specified directory does not exist or cannot be accessed.",
                     "550 Working directory not changed.", "221 QUIT subcommand received."},
                    {}},
        SessionCase{
            "FailedRemoteCommandReplyIsPrinted",
            std::string(kLogOn) + "quote rcmd \"CALL PGM(QTEMP/KV2207C)\"\r\nquit\r\n",
            [](FakeServer& s) {
              s.replies["RCMD"] =
                  "550-Error occurred on command CALL PGM(QTEMP/KV2207C).\r\n"
                  "550 CPF9898 Objects are missing.\r\n";
            },
            {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "rcmd \"CALL PGM(QTEMP/KV2207C)\"", "QUIT"},
            {"550-Error occurred on command CALL PGM(QTEMP/KV2207C).", "550 CPF9898 Objects are missing.", "ftp> quit"},
            {}},
        SessionCase{
            "MissingLocalFileSendsNothing",
            std::string(kLogOn) + "put \"C:\\WORK\\NONE.DAT\" /QSYS.LIB/QTEMP.LIB/QSAVF.FILE (replace\r\nquit\r\n",
            nullptr,
            {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "QUIT"},
            {"Error opening local file C:\\WORK\\NONE.DAT."},
            {}},
        SessionCase{"DataConnectionNeverMade",
                    std::string(kLogOn) + "put C:\\WORK\\QSAVF.DAT QSAVF\r\nquit\r\n",
                    [](FakeServer& s) {
                      s.acceptResult = IoResult::kTimeout;
                      s.listenerAborted = "425 Cannot open data connection.\r\n";
                    },
                    {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "PORT 127,0,0,1,4,1", "STOR QSAVF", "QUIT"},
                    {"> ftp: no progress on the data connection for 120 seconds; transfer abandoned.",
                     "425 Cannot open data connection.", "221 QUIT subcommand received."},
                    {"bytes sent"}},
        SessionCase{"ServerGivingTheTransferUpIsHeardAtOnce",
                    std::string(kLogOn) + "put C:\\WORK\\QSAVF.DAT QSAVF\r\nquit\r\n",
                    [](FakeServer& s) {
                      s.acceptResult = IoResult::kServerReplied;
                      s.replies["STOR"] += "425 Cannot open data connection.\r\n";
                    },
                    {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "PORT 127,0,0,1,4,1", "STOR QSAVF", "QUIT"},
                    {"150 Sending file to member QSAVF in file QSAVF in library QTEMP.",
                     "425 Cannot open data connection.", "221 QUIT subcommand received."},
                    {"bytes sent", "no progress", "transfer abandoned"}},
        SessionCase{"FailureSentWithThePreliminaryReply",
                    std::string(kLogOn) + "put C:\\WORK\\QSAVF.DAT QSAVF\r\nquit\r\n",
                    [](FakeServer& s) {
                      s.controlChunkBytes = 1000;
                      s.acceptResult = IoResult::kTimeout;  // would be waited for in vain
                      s.replies["STOR"] = "150 Opening.\r\n425 Cannot open data connection.\r\n";
                    },
                    {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "PORT 127,0,0,1,4,1", "STOR QSAVF", "QUIT"},
                    {"150 Opening.", "425 Cannot open data connection.", "221 QUIT subcommand received."},
                    {"bytes sent", "no progress", "transfer abandoned"}},
        SessionCase{"DataConnectionLostMidUpload",
                    std::string(kLogOn) + "put C:\\WORK\\QSAVF.DAT QSAVF\r\nquit\r\n",
                    [](FakeServer& s) { s.dataSendResult = IoResult::kClosed; },
                    {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "PORT 127,0,0,1,4,1", "STOR QSAVF", "QUIT"},
                    {"> ftp: data connection lost; transfer abandoned.", "426 Data transfer ended."},
                    {"bytes sent"}},
        SessionCase{"RefusedStoreNeedsNoDataConnection",
                    std::string(kLogOn) + "put C:\\WORK\\QSAVF.DAT QSAVF\r\nquit\r\n",
                    [](FakeServer& s) { s.replies["STOR"] = "550 Not allowed.\r\n"; },
                    {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "PORT 127,0,0,1,4,1", "STOR QSAVF", "QUIT"},
                    {"550 Not allowed.", "ftp> quit"},
                    {"bytes sent", "426"}},
        SessionCase{"HashMarksEndTheirLineBeforeALostTransfer",
                    std::string(kLogOn) + "hash\r\nput C:\\BIG.DAT BIG\r\nquit\r\n",
                    [](FakeServer& s) {
                      s.files["C:\\BIG.DAT"] = std::string(600 * 1024, 'x');
                      s.goodDataSends = 1;
                      s.dataSendResult = IoResult::kClosed;
                    },
                    {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "PORT 127,0,0,1,4,1", "STOR BIG", "QUIT"},
                    {"150 Sending file to member QSAVF in file QSAVF in library QTEMP.", std::string(16, '#'),
                     "> ftp: data connection lost; transfer abandoned.", "426 Data transfer ended."},
                    {"bytes sent"}},
        SessionCase{"HashWithARefusedStoreShowsNoMarks",
                    std::string(kLogOn) + "hash\r\nput C:\\WORK\\QSAVF.DAT QSAVF\r\nquit\r\n",
                    [](FakeServer& s) { s.replies["STOR"] = "425 Cannot open data connection.\r\n"; },
                    {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "PORT 127,0,0,1,4,1", "STOR QSAVF", "QUIT"},
                    {"425 Cannot open data connection.", "ftp> quit"},
                    {"bytes sent", "#", "\n\n"}},
        SessionCase{"HashWithAnUploadUnderOneBlockShowsNoMarks",
                    std::string(kLogOn) + "hash\r\nput C:\\WORK\\QSAVF.DAT QSAVF\r\nquit\r\n",
                    nullptr,
                    {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "PORT 127,0,0,1,4,1", "STOR QSAVF", "QUIT"},
                    {"150 Sending file to member QSAVF in file QSAVF in library QTEMP.",
                     "250 File transfer completed successfully.", "ftp: 20 bytes sent in 0.02Seconds 1.00Kbytes/sec."},
                    {"#", "\n\n"}},
        SessionCase{"HashTogglesWithOrWithoutAConnection",
                    "hash\r\n" + std::string(kLogOn) + "HASH on\r\nquit\r\n",
                    nullptr,
                    {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "QUIT"},
                    {"ftp> hash", "Hash mark printing On  ftp: (2048 bytes/hash mark) .", "ftp> HASH on",
                     "Hash mark printing Off ."},
                    {}},
        SessionCase{"RefusedPortSkipsStore",
                    std::string(kLogOn) + "put C:\\WORK\\QSAVF.DAT\r\nquit\r\n",
                    [](FakeServer& s) { s.replies["PORT"] = "500 Illegal PORT command.\r\n"; },
                    {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "PORT 127,0,0,1,4,1", "QUIT"},
                    {"500 Illegal PORT command."},
                    {}},
        SessionCase{"ScriptWithoutQuitClosesTheConnection",
                    std::string(kLogOn) + "binary",
                    nullptr,
                    {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "TYPE I", "QUIT"},
                    {"ftp> binary", "221 QUIT subcommand received."},
                    {}},
        SessionCase{"NothingRunsAfterQuit",
                    kQuitOnly + "binary\r\n",
                    nullptr,
                    {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "QUIT"},
                    {"ftp> quit"},
                    {"ftp> binary"}},
        SessionCase{
            "ServerClosingWith421",
            std::string(kLogOn) + "binary\r\ncd KESTLIB\r\nquit\r\n",
            [](FakeServer& s) { s.replies["TYPE"] = "421 Service not available, closing control connection.\r\n"; },
            {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "TYPE I"},
            {"421 Service not available, closing control connection.", "ftp> cd KESTLIB", "Not connected."},
            {}},
        SessionCase{"ServerHangsUpMidReply",
                    std::string(kLogOn) + "binary\r\ncd KESTLIB\r\nquit\r\n",
                    [](FakeServer& s) { s.replies["TYPE"] = "200 Representation"; },
                    {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "TYPE I"},
                    {"200 Representation", "Connection closed by remote host.", "Not connected."},
                    {}},
        SessionCase{"UserAcceptedWithoutPasswordStillTakesThePasswordLine",
                    kQuitOnly,
                    [](FakeServer& s) { s.replies["USER"] = "230 QUSER logged on.\r\n"; },
                    {"OPTS UTF8 ON", "USER QUSER", "QUIT"},
                    {"230 QUSER logged on.", "ftp> quit"},
                    {"Password:", "Invalid command."}},
        SessionCase{"UnknownHostStillTakesTheAnswerLines",
                    "open nosuchhost\r\nQUSER\r\nSECRET\r\nbinary\r\nquit\r\n",
                    nullptr,
                    {},
                    {"Unknown host nosuchhost.", "ftp> binary", "Not connected."},
                    {"QUSER"}},
        SessionCase{"OpenWithPortAndExtraWords",
                    "open 127.0.0.5 99999\r\nQUSER\r\nSECRET\r\nquit\r\n",
                    nullptr,
                    {},
                    {"Usage: open host-name [port]", "ftp> quit"},
                    {}},
        SessionCase{"ScriptEndingInsideTheLogOn",
                    "open 127.0.0.5\r\nQUSER\r\n",
                    nullptr,
                    {"OPTS UTF8 ON", "USER QUSER", "QUIT"},
                    {"331 Enter password.", "Password:", "221 QUIT subcommand received."},
                    {}},
        SessionCase{"DebugOffAgainStopsTheTrace",
                    std::string(kLogOn) + "debug\r\ndebug x y\r\nbinary\r\nquit\r\n",
                    nullptr,
                    {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "TYPE I", "QUIT"},
                    {"Debugging On .", "Debugging Off .", "200 Representation type is binary IMAGE."},
                    {"--->"}},
        SessionCase{"QuoteWaitsPastPreliminaryReplies",
                    std::string(kLogOn) + "quote NOOP\r\nquit\r\n",
                    [](FakeServer& s) { s.replies["NOOP"] = "150 Working.\r\n200 Done.\r\n"; },
                    {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "NOOP", "QUIT"},
                    {"150 Working.", "200 Done.", "ftp> quit", "221 QUIT subcommand received."},
                    {}},
        SessionCase{
            "CommandsNeedAConnection",
            "binary\r\ncd X\r\nquote rcmd X\r\nput C:\\WORK\\QSAVF.DAT\r\npwd\r\nclose\r\nquit\r\n",
            nullptr,
            {},
            {"ftp> binary", "Not connected.", "ftp> cd X", "Not connected.", "ftp> quote rcmd X", "Not connected.",
             "ftp> put C:\\WORK\\QSAVF.DAT", "Not connected.", "ftp> pwd", "Not connected.", "ftp> close", "ftp> quit"},
            {}},
        SessionCase{"PassiveUploadRefusedBeforeAnyByte",
                    "passive\r\n" + std::string(kLogOn) + "put C:\\WORK\\QSAVF.DAT QSAVF\r\nquit\r\n",
                    [](FakeServer& s) { s.replies["STOR"] = "550 Not allowed.\r\n"; },
                    {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "PASV", "STOR QSAVF", "QUIT"},
                    {"227 Entering Passive Mode (10,9,8,7,4,2).", "550 Not allowed.", "ftp> quit"},
                    {"bytes sent", "426"}},
        SessionCase{"PassiveModeRefusedByTheServer",
                    "passive\r\n" + std::string(kLogOn) + "put C:\\WORK\\QSAVF.DAT QSAVF\r\nquit\r\n",
                    [](FakeServer& s) { s.replies["PASV"] = "502 Subcommand PASV not supported.\r\n"; },
                    {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "PASV", "QUIT"},
                    {"502 Subcommand PASV not supported.", "ftp> quit"},
                    {"bytes sent"}},
        SessionCase{"PassiveReplyWithoutAPort",
                    "passive\r\n" + std::string(kLogOn) + "put C:\\WORK\\QSAVF.DAT QSAVF\r\nquit\r\n",
                    [](FakeServer& s) { s.replies["PASV"] = "227 Entering Passive Mode.\r\n"; },
                    {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "PASV", "QUIT"},
                    {"> ftp: the server's passive reply names no data port; transfer abandoned.", "ftp> quit"},
                    {"bytes sent"}},
        SessionCase{"PassiveDataConnectionRefused",
                    "passive\r\n" + std::string(kLogOn) + "put C:\\WORK\\QSAVF.DAT QSAVF\r\nquit\r\n",
                    [](FakeServer& s) { s.dataConnectResult = IoResult::kError; },
                    {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "PASV", "QUIT"},
                    {"> ftp: data connection: connect :Connection refused", "ftp> quit"},
                    {"bytes sent"}},
        SessionCase{"PassiveDataConnectionTimesOut",
                    "passive\r\n" + std::string(kLogOn) + "put C:\\WORK\\QSAVF.DAT QSAVF\r\nquit\r\n",
                    [](FakeServer& s) { s.dataConnectResult = IoResult::kTimeout; },
                    {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "PASV", "QUIT"},
                    {"> ftp: data connection: connect :Connection timed out", "ftp> quit"},
                    {"bytes sent"}},
        SessionCase{"BlankLinesAreSkippedQuietly",
                    std::string(kLogOn) + "\r\n   \r\nquit\r\n",
                    nullptr,
                    {"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "QUIT"},
                    {"230 QUSER logged on.", "ftp> quit"},
                    {"ftp> \n"}}),
    [](const ::testing::TestParamInfo<SessionCase>& info) { return std::string(info.param.name); });

TEST(FtpSessionTest, DebugFromTheCommandLineTracesTheLogOnWithoutThePassword) {
  SessionSettings settings;
  settings.debug = true;
  Outcome run = RunScript(kQuitOnly, nullptr, settings);
  EXPECT_NE(run.transcript.find("---> USER QUSER\n331 Enter password.\nPassword:\n---> PASS XXXX\n230"),
            std::string::npos)
      << run.transcript;
  EXPECT_EQ(run.transcript.find("SECRET"), std::string::npos);
}

TEST(FtpSessionTest, PortComesFromTheOpenLineOrTheSettings) {
  SessionSettings settings;
  settings.port = 2121;
  EXPECT_EQ(RunScript(kQuitOnly, nullptr, settings).server.connectedTo.port, 2121);
  EXPECT_EQ(RunScript("open 127.0.0.5 3000\r\nQUSER\r\nSECRET\r\nquit\r\n", nullptr, settings).server.connectedTo.port,
            3000);
}

TEST(FtpSessionTest, WithoutAutoLoginTheLinesAfterOpenAreCommands) {
  SessionSettings settings;
  settings.autoLogin = false;
  Outcome run = RunScript("open 127.0.0.5\r\nbinary\r\nquit\r\n", nullptr, settings);
  EXPECT_EQ(run.server.commands, (std::vector<std::string>{"TYPE I", "QUIT"}));
  EXPECT_EQ(run.transcript.find("User ("), std::string::npos);
}

TEST(FtpSessionTest, LargeUploadArrivesWhole) {
  std::string big(7 << 19, '\0');  // three and a half upload chunks
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7919) >> 3);
  Outcome run = RunScript(std::string(kLogOn) + "put C:\\BIG.DAT BIG\r\nquit\r\n",
                          [&](FakeServer& s) { s.files["C:\\BIG.DAT"] = big; });
  EXPECT_EQ(run.server.uploaded, big);
  EXPECT_NE(run.transcript.find("ftp: 3670016 bytes sent in 0.08Seconds 45875.20Kbytes/sec.\n"), std::string::npos)
      << run.transcript;
}

// Records, with each run of hash marks, how many bytes the server had received by then.
class MarksTranscript : public StringTranscript {
 public:
  explicit MarksTranscript(const FakeServer& server) : server_(server) {}
  void Write(std::string_view text) override {
    if (text.find('#') != std::string_view::npos) marks.push_back({text.size(), server_.uploaded.size()});
    StringTranscript::Write(text);
  }
  std::vector<std::pair<std::size_t, std::size_t>> marks;  // (marks written, bytes uploaded)

 private:
  const FakeServer& server_;
};

TEST(FtpSessionTest, HashMarksFollowEachUploadAndEndTheirLine) {
  FakeServer server;
  const std::string big(2048 * 150 + 2047, 'b');  // ten chunks; the last block is one byte short
  server.files["C:\\BIG.DAT"] = big;
  MarksTranscript out(server);
  FtpSession session(server, server, out, {});
  ScriptLines lines(std::string(kLogOn) +
                    "binary\r\nhash\r\nput C:\\BIG.DAT BIG\r\nput C:\\WORK\\QSAVF.DAT QSAVF\r\nquit\r\n");
  session.Run(lines);
  const std::string stored = "150 Sending file to member QSAVF in file QSAVF in library QTEMP.\n";
  EXPECT_NE(out.text().find("ftp> hash\n"
                            "Hash mark printing On  ftp: (2048 bytes/hash mark) .\n"
                            "ftp> put C:\\BIG.DAT BIG\n"
                            "200 PORT subcommand request successful.\n" +
                            stored + std::string(150, '#') +
                            "\n"
                            "250 File transfer completed successfully.\n"
                            "ftp: 309247 bytes sent in 0.20Seconds 1546.23Kbytes/sec.\n"
                            "ftp> put C:\\WORK\\QSAVF.DAT QSAVF\n"
                            "200 PORT subcommand request successful.\n" +
                            stored +
                            "250 File transfer completed successfully.\n"
                            "ftp: 20 bytes sent in 0.02Seconds 1.00Kbytes/sec.\n"
                            "ftp> quit\n"),
            std::string::npos)
      << out.text();
  // The marks are written as the bytes go, never ahead of them.
  std::vector<std::pair<std::size_t, std::size_t>> expected;
  for (std::size_t chunk = 1; chunk <= 9; ++chunk) expected.push_back({16, chunk * 32768});
  expected.push_back({6, big.size()});
  EXPECT_EQ(out.marks, expected);
  EXPECT_EQ(server.uploaded, big + kSaveFileBytes);
}

TEST(FtpSessionTest, HashedPiecesGrowOnlyOnAFastLine) {
  const std::string big(2048 * 1011 + 6, 'b');  // 16 marks are a piece of 32 KiB
  for (const std::uint64_t sendMs : {1, 20}) {  // 32 MB/s, 1.6 MB/s
    FakeServer server;
    server.dataSendMs = sendMs;
    server.files["C:\\BIG.DAT"] = big;
    MarksTranscript out(server);
    FtpSession session(server, server, out, {});
    ScriptLines lines(std::string(kLogOn) + "hash\r\nput C:\\BIG.DAT BIG\r\nquit\r\n");
    session.Run(lines);
    std::size_t largest = 0;
    for (std::size_t i = 0; i < out.marks.size(); ++i) {
      largest = std::max(largest, out.marks[i].first);
      if (i < 32) {
        EXPECT_EQ(out.marks[i].first, 16u) << "the first MiB in small pieces, " << sendMs << " ms";
      }
    }
    EXPECT_EQ(largest, sendMs == 1 ? 256u : 16u) << sendMs << " ms a send";  // 32, 64, 128, 256 marks
    EXPECT_EQ(server.uploaded, big);
  }
}

// Passive mode: the data connection goes to the host the client talks to (whatever address the
// 227 names), and the client keeps to its time limits, quoting them when it gives up.
// Lines of a multi-line answer whose final line is `last`, about `bytes` long in all.
std::string LongAnswer(std::size_t bytes, const std::string& continuation, const std::string& last) {
  std::string text;
  for (int i = 0; text.size() < bytes; ++i) text += continuation + " " + std::to_string(i) + ".\r\n";
  return text + last + "\r\n";
}

// A host's long answers are taken whole in either mode, as the Windows client takes them; only a
// server that talks on past the answer limits is given up, and the client says so.
TEST(FtpSessionTest, AnswerLimitsStopOnlyAServerThatNeverStopsTalking) {
  const std::size_t mib = 1024 * 1024;
  const std::string greeting = LongAnswer(2 * mib, "220-A host with much to say before the log-on", "220 Ready.");
  const std::string longReply = LongAnswer(4 * mib, "250-Line of a verbose answer", "250 Command successful.");
  const std::string flood = LongAnswer(200000, "150 Still working", "250 Done.");
  const std::string script = std::string(kLogOn) + "quote RCMD CALL X\r\nbinary\r\nquit\r\n";
  const std::string goesOn = "200 Representation type is binary IMAGE.";
  const std::string abandoned = "> ftp: the server's answer went on for more than ";
  struct Case {
    const char* name;
    std::string script;
    AnswerLimits limits;
    std::string greeting;  // empty: the usual one
    std::string reply;
    std::size_t chunkBytes;
    std::uint64_t chunkMs;
    std::string expected;  // a line of the transcript
  } cases[] = {
      {"active: no limit", script, {}, greeting, longReply, 64 * 1024, 0, goesOn},
      {"passive: its limits", "passive\r\n" + script, {}, greeting, longReply, 64 * 1024, 0, goesOn},
      {"bytes", script, {100000, 0}, "", longReply, 64 * 1024, 0, abandoned + "100000 bytes; connection abandoned."},
      {"preliminary lines",
       script,
       {100000, 0},
       "",
       flood,
       64 * 1024,
       0,
       abandoned + "100000 bytes; connection abandoned."},
      {"seconds",
       script,
       {0, 60},
       "",
       LongAnswer(40000, "250-Slowly", "250 Done."),
       64,
       1000,
       abandoned + "60 seconds; connection abandoned."},
      {"a final reply ends the answer in time", script, {0, 60}, "", "150 Working.\r\n250 Done.\r\n", 1, 10000, goesOn},
  };
  for (const Case& c : cases) {
    SessionSettings settings;
    settings.answerLimits = c.limits;
    Outcome run = RunScript(
        c.script,
        [&](FakeServer& s) {
          if (!c.greeting.empty()) s.greeting = c.greeting;
          s.replies["RCMD"] = c.reply;
          s.controlChunkBytes = c.chunkBytes;
          s.controlChunkMs = c.chunkMs;
        },
        settings);
    EXPECT_NE(FindLine(run.transcript, c.expected, 0), std::string::npos) << c.name;
    EXPECT_NE(run.transcript.find("230 QUSER logged on."), std::string::npos) << c.name;
  }
}

TEST(FtpSessionTest, PassiveModeUploadsAndKeepsToItsTimeLimits) {
  Outcome run = RunScript("passive\r\n" + std::string(kLogOn) + "put C:\\WORK\\QSAVF.DAT QSAVF\r\ncd KESTLIB\r\n",
                          [](FakeServer& s) { s.replies["CWD KESTLIB"] = ""; });
  EXPECT_EQ(run.server.commands, (std::vector<std::string>{"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "PASV",
                                                           "STOR QSAVF", "CWD KESTLIB"}));
  EXPECT_EQ(FormatAddress(run.server.dataConnectedTo.address), "127.0.0.5");
  EXPECT_EQ(run.server.dataConnectedTo.port, 1026);
  EXPECT_EQ(run.server.uploaded, kSaveFileBytes);
  EXPECT_TRUE(run.server.uploadFinished);
  EXPECT_EQ(run.server.limits.connectSeconds, 30u);
  EXPECT_EQ(run.server.limits.controlSeconds, 1800u);
  EXPECT_EQ(run.server.limits.dataSeconds, 300u);
  EXPECT_NE(run.transcript.find("ftp> passive\n"
                                "Passive mode On .\n"
                                "ftp> open 127.0.0.5\n"),
            std::string::npos)
      << run.transcript;
  EXPECT_NE(run.transcript.find("227 Entering Passive Mode (10,9,8,7,4,2).\n"
                                "150 Sending file to member QSAVF in file QSAVF in library QTEMP.\n"
                                "250 File transfer completed successfully.\n"
                                "ftp: 20 bytes sent in 0.02Seconds 1.00Kbytes/sec.\n"),
            std::string::npos)
      << run.transcript;
  EXPECT_NE(run.transcript.find("> ftp: no progress on the control connection for 1800 seconds; connection abandoned."),
            std::string::npos)
      << run.transcript;
  // A test's own limit wins; "passive off" brings back the wait without limit.
  SessionSettings limited;
  limited.timeoutSeconds = 7;
  EXPECT_EQ(RunScript("passive\r\n", nullptr, limited).server.limits.controlSeconds, 7u);
  EXPECT_EQ(RunScript("passive\r\npassive off\r\n").server.limits.controlSeconds, 0u);
}

TEST(FtpSessionTest, HostOnTheCommandLineOpensBeforeTheScript) {
  FakeServer server;
  StringTranscript out;
  FtpSession session(server, server, out, {});
  ScriptLines lines("QUSER\r\nSECRET\r\nquit\r\n");
  session.OpenAtStart("127.0.0.9", lines);
  session.Run(lines);
  EXPECT_EQ(server.commands, (std::vector<std::string>{"OPTS UTF8 ON", "USER QUSER", "PASS SECRET", "QUIT"}));
  EXPECT_EQ(out.text().rfind("Connected to 127.0.0.9.\n", 0), 0u) << out.text();
}

}  // namespace
}  // namespace ftpclient::testing
