#include "progress/progress_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

namespace progresstext {
namespace {

constexpr std::uint64_t kKiB = 1024;
constexpr std::uint64_t kMiB = 1024 * kKiB;
constexpr std::uint64_t kGiB = 1024 * kMiB;

TEST(ProgressTextTest, SizesFromBytesToGigabytes) {
  const std::pair<std::uint64_t, const char*> cases[] = {
      {0, "0 B"},
      {1023, "1023 B"},
      {1024, "1.0 KB"},
      {1536, "1.5 KB"},
      {1048524, "1023.9 KB"},  // 1023.949 KB
      {1048525, "1.0 MB"},     // 1023.950 KB would read "1024.0 KB"
      {45 * kMiB, "45.0 MB"},
      {256 * kMiB, "256.0 MB"},
      {kGiB - 1, "1.0 GB"},
      {kGiB + kGiB / 2, "1.5 GB"},
      {5 * 1024 * kGiB, "5120.0 GB"},
      {std::numeric_limits<std::uint64_t>::max(), "17179869184.0 GB"},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(FormatSize(bytes), text) << bytes;
}

TEST(ProgressTextTest, Rates) {
  EXPECT_EQ(FormatRate(4.2 * kMiB), "4.2 MB/s");
  EXPECT_EQ(FormatRate(512), "512 B/s");
  EXPECT_EQ(FormatRate(0), "0 B/s");
  EXPECT_EQ(FormatRate(-5), "0 B/s");
  EXPECT_EQ(FormatRate(std::nan("")), "0 B/s");
  EXPECT_EQ(FormatRate(std::numeric_limits<double>::infinity()), "931322.6 GB/s");
}

TEST(ProgressTextTest, TimeLeftIsRoundedAsPeopleSayIt) {
  const std::pair<double, const char*> cases[] = {
      {0, "残り 約1秒"},
      {0.2, "残り 約1秒"},
      {8.1, "残り 約9秒"},
      {9.0, "残り 約9秒"},
      {9.5, "残り 約10秒"},
      {12, "残り 約10秒"},
      {12.5, "残り 約15秒"},
      {52.4, "残り 約50秒"},
      {57.4, "残り 約55秒"},
      {57.5, "残り 約1分"},
      {89, "残り 約1分"},
      {90, "残り 約2分"},
      {3569, "残り 約59分"},
      {3570, "残り 約1時間"},
      {5099, "残り 約1時間20分"},
      {5100, "残り 約1時間30分"},
      {1e12, "残り 約100時間"},
      {std::numeric_limits<double>::infinity(), "残り 約100時間"},
      {std::nan(""), "残り 約1秒"},
  };
  for (const auto& [seconds, text] : cases) EXPECT_EQ(FormatTimeLeft(seconds), text) << seconds;
}

TEST(ProgressTextTest, ElapsedTime) {
  const std::pair<std::uint64_t, const char*> cases[] = {
      {0, "経過時間 0秒"},
      {999, "経過時間 0秒"},
      {5000, "経過時間 5秒"},
      {65000, "経過時間 1分05秒"},
      {3600000, "経過時間 1時間00分00秒"},
      {3725000, "経過時間 1時間02分05秒"},
  };
  for (const auto& [milliseconds, text] : cases) EXPECT_EQ(ElapsedLine(milliseconds), text) << milliseconds;
  // What the window shows is code page 932.
  EXPECT_EQ(ElapsedLine(65000),
            "\x8C\x6F\x89\xDF\x8E\x9E\x8A\xD4 1\x95\xAA"
            "05\x95\x62");
}

// Samples every 100 ms from `from` to `to` (inclusive) at `rate` bytes a second, after `start` bytes.
std::uint64_t Feed(RateMeter& meter, std::uint64_t from, std::uint64_t to, double rate, std::uint64_t start) {
  std::uint64_t bytes = start;
  for (std::uint64_t ms = from; ms <= to; ms += 100) {
    bytes = start + static_cast<std::uint64_t>(rate * static_cast<double>(ms - from) / 1000.0);
    meter.AddSample(ms, bytes);
  }
  return bytes;
}

TEST(RateMeterTest, RateAfterASecondAndStableAfterThree) {
  RateMeter meter;
  Feed(meter, 0, 900, 1e6, 0);
  EXPECT_FALSE(meter.BytesPerSecond());
  Feed(meter, 1000, 1000, 1e6, 1000000);
  ASSERT_TRUE(meter.BytesPerSecond());
  EXPECT_DOUBLE_EQ(*meter.BytesPerSecond(), 1e6);
  EXPECT_FALSE(meter.Stable());
  Feed(meter, 1100, 2900, 1e6, 1100000);
  EXPECT_FALSE(meter.Stable());
  meter.AddSample(3000, 3000000);
  EXPECT_TRUE(meter.Stable());
}

TEST(RateMeterTest, SmoothsOverTheLastSeconds) {
  RateMeter meter;
  // The first poll finds the send buffer filled at once; then a steady 1 MB/s.
  meter.AddSample(0, 0);
  std::uint64_t bytes = Feed(meter, 100, 10000, 1e6, 500000);
  EXPECT_NEAR(*meter.BytesPerSecond(), 1e6, 1e6 * 0.01);  // the burst has left the window
  // A second without progress lowers the rate by a fifth, not to nothing.
  Feed(meter, 10100, 11000, 0, bytes);
  EXPECT_NEAR(*meter.BytesPerSecond(), 0.8e6, 1e6 * 0.03);
  EXPECT_TRUE(meter.Stable());
}

TEST(RateMeterTest, StartsAfreshWhenTimeOrBytesGoBack) {
  RateMeter meter;
  Feed(meter, 0, 5000, 1e6, 0);
  ASSERT_TRUE(meter.Stable());
  meter.AddSample(5100, 10);  // fewer bytes: a new job's log
  EXPECT_FALSE(meter.BytesPerSecond());
  EXPECT_FALSE(meter.Stable());
  Feed(meter, 5100, 8100, 2e6, 10);
  EXPECT_TRUE(meter.Stable());
  EXPECT_NEAR(*meter.BytesPerSecond(), 2e6, 1);
  meter.AddSample(100, 5e6);  // an earlier time
  EXPECT_FALSE(meter.Stable());
}

TEST(ProgressTextTest, UploadLine) {
  RateMeter noRate;
  RateMeter young;  // 4.2 MB/s for two seconds
  Feed(young, 0, 2000, 4.2 * kMiB, 0);
  RateMeter steady;  // 4.2 MB/s for six seconds
  Feed(steady, 0, 6000, 4.2 * kMiB, 0);
  RateMeter stalled;
  Feed(stalled, 0, 6000, 0, 45 * kMiB);
  const struct {
    std::uint64_t sent, total;
    const RateMeter& meter;
    const char* text;
  } cases[] = {
      {45 * kMiB, 256 * kMiB, noRate, "45.0 MB / 256.0 MB（17%）"},
      {45 * kMiB, 256 * kMiB, young, "45.0 MB / 256.0 MB（17%） 4.2 MB/s"},
      {45 * kMiB, 256 * kMiB, steady, "45.0 MB / 256.0 MB（17%） 4.2 MB/s 残り 約50秒"},
      {45 * kMiB, 256 * kMiB, stalled, "45.0 MB / 256.0 MB（17%） 0 B/s"},
      {256 * kMiB - 1, 256 * kMiB, steady, "256.0 MB / 256.0 MB（99%） 4.2 MB/s 残り 約1秒"},
      {300 * kMiB, 256 * kMiB, steady, "256.0 MB / 256.0 MB（100%） 4.2 MB/s"},
      {0, 0, noRate, "0 B / 0 B（100%）"},
      {1, std::numeric_limits<std::uint64_t>::max(), noRate, "1 B / 17179869184.0 GB（0%）"},
  };
  for (const auto& c : cases) EXPECT_EQ(UploadLine(c.sent, c.total, c.meter), c.text) << c.text;
}

// The window is sized once for WidestLine(); a line longer than it would be cut. Bytes stand for
// width: digits are equally wide, and a double-byte character is two bytes and about twice as wide.
TEST(ProgressTextTest, NoLineIsWiderThanTheWidest) {
  const std::size_t widest = WidestLine().size();
  const std::uint64_t sizes[] = {0, 1023, 1048524, 1073636966, 999 * kGiB + 1023 * kMiB, 9999 * kGiB};
  const double rates[] = {0, 1023.4, 1048524, 1073636966};
  for (std::uint64_t total : sizes) {
    for (std::uint64_t sent : sizes) {
      for (double rate : rates) {
        RateMeter meter;
        Feed(meter, 0, 5000, rate, 0);
        const std::string line = UploadLine(sent, total, meter);
        EXPECT_LE(line.size(), widest) << line;
      }
    }
  }
  for (std::uint64_t hours : {0ull, 9ull, 99ull, 999ull}) {
    EXPECT_LE(ElapsedLine((hours * 3600 + 59 * 60 + 59) * 1000).size(), widest);
  }
}

}  // namespace
}  // namespace progresstext
