#pragma once
// The outcome of a CL command and the host messages that explain a failure. The message
// identifiers are those an IBM i operator would look up; the texts say what went wrong here.
#include <string>
#include <vector>

namespace hostsim {

struct HostMessage {
  std::string id;  // e.g. CPF5813
  std::string text;
};

struct ClOutcome {
  bool ok = false;
  std::vector<HostMessage> messages;  // why it failed, the main message last; empty on success

  static ClOutcome Success() { return ClOutcome{true, {}}; }
  static ClOutcome Failure(std::string id, std::string text) {
    return ClOutcome{false, {{std::move(id), std::move(text)}}};
  }
  static ClOutcome Failure(std::vector<HostMessage> messages) { return ClOutcome{false, std::move(messages)}; }
};

namespace msg {

HostMessage LibraryNotFound(const std::string& library);
HostMessage NotAuthorizedToCommand(const std::string& command);
HostMessage FileNotFound(const std::string& file, const std::string& library);
HostMessage ProgramNotFound(const std::string& program, const std::string& library);
HostMessage SaveFileEmpty(const std::string& file, const std::string& library);
HostMessage ValueNotValid(const std::string& value, const std::string& keyword);
HostMessage ValueRequired(const std::string& keyword);
HostMessage KeywordNotValid(const std::string& keyword);
HostMessage KeywordTwice(const std::string& keyword);
HostMessage TooManyPositional(const std::string& command);
HostMessage CommandNotFound(const std::string& command);
HostMessage CommandTooLong(std::size_t limit);
HostMessage InjectedFailure(const std::string& command);

}  // namespace msg
}  // namespace hostsim
