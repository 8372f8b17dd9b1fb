#include "ftpjob/job_text.h"

#include <gtest/gtest.h>

#include "job_sequences.h"

namespace {

using jobtext::ToTextMode;

// The script as the file operations leave it on disk: BeginScript starts it afresh, every other
// operation appends.
struct ScriptBytes {
  std::string bytes;
  bool Add(const std::string& text) {
    bytes += ToTextMode(text);
    return true;
  }
  void BeginScript(const HostAddress& a, const std::string& u, const std::string& p) {
    bytes = ToTextMode(jobtext::ScriptHeader(a, u, p));
  }
  bool AddRemoteCommand(const std::string& c) { return Add(jobtext::RemoteCommandLine(c)); }
  bool AddPut(const std::string& l, const std::string& r) { return Add(jobtext::PutLine(l, r)); }
  bool AddRawLine(const std::string& t) { return Add(t); }
  void EndScript() { Add(jobtext::QuitLine()); }
};

TEST(JobText, LauncherMatchesExpectedBytes) {
  const std::string launcher = ToTextMode(jobtext::LauncherLine(golden::kLauncherScriptPath, golden::kLauncherLogPath));
  EXPECT_EQ(launcher, golden::ReadExpected("launcher.bat"));
}

TEST(JobText, InstallerJobScriptsMatchExpectedBytes) {
  for (int n = 1; n <= golden::kJobs; ++n) {
    const std::string expected = golden::ReadExpected(golden::kExpectedFiles[n - 1]);
    SCOPED_TRACE(golden::kExpectedFiles[n - 1]);
    ASSERT_FALSE(expected.empty());
    ScriptBytes script;
    golden::WriteInstallerJob(script, n);
    EXPECT_EQ(script.bytes, expected);
  }
}

TEST(JobText, PathsAndCommandsReachTheirReaderUnchanged) {
  // The command interpreter reads the launcher: "%" doubled, so "%TEMP%" is not expanded; the
  // other bytes it treats specially are literal inside the quotes, as is "表" (trail byte 0x5C).
  EXPECT_EQ(ToTextMode(jobtext::LauncherLine("C:\\100%\\表\\F.BAT", "C:\\%TEMP%\\a&b ^(c)!\\L.LOG")),
            "pushd \"C:\\100%%\\表\" && ftp -s:\"C:\\100%%\\表\\F.BAT\" > \"C:\\%%TEMP%%\\a&b ^(c)!\\L.LOG\"\r\n");
  EXPECT_EQ(jobtext::LauncherLine("C:\\F.BAT", "C:\\L.LOG"),
            "pushd \"C:\\\" && ftp -s:\"C:\\F.BAT\" > \"C:\\L.LOG\"\n");
  // The client reads the script: nothing is escaped there.
  EXPECT_EQ(ToTextMode(jobtext::RemoteCommandLine("SNDMSG MSG('say \"hi\"') TOUSR(QSYSOPR)")),
            "quote rcmd \"SNDMSG MSG('say \"hi\"') TOUSR(QSYSOPR)\"\r\n");
  EXPECT_EQ(ToTextMode(jobtext::PutLine("C:\\a \"b\"\\%x%.SAVF", "/QSYS.LIB/X.FILE")),
            "put \"C:\\a \"b\"\\%x%.SAVF\" /QSYS.LIB/X.FILE (replace\r\n");
}

TEST(JobText, ScriptsNameFilesOfTheWorkFolderByTheirBareNames) {
  const struct {
    const char* localPath;
    const char* scriptPath;
    const char* named;
  } cases[] = {
      {"C:\\T\\ZEMO0001\\QSAVF.DAT", "C:\\T\\ZEMO0001\\FTPCMD.BAT", "QSAVF.DAT"},
      {"C:\\Users\\山田\\ZEMO0001\\P.SAVF", "C:\\Users\\山田\\ZEMO0001\\FTPCMD.BAT", "P.SAVF"},
      {"D:\\PROD\\A.SAVF", "C:\\T\\ZEMO0001\\FTPCMD.BAT", "D:\\PROD\\A.SAVF"},
      {"C:\\T\\ZEMO0001\\SUB\\A.SAVF", "C:\\T\\ZEMO0001\\FTPCMD.BAT", "C:\\T\\ZEMO0001\\SUB\\A.SAVF"},
      {"C:\\ソ\\A.SAVF", "C:\\FTPCMD.BAT", "C:\\ソ\\A.SAVF"},  // ソ ends in 0x5C, no separator
      {"A.SAVF", "FTPCMD.BAT", "A.SAVF"},
  };
  for (const auto& c : cases) EXPECT_EQ(jobtext::ScriptFileName(c.localPath, c.scriptPath), c.named) << c.localPath;
  EXPECT_TRUE(jobtext::IsAscii("put \"QSAVF.DAT\" /QSYS.LIB/QTEMP.LIB/QSAVF.FILE (replace\n"));
  EXPECT_FALSE(jobtext::IsAscii("put \"C:\\山田\\A.SAVF\""));
  EXPECT_FALSE(jobtext::IsAscii("\xB1"));  // half-width katakana: one byte, still not ASCII
}

TEST(JobText, ScriptHeaderCornerCases) {
  const struct {
    HostAddress address;
    std::string userId;
    std::string password;
    std::string expected;
  } cases[] = {
      {{{10, 0, 0, 255}}, "U", "P", "open 10.0.0.255\r\nU\r\nP\r\nbinary\r\nhash\r\nDEBUG T1 3600\r\n"},
      {{{0, 0, 0, 0}}, "", "", "open 0.0.0.0\r\n\r\n\r\nbinary\r\nhash\r\nDEBUG T1 3600\r\n"},
      {{{255, 255, 255, 255}}, "USER", "", "open 255.255.255.255\r\nUSER\r\n\r\nbinary\r\nhash\r\nDEBUG T1 3600\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToTextMode(jobtext::ScriptHeader(c.address, c.userId, c.password)), c.expected);
  }
}

// Our client takes its TLS instructions before the open line; a pin the script names wrongly would
// refuse the very host the user accepted.
TEST(JobText, TlsLinesComeOnePinALine) {
  const std::string pin = std::string(64, 'a');
  const struct {
    jobtext::TlsRequest request;
    std::string expected;
  } cases[] = {
      {{false, {pin}, true}, ""},
      {{true, {}, false}, "tls\n"},
      {{true, {pin, std::string(64, '0')}, true},
       "tls\ntls pin " + pin + "\ntls pin " + std::string(64, '0') + "\ntls trust-system\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(jobtext::TlsLines(c.request), c.expected);
}

TEST(JobText, EveryLineFeedIsStoredAsCrLf) {
  const struct {
    std::string text;
    std::string stored;
  } cases[] = {
      {"", ""},
      {"a\nb\n", "a\r\nb\r\n"},
      {"x\r\ny", "x\r\r\ny"},  // a caller's CR LF
      {"\n\n", "\r\n\r\n"},
      {"\r", "\r"},
      {"\x81\n", "\x81\r\n"},  // no look at code page 932 here: only the log scan pairs bytes
  };
  for (const auto& c : cases) EXPECT_EQ(ToTextMode(c.text), c.stored);
}

}  // namespace
