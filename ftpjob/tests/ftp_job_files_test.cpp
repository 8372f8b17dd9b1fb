// The job files as FtpJob leaves them on disk.
#include <gtest/gtest.h>

#include "ftpjob/ftp_job.h"
#include "job_sequences.h"
#include "win_test_support.h"

namespace {

constexpr char kHeader[] = "open 192.168.1.20\r\nKSTUSER\r\nPASS123\r\nbinary\r\nhash\r\nDEBUG T1 3600\r\n";

class FtpJobFiles : public ::testing::Test {
 protected:
  FtpJobFiles() {
    job.launcherPath = dir.Path("DOSCMD.BAT");
    job.scriptPath = dir.Path("FTPCMD.BAT");
    job.logPath = dir.Path("FTPLOG.LOG");
  }

  int BeginScript() { return job.BeginScript(golden::kAddress, golden::kUserId, golden::kPassword); }

  ScratchDirectory dir;
  FtpJob job;
};

TEST_F(FtpJobFiles, LauncherMatchesExpectedBytes) {
  // Only the launcher is written here; the paths it names need not exist.
  job.scriptPath = golden::kLauncherScriptPath;
  job.logPath = golden::kLauncherLogPath;
  ASSERT_EQ(job.WriteLauncher(), 1);
  EXPECT_EQ(ReadFileBytes(job.launcherPath), golden::ReadExpected("launcher.bat"));
}

TEST_F(FtpJobFiles, InstallerJobScriptsMatchExpectedBytes) {
  for (int n = 1; n <= golden::kJobs; ++n) {
    SCOPED_TRACE(golden::kExpectedFiles[n - 1]);
    ASSERT_EQ(job.WriteLauncher(), 1);
    golden::WriteInstallerJob(job, n);
    EXPECT_EQ(ReadFileBytes(job.scriptPath), golden::ReadExpected(golden::kExpectedFiles[n - 1]));
  }
}

TEST_F(FtpJobFiles, EveryOperationReportsSuccess) {
  EXPECT_EQ(job.WriteLauncher(), 1);
  EXPECT_EQ(BeginScript(), 1);
  EXPECT_EQ(job.AddRemoteCommand("CLRSAVF FILE(QTEMP/QSAVF)"), 1);
  EXPECT_EQ(job.AddPut("C:\\A.SAVF", "/QSYS.LIB/QTEMP.LIB/QSAVF.FILE"), 1);
  EXPECT_EQ(job.AddRawLine("cd LIB\n"), 1);
  EXPECT_EQ(job.EndScript(), 1);
}

TEST_F(FtpJobFiles, JobWithoutCommandsHasSixLines) {
  BeginScript();
  job.EndScript();
  EXPECT_EQ(ReadFileBytes(job.scriptPath), std::string(kHeader) + "quit\r\n");
}

TEST_F(FtpJobFiles, RawLineWithoutLineEndRunsIntoQuit) {
  BeginScript();
  job.AddRawLine("cd LIB");
  job.EndScript();
  EXPECT_EQ(ReadFileBytes(job.scriptPath), std::string(kHeader) + "cd LIBquit\r\n");
}

TEST_F(FtpJobFiles, CallersCrLfIsStoredAsCrCrLf) {
  job.AddRawLine("cd A\r\n");
  job.AddRemoteCommand("X\r\nY");
  EXPECT_EQ(ReadFileBytes(job.scriptPath), "cd A\r\r\nquote rcmd \"X\r\r\nY\"\r\n");
}

TEST_F(FtpJobFiles, AppendingWithoutBeginScriptWritesOnlyItsOwnLines) {
  ASSERT_FALSE(FileExists(job.scriptPath));
  EXPECT_EQ(job.AddPut("C:\\\"Q\"\\%X%.SAVF", "R"), 1);
  EXPECT_EQ(job.EndScript(), 1);
  EXPECT_EQ(ReadFileBytes(job.scriptPath), "put \"C:\\\"Q\"\\%X%.SAVF\" R (replace\r\nquit\r\n");
}

TEST_F(FtpJobFiles, ScriptLinesAreAsciiOrNotWritten) {
  // The work folder's own files by their bare names, wherever it is; anything else outside ASCII
  // is refused, since the client would read it as UTF-8.
  const std::string workFile = job.scriptPath.substr(0, job.scriptPath.rfind('\\') + 1) + "QSAVF.DAT";
  EXPECT_EQ(job.AddPut(workFile, "R"), 1);
  EXPECT_EQ(job.AddPut("C:\\山田\\A.SAVF", "R"), 0);
  EXPECT_EQ(job.AddRemoteCommand("CALL PGM(表)"), 0);
  EXPECT_EQ(job.AddRawLine("cd ｿ\n"), 0);
  EXPECT_EQ(ReadFileBytes(job.scriptPath), "put \"QSAVF.DAT\" R (replace\r\n");
}

TEST_F(FtpJobFiles, SecondBeginScriptReplacesTheScript) {
  BeginScript();
  job.AddRemoteCommand("CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)");
  job.BeginScript({{10, 0, 0, 255}}, "", "");
  EXPECT_EQ(ReadFileBytes(job.scriptPath), "open 10.0.0.255\r\n\r\n\r\nbinary\r\nhash\r\nDEBUG T1 3600\r\n");
}

TEST_F(FtpJobFiles, WriteLauncherRemovesThePreviousJob) {
  WriteFileBytes(job.launcherPath, "old launcher, much longer than the new one ......................");
  WriteFileBytes(job.scriptPath, "old script");
  WriteFileBytes(job.logPath, "old log");
  ASSERT_EQ(job.WriteLauncher(), 1);
  EXPECT_FALSE(FileExists(job.scriptPath));
  EXPECT_FALSE(FileExists(job.logPath));
  const std::string folder = job.scriptPath.substr(0, job.scriptPath.rfind('\\'));
  EXPECT_EQ(ReadFileBytes(job.launcherPath),
            "pushd \"" + folder + "\" && ftp -s:\"" + job.scriptPath + "\" > \"" + job.logPath + "\"\r\n");
}

TEST_F(FtpJobFiles, PreviousLogIsGoneAlsoWhenTheLauncherCannotBeOpened) {
  WriteFileBytes(job.scriptPath, "old script");
  WriteFileBytes(job.logPath, "old log");
  job.launcherPath = dir.Path("missing\\DOSCMD.BAT");
  EXPECT_EQ(job.WriteLauncher(), 0);
  EXPECT_FALSE(FileExists(job.scriptPath));
  EXPECT_FALSE(FileExists(job.logPath));
}

TEST_F(FtpJobFiles, ScriptOpenElsewhereIsLeftUntouched) {
  // The script is opened without sharing, so any other open handle keeps it from being opened.
  BeginScript();
  for (const DWORD shareMode : {DWORD{0}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE}}) {
    SCOPED_TRACE(shareMode);
    HeldFile held(job.scriptPath, shareMode);
    ASSERT_TRUE(held.IsOpen());
    EXPECT_EQ(BeginScript(), 0);
    EXPECT_EQ(job.AddRemoteCommand("DLTLIB LIB"), 0);
    EXPECT_EQ(job.EndScript(), 0);
  }
  EXPECT_EQ(ReadFileBytes(job.scriptPath), kHeader);
}

TEST_F(FtpJobFiles, WriteFailureAfterOpeningReportsFailure) {
  // The test bed links this name to a device on which every write fails for lack of space.
  const std::string fullDisk = TestBedPath("KESTRALON_FULL_DISK");
  if (fullDisk.empty()) GTEST_SKIP() << "KESTRALON_FULL_DISK not set";
  job.scriptPath = fullDisk;
  EXPECT_EQ(BeginScript(), 0);
  EXPECT_EQ(job.AddRemoteCommand("CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)"), 0);
  EXPECT_EQ(job.AddRawLine(""), 1);  // nothing to write, so nothing lost
}

}  // namespace
