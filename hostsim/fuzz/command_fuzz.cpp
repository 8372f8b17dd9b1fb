// Whatever a client sends, the protocol core and the CL parser answer without crashing, and every
// reply is one line. The input is split into lines and fed to a logged-on session in turn.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "hostsim/core/cl_parser.h"
#include "hostsim/core/ftp_session.h"
#include "hostsim/core/line_assembler.h"
#include "hostsim/testsupport/logged_on_session.h"

namespace {

void CheckReplies(const hostsim::reply::Lines& replies) {
  for (const std::string& line : replies) {
    if (line.size() < 4 || line.find_first_of("\r\n") != std::string::npos) {
      std::fprintf(stderr, "bad reply: [%s]\n", line.c_str());
      std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<std::uint8_t> hostObject = hostsim::testing::MakeHostObjectImage();
  hostsim::testing::LoggedOnSession host([](hostsim::testing::MemorySaveFiles& temp) {
    temp.Create("QSAVF");
    temp.Put("QSAVF", hostObject);
  });
  hostsim::FtpSession& session = host.session();
  hostsim::LineAssembler lines(hostsim::kMaxCommandLine);
  lines.Feed(reinterpret_cast<const char*>(data), size);
  lines.Feed("\n", 1);
  std::string line;
  for (hostsim::LineAssembler::Kind kind; (kind = lines.Next(line)) != hostsim::LineAssembler::Kind::kNone;) {
    if (kind == hostsim::LineAssembler::Kind::kTooLong) continue;
    hostsim::ParseClCommand(line);
    hostsim::FtpSession::LoggedForm(line);
    CheckReplies(session.Handle(line).replies);
    for (const char* verb : {"RCMD ", "CWD ", "STOR "}) {
      CheckReplies(session.Handle(verb + line).replies);
    }
  }
  return 0;
}
