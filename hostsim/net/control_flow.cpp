#include "hostsim/net/control_flow.h"

namespace hostsim {

void ControlFlow::Run(const Execute& execute) {
  if (looping_) return;  // a command answered at once: the loop below takes the next one
  looping_ = true;
  std::string line;
  while (!running_ && !closing_ && !OutputFull()) {
    const LineAssembler::Kind kind = lines_.Next(line);
    if (kind == LineAssembler::Kind::kNone) break;
    running_ = true;
    execute(kind, line);
  }
  looping_ = false;
}

void ControlFlow::Queue(const reply::Lines& lines) {
  for (const std::string& line : lines) queued_ += line + "\r\n";
}

const std::string& ControlFlow::TakeOutput() {
  if (sending_.empty()) sending_.swap(queued_);
  return sending_;
}

}  // namespace hostsim
