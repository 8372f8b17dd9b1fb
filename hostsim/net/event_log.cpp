#include "hostsim/net/event_log.h"

#include <chrono>
#include <ctime>

namespace hostsim {

bool EventLog::Open(const std::string& path) {
  if (path.empty()) return true;
  file_ = std::fopen(path.c_str(), "a");
  if (file_ == nullptr) file_ = stderr;
  return file_ != stderr;
}

EventLog::~EventLog() {
  if (file_ != stderr) std::fclose(file_);
}

namespace {

// Longer texts are cut: a CL command the installer sends fits, binary garbage shown as \xNN does not.
constexpr std::size_t kMaxText = 1024;

}  // namespace

void EventLog::Write(unsigned long connection, const std::string& text) {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  if (text.size() > kMaxText) {
    std::fprintf(file_, "%s.%03d [%lu] %s... (%zu characters)\n", stamp, static_cast<int>(millis), connection,
                 text.substr(0, kMaxText).c_str(), text.size());
  } else {
    std::fprintf(file_, "%s.%03d [%lu] %s\n", stamp, static_cast<int>(millis), connection, text.c_str());
  }
  std::fflush(file_);
}

void EventLog::WriteWithin(LogBudget& budget, unsigned long connection, const std::string& text) {
  const LogBudget::Clock::time_point now = LogBudget::Clock::now();
  if (!budget.Take(now) || !shared_.Take(now)) return;
  WriteSummary(shared_, 0);
  WriteSummary(budget, connection);
  Write(connection, text);
}

void EventLog::WriteSummary(LogBudget& budget, unsigned long connection) {
  const std::string summary = budget.Summary();
  if (!summary.empty()) Write(connection, summary);
}

}  // namespace hostsim
