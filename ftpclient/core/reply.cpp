#include "ftpclient/core/reply.h"

#include <algorithm>

namespace ftpclient {

void LineSplitter::Feed(std::string_view bytes) {
  // What was handed out goes only now, in one move, rather than line by line.
  pending_.erase(0, start_);
  scanFrom_ -= start_;
  start_ = 0;
  pending_.append(bytes.data(), bytes.size());
}

bool LineSplitter::NextLine(std::string& line) {
  while (true) {
    std::size_t end = pending_.find('\n', scanFrom_);
    if (end == std::string::npos) {
      scanFrom_ = pending_.size();
      if (!discarding_ && pending_.size() - start_ > kMaxLineBytes) {
        // Hand out the first kMaxLineBytes as the line and skip the rest of it.
        line.assign(pending_, start_, kMaxLineBytes);
        Clear();
        discarding_ = true;
        return true;
      }
      if (discarding_) Clear();
      return false;
    }
    bool wasDiscarding = discarding_;
    line.assign(pending_, start_, std::min(end - start_, kMaxLineBytes));
    start_ = scanFrom_ = end + 1;
    discarding_ = false;
    if (wasDiscarding) continue;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
  }
}

bool LineSplitter::TakeUnfinishedLine(std::string& line) {
  bool any = HasPendingBytes() && !discarding_;
  if (any) line.assign(pending_, start_, std::min(pending_.size() - start_, kMaxLineBytes));
  Clear();
  discarding_ = false;
  return any;
}

void LineSplitter::Clear() {
  pending_.clear();
  start_ = 0;
  scanFrom_ = 0;
}

int LeadingReplyCode(std::string_view line) {
  if (line.size() < 3) return 0;
  int code = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    char c = line[i];
    if (c < '0' || c > '9') return 0;
    code = code * 10 + (c - '0');
  }
  if (line.size() > 3 && line[3] != ' ' && line[3] != '-') return 0;
  return line[0] == '0' ? 0 : code;
}

std::optional<std::uint16_t> ParsePassivePort(std::string_view line) {
  if (LeadingReplyCode(line) != 227) return std::nullopt;
  std::size_t at = line.find_first_of("0123456789", 3);
  unsigned numbers[6];
  for (std::size_t i = 0; i < 6; ++i) {
    if (i > 0) {
      if (at >= line.size() || line[at] != ',') return std::nullopt;
      ++at;
    }
    std::size_t digits = 0;
    unsigned value = 0;
    for (; at < line.size() && line[at] >= '0' && line[at] <= '9' && digits < 4; ++at, ++digits) {
      value = value * 10 + static_cast<unsigned>(line[at] - '0');
    }
    if (digits == 0 || value > 255) return std::nullopt;
    numbers[i] = value;
  }
  const unsigned port = numbers[4] * 256 + numbers[5];
  if (port == 0) return std::nullopt;
  return static_cast<std::uint16_t>(port);
}

bool ReplyAssembler::Add(std::string_view line) {
  int code = LeadingReplyCode(line);
  bool continues = line.size() > 3 && line[3] == '-';
  if (openCode_ != 0) {
    if (code != openCode_ || continues) return false;
    code_ = openCode_;
    openCode_ = 0;
    return true;
  }
  if (code == 0) return false;
  if (continues) {
    openCode_ = code;
    return false;
  }
  code_ = code;
  return true;
}

}  // namespace ftpclient
