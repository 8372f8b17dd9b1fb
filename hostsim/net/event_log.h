#pragma once
// The server's log: one line per event, time-stamped, flushed at once so that a test can follow
// it while the server runs. Callers pass text already masked (FtpSession::LoggedForm).
#include <cstdio>
#include <string>

#include "hostsim/net/log_budget.h"

namespace hostsim {

class EventLog {
 public:
  // An empty path logs to standard error.
  bool Open(const std::string& path);
  ~EventLog();
  void Write(unsigned long connection, const std::string& text);
  // A line that a client's commands cause (a command, a reply, a refusal): written only when both
  // the source's budget and the budget of the whole log allow it, so that neither one flooding
  // client nor many short connections can make the log grow faster than a known rate.
  void WriteWithin(LogBudget& budget, unsigned long connection, const std::string& text);
  // Reports what budget left out, at the end of its source.
  void WriteSummary(LogBudget& budget, unsigned long connection);

  // A connection's budget: 1,000 lines at once, then 20 a second.
  static LogBudget ConnectionBudget() { return LogBudget(1000, 20, ""); }

 private:
  std::FILE* file_ = stderr;
  LogBudget shared_{5000, 200, " of all connections"};
};

}  // namespace hostsim
