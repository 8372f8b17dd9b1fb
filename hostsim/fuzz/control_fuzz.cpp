// The queues of a control connection (ControlFlow) driven the way ControlConnection drives them,
// with a real FtpSession behind them. Whatever a client sends, in whatever pieces, and whether or
// not it takes its replies: what the connection holds stays within its limits, replies leave as
// whole lines, and a command answered at once never leads into the next one on the stack.
//
// Input: a schedule, a newline, then the bytes the client sends. In the schedule
//   s / S  the client sends the next 16 / 512 bytes (TCP keeps what the connection does not read)
//   r      the client takes the replies waiting
//   d      the passive listener or transfer the session asked for ends, failed and completed in turn
// Other bytes stand for one of these by their value. Then the client sends the rest, takes its
// replies and the transfers end, until nothing moves.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "hostsim/core/ftp_session.h"
#include "hostsim/net/control_flow.h"
#include "hostsim/testsupport/logged_on_session.h"

namespace {

using hostsim::ControlFlow;
using hostsim::LineAssembler;
using hostsim::SessionStep;

// Small limits, so that short inputs reach them.
constexpr ControlFlow::Limits kLimits{200, 512, 512};
constexpr std::size_t kReadSize = 64;
constexpr std::size_t kLargestReply = 1024;  // the replies to one command, with lines of at most 200 bytes

void Fail(const char* what, const std::string& detail = {}) {
  std::fprintf(stderr, "%s %s\n", what, detail.c_str());
  std::abort();
}

// Every reply line ends in CR LF, starts with a code and holds no other line end.
void CheckReplies(const std::string& bytes) {
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) Fail("reply without CR LF:", bytes.substr(start));
    const std::string line = bytes.substr(start, end - start);
    if (line.size() < 4 || line.find_first_not_of("0123456789") != 3 || (line[3] != ' ' && line[3] != '-') ||
        line.find_first_of("\r\n") != std::string::npos) {
      Fail("bad reply line:", line);
    }
    start = end + 2;
  }
}

class Connection {
 public:
  explicit Connection(hostsim::FtpSession& session) : session_(session), flow_(kLimits) {}

  void Send(std::string bytes) {
    tcp_ += bytes;
    Read();
  }

  // As after a write: the replies are gone, the next commands may be taken.
  bool TakeReplies() {
    if (!flow_.HasOutput()) return false;
    CheckReplies(flow_.TakeOutput());
    flow_.Sent();
    Process();
    return true;
  }

  bool EndStep() {
    if (!pending_) return false;
    SessionStep step = std::move(*pending_);
    pending_.reset();
    succeed_ = !succeed_;
    if (step.next == SessionStep::Next::kOpenPassive) {
      flow_.Queue(succeed_ ? session_.PassiveOpened("127.0.0.1", 4242) : session_.PassiveFailed());
    } else if (step.transfer.upload) {
      static const std::vector<std::uint8_t> image = hostsim::testing::MakeHostObjectImage();
      if (succeed_) step.transfer.upload->Write(image.data(), image.size());
      flow_.Queue(session_.UploadEnded(std::move(step.transfer.upload),
                                       succeed_ ? hostsim::UploadEnd::kComplete : hostsim::UploadEnd::kAborted));
    } else {
      flow_.Queue(session_.SendEnded(succeed_));
    }
    flow_.Answered();
    Process();
    return true;
  }

  // The connection reads while its queues allow, as much as one read takes.
  bool Read() {
    bool moved = false;
    while (flow_.WantsInput() && !tcp_.empty()) {
      const std::size_t size = std::min(kReadSize, tcp_.size());
      flow_.Received(tcp_.data(), size);
      newlinesFed_ += static_cast<std::size_t>(std::count(tcp_.begin(), tcp_.begin() + size, '\n'));
      tcp_.erase(0, size);
      Process();
      moved = true;
    }
    return moved;
  }

 private:
  void Process() {
    flow_.Run([this](LineAssembler::Kind kind, const std::string& line) { Execute(kind, line); });
    CheckBounds();
  }

  void Execute(LineAssembler::Kind kind, const std::string& line) {
    if (++depth_ > 1) Fail("a command was taken while another was being answered");
    ++taken_;
    if (flow_.closing()) Fail("a command was taken after the connection began to close");
    SessionStep step;
    if (kind == LineAssembler::Kind::kTooLong) {
      step.replies = session_.LineTooLong();
    } else {
      step = session_.Handle(line);
    }
    flow_.Queue(step.replies);
    if (step.next == SessionStep::Next::kContinue) {
      flow_.Answered();
      Process();  // as ControlConnection::Done does: must not run the next command here
    } else if (step.next == SessionStep::Next::kClose) {
      flow_.CloseWhenSent();
    } else {
      pending_ = std::move(step);
    }
    --depth_;
  }

  void CheckBounds() const {
    // Every line waiting ended at a newline, but for one cut line whose end has not come yet;
    // counted here apart from the flow's own figures.
    const std::size_t waiting = newlinesFed_ + 1 - taken_;
    if (waiting > kLimits.maxInput / ControlFlow::kLineCost + kReadSize + 1) {
      Fail("too many lines held:", std::to_string(waiting));
    }
    if (flow_.InputCost() > kLimits.maxInput + kReadSize * (1 + ControlFlow::kLineCost) + kLimits.maxLine) {
      Fail("too much input held:", std::to_string(flow_.InputCost()));
    }
    if (flow_.OutputBytes() > kLimits.maxOutput + kLargestReply) {
      Fail("too many replies held:", std::to_string(flow_.OutputBytes()));
    }
  }

  hostsim::FtpSession& session_;
  ControlFlow flow_;
  std::string tcp_;
  std::optional<SessionStep> pending_;
  int depth_ = 0;
  std::size_t newlinesFed_ = 0;
  std::size_t taken_ = 0;
  bool succeed_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  hostsim::testing::LoggedOnSession host;
  Connection connection(host.session());

  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t newline = input.find('\n');
  const std::string schedule = input.substr(0, newline);
  std::string rest = newline == std::string::npos ? std::string() : input.substr(newline + 1);
  auto take = [&rest](std::size_t count) {
    std::string piece = rest.substr(0, count);
    rest.erase(0, piece.size());
    return piece;
  };
  for (const char c : schedule) {
    const char action = c == 's' || c == 'S' || c == 'r' || c == 'd' ? c : "sSrd"[static_cast<unsigned char>(c) % 4];
    if (action == 's') connection.Send(take(16));
    if (action == 'S') connection.Send(take(512));
    if (action == 'r') connection.TakeReplies();
    if (action == 'd') connection.EndStep();
  }
  connection.Send(rest);
  for (int round = 0; round < 100000; ++round) {
    bool moved = connection.Read();
    moved = connection.TakeReplies() || moved;
    moved = connection.EndStep() || moved;
    if (!moved) break;
  }
  return 0;
}
