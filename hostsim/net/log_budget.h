#pragma once
// How many lines one source may write to the event log: a burst, then a steady rate. A peer that
// floods the host with short commands would otherwise make the log many times larger than what
// it sent (a command of one byte gives two log lines of some 80 bytes), until the disk is full.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>

namespace hostsim {

class LogBudget {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr double kBurst = 1000;
  static constexpr double kPerSecond = 20;

  // Whether one more line may be written at now. A refused line is counted; the next line
  // allowed is preceded by Summary().
  bool Take(Clock::time_point now) {
    const std::chrono::duration<double> elapsed = now - last_;
    last_ = now;
    tokens_ = std::min(kBurst, tokens_ + elapsed.count() * kPerSecond);
    if (tokens_ < 1) {
      ++suppressed_;
      return false;
    }
    tokens_ -= 1;
    return true;
  }

  // The line that reports the lines left out since the last summary; empty when there were none.
  std::string Summary() {
    if (suppressed_ == 0) return {};
    const std::string text = "(" + std::to_string(suppressed_) + " lines not logged: more than " +
                             std::to_string(static_cast<int>(kPerSecond)) + " a second)";
    suppressed_ = 0;
    return text;
  }

 private:
  double tokens_ = kBurst;
  Clock::time_point last_ = Clock::now();
  std::uint64_t suppressed_ = 0;
};

}  // namespace hostsim
