#pragma once
// The line under the status in the progress window, in code page 932, and the rate it shows.
//
// While a job runs, the installer gives the RateMeter a sample (the time, the bytes the job's
// uploads have sent) at every poll of the client's log, and sets the line to UploadLine() while
// the bar shows an upload, or to ElapsedLine() while the bar is a marquee (before the first mark,
// and while the host works). Time is always passed in, so every function here is pure.
//
// Conventions: sizes in B below 1 KB, else in KB, MB or GB (1 KB = 1,024 bytes, as Windows shows
// file sizes) with one decimal; the share in whole per cent, rounded down, in full-width
// parentheses; the time left rounded as people say it (see FormatTimeLeft) and shown only once
// the rate has a few seconds behind it.
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

namespace progresstext {

// Bytes a second, averaged over the last few seconds, so that the rate and the time left do not
// jump with each poll.
class RateMeter {
 public:
  // A sample earlier in time or lower in bytes than the last one starts the meter afresh (a new
  // job, a log read anew).
  void AddSample(std::uint64_t milliseconds, std::uint64_t bytes);
  void Reset();

  // Nothing until the samples span a second.
  std::optional<double> BytesPerSecond() const;
  // Whether the samples span long enough for a time-left estimate worth showing.
  bool Stable() const;

 private:
  struct Sample {
    std::uint64_t milliseconds;
    std::uint64_t bytes;
  };
  std::uint64_t SpanMilliseconds() const;

  std::deque<Sample> window_;  // one sample at or before the window's start, then the rest
  std::uint64_t firstMilliseconds_ = 0;
};

// "512 B", "1.5 KB", "45.0 MB", "1.2 GB".
std::string FormatSize(std::uint64_t bytes);
// "4.2 MB/s"; a negative or NaN rate counts as 0.
std::string FormatRate(double bytesPerSecond);
// "残り 約8秒": whole seconds, rounded up, under 10 s; then to the nearest 5 s up to a minute,
// the nearest minute up to an hour, and from an hour ("約1時間20分") the nearest 10 minutes.
// Never less than 1 s; at most 100 hours.
std::string FormatTimeLeft(double seconds);
// "45.0 MB / 256.0 MB（18%） 4.2 MB/s 残り 約50秒": the rate once the meter has one, the time
// left once it is stable and the upload is moving. `sent` above `total` counts as `total`.
std::string UploadLine(std::uint64_t sent, std::uint64_t total, const RateMeter& meter);
// "経過時間 5秒", "経過時間 1分05秒", "経過時間 1時間02分05秒": whole seconds, rounded down.
std::string ElapsedLine(std::uint64_t elapsedMilliseconds);
// The widest line the two above give for a product under 10,000 GB sent at under 1 GB/s
// ("1023.9 MB / 1023.9 MB（99%） 1023.9 MB/s 残り 約99時間50分"): the window makes room for it
// once, so that no line is cut and the window never changes size while a job runs.
std::string WidestLine();

}  // namespace progresstext
