#include "ftpjob/command_reply_watch.h"

namespace {

// Enough for the echo's prefix, the command word of a remote command and a reply's code.
constexpr std::size_t kHeadBytes = 128;
constexpr std::string_view kEchoPrefix = "ftp> ";

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// The client writes its prompt before a reply on the same line at times ("ftp> 250 ...").
std::string_view WithoutPrompts(std::string_view line) {
  while (line.substr(0, kEchoPrefix.size()) == kEchoPrefix) line.remove_prefix(kEchoPrefix.size());
  return line;
}

bool IsFinalReply(std::string_view line) {
  line = WithoutPrompts(line);
  if (line.size() < 4 || line[3] != ' ') return false;
  for (char c : line.substr(0, 3)) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

void CommandReplyWatch::Feed(std::string_view appended) {
  while (!appended.empty() && !answered_) {
    const std::size_t end = appended.find('\n');
    const std::string_view piece = appended.substr(0, end);
    if (head_.size() < kHeadBytes) head_.append(piece.substr(0, kHeadBytes - head_.size()));
    if (end == std::string_view::npos) return;
    EndLine();
    appended.remove_prefix(end + 1);
  }
}

void CommandReplyWatch::EndLine() {
  if (!echoed_) {
    if (head_.substr(0, kEchoPrefix.size()) == kEchoPrefix) {
      std::string upper = head_;
      for (char& c : upper) c = Upper(c);
      echoed_ = upper.find(command_) != std::string::npos;
    }
  } else {
    answered_ = IsFinalReply(head_);
  }
  head_.clear();
}
