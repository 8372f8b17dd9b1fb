#include "ftpjob/upload_progress.h"

#include <algorithm>
#include <numeric>

namespace {

constexpr std::uint64_t kMarkBytes = 2048;
// Long enough for an echo's command word and a reply's code.
constexpr std::size_t kHeadBytes = 64;
constexpr std::string_view kEchoPrefix = "ftp> ";

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The words the client takes for "put": the command and its unique abbreviations, "send" too.
bool IsPutWord(std::string_view word) {
  std::string lower(word.size(), '\0');
  std::transform(word.begin(), word.end(), lower.begin(), Lower);
  auto abbreviates = [&lower](std::string_view command) {
    return lower.size() >= 2 && lower.size() <= command.size() && command.substr(0, lower.size()) == lower;
  };
  return abbreviates("put") || abbreviates("send");
}

bool IsPutEcho(std::string_view line) {
  if (line.substr(0, kEchoPrefix.size()) != kEchoPrefix) return false;
  line.remove_prefix(kEchoPrefix.size());
  return IsPutWord(line.substr(0, line.find_first_of(" \t\r")));
}

// The code of a host's reply line: three digits at the line's start, then a blank or "-" (more
// lines follow); 0 for any other line. The client's own lines (in its language) never count.
int ReplyCode(std::string_view line, bool& more) {
  if (line.size() < 4 || (line[3] != ' ' && line[3] != '-')) return 0;
  int code = 0;
  for (char c : line.substr(0, 3)) {
    if (c < '0' || c > '9') return 0;
    code = code * 10 + (c - '0');
  }
  more = line[3] == '-';
  return code;
}

}  // namespace

UploadProgress::UploadProgress(std::vector<std::uint64_t> putSizes)
    : sizes_(std::move(putSizes)), totalBytes_(std::accumulate(sizes_.begin(), sizes_.end(), std::uint64_t{0})) {}

void UploadProgress::Reset() { *this = UploadProgress(sizes_); }

// Neither '#' nor a line feed can be the second byte of a double-byte character, so the log is
// read byte by byte, and a poll that ends inside a character needs no care.
void UploadProgress::Feed(std::string_view appended) {
  while (!appended.empty()) {
    if (appended.front() == '\n') {
      EndLine();
      appended.remove_prefix(1);
      continue;
    }
    if (kind_ == LineKind::kStart) {
      kind_ = appended.front() == '#' ? LineKind::kMarks : LineKind::kOther;
      marksSeenBeforeLine_ = marksSeen_;
    }
    if (kind_ == LineKind::kMarks) {
      TakeMarks(appended);
    } else {
      TakeOtherBytes(appended);
    }
  }
}

// Takes a run of marks and what may end it: a CR (the line end to come), or anything else, which
// shows the line is not one of marks.
void UploadProgress::TakeMarks(std::string_view& rest) {
  const std::size_t run = std::min(rest.find_first_not_of('#'), rest.size());
  lineMarks_ += run;
  if (HasCurrentPut() && run > 0) {
    currentMarks_ += run;
    marksSeen_ = true;
  }
  rest.remove_prefix(run);
  if (rest.empty() || rest.front() == '\n') return;
  if (rest.front() == '\r') {
    rest.remove_prefix(1);
  } else {
    LeaveMarksLine();
  }
}

void UploadProgress::LeaveMarksLine() {
  if (HasCurrentPut()) currentMarks_ -= lineMarks_;
  marksSeen_ = marksSeenBeforeLine_;
  lineMarks_ = 0;
  kind_ = LineKind::kOther;
  head_ = "#";  // the line's real start, so that the rest of it is never taken for an echo
}

void UploadProgress::TakeOtherBytes(std::string_view& rest) {
  const std::size_t lineBytes = std::min(rest.find('\n'), rest.size());
  head_.append(rest.substr(0, std::min(lineBytes, kHeadBytes - std::min(head_.size(), kHeadBytes))));
  rest.remove_prefix(lineBytes);
}

void UploadProgress::EndLine() {
  if (kind_ == LineKind::kOther) {
    if (IsPutEcho(head_)) {
      StartNextPut();
    } else if (head_.substr(0, kEchoPrefix.size()) == kEchoPrefix) {
      transferOpen_ = false;  // another command: what it draws is not the put's
    } else {
      TakeReply(head_);
    }
  }
  kind_ = LineKind::kStart;
  lineMarks_ = 0;
  head_.clear();
}

// The host began the put's transfer (125, 150) and ended it complete (226, 250): every byte of
// the file arrived, the last partial block included. Any other final reply to it ends it
// unfinished; what later commands draw is not the put's.
void UploadProgress::TakeReply(std::string_view line) {
  bool more = false;
  const int code = ReplyCode(line, more);
  if (code == 0 || more || !HasCurrentPut()) return;
  if (code == 125 || code == 150) {
    transferOpen_ = true;
  } else if (code >= 200 && transferOpen_) {
    currentCompleted_ = code == 226 || code == 250;
    transferOpen_ = false;
  }
}

void UploadProgress::StartNextPut() {
  sentBeforeCurrent_ += CurrentPutBytes();
  if (putsEchoed_ <= sizes_.size()) ++putsEchoed_;
  currentMarks_ = 0;
  currentCompleted_ = false;
  transferOpen_ = false;
}

std::uint64_t UploadProgress::CurrentPutBytes() const {
  if (!HasCurrentPut()) return 0;
  const std::uint64_t size = sizes_[putsEchoed_ - 1];
  // Bounded before multiplying: a log may hold more marks than the file has blocks.
  const std::uint64_t marked = std::min(currentMarks_, size / kMarkBytes + 1) * kMarkBytes;
  return currentCompleted_ ? size : std::min(marked, size);
}
