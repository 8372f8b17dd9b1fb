#include "hostsim/core/host_messages.h"

namespace hostsim::msg {

HostMessage LibraryNotFound(const std::string& library) { return {"CPF2110", "Library " + library + " not found."}; }

HostMessage NotAuthorizedToCommand(const std::string& command) {
  return {"CPF2189", "Not authorized to object " + command + " in QSYS type *CMD."};
}

HostMessage FileNotFound(const std::string& file, const std::string& library) {
  return {"CPF9812", "File " + file + " in library " + library + " not found."};
}

HostMessage ProgramNotFound(const std::string& program, const std::string& library) {
  return {"CPD0170", "Program " + program + " in library " + library + " not found."};
}

HostMessage SaveFileEmpty(const std::string& file, const std::string& library) {
  return {"CPF3707", "Save file " + file + " in " + library + " contains no data."};
}

HostMessage ValueNotValid(const std::string& value, const std::string& keyword) {
  return {"CPD0084", "Value '" + value + "' for parameter " + keyword + " not valid."};
}

HostMessage ValueRequired(const std::string& keyword) {
  return {"CPD0071", "Value required for parameter " + keyword + "."};
}

HostMessage KeywordNotValid(const std::string& keyword) {
  return {"CPD0043", "Keyword " + keyword + " not valid for this command."};
}

HostMessage KeywordTwice(const std::string& keyword) {
  return {"CPD0044", "Keyword " + keyword + " appears more than once."};
}

HostMessage TooManyPositional(const std::string& command) {
  return {"CPD0074", "Too many positional values for command " + command + "."};
}

HostMessage CommandNotFound(const std::string& command) {
  return {"CPD0030", "Command " + command + " in library *LIBL not found (not simulated by this host)."};
}

HostMessage CommandTooLong(std::size_t limit) {
  return {"CPD0006", "Command is longer than " + std::to_string(limit) + " characters."};
}

HostMessage InjectedFailure(const std::string& command) {
  return {"CPF9898", "Command " + command + " failed (fault injected by the substitute host)."};
}

}  // namespace hostsim::msg
