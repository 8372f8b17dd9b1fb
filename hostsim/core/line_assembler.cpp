#include "hostsim/core/line_assembler.h"

#include <cstring>

namespace hostsim {

void LineAssembler::Complete(Kind kind) {
  if (kind == Kind::kLine && !partial_.empty() && partial_.back() == '\r') partial_.pop_back();
  pendingBytes_ += partial_.size();
  ready_.emplace_back(kind, kind == Kind::kLine ? std::move(partial_) : std::string());
  partial_.clear();
}

void LineAssembler::Feed(const char* data, std::size_t size) {
  while (size > 0) {
    const char* newline = static_cast<const char*>(std::memchr(data, '\n', size));
    const std::size_t take = newline ? static_cast<std::size_t>(newline - data) : size;
    if (!skipping_) {
      const std::size_t room = maxLineLength_ - partial_.size();
      partial_.append(data, take < room ? take : room);
      if (take > room) {
        partial_.clear();
        Complete(Kind::kTooLong);
        skipping_ = true;
      }
    }
    if (!newline) return;
    if (skipping_) {
      skipping_ = false;  // the end of the cut line
    } else {
      Complete(Kind::kLine);
    }
    data += take + 1;
    size -= take + 1;
  }
}

LineAssembler::Kind LineAssembler::Next(std::string& line) {
  if (ready_.empty()) return Kind::kNone;
  Kind kind = ready_.front().first;
  line = std::move(ready_.front().second);
  ready_.pop_front();
  pendingBytes_ -= line.size();
  return kind;
}

}  // namespace hostsim
