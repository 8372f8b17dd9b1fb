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

struct SessionCase {
  const char* what;
  std::string log;
  bool loggedOn, ended, uploadsSent, directoryAnswered;
};

const std::string head = kHead, put = kPut, quit = kQuit;
const SessionCase kSessions[] = {
    {"empty log", "", false, false, true, false},
    {"whole job with an upload", head + put + quit, true, true, true, false},
    {"two uploads", head + put + put + quit, true, true, true, false},
    {"connection lost during the upload", head + put.substr(0, 120) + "Connection closed by remote host.\r\n", true,
     false, false, false},
    {"upload refused: data connection",
     head +
         "ftp> put \"X\" Y (replace\r\n200 PORT ok.\r\n425 Data connection "
         "cannot be opened.\r\n" +
         quit,
     true, true, false, false},
    {"upload answered with an error after the bytes",
     head +
         "ftp> put \"X\" Y (replace\r\n150 Sending.\r\n"
         "ftp: 10 bytes sent in 0.00Seconds\r\n451 Transfer failed.\r\n" +
         quit,
     true, true, false, false},
    {"local file missing", head + "ftp> put \"X\" Y (replace\r\nError opening local file X.\r\n" + quit, true, true,
     false, false},
    {"the last of two uploads unconfirmed", head + put + "ftp> put \"X\" Y (replace\r\n", true, false, false, false},
    {"cd to an existing library", head + "ftp> cd SAMPLIB\r\n250 \"SAMPLIB\" is current library.\r\n" + quit, true,
     true, true, true},
    {"cd to a new library", head + "ftp> cd NEWLIB\r\n550 Specified library NEWLIB does not exist.\r\n" + quit, true,
     true, true, true},
    {"connection reset at cd",
     head + "ftp> cd SAMPLIB\r\nConnection closed by remote host.\r\nftp> quit\r\n"
            "Not connected.\r\n",
     true, false, true, false},
    {"refused log-on", "ftp> open 1.2.3.4\r\n220 Ready.\r\n530 DEMO not logged on.\r\nLogin failed.\r\n" + quit, false,
     true, true, false},
    {"quit reply cut off", head + quit.substr(0, 20), true, false, true, false},
    // A client that echoes no command: the cd's reply is still recognised, and nothing else is.
    {"no echoes, cd answered",
     "220 Ready.\r\n331 Enter password.\r\n230 DEMO logged on.\r\n200 Type I.\r\n"
     "550 Specified library NEWLIB does not exist.\r\n221 QUIT subcommand received.\r\n",
     true, true, true, true},
    {"no echoes, connection lost after TYPE",
     "220 Ready.\r\n230 DEMO logged on.\r\n200 Type I.\r\n"
     "Connection closed by remote host.\r\n",
     true, false, true, false},
};

TEST(LogScan, SessionFacts) {
  for (const SessionCase& c : kSessions) {
    const logscan::SessionFacts facts = logscan::ReadSession(c.log);
    EXPECT_EQ(facts.loggedOn, c.loggedOn) << c.what;
    EXPECT_EQ(facts.sessionEnded, c.ended) << c.what;
    EXPECT_EQ(facts.uploadsSent, c.uploadsSent) << c.what;
    EXPECT_EQ(facts.directoryAnswered, c.directoryAnswered) << c.what;
  }
}

}  // namespace
