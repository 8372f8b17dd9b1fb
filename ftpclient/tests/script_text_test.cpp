#include "ftpclient/core/script_text.h"

#include <gtest/gtest.h>

#include "ftpclient/core/command_line.h"
#include "ftpclient/core/messages.h"

namespace ftpclient {
namespace {

TEST(ScriptLinesTest, SplitsAtLineFeedsAndDropsTheCarriageReturn) {
  ScriptLines lines("open 1.2.3.4\r\nQUSER\r\n\r\nquit");
  std::vector<std::string> read;
  std::string line;
  while (lines.Next(line)) read.push_back(line);
  EXPECT_EQ(read, (std::vector<std::string>{"open 1.2.3.4", "QUSER", "", "quit"}));
}

struct WordsCase {
  std::string line;
  std::vector<std::string> words;
};

class SplitWordsTest : public ::testing::TestWithParam<WordsCase> {};

TEST_P(SplitWordsTest, SplitsLikeTheWindowsClient) { EXPECT_EQ(SplitWords(GetParam().line), GetParam().words); }

INSTANTIATE_TEST_SUITE_P(
    Lines, SplitWordsTest,
    ::testing::Values(WordsCase{"", {}}, WordsCase{" \t ", {}},
                      WordsCase{
                          "put \"C:\\Program Files\\A B\\X.SAVF\" /QSYS.LIB/QTEMP.LIB/QSAVF.FILE (replace",
                          {"put", "C:\\Program Files\\A B\\X.SAVF", "/QSYS.LIB/QTEMP.LIB/QSAVF.FILE", "(replace"}},
                      WordsCase{"  cd\tKESTLIB  ", {"cd", "KESTLIB"}}, WordsCase{"a\"b c\"d e", {"ab cd", "e"}},
                      WordsCase{"put \"unterminated path", {"put", "unterminated path"}},
                      WordsCase{"x \"\" y", {"x", "", "y"}},
                      // Code page 932: the second byte of 表 is 0x5C and must not disturb the quoting.
                      WordsCase{"put \"C:\\\x95\x5C\\Q.DAT\" R", {"put", "C:\\\x95\x5C\\Q.DAT", "R"}}));

TEST(TextAfterFirstWordTest, KeepsTheRestByteForByte) {
  EXPECT_EQ(TextAfterFirstWord("quote rcmd \"CRTSAVF FILE(QTEMP/QSAVF)  AUT(*ALL)\""),
            "rcmd \"CRTSAVF FILE(QTEMP/QSAVF)  AUT(*ALL)\"");
  EXPECT_EQ(TextAfterFirstWord("  quote   NOOP  "), "NOOP  ");
  EXPECT_EQ(TextAfterFirstWord("quote"), "");
}

TEST(LookUpCommandTest, CaseAndUniquePrefixes) {
  const std::pair<const char*, CommandKind> cases[] = {
      {"open", CommandKind::kOpen},
      {"OPEN", CommandKind::kOpen},
      {"o", CommandKind::kOpen},
      {"DEBUG", CommandKind::kDebug},
      {"deb", CommandKind::kDebug},
      {"bin", CommandKind::kBinary},
      {"b", CommandKind::kAmbiguous},
      {"bye", CommandKind::kQuit},
      {"quit", CommandKind::kQuit},
      {"qu", CommandKind::kAmbiguous},
      {"quo", CommandKind::kQuote},
      {"literal", CommandKind::kQuote},
      {"PASSIVE", CommandKind::kPassive},
      {"pas", CommandKind::kInvalid},  // as on Windows: only the whole word is this client's own
      {"put", CommandKind::kPut},
      {"send", CommandKind::kPut},
      {"cd", CommandKind::kCd},
      {"c", CommandKind::kAmbiguous},
      {"disconnect", CommandKind::kClose},
      {"get", CommandKind::kInvalid},
      {"user", CommandKind::kInvalid},
      {"frobnicate", CommandKind::kInvalid},
      {"putx", CommandKind::kInvalid},
      {"hash", CommandKind::kHash},
      {"ha", CommandKind::kHash},
      {"h", CommandKind::kAmbiguous},
      {"", CommandKind::kNone},
  };
  for (const auto& [word, kind] : cases) EXPECT_EQ(LookUpCommand(word), kind) << word;
}

TEST(ParseDottedAddressTest, OnlyFourDecimalValuesUpTo255) {
  EXPECT_EQ(ParseDottedAddress("10.0.0.255"), (Ipv4Address{10, 0, 0, 255}));
  EXPECT_EQ(ParseDottedAddress("127.0.0.5"), (Ipv4Address{127, 0, 0, 5}));
  for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "1.2.3.256", "1..3.4", "a.b.c.d", "1.2.3.4 ", "1234.1.1.1"}) {
    EXPECT_FALSE(ParseDottedAddress(bad)) << bad;
  }
}

