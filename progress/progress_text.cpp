#include "progress/progress_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>

namespace progresstext {

namespace {

constexpr std::uint64_t kWindowMilliseconds = 5000;
constexpr std::uint64_t kFirstRateMilliseconds = 1000;
constexpr std::uint64_t kStableMilliseconds = 3000;
constexpr double kMostSecondsLeft = 100.0 * 3600.0;
constexpr double kMostBytesPerSecond = 1e15;  // keeps the text short whatever a caller passes

// The text literals are stored in code page 932 (-fexec-charset=CP932). No trail byte of a
// double-byte character is '%', so they are safe as formats.
constexpr char kPercentFormat[] = "（%u%%）";
constexpr char kSecondsLeftFormat[] = "残り 約%u秒";
constexpr char kMinutesLeftFormat[] = "残り 約%u分";
constexpr char kHoursLeftFormat[] = "残り 約%u時間";
constexpr char kHoursAndMinutesLeftFormat[] = "残り 約%u時間%u分";
constexpr char kElapsedSecondsFormat[] = "経過時間 %u秒";
constexpr char kElapsedMinutesFormat[] = "経過時間 %u分%02u秒";
constexpr char kElapsedHoursFormat[] = "経過時間 %u時間%02u分%02u秒";

template <typename... Values>
std::string Format(const char* format, Values... values) {
  char text[96];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

// Bytes in the largest unit up to GB that keeps the number under 1,024 once rounded.
std::string FormatAmount(double bytes) {
  if (bytes < 1023.5) return Format("%.0f B", bytes);
  static const char* const kUnits[] = {"KB", "MB", "GB"};
  double value = bytes / 1024.0;
  std::size_t unit = 0;
  while (unit + 1 < std::size(kUnits) && value >= 1023.95) {
    value /= 1024.0;
    ++unit;
  }
  return Format("%.1f %s", value, kUnits[unit]);
}

unsigned WholePercent(std::uint64_t part, std::uint64_t whole) {
  if (part >= whole) return 100;
  // Without overflow for any size: the share is rounded down either way.
  if (whole <= std::numeric_limits<std::uint64_t>::max() / 100) return static_cast<unsigned>(part * 100 / whole);
  return static_cast<unsigned>(part / (whole / 100));
}

}  // namespace

void RateMeter::AddSample(std::uint64_t milliseconds, std::uint64_t bytes) {
  if (!window_.empty() && (milliseconds < window_.back().milliseconds || bytes < window_.back().bytes)) Reset();
  if (window_.empty()) firstMilliseconds_ = milliseconds;
  if (!window_.empty() && window_.back().milliseconds == milliseconds) {
    window_.back().bytes = bytes;
  } else {
    window_.push_back({milliseconds, bytes});
  }
  while (window_.size() >= 2 && window_[1].milliseconds + kWindowMilliseconds <= milliseconds) window_.pop_front();
}

void RateMeter::Reset() {
  window_.clear();
  firstMilliseconds_ = 0;
}

std::uint64_t RateMeter::SpanMilliseconds() const {
  return window_.empty() ? 0 : window_.back().milliseconds - window_.front().milliseconds;
}

std::optional<double> RateMeter::BytesPerSecond() const {
  const std::uint64_t span = SpanMilliseconds();
  if (span < kFirstRateMilliseconds) return std::nullopt;
  return static_cast<double>(window_.back().bytes - window_.front().bytes) * 1000.0 / static_cast<double>(span);
}

bool RateMeter::Stable() const {
  return !window_.empty() && window_.back().milliseconds - firstMilliseconds_ >= kStableMilliseconds;
}

std::string FormatSize(std::uint64_t bytes) { return FormatAmount(static_cast<double>(bytes)); }

std::string FormatRate(double bytesPerSecond) {
  if (!(bytesPerSecond >= 0)) bytesPerSecond = 0;  // NaN too
  bytesPerSecond = std::min(bytesPerSecond, kMostBytesPerSecond);
  return FormatAmount(bytesPerSecond) + "/s";
}

std::string FormatTimeLeft(double seconds) {
  if (!(seconds > 1.0)) seconds = 1.0;  // NaN too
  seconds = std::min(seconds, kMostSecondsLeft);
  const auto whole = static_cast<unsigned>(std::ceil(seconds));
  if (whole < 10) return Format(kSecondsLeftFormat, whole);
  const auto fives = static_cast<unsigned>((seconds + 2.5) / 5) * 5;
  if (fives < 60) return Format(kSecondsLeftFormat, fives);
  const unsigned minutes = (whole + 30) / 60;
  if (minutes < 60) return Format(kMinutesLeftFormat, minutes);
  const unsigned tensOfMinutes = (whole + 300) / 600 * 10;
  if (tensOfMinutes % 60 == 0) return Format(kHoursLeftFormat, tensOfMinutes / 60);
  return Format(kHoursAndMinutesLeftFormat, tensOfMinutes / 60, tensOfMinutes % 60);
}

std::string UploadLine(std::uint64_t sent, std::uint64_t total, const RateMeter& meter) {
  sent = std::min(sent, total);
  std::string line = FormatSize(sent) + " / " + FormatSize(total) + Format(kPercentFormat, WholePercent(sent, total));
  const std::optional<double> rate = meter.BytesPerSecond();
  if (!rate) return line;
  line += " " + FormatRate(*rate);
  if (meter.Stable() && *rate > 0 && sent < total) {
    line += " " + FormatTimeLeft(static_cast<double>(total - sent) / *rate);
  }
  return line;
}

std::string ElapsedLine(std::uint64_t elapsedMilliseconds) {
  const std::uint64_t seconds = elapsedMilliseconds / 1000;
  const auto hours = static_cast<unsigned>(std::min<std::uint64_t>(seconds / 3600, 99999));
  const auto minutes = static_cast<unsigned>(seconds / 60 % 60);
  const auto rest = static_cast<unsigned>(seconds % 60);
  if (hours > 0) return Format(kElapsedHoursFormat, hours, minutes, rest);
  if (minutes > 0) return Format(kElapsedMinutesFormat, minutes, rest);
  return Format(kElapsedSecondsFormat, rest);
}

std::string WidestLine() {
  constexpr double kWidestAmount = 1023.9 * 1024 * 1024;  // "1023.9 MB": four digits, and M is wider than K or G
  constexpr double kLongestTimeLeft = 99 * 3600 + 50 * 60;
  return FormatAmount(kWidestAmount) + " / " + FormatAmount(kWidestAmount) + Format(kPercentFormat, 99u) + " " +
         FormatRate(kWidestAmount) + " " + FormatTimeLeft(kLongestTimeLeft);
}

}  // namespace progresstext
