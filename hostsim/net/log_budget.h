#pragma once
// How many lines a source may write to the event log: a burst, then a steady rate. A client that
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

  LogBudget(double burst, double perSecond, std::string whose)
      : burst_(burst), perSecond_(perSecond), whose_(std::move(whose)), tokens_(burst) {}

  // Whether one more line may be written at now; a line refused is counted for Summary().
  bool Take(Clock::time_point now) {
    const std::chrono::duration<double> elapsed = now - last_;
    last_ = now;
    tokens_ = std::min(burst_, tokens_ + elapsed.count() * perSecond_);
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
    const std::string text = "(" + std::to_string(suppressed_) + " lines" + whose_ + " not logged: more than " +
                             std::to_string(static_cast<long>(perSecond_)) + " a second)";
    suppressed_ = 0;
    return text;
  }

 private:
  double burst_;
  double perSecond_;
  std::string whose_;
  double tokens_;
  Clock::time_point last_ = Clock::now();
  std::uint64_t suppressed_ = 0;
};

}  // namespace hostsim
