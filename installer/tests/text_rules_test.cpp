#include <gtest/gtest.h>

#include <string>

#include "installer/messages.h"
#include "installer/text_rules.h"

namespace {

TEST(TrimWhiteSpace, RemovesSingleByteWhiteSpaceOnly) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"  QSECOFR\t\r\n", "QSECOFR"},
      {" \x0B\x0C ", ""},
      {"", ""},
      {"A B", "A B"},
      // A double-byte character whose trail byte is 0x20 or 0x09-0x0D does not exist in code page
      // 932, but one ending in a byte that looks like a letter must survive whole.
      {"\x82\xA0 ", "\x82\xA0"},
      {" \x81\x40", "\x81\x40"},  // the ideographic space is a character, not white space
  };
  for (const Case& c : cases) EXPECT_EQ(TrimWhiteSpace(c.in), c.out) << c.in;
}

TEST(CutToByteLimit, NeverSplitsADoubleByteCharacter) {
  EXPECT_EQ(CutToByteLimit("ABCDEFGHIJKL", 10), "ABCDEFGHIJ");
  EXPECT_EQ(CutToByteLimit("ABCDEFGHI\x88\x9F", 10), "ABCDEFGHI");  // the 10th byte is a lead byte
  EXPECT_EQ(CutToByteLimit("ABCDEFGH\x88\x9F", 10), "ABCDEFGH\x88\x9F");
  EXPECT_EQ(CutToByteLimit("SHORT", 10), "SHORT");
}

TEST(IsValidIbmiName, AcceptsOnlyIbmiNames) {
  for (const char* good : {"SAMPLIB", "Q", "$LIB", "#A.B_C@1", "ABCDEFGHIJ"})
    EXPECT_TRUE(IsValidIbmiName(good)) << good;
  for (const char* bad : {"", "1LIB", "_LIB", ".LIB", "ABCDEFGHIJK", "LIB) X(", "lib", "A B", "A'B", "A*"})
    EXPECT_FALSE(IsValidIbmiName(bad)) << bad;
}

TEST(FormatText, FillsPlaceholdersInOrderAndCopiesBytes) {
  EXPECT_EQ(FormatText("cd %s\n", "SAMPLIB"), "cd SAMPLIB\n");
  EXPECT_EQ(FormatText2("A(%s) B(%s)", "%s", "X"), "A(%s) B(X)");  // a value is never re-scanned
  EXPECT_EQ(FormatText("none", "X"), "none");
}

// The compiler stores the literals in code page 932; these are the bytes the user's system expects.
TEST(Cp932Literals, AreStoredAsShiftJis) {
  EXPECT_EQ(std::string("表ソｿ"), "\x95\x5C\x83\x5C\xBF");
  EXPECT_EQ(std::string(msg::kTitleSuffix), " \x83\x41\x83\x62\x83\x76\x83\x8D\x81\x5B\x83\x5F\x81\x5B");
  EXPECT_EQ(std::string(msg::kInstallCompleted).substr(0, 4), "\x83\x43\x83\x93");  // イン
  EXPECT_EQ(std::string(msg::kSaveFileFilter).find("\xB7\xDE\xD9"), std::string::npos);
  EXPECT_NE(std::string(msg::kSaveFileFilter).find("\xCC\xA7\xB2\xD9"), std::string::npos);  // ﾌｧｲﾙ
}

}  // namespace
