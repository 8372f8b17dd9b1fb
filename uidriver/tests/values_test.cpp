#include "uidriver/values.h"

#include <gtest/gtest.h>

namespace uidriver {
namespace {

TEST(ParseAddress, AcceptsDottedQuadsAndBlankOnly) {
  struct Case {
    const char* word;
    bool ok;
    const char* formatted;
  } const cases[] = {
      {"0.0.0.0", true, "0.0.0.0"},
      {"127.0.0.5", true, "127.0.0.5"},
      {"255.255.255.255", true, "255.255.255.255"},
      {"blank", true, "blank"},
      {"256.0.0.0", false, ""},
      {"1.2.3", false, ""},
      {"1.2.3.4.5", false, ""},
      {"1..3.4", false, ""},
      {"-1.2.3.4", false, ""},
      {"1.2.3.0004", false, ""},
      {"a.b.c.d", false, ""},
      {"", false, ""},
  };
  for (const auto& c : cases) {
    Address address;
    EXPECT_EQ(ParseAddress(c.word, address), c.ok) << c.word;
    if (c.ok) {
      EXPECT_EQ(FormatAddress(address), c.formatted);
    }
  }
}

TEST(ParseKeyChord, KnowsKeysAndModifiers) {
  struct Case {
    const char* word;
    bool ok;
    int virtualKey;
    bool shift, ctrl, alt;
  } const cases[] = {
      {"Tab", true, 0x09, false, false, false},    {"shift+tab", true, 0x09, true, false, false},
      {"Alt+L", true, 'L', false, false, true},    {"Alt+l", true, 'L', false, false, true},
      {"Space", true, 0x20, false, false, false},  {"Enter", true, 0x0D, false, false, false},
      {"Escape", true, 0x1B, false, false, false}, {"Ctrl+Shift+F4", true, 0x73, true, true, false},
      {"7", true, '7', false, false, false},       {"F13", false, 0, false, false, false},
      {"Alt+", false, 0, false, false, false},     {"+Tab", false, 0, false, false, false},
      {"Meta+Tab", false, 0, false, false, false}, {"", false, 0, false, false, false},
  };
  for (const auto& c : cases) {
    KeyChord chord;
    EXPECT_EQ(ParseKeyChord(c.word, chord), c.ok) << c.word;
    if (!c.ok) continue;
    EXPECT_EQ(chord.virtualKey, c.virtualKey) << c.word;
    EXPECT_EQ(chord.shift, c.shift) << c.word;
    EXPECT_EQ(chord.ctrl, c.ctrl) << c.word;
    EXPECT_EQ(chord.alt, c.alt) << c.word;
  }
}

TEST(ParseButton, NamesAndIdsBothWays) {
  long id = 0;
  EXPECT_TRUE(ParseButton("No", id));
  EXPECT_EQ(id, 7);
  EXPECT_TRUE(ParseButton("cancel", id));
  EXPECT_EQ(id, 2);
  EXPECT_TRUE(ParseButton("1148", id));
  EXPECT_EQ(id, 1148);
  EXPECT_FALSE(ParseButton("Maybe", id));
  EXPECT_EQ(ButtonName(6), "Yes");
  EXPECT_EQ(ButtonName(1148), "1148");
}

TEST(ParseValues, SecondsIdsAndSelectionEnds) {
  double seconds = 0;
  EXPECT_TRUE(ParseSeconds("0.25", seconds));
  EXPECT_DOUBLE_EQ(seconds, 0.25);
  EXPECT_FALSE(ParseSeconds("-1", seconds));
  EXPECT_FALSE(ParseSeconds("1.2.3", seconds));
  EXPECT_FALSE(ParseSeconds(".", seconds));
  long value = 0;
  EXPECT_TRUE(ParseControlId("self", value));
  EXPECT_EQ(value, -1);
  EXPECT_TRUE(ParseControlId("65535", value));
  EXPECT_FALSE(ParseControlId("65536", value));
  EXPECT_FALSE(ParseControlId("-2", value));
  EXPECT_TRUE(ParseSelectionEnd("end", value));
  EXPECT_EQ(value, -1);
  EXPECT_FALSE(ParseSelectionEnd("-1", value));
  EXPECT_FALSE(ParseInt("12345678901", value));
  double percent = 0;
  EXPECT_TRUE(ParsePercent("12.5", percent));
  EXPECT_DOUBLE_EQ(percent, 12.5);
  EXPECT_TRUE(ParsePercent("100", percent));
  EXPECT_FALSE(ParsePercent("100.01", percent));
}

TEST(ProgressPercent, ShareOfTheRangeOrNoneForAnEmptyOne) {
  struct Case {
    long low, high, position;
    bool ok;
    double percent;
  } const cases[] = {
      {0, 100, 45, true, 45},
      {10, 20, 15, true, 50},                  // the share of the range, not of the position
      {-100, 100, 0, true, 50},                // a range below zero
      {0, 2147483647, 2147483647, true, 100},  // a 32-bit range, no overflow
      {0, 3, 1, true, 100.0 / 3},              // no integer division
      {0, 0, 0, false, 0},                     // no width: no share, not a division by zero
      {100, 0, 50, false, 0},
  };
  for (const auto& c : cases) {
    double percent = -1;
    EXPECT_EQ(ProgressPercent(c.low, c.high, c.position, percent), c.ok) << c.low << ".." << c.high;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(percent, c.percent) << c.low << ".." << c.high << " at " << c.position;
    }
  }
}

// Texts are code page 932 bytes (the tests are compiled with that execution character set);
// the tricky ones are spelled out: \x83\x5C is "ソ", whose trail byte is the backslash, and
// \x83\x41\x83\x43 is "アイ", where the trail byte of "ア" is "A".
TEST(MatchesPattern, StarsTakeWholeCharacters) {
  struct Case {
    const char* text;
    const char* pattern;
    bool matches;
  } const cases[] = {
      {"", "", true},
      {"", "*", true},
      {"abc", "abc", true},
      {"abc", "ab", false},
      {"ab", "abc", false},
      {"abc", "a*", true},
      {"abc", "*c", true},
      {"abc", "a*d", false},
      {"aXbXc", "*X*c", true},  // the first X tried is not the one that fits
      {"ab", "a**b", true},
      {"a*b", "a*b", true},  // a star in the text is just a character
      {"45.0 MB / 256.0 MB（18%） 4.2 MB/s 残り 約50秒", "* MB / 256.0 MB（*%） * MB/s 残り 約*秒", true},
      {"45.0 MB / 256.0 MB（18%） 4.2 MB/s", "* MB / 256.0 MB（*%） * MB/s 残り*", false},
      {"経過 12秒", "経過 *秒", true},
      {"経過 12秒", "経過 *分", false},
      {"\x83\x5C", "*\\", false},  // the backslash is half of a character
      {"\x83\x5C", "*\\*", false},
      {"a\\", "*\\", true},
      {"\x83\x41\x83\x43", "*A*", false},  // "A" is half of the first character
      {"\x83\x41\x83\x43", "\x83\x41*", true},
      {"x\x83", "x*", true},  // a lone lead byte at the end is one character
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchesPattern(c.text, c.pattern), c.matches) << "\"" << c.text << "\" like \"" << c.pattern << "\"";
  }
}

}  // namespace
}  // namespace uidriver