TEST(ParseSettingsTest, PortsAndTimeouts) {
  EXPECT_EQ(ParsePortNumber("21"), 21);
  EXPECT_EQ(ParsePortNumber("65535"), 65535);
  for (const char* bad : {"", "0", "65536", "-1", "2 1", "0x15", "123456"}) EXPECT_FALSE(ParsePortNumber(bad)) << bad;
  EXPECT_EQ(ParseTimeoutSeconds("120"), 120u);
  EXPECT_EQ(ParseTimeoutSeconds("3"), 3u);
  for (const char* bad : {"", "0", "86401", "1.5", "ten"}) EXPECT_FALSE(ParseTimeoutSeconds(bad)) << bad;
}

TEST(FormatTest, PortArgumentStatisticsAndLineEnds) {
  EXPECT_EQ(FormatPortArgument({{127, 0, 0, 1}, 0x1234}), "127,0,0,1,18,52");
  EXPECT_EQ(FormatPortArgument({{10, 1, 2, 3}, 65535}), "10,1,2,3,255,255");
  EXPECT_EQ(FormatSentStatistics(Language::kEnglish, 232848, 1500),
            "ftp: 232848 bytes sent in 1.50Seconds 155.23Kbytes/sec.");
  EXPECT_EQ(FormatSentStatistics(Language::kEnglish, 232848, 0),
            "ftp: 232848 bytes sent in 0.00Seconds 232848.00Kbytes/sec.");
  EXPECT_EQ(WithCrLf("a\nb\n\n"), "a\r\nb\r\n\r\n");
  EXPECT_EQ(WithCrLf("User (h:(none)): "), "User (h:(none)): ");
}

TEST(ParseSettingsTest, LanguageFromTheVariableOrTheUserInterface) {
  EXPECT_EQ(ParseLanguageName("ja"), Language::kJapanese);
  EXPECT_EQ(ParseLanguageName("en"), Language::kEnglish);
  for (const char* bad : {"", "JA", "jp", "ja_JP", "english"}) EXPECT_FALSE(ParseLanguageName(bad)) << bad;
  EXPECT_EQ(LanguageOfUiLanguage(0x0411), Language::kJapanese);  // ja-JP
  EXPECT_EQ(LanguageOfUiLanguage(0x0409), Language::kEnglish);   // en-US
  EXPECT_EQ(LanguageOfUiLanguage(0x0804), Language::kEnglish);   // zh-CN: not translated here
}

// Local names in a script are UTF-8; anything else is not a name the client can open.
TEST(Utf16FromUtf8Test, DecodesOnlyValidUtf8) {
  EXPECT_EQ(Utf16FromUtf8("C:\\A B\\X.DAT"), std::u16string(u"C:\\A B\\X.DAT"));
  EXPECT_EQ(Utf16FromUtf8("C:\\Users\\\xE5\xB1\xB1\xE7\x94\xB0\\Q"),
            std::u16string(u"C:\\Users\\\u5C71\u7530\\Q"));  // 山田
  EXPECT_EQ(Utf16FromUtf8("\xC3\xA9\xF0\x9F\x98\x80"), std::u16string(u"\u00E9\U0001F600"));
  EXPECT_EQ(Utf16FromUtf8(""), std::u16string());
  for (const char* bad :
       {"C:\\Users\\\x8E\x52\x93\x63\\Q",  // 山田 in code page 932
        "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE5\xB1", "\xFF", "a\x80"}) {
    EXPECT_FALSE(Utf16FromUtf8(bad)) << bad;
  }
}

struct CommandLineCase {
  std::string line;
  std::string script;
  std::string host;
  bool debug;
  bool autoLogin;
  bool bad;
};

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTest, ReadsOptions) {
  const CommandLineCase& c = GetParam();
  ClientOptions options = ParseCommandLine(c.line);
  EXPECT_EQ(options.scriptPath, c.script);
  EXPECT_EQ(options.host, c.host);
  EXPECT_EQ(options.debug, c.debug);
  EXPECT_EQ(options.autoLogin, c.autoLogin);
  EXPECT_EQ(!options.error.empty(), c.bad) << options.error;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CommandLineTest,
    ::testing::Values(CommandLineCase{"ftp -s:\"C:\\Users\\A B\\Temp\\ZEMO0000\\FTPCMD.BAT\"",
                                      "C:\\Users\\A B\\Temp\\ZEMO0000\\FTPCMD.BAT", "", false, true, false},
                      CommandLineCase{"\"C:\\windows\\system32\\ftp.exe\" -S:C:\\X.TXT -d -n 127.0.0.5", "C:\\X.TXT",
                                      "127.0.0.5", true, false, false},
                      CommandLineCase{"ftp -v -i -g /s:x", "x", "", false, true, false},
                      CommandLineCase{"ftp", "", "", false, true, false},
                      CommandLineCase{"ftp -s:", "", "", false, true, true},
                      CommandLineCase{"ftp -q", "", "", false, true, true},
                      CommandLineCase{"ftp a b", "", "b", false, true, true}));

}  // namespace
}  // namespace ftpclient
