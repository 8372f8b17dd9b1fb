#pragma once
// The driver's log: UTF-8 lines to standard output and to a file, each with the seconds since
// the run began.
#include <cstdio>
#include <string>

namespace uidriver {

class Log {
 public:
  explicit Log(const std::string& path);
  ~Log();
  Log(const Log&) = delete;
  Log& operator=(const Log&) = delete;

  void Line(const std::string& text);
  // A GetTickCount value as the seconds since the run began, as the lines are stamped.
  std::string Seconds(unsigned long tick) const;

 private:
  std::FILE* file_ = nullptr;
  unsigned long start_;
};

}  // namespace uidriver
