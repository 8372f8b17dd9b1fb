#pragma once
// The queues of one control connection, without any input or output: the bytes received and not
// yet taken as commands, and the replies not yet sent. Both stay bounded whatever the peer sends.
// The connection reads only while WantsInput(), and the next command is taken only while the
// replies waiting are under their limit, so a peer that does not read its replies soon stops
// being read; TCP then holds back what it sends.
// Commands are taken one at a time by Run(), a loop that a command answered at once does not
// enter again: the depth of the stack does not grow with the number of commands waiting.
#include <cstddef>
#include <functional>
#include <string>

#include "hostsim/core/ftp_replies.h"
#include "hostsim/core/line_assembler.h"

namespace hostsim {

class ControlFlow {
 public:
  struct Limits {
    std::size_t maxLine;    // a longer command line is reported once and skipped
    std::size_t maxInput;   // cost of the lines waiting at which reading stops
    std::size_t maxOutput;  // bytes of replies waiting at which no further command is taken
  };
  // What a waiting line costs beyond its bytes: keeping it takes memory even when it is empty.
  static constexpr std::size_t kLineCost = 64;

  explicit ControlFlow(const Limits& limits) : limits_(limits), lines_(limits.maxLine) {}

  void Received(const char* data, std::size_t size) { lines_.Feed(data, size); }
  bool WantsInput() const { return !closing_ && !OutputFull() && InputCost() < limits_.maxInput; }
  std::size_t InputCost() const { return lines_.Pending() + lines_.Queued() * kLineCost; }

  // Hands each complete line (or kTooLong for a cut one) to execute, while no command is running,
  // the replies fit and the connection is not closing. A command runs from the moment it is
  // handed over until Answered(). A call made while Run() is on the stack returns at once.
  using Execute = std::function<void(LineAssembler::Kind kind, const std::string& line)>;
  void Run(const Execute& execute);
  // Until Answered(), as if a command ran: the greeting holds the commands back this way.
  void Hold() { running_ = true; }
  void Answered() { running_ = false; }
  bool running() const { return running_; }

  // Each line is sent with CR LF.
  void Queue(const reply::Lines& lines);
  bool HasOutput() const { return !queued_.empty(); }
  // Moves the replies queued so far into the send buffer, which stays unchanged until Sent().
  const std::string& TakeOutput();
  void Sent() { sending_.clear(); }
  std::size_t OutputBytes() const { return sending_.size() + queued_.size(); }
  bool OutputFull() const { return OutputBytes() >= limits_.maxOutput; }

  // No further command is taken; the connection ends once the replies are sent.
  void CloseWhenSent() { closing_ = true; }
  bool closing() const { return closing_; }

 private:
  Limits limits_;
  LineAssembler lines_;
  std::string queued_;
  std::string sending_;
  bool running_ = false;
  bool looping_ = false;
  bool closing_ = false;
};

}  // namespace hostsim
