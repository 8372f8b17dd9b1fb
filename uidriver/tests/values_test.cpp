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
}

}  // namespace
}  // namespace uidriver
