#include "uidriver/log.h"

#include <windows.h>

namespace uidriver {

Log::Log(const std::string& path) : file_(std::fopen(path.c_str(), "wb")), start_(GetTickCount()) {}

Log::~Log() {
  if (file_ != nullptr) std::fclose(file_);
}

std::string Log::Seconds(unsigned long tick) const {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%.2f", static_cast<DWORD>(tick - start_) / 1000.0);
  return stamp;
}

void Log::Line(const std::string& text) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%7s ", Seconds(GetTickCount()).c_str());
  const std::string line = stamp + text + "\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
  if (file_ != nullptr) {
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fflush(file_);
  }
}

}  // namespace uidriver
