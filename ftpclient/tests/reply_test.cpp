#include "ftpclient/core/reply.h"

#include <gtest/gtest.h>

#include <vector>

namespace ftpclient {
namespace {

std::vector<std::string> SplitInPieces(const std::string& bytes, std::size_t piece) {
  LineSplitter splitter;
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < bytes.size(); i += piece) {
    splitter.Feed(std::string_view(bytes).substr(i, piece));
    while (splitter.NextLine(line)) lines.push_back(line);
  }
  return lines;
}

TEST(LineSplitterTest, LinesAreTheSameWhateverTheChunking) {
  std::string bytes = "220-QTCP at HOST.\r\n220 Ready.\r\n\r\nbare LF\nCR\rinside\r\n";
  std::vector<std::string> expected = {"220-QTCP at HOST.", "220 Ready.", "", "bare LF", "CR\rinside"};
  // A job log: together far beyond the longest line, each line short.
  for (int n = 0; n < 2000; ++n) {
    bytes += "250-job log line\r\n";
    expected.push_back("250-job log line");
  }
  bytes += "250 end\r\n";
  expected.push_back("250 end");
  for (std::size_t piece : {1u, 2u, 3u, 7u, 100u, 65536u}) EXPECT_EQ(SplitInPieces(bytes, piece), expected) << piece;
}

TEST(LineSplitterTest, OverlongLineIsCutAndTheRestDropped) {
  // A line handed out before it in the same piece must not count towards its length.
  std::string bytes = "220-hi\r\n" + std::string(LineSplitter::kMaxLineBytes + 5000, 'x');
  bytes += "\r\n200 next\r\n";
  for (std::size_t piece : {1000u, 4096u, 20000u}) {
    auto lines = SplitInPieces(bytes, piece);
    ASSERT_EQ(lines.size(), 3u) << piece;
    EXPECT_EQ(lines[0], "220-hi");
    EXPECT_EQ(lines[1], std::string(LineSplitter::kMaxLineBytes, 'x'));
    EXPECT_EQ(lines[2], "200 next");
  }
}

TEST(LineSplitterTest, UnfinishedLineIsHandedOutOnce) {
  LineSplitter splitter;
  splitter.Feed("421 closing");
  std::string line;
  EXPECT_FALSE(splitter.NextLine(line));
  ASSERT_TRUE(splitter.TakeUnfinishedLine(line));
  EXPECT_EQ(line, "421 closing");
  EXPECT_FALSE(splitter.TakeUnfinishedLine(line));
}

struct ReplyCase {
  std::vector<std::string> lines;
  int completedAt;  // index of the line that completes the reply, -1 for none
  int code;
};

class ReplyAssemblerTest : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(ReplyAssemblerTest, FindsTheEndOfTheReply) {
  const ReplyCase& c = GetParam();
  ReplyAssembler reply;
  int completedAt = -1;
  for (std::size_t i = 0; i < c.lines.size() && completedAt < 0; ++i) {
    if (reply.Add(c.lines[i])) completedAt = static_cast<int>(i);
  }
  EXPECT_EQ(completedAt, c.completedAt);
  if (completedAt >= 0) {
    EXPECT_EQ(reply.code(), c.code);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReplyAssemblerTest,
    ::testing::Values(ReplyCase{{"230 QUSER logged on."}, 0, 230}, ReplyCase{{"200"}, 0, 200},
                      ReplyCase{{"220-QTCP at HOST.", "220 Connection will close."}, 1, 220},
                      // Inside a multi-line reply, other codes and a dash after the code do not end it.
                      ReplyCase{
                          {"550-Error occurred on command X.", "250 not the end", "550-still", "550 CPF0001"}, 3, 550},
                      ReplyCase{{"211-Features:", " 211 indented", "211"}, 2, 211},
                      // Text before any code is not a reply.
                      ReplyCase{{"hello", "2000 four digits", "abc 200", "331 Enter password."}, 3, 331},
                      ReplyCase{{"220-open", "220-open still"}, -1, 0}, ReplyCase{{"099 too small"}, -1, 0}));

TEST(LeadingReplyCodeTest, OnlyThreeDigitsFollowedByBlankDashOrEnd) {
  EXPECT_EQ(LeadingReplyCode("250 ok"), 250);
  EXPECT_EQ(LeadingReplyCode("550-more"), 550);
  EXPECT_EQ(LeadingReplyCode("421"), 421);
  EXPECT_EQ(LeadingReplyCode("25"), 0);
  EXPECT_EQ(LeadingReplyCode("2500"), 0);
  EXPECT_EQ(LeadingReplyCode("25x ok"), 0);
}

TEST(ParsePassivePortTest, SixNumbersAfterTheCode) {
  const std::pair<const char*, int> cases[] = {
      {"227 Entering Passive Mode (127,0,0,5,4,2).", 1026},
      {"227 ENTERING PASSIVE MODE (10,9,8,7,255,255).", 65535},
      {"227 =127,0,0,1,0,21", 21},  // no parentheses
      {"227 (1,2,3,4,5)", 0},
      {"227 (1,2,3,4,5,256)", 0},
      {"227 (1,2,3,4,0,0)", 0},
      {"227 (1,2,3,4,00005,1)", 0},
      {"227 (1, 2,3,4,5,6)", 0},
      {"227 Entering Passive Mode.", 0},
      {"200 (1,2,3,4,5,6)", 0},
      {"227", 0},
  };
  for (const auto& [line, port] : cases) EXPECT_EQ(ParsePassivePort(line).value_or(0), port) << line;
}

}  // namespace
}  // namespace ftpclient
