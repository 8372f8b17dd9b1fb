#pragma once
// Cuts the bytes of the control connection into lines. A client may send anything, so a line
// longer than the limit is not kept: it is reported once and its rest is skipped up to its end.
#include <cstddef>
#include <deque>
#include <string>

namespace hostsim {

class LineAssembler {
 public:
  enum class Kind { kNone, kLine, kTooLong };

  explicit LineAssembler(std::size_t maxLineLength) : maxLineLength_(maxLineLength) {}

  void Feed(const char* data, std::size_t size);
  // The next complete line without its CR LF (or LF), or kTooLong for a line that was cut.
  Kind Next(std::string& line);
  // Bytes waiting, complete lines included: a reader stops reading when too much is waiting.
  std::size_t Pending() const { return pendingBytes_ + partial_.size(); }
  // Complete lines waiting (cut lines included). Empty lines hold no bytes but still take memory.
  std::size_t Queued() const { return ready_.size(); }

 private:
  void Complete(Kind kind);

  std::size_t maxLineLength_;
  std::string partial_;
  bool skipping_ = false;
  std::deque<std::pair<Kind, std::string>> ready_;
  std::size_t pendingBytes_ = 0;
};

}  // namespace hostsim
