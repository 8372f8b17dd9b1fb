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
    {"only the first occurrence counts", "LOGGED ON, LOGGED ON\r\n", "", LOG_NOT_LOGGED_ON},
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
    {"line feed after a lead byte joins two lines", "\x81\nLOGGED ON.\r\n", "", LOG_OK},
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

}  // namespace
