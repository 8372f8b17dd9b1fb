#pragma once
// Matches a parsed CL command against the parameters its command accepts: keywords, the order
// of positional values, and which values are required.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "hostsim/core/cl_parser.h"
#include "hostsim/core/host_messages.h"

namespace hostsim {

struct CommandParameters {
  std::vector<std::string> positional;  // keywords of positional values, in order
  std::vector<std::string> optional;    // further keywords accepted
  std::vector<std::string> required;    // keywords that must be given (also in positional)
};

class BoundParameters {
 public:
  bool Has(const std::string& keyword) const { return values_.count(keyword) != 0; }
  const std::vector<ClValue>& Elements(const std::string& keyword) const;
  // The value of a single-element parameter, or fallback when the parameter is not given.
  std::string Single(const std::string& keyword, const std::string& fallback = {}) const;
  void Set(const std::string& keyword, std::vector<ClValue> elements) { values_[keyword] = std::move(elements); }

 private:
  std::map<std::string, std::vector<ClValue>> values_;
};

// The bound parameters, or the messages of why the command is not valid.
struct BindResult {
  std::optional<BoundParameters> parameters;
  std::vector<HostMessage> errors;
};

BindResult BindParameters(const ClCommand& command, const CommandParameters& definition);

}  // namespace hostsim
