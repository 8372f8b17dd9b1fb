// EvaluateLog over a log file on disk: the verdict, and whether the log stays.
#include <gtest/gtest.h>

#include "ftpjob/ftp_job.h"
#include "win_test_support.h"

namespace {

constexpr char kCallError[] = "ERROR OCCURRED ON COMMAND CALL";

class EvaluateLogFile : public ::testing::Test {
 protected:
  EvaluateLogFile() { job.logPath = dir.Path("FTPLOG.LOG"); }

  ScratchDirectory dir;
  FtpJob job;
};

TEST_F(EvaluateLogFile, VerdictAndDeletion) {
  const struct {
    const char* what;
    std::string log;
    LogAfterReading deleteLog;
    LogVerdict expected;
  } cases[] = {
      {"logged on, kept", "230 KSTUSER logged on.\r\n", LogAfterReading::kKeep, LOG_OK},
      {"call failed, deleted", "230 KSTUSER logged on.\r\n550 Error occurred on command CALL.\r\n",
       LogAfterReading::kDelete, LOG_ERROR_FOUND},
      {"empty log, deleted", "", LogAfterReading::kDelete, LOG_NOT_LOGGED_ON},
      {"empty log, kept", "", LogAfterReading::kKeep, LOG_NOT_LOGGED_ON},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFileBytes(job.logPath, c.log);
    EXPECT_EQ(job.EvaluateLog(kCallError, c.deleteLog), c.expected);
    EXPECT_EQ(FileExists(job.logPath), c.deleteLog == LogAfterReading::kKeep);
  }
}

TEST_F(EvaluateLogFile, EachCallReadsTheWholeLogAgain) {
  WriteFileBytes(job.logPath, "230 KSTUSER logged on.\r\n550 ERROR OCCURRED ON COMMAND RSTOBJ.\r\n");
  EXPECT_EQ(job.EvaluateLog("ERROR OCCURRED ON COMMAND CRTSAVF", LogAfterReading::kKeep), LOG_OK);
  EXPECT_EQ(job.EvaluateLog("ERROR OCCURRED ON COMMAND RSTOBJ", LogAfterReading::kKeep), LOG_ERROR_FOUND);
  EXPECT_EQ(job.EvaluateLog(kCallError, LogAfterReading::kDelete), LOG_OK);
  EXPECT_FALSE(FileExists(job.logPath));
}

TEST_F(EvaluateLogFile, MissingLogIsUnreadable) {
  EXPECT_EQ(job.EvaluateLog(kCallError, LogAfterReading::kDelete), LOG_UNREADABLE);
}

TEST_F(EvaluateLogFile, LogOpenElsewhereIsUnreadableAndKept) {
  // The log is read without sharing it, so any other open handle keeps it from being read, also
  // one that would share it.
  WriteFileBytes(job.logPath, "230 KSTUSER logged on.\r\n");
  for (const DWORD shareMode : {DWORD{0}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE}}) {
    SCOPED_TRACE(shareMode);
    HeldFile held(job.logPath, shareMode);
    ASSERT_TRUE(held.IsOpen());
    EXPECT_EQ(job.EvaluateLog(kCallError, LogAfterReading::kDelete), LOG_UNREADABLE);
  }
  EXPECT_TRUE(FileExists(job.logPath));
}

TEST_F(EvaluateLogFile, ReadErrorIsUnreadable) {
  // The test bed links this name to a file that opens but cannot be read.
  const std::string unreadable = TestBedPath("KESTRALON_UNREADABLE_FILE");
  if (unreadable.empty()) GTEST_SKIP() << "KESTRALON_UNREADABLE_FILE not set";
  const HANDLE probe = CreateFileA(unreadable.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(probe, INVALID_HANDLE_VALUE) << "must open, so that the read is what fails";
  CloseHandle(probe);
  job.logPath = unreadable;
  EXPECT_EQ(job.EvaluateLog(kCallError, LogAfterReading::kDelete), LOG_UNREADABLE);
  EXPECT_TRUE(FileExists(job.logPath));
}

}  // namespace
