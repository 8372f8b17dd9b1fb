#include <gtest/gtest.h>

#include <string>

#include "fileutil/path_text.h"

namespace {

struct JoinCase {
  const char* what;
  std::string first;
  std::string second;
  std::string expected;  // empty: rejected
};

std::string Repeat(char c, std::size_t n) { return std::string(n, c); }

class JoinPathTest : public ::testing::TestWithParam<JoinCase> {};

TEST_P(JoinPathTest, JoinsOrRejects) {
  const JoinCase& c = GetParam();
  EXPECT_EQ(JoinPath(c.first, c.second), c.expected) << c.what;
}

const std::string kSjisTrail5C = "\x95\x5C";  // a double-byte character whose trail byte is '\'

INSTANTIATE_TEST_SUITE_P(
    Cases, JoinPathTest,
    ::testing::Values(
        JoinCase{"separator inserted", "C:\\Temp", "ZEMO0000", "C:\\Temp\\ZEMO0000"},
        JoinCase{"no doubled separator", "C:\\Temp\\", "ZEMO0000", "C:\\Temp\\ZEMO0000"},
        JoinCase{"separator even for empty second", "C:\\Temp", "", "C:\\Temp\\"},
        JoinCase{"empty first", "", "x", "x"}, JoinCase{"both empty", "", "", ""},
        JoinCase{"no separator after drive colon", "C:", "x", "C:x"},
        JoinCase{"colon as second byte after a letter", "a:b", "", "a:b\\"},
        JoinCase{"colon as third byte", "ab:", "x", ""}, JoinCase{"colon after a digit", "1:x", "", ""},
        JoinCase{"colon in second component", "C", ":x", ""},
        JoinCase{"two backslashes after drive", "C:\\\\x", "", ""},
        JoinCase{"second starts with backslash", "C:\\Temp", "\\x", ""},
        JoinCase{"second starts with backslash after one", "C:\\Temp\\", "\\x", ""},
        JoinCase{"network path", "\\\\srv\\share", "x", "\\\\srv\\share\\x"},
        JoinCase{"network path split", "\\", "\\srv", "\\\\srv"},
        JoinCase{"three leading backslashes", "\\\\\\srv", "x", ""}, JoinCase{"slash", "C:\\a/b", "", ""},
        JoinCase{"comma", "a,b", "", ""}, JoinCase{"semicolon", "a;b", "", ""},
        JoinCase{"double quote", "a\"b", "", ""}, JoinCase{"less than", "a<b", "", ""},
        JoinCase{"greater than", "a>b", "", ""}, JoinCase{"bar", "a|b", "", ""}, JoinCase{"tab", "a\tb", "", ""},
        JoinCase{"DEL", "a\x7F", "", ""}, JoinCase{"0x80", "a\x80", "", ""}, JoinCase{"0xA0", "a\xA0", "", ""},
        JoinCase{"0xFD", "a\xFD", "", ""}, JoinCase{"wildcards and space pass", "a* ?", "b", "a* ?\\b"},
        JoinCase{"half-width katakana pass", "\xB1\xDF", "", "\xB1\xDF\\"},
        JoinCase{"trail byte 0x5C is no separator", "C:\\" + kSjisTrail5C, "x", "C:\\" + kSjisTrail5C + "\\x"},
        JoinCase{"lone lead byte at the end", "C:\\a\x95", "x", ""},
        JoinCase{"trail byte may be a forbidden byte", "\x81\x7C", "", "\x81\x7C\\"},
        // After a lead byte only 0x40-0x7E and 0x80-0xFC make a character.
        JoinCase{"line feed after a lead byte", "C:\\KESTRALON", "A\x81\nquit", ""},
        JoinCase{"CR after a lead byte", "a\x81\r", "", ""}, JoinCase{"quote after a lead byte", "a\x81\"", "", ""},
        JoinCase{"slash after a lead byte", "a\x81/", "", ""}, JoinCase{"colon after a lead byte", "a\x81:", "", ""},
        JoinCase{"DEL after a lead byte", "a\x81\x7F", "", ""}, JoinCase{"0xFF after a lead byte", "a\xE0\xFF", "", ""},
        JoinCase{"lowest and highest trail bytes", "\x81\x40\xFC\xFC", "", "\x81\x40\xFC\xFC\\"},
        JoinCase{"component cut at NUL", std::string("ab\0/", 4), "c", "ab\\c"},
        JoinCase{"exactly 260 bytes", Repeat('a', 258) + "\\", "b", Repeat('a', 258) + "\\b"},
        JoinCase{"261 bytes", Repeat('a', 259) + "\\", "b", ""},
        JoinCase{"260 bytes and the separator does not fit", Repeat('a', 260), "", ""},
        JoinCase{"260 bytes ending in a backslash", Repeat('a', 259) + "\\", "", Repeat('a', 259) + "\\"},
        JoinCase{"double-byte with one byte of budget", Repeat('a', 258) + "\\", "\x88\x9F", ""},
        JoinCase{"double-byte filling the budget", Repeat('a', 257) + "\\", "\x88\x9F",
                 Repeat('a', 257) + "\\\x88\x9F"}));

TEST(FindLastBackslash, StepsOverDoubleByteCharacters) {
  EXPECT_EQ(DirectoryOf("C:\\Inst\\SETUP.EXE"), "C:\\Inst\\");
  EXPECT_EQ(DirectoryOf("C:\\Inst\\" + kSjisTrail5C + ".EXE"), "C:\\Inst\\");
  EXPECT_EQ(DirectoryOf("SETUP.EXE"), "");
  EXPECT_EQ(DirectoryOf(""), "");
  EXPECT_EQ(FindLastBackslash(kSjisTrail5C), std::string::npos);
}

TEST(WorkFolderNames, OnlyTheInstallersOwn) {
  const struct {
    const char* name;
    bool workFolder;
    bool jobFile;
  } cases[] = {
      {"ZEMO0000", true, false},    {"zemo9999", true, false},      {"ZEMO000", false, false},
      {"ZEMO00000", false, false},  {"ZEMOA000", false, false},     {"XZEMO000", false, false},
      {"DOSCMD.BAT", false, true},  {"ftpcmd.bat", false, true},    {"FTPLOG.LOG", false, true},
      {"QSAVF.DAT", false, true},   {"QSAVF.DAT.1", false, false},  {"FTPLOG.LOG ", false, false},
      {"product.dat", false, true}, {"PRODUCT.SAVF", false, false}, {"", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsWorkDirectoryName(c.name), c.workFolder) << c.name;
    EXPECT_EQ(IsJobFileName(c.name), c.jobFile) << c.name;
  }
}

}  // namespace
