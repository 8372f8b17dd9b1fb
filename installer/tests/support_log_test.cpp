// The support log's text rules, the unattended run's command line, SHA-256 and the outcomes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/command_line.h"
#include "installer/messages.h"
#include "installer/run_outcome.h"
#include "fileutil/sha256.h"
#include "installer/support_log_text.h"
#include "installer/text_rules.h"

namespace {

using supportlog::MaskSecret;

TEST(MaskSecret, NoFormOfThePasswordSurvives) {
  struct Row {
    std::string text, secret, expected;
  };
  const std::vector<Row> rows = {
      {"user DEMO\r\nPASS1234\r\n", "PASS1234", "user DEMO\r\n****\r\n"},
      {"331 pass1234 echoed, Pass1234 again", "PASS1234", "331 **** echoed, **** again"},
      {"A B%C\"D^E&F", "B%C\"D^E&", "A ****F"},      // the characters a command interpreter reads
      {"x%TEMP%y", "%TEMP%", "x****y"},              // never expanded on the way
      {"PWPWPW", "PWPW", "****PW"},                  // what is left is no longer the password
      {"no password here", "", "no password here"},  // an empty password masks nothing
      {"\x95\x5C"
       "AB",
       "\x5C"
       "AB",
       "\x95****"},                                    // even inside a double-byte character
      {"\x8E\x84\x8E\x84X", "\x8E\x84", "********X"},  // a Japanese password
  };
  for (const Row& row : rows) EXPECT_EQ(MaskSecret(row.text, row.secret), row.expected) << row.text;
}

TEST(SupportLogFiles, NamesSortByTimeAndOnlyTheOldestBeyondTwentyGo) {
  const supportlog::Clock time{2026, 12, 8, 15, 2, 31, 7};
  EXPECT_EQ(supportlog::LogFileName(time), "20261208-150231-007.log");
  EXPECT_EQ(supportlog::LogFileName(time, 2), "20261208-150231-007-2.log");
  for (const char* name : {"20261208-150231-007.log", "20261208-150231-007-12.log"}) {
    EXPECT_TRUE(supportlog::IsLogFileName(name)) << name;
  }
  for (const char* name : {"20261208-150231-007.txt", "notes.log", "20261208-150231.log", "20261208-150231-007-.log",
                           "2026120a-150231-007.log", "x20261208-150231-007.log"}) {
    EXPECT_FALSE(supportlog::IsLogFileName(name)) << name;
  }
  std::vector<std::string> names = {"readme.txt", "notes.log"};
  for (int day = 1; day <= 22; ++day) names.push_back(supportlog::LogFileName({2026, 1, day, 9, 0, 0, 0}));
  names.push_back(supportlog::LogFileName({2026, 1, 1, 9, 0, 0, 0}, 10));
  names.push_back(supportlog::LogFileName({2026, 1, 1, 9, 0, 0, 0}, 9));
  // 24 logs: the four oldest go, the first day's "-10" after its "-9"; other files stay.
  const std::vector<std::string> expected = {"20260101-090000-000.log", "20260101-090000-000-9.log",
                                             "20260101-090000-000-10.log", "20260102-090000-000.log"};
  EXPECT_EQ(supportlog::LogsToRemove(names), expected);
  EXPECT_TRUE(supportlog::LogsToRemove({"20260101-090000-000.log"}).empty());
}

TEST(SupportLogFiles, EntriesAndBlocksEndEveryLineInCrLf) {
  const supportlog::Clock time{2026, 1, 1, 9, 5, 7, 42};
  EXPECT_EQ(supportlog::Entry(time, "one\ntwo"), "[09:05:07.042] one\r\n               two\r\n");
  EXPECT_EQ(supportlog::Block("log", "220 hi\r\n230 in"),
            "  --- log ---\r\n  | 220 hi\r\n  | 230 in\r\n  --- end of log ---\r\n");
  EXPECT_EQ(supportlog::Block("log", ""), "  --- log ---\r\n  --- end of log ---\r\n");
}

// A block beyond the limit keeps whole lines from both ends: a line is kept whole or left out,
// so a password on it is never cut into a piece the mask no longer recognises.
TEST(SupportLogFiles, LongBlocksKeepWholeLinesFromBothEnds) {
  struct Row {
    std::string bytes;
    std::size_t kept;
    std::string expected;
  };
  const std::string open = "  --- log ---\r\n", close = "  --- end of log ---\r\n";
  const std::vector<Row> rows = {
      {"12345678", 8, open + "  | 12345678\r\n" + close},  // at the limit: all of it
      {"ab\r\ncd\r\nef\r\ngh\r\n", 8, open + "  | ab\r\n  [8 bytes, 2 lines left out]\r\n  | gh\r\n" + close},
      // The CR LF at the cut stays one line end; a last line without one is kept and closed.
      {"ab\r\ncd\r\nef\r\ng", 9, open + "  | ab\r\n  [8 bytes, 2 lines left out]\r\n  | g\r\n" + close},
      // A line longer than half the limit is left out whole at either end.
      {"PASS1234 PASS1234\nshort\nx PASS1234 tail line", 16, open + "  [44 bytes, 2 lines left out]\r\n" + close},
      {"a\n" + std::string(100, '#') + "\n221 bye\n", 20,
       open + "  | a\r\n  [101 bytes, 1 line left out]\r\n  | 221 bye\r\n" + close},
  };
  for (const Row& row : rows) EXPECT_EQ(supportlog::Block("log", row.bytes, row.kept), row.expected) << row.bytes;
}

TEST(Sha256, KnownVectors) {
  const auto hash = [](const std::string& text, std::size_t pieces = 1) {
    Sha256 sha;
    const std::size_t step = text.size() / pieces + 1;
    for (std::size_t at = 0; at < text.size(); at += step) sha.Add(text.data() + at, std::min(step, text.size() - at));
    return sha.HexDigest();
  };
  EXPECT_EQ(hash(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(hash("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  const std::string twoBlocks = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  EXPECT_EQ(hash(twoBlocks), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(hash(twoBlocks, 7), hash(twoBlocks));
  EXPECT_EQ(hash(std::string(1000000, 'a'), 13), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(CommandLine, SplitsAsTheCRuntimeDoes) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitArguments("  /silent   /host=1.2.3.4 "), (V{"/silent", "/host=1.2.3.4"}));
  EXPECT_EQ(SplitArguments("\"/log=C:\\a b\\x.log\" /user=u"), (V{"/log=C:\\a b\\x.log", "/user=u"}));
  EXPECT_EQ(SplitArguments("/log=\"a\\\\\" b"), (V{"/log=a\\", "b"}));
  EXPECT_EQ(SplitArguments("a\\\"b \\\\x"), (V{"a\"b", "\\\\x"}));
  // A trail byte 0x5C before a quote is no backslash.
  EXPECT_EQ(SplitArguments("\"/log=\x95\x5C\" x"), (V{"/log=\x95\x5C", "x"}));
}

TEST(CommandLine, Switches) {
  struct Row {
    std::string arguments;
    std::string error;  // empty: accepted
    bool silent;
    std::string user, library;
    bool overwrite;
  };
  const auto refused = [](const std::string& detail) { return FormatText(msg::kBadCommandLine, detail); };
  const std::vector<Row> rows = {
      {"", "", false, "", "", false},
      {"/silent /host=10.0.0.1 /user=demo", "", true, "DEMO", "", false},
      {"-SILENT /Host:10.0.0.1 /USER=Demo /library=mylib /overwrite=YES /log=C:\\x.log", "", true, "DEMO", "MYLIB",
       true},
      {"/host=10.0.0.1 /user=demo", "", false, "DEMO", "", false},  // pre-fills the form
      {"/silent /host=10.0.0.1 /user=demo /overwrite=no", "", true, "DEMO", "", false},
      {"/silent /user=demo", refused(msg::kSilentNeedsHost), true, "DEMO", "", false},
      {"/silent /host=10.0.0.1", refused(msg::kSilentNeedsUser), true, "", "", false},
      {"/password=secret /silent", refused(msg::kPasswordNotOnCommandLine), true, "", "", false},
      {"/silent /host=10.0.0.1 /user=demo /p:x", refused(msg::kPasswordNotOnCommandLine), true, "DEMO", "", false},
      {"/host=1.2.3", refused(FormatText(msg::kInvalidHostSwitch, "/host=1.2.3")), false, "", "", false},
      {"/host=1.2.3.256", refused(FormatText(msg::kInvalidHostSwitch, "/host=1.2.3.256")), false, "", "", false},
      {"/host=1.2.3.4x", refused(FormatText(msg::kInvalidHostSwitch, "/host=1.2.3.4x")), false, "", "", false},
      {"/host=", refused(FormatText(msg::kSwitchWithoutValue, "/host=")), false, "", "", false},
      {"/user", refused(FormatText(msg::kSwitchWithoutValue, "/user")), false, "", "", false},
      {"/user=a /user=b", refused(FormatText(msg::kSwitchTwice, "/user=b")), false, "A", "", false},
      {"/user=1ABC", refused(msg::kInvalidUserId), false, "1ABC", "", false},
      {"/user=\"A B\"", refused(msg::kInvalidUserId), false, "A B", "", false},
      {"/library=LIB(X)", refused(msg::kInvalidLibrary), false, "", "LIB(X)", false},
      {"/overwrite=maybe", refused(FormatText(msg::kInvalidOverwriteSwitch, "/overwrite=maybe")), false, "", "", false},
      {"/silent=yes", refused(FormatText(msg::kUnknownSwitch, "/silent")), false, "", "", false},
      {"/verysilent", refused(FormatText(msg::kUnknownSwitch, "/verysilent")), false, "", "", false},
      {"/passwrd=secret", refused(FormatText(msg::kUnknownSwitch, "/passwrd")), false, "", "", false},
      {"secret", refused(msg::kNotASwitch), false, "", "", false},
  };
  for (const Row& row : rows) {
    const CommandLine line = ParseCommandLine(row.arguments);
    EXPECT_EQ(line.error, row.error) << row.arguments;
    EXPECT_EQ(line.silent, row.silent) << row.arguments;
    EXPECT_EQ(line.userId, row.user) << row.arguments;
    EXPECT_EQ(line.library, row.library) << row.arguments;
    EXPECT_EQ(line.overwrite, row.overwrite) << row.arguments;
  }
  const CommandLine full = ParseCommandLine("/silent /host=192.168.0.255 /user=u /log=\"C:\\a b\\x.log\"");
  ASSERT_TRUE(full.host.has_value());
  EXPECT_EQ(full.host->value[0], 192);
  EXPECT_EQ(full.host->value[3], 255);
  EXPECT_EQ(full.logPath, "C:\\a b\\x.log");
  // /? answers alone, whatever else is missing.
  const CommandLine help = ParseCommandLine("/silent /?");
  EXPECT_TRUE(help.help);
  EXPECT_EQ(help.error, "");
}

TEST(CommandLine, TlsSwitchesReplaceTheSettings) {
  const std::string a(64, 'a'), b(64, 'b');
  const tlstrust::TlsPolicy settings{tlstrust::TlsMode::kAuto, {b}};
  const auto refused = [](const std::string& detail) { return FormatText(msg::kBadCommandLine, detail); };
  const struct {
    std::string arguments;
    std::string error;
    tlstrust::TlsMode mode;
    std::vector<std::string> pins;
  } rows[] = {
      {"", "", tlstrust::TlsMode::kAuto, {b}},
      {"/TLS=Required", "", tlstrust::TlsMode::kRequired, {b}},
      {"/tls:off", "", tlstrust::TlsMode::kOff, {b}},
      // Repeated, comma-separated, written in capitals with colons: each once, normalised.
      {"/certificate-sha256=" + a + " -Certificate-SHA256:" + std::string(64, 'B') + "," + a,
       "",
       tlstrust::TlsMode::kAuto,
       {a, b}},
      {"/tls=on", refused(FormatText(msg::kInvalidTlsSwitch, "/tls=on")), tlstrust::TlsMode::kAuto, {b}},
      {"/tls=off /tls=auto", refused(FormatText(msg::kSwitchTwice, "/tls=auto")), tlstrust::TlsMode::kOff, {b}},
      {"/certificate-sha256=" + a + ",12ab",
       refused(FormatText(msg::kInvalidCertificateSwitch, "12ab")),
       tlstrust::TlsMode::kAuto,
       {}},
  };
  for (const auto& row : rows) {
    const CommandLine line = ParseCommandLine(row.arguments);
    EXPECT_EQ(line.error, row.error) << row.arguments;
    const tlstrust::TlsPolicy policy = WithTlsSwitches(settings, line);
    EXPECT_EQ(policy.mode, row.mode) << row.arguments;
    if (row.error.empty()) {
      EXPECT_EQ(policy.pins, row.pins) << row.arguments;
    }
  }
}

TEST(CommandLine, PasswordAsTheFormWouldTakeIt) {
  EXPECT_EQ(PasswordAsTyped("  demo1234 \r"), std::optional<std::string>("DEMO1234"));
  EXPECT_EQ(PasswordAsTyped("a b%c\"^&"), std::optional<std::string>("A B%C\"^&"));
  EXPECT_EQ(PasswordAsTyped("\x82\x61z"), std::optional<std::string>("\x82\x61Z"));  // trail byte 'a' kept
  EXPECT_EQ(PasswordAsTyped("12345678901"), std::nullopt);
  EXPECT_EQ(FirstLine("pw one\r\nrest"), "pw one");
  EXPECT_EQ(FirstLine("pw"), "pw");
}

TEST(RunOutcome, EachMessageNamesItsOutcome) {
  const std::pair<std::string, ExitCode> rows[] = {
      {msg::kInstallCompleted, ExitCode::kSuccess},
      {msg::kEnterPassword, ExitCode::kBadInput},
      {msg::kLogOnFailedCheck, ExitCode::kLogOnFailed},
      {msg::kLogOnFailedInstall, ExitCode::kLogOnFailed},
      {FormatText(msg::kNoSaveFileAuthority, "DEMO"), ExitCode::kNoAuthority},
      {FormatText(msg::kNoRestoreAuthority, "DEMO"), ExitCode::kNoAuthority},
      {msg::kUploadFailed, ExitCode::kUploadFailed},
      {msg::kCrtsavfFailed, ExitCode::kHostStepFailed},
      {msg::kNotVerified, ExitCode::kNotVerified},
      {msg::kTlsLost, ExitCode::kNoTrustedTls},
      {msg::kCertificateChangedDuringRun, ExitCode::kNoTrustedTls},
      {msg::kUnknownError, ExitCode::kUnknownError},
      {FormatText(msg::kNoSaveFileAuthority, "OTHER"), ExitCode::kUnknownError},
  };
  for (const auto& [message, code] : rows) EXPECT_EQ(OutcomeOfMessage(message, "DEMO"), code) << message;
}

}  // namespace
