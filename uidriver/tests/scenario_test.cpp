#include "uidriver/scenario.h"

#include <gtest/gtest.h>

#include <map>

namespace uidriver {
namespace {

struct SplitCase {
  const char* line;
  std::vector<std::string> words;
};

TEST(SplitWords, SplitsBlanksQuotesEscapesAndComments) {
  const SplitCase cases[] = {
      {"", {}},
      {"   # only a comment", {}},
      {"click 1002", {"click", "1002"}},
      {"  type\t\"a b\"  # comment", {"type", "a b"}},
      {"msgbox \"line\\nnext \\\"q\\\" \\\\ \\t\"", {"msgbox", "line\nnext \"q\" \\ \t"}},
      {"title \"# not a comment\"", {"title", "# not a comment"}},
      {"empty \"\"", {"empty", ""}},
      {"expect-absent \"%TEMP%\\ZEMO*\"", {"expect-absent", "%TEMP%\\ZEMO*"}},
      {"crlf\r", {"crlf"}},
      {u8"ニホンゴ \"日本語 です\"", {u8"ニホンゴ", u8"日本語 です"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> words;
    std::string error;
    EXPECT_TRUE(SplitWords(c.line, words, error)) << c.line << ": " << error;
    EXPECT_EQ(words, c.words) << c.line;
  }
}

TEST(SplitWords, RefusesBrokenQuotes) {
  for (const char* line : {"type \"open", "type \"ends in \\", "type a\"b\""}) {
    std::vector<std::string> words;
    std::string error;
    EXPECT_FALSE(SplitWords(line, words, error)) << line;
    EXPECT_FALSE(error.empty()) << line;
  }
}

class ParseScenarioTest : public ::testing::Test {
 protected:
  Scenario Parse(const std::string& main) {
    files_["dir/main.txt"] = main;
    return ParseScenario("dir/main.txt", [this](const std::string& path, std::string& text) {
      auto found = files_.find(path);
      if (found == files_.end()) return false;
      text = found->second;
      return true;
    });
  }
  std::map<std::string, std::string> files_;
};

TEST_F(ParseScenarioTest, KeepsStepsWithTheirLinesAndTimeOuts) {
  const Scenario scenario = Parse(
      "# start\nstart\n\nwindow main \""
      u8"タイトル"
      "\" within 2.5\nclick 1002\n");
  ASSERT_EQ(scenario.error, "");
  ASSERT_EQ(scenario.steps.size(), 3u);
  EXPECT_EQ(scenario.steps[0].verb, "start");
  EXPECT_EQ(scenario.steps[0].line, 2);
  EXPECT_DOUBLE_EQ(scenario.steps[0].timeoutSeconds, -1);
  EXPECT_EQ(scenario.steps[1].args, (std::vector<std::string>{"main", u8"タイトル"}));
  EXPECT_DOUBLE_EQ(scenario.steps[1].timeoutSeconds, 2.5);
  EXPECT_EQ(scenario.steps[2].line, 5);
}

TEST_F(ParseScenarioTest, QuotedWithinIsText) {
  const Scenario scenario = Parse("msgbox \"within\"\ntype \"within\"\n");
  ASSERT_EQ(scenario.error, "");
  EXPECT_EQ(scenario.steps[1].args, (std::vector<std::string>{"within"}));
}

TEST_F(ParseScenarioTest, ResolvesControlNamesFromIncludedFiles) {
  files_["dir/sub/ids.inc"] = "control userid 1002\ncontrol option 1007\n";
  const Scenario scenario =
      Parse("include \"sub/ids.inc\"\nclick userid\nexpect-checked option yes\nexpect-text self \"t\"\n");
  ASSERT_EQ(scenario.error, "");
  ASSERT_EQ(scenario.steps.size(), 3u);
  EXPECT_EQ(scenario.steps[0].args[0], "1002");
  EXPECT_EQ(scenario.steps[1].args[0], "1007");
  EXPECT_EQ(scenario.steps[2].args[0], "self");
}

struct FaultCase {
  const char* text;
  const char* error;
};

TEST_F(ParseScenarioTest, NamesFileAndLineOfTheFirstFault) {
  files_["dir/bad.inc"] = "\nclick nowhere\n";
  const FaultCase cases[] = {
      {"start\nfrobnicate\n", "dir/main.txt:2: unknown step \"frobnicate\""},
      {"click\n", "dir/main.txt:1: click takes \"r\", not 0 argument(s)"},
      {"expect-checked 1007 maybe\n", "dir/main.txt:1: expect-checked, argument 2: expected yes or no, not \"maybe\""},
      {"type \"x\" within 3\n", "dir/main.txt:1: type does not wait, so it takes no \"within\""},
      {"msgbox \"x\" within soon\n", "dir/main.txt:1: bad time-out"},
      {"include \"bad.inc\"\n",
       "dir/bad.inc:2: click, argument 1: \"nowhere\" is neither a control id, a control name nor self"},
      {"include \"missing.inc\"\n", "dir/missing.inc:0: cannot be read"},
      {"set-address 1000 256.0.0.1\n",
       "dir/main.txt:1: set-address, argument 2: \"256.0.0.1\" is neither an address a.b.c.d nor blank"},
      {"key Tab Hyper+X\n", "dir/main.txt:1: key, argument 2: \"Hyper+X\" is not a key"},
      {"\"start\"\n", "dir/main.txt:1: unknown step \"start\""},
      {"expect-progress 1013 0 100.5\n",
       "dir/main.txt:1: expect-progress, argument 3: \"100.5\" is not a per cent from 0 to 100"},
      {"expect-progress 1013 60 40\n", "dir/main.txt:1: expect-progress: the range 60 to 40 is reversed"},
  };
  for (const auto& c : cases) {
    const Scenario scenario = Parse(c.text);
    EXPECT_EQ(scenario.error, c.error) << c.text;
    EXPECT_TRUE(scenario.steps.empty()) << c.text;
  }
}

TEST_F(ParseScenarioTest, ReplacesDefinedTextsButNotQuotedOnes) {
  const Scenario scenario = Parse("define WARN \"a long\\ntext\"\nmsgbox @WARN\ntype \"@WARN\"\nmsgbox @OTHER\n");
  EXPECT_EQ(scenario.error, "dir/main.txt:4: no text defined as @OTHER");
  const Scenario good = Parse("define WARN \"a long\\ntext\"\nmsgbox @WARN within 3\ntype \"@WARN\"\n");
  ASSERT_EQ(good.error, "");
  EXPECT_EQ(good.steps[0].args[0], "a long\ntext");
  EXPECT_EQ(good.steps[1].args[0], "@WARN");
  // The first definition holds, also against one in an included file.
  files_["dir/base.inc"] = "define ADDRESS 127.0.0.41\nset-address 1000 @ADDRESS\n";
  const Scenario wrapped = Parse("define ADDRESS 127.0.0.70\ninclude \"base.inc\"\n");
  ASSERT_EQ(wrapped.error, "");
  EXPECT_EQ(wrapped.steps[0].args[1], "127.0.0.70");
}

TEST_F(ParseScenarioTest, StopsIncludeLoops) {
  files_["dir/loop.inc"] = "include \"loop.inc\"\n";
  const Scenario scenario = Parse("include \"loop.inc\"\n");
  EXPECT_EQ(scenario.error, "dir/loop.inc:1: includes nest too deep");
}

TEST_F(ParseScenarioTest, RepeatsAndOptionalArguments) {
  const Scenario scenario = Parse("key Tab Shift+Tab Alt+L\nexpect-buttons Yes No\nstart second\nsignal \"A B\" 3\n");
  ASSERT_EQ(scenario.error, "");
  EXPECT_EQ(scenario.steps[0].args.size(), 3u);
  EXPECT_EQ(scenario.steps[3].args, (std::vector<std::string>{"A B", "3"}));
  EXPECT_NE(Parse("start one two\n").error, "");
}

}  // namespace
}  // namespace uidriver
