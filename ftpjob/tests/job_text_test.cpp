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
  EXPECT_EQ(launcher.size(), 16 + golden::kLauncherScriptPath.size() + golden::kLauncherLogPath.size());
}

TEST(JobText, InstallerJobScriptsMatchExpectedBytes) {
  for (int n = 1; n <= 4; ++n) {
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
            "ftp -s:\"C:\\100%%\\表\\F.BAT\" > \"C:\\%%TEMP%%\\a&b ^(c)!\\L.LOG\"\r\n");
  // The client reads the script: nothing is escaped there.
  EXPECT_EQ(ToTextMode(jobtext::RemoteCommandLine("SNDMSG MSG('say \"hi\"') TOUSR(QSYSOPR)")),
            "quote rcmd \"SNDMSG MSG('say \"hi\"') TOUSR(QSYSOPR)\"\r\n");
  EXPECT_EQ(ToTextMode(jobtext::PutLine("C:\\a \"b\"\\%x%.SAVF", "/QSYS.LIB/X.FILE")),
            "put \"C:\\a \"b\"\\%x%.SAVF\" /QSYS.LIB/X.FILE (replace\r\n");
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
