// Turning the bytes of the control connection into reply lines and complete replies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ftpclient {

// Splits a byte stream into lines at LF, dropping the CR before it. A line longer than
// kMaxLineBytes is cut there and its remainder discarded, so a server that never ends a line
// cannot make the client grow without bound.
class LineSplitter {
 public:
  static constexpr std::size_t kMaxLineBytes = 8192;

  void Feed(std::string_view bytes);
  // Takes the next complete line, if there is one.
  bool NextLine(std::string& line);
  // Takes what is left of an unfinished last line (when the connection ends), if anything.
  bool TakeUnfinishedLine(std::string& line);
  bool HasPendingBytes() const { return pending_.size() > start_; }
  void Clear();

 private:
  std::string pending_;
  std::size_t start_ = 0;  // where the first line not handed out yet begins
  std::size_t scanFrom_ = 0;
  bool discarding_ = false;
};

// Recognises where a reply ends: a single line "xyz text", or "xyz-" up to a line that starts
// with the same code followed by a space (or nothing). Lines before any code are stray text.
class ReplyAssembler {
 public:
  // Returns true when `line` completes a reply; code() is then its three-digit code.
  bool Add(std::string_view line);
  int code() const { return code_; }

 private:
  int openCode_ = 0;  // code of a multi-line reply in progress, 0 when none
  int code_ = 0;
};

// The reply code at the start of a line, or 0 when the line does not start with three digits.
int LeadingReplyCode(std::string_view line);

// The data port of a 227 reply: the first six numbers after the code, "h1,h2,h3,h4,p1,p2" (within
// parentheses or not, as servers differ), each 0..255; nullopt when they are not there or the
// port is 0. The address is not returned: the client connects to the server it talks to.
std::optional<std::uint16_t> ParsePassivePort(std::string_view line);

}  // namespace ftpclient
