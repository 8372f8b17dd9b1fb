#pragma once
// Parses the text of a CL command as the remote command facility receives it:
//   CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)
//   CALL PGM(QTEMP/KV2207C) PARM('QSAVF' 'QTEMP' 'SAMPLIB' 'USER')
//   CRTSAVF QTEMP/QSAVF                      (positional values)
// Unquoted values are upper-cased as the host does; quoted values keep their case and blanks.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hostsim {

struct ClValue {
  std::string text;
  bool quoted = false;
};

struct ClParameter {
  std::string keyword;            // empty for a positional value
  std::vector<ClValue> elements;  // the blank-separated elements of the value
};

struct ClCommand {
  std::string name;  // upper case, without a library qualifier
  std::vector<ClParameter> parameters;
};

struct ClParseResult {
  bool ok = false;
  std::string messageId;  // CPD message of the error when not ok
  std::string message;
  ClCommand command;
};

ClParseResult ParseClCommand(std::string_view text);

// The elements of a parenthesised list or a single value, split on blanks outside quotes and
// parentheses; a nested list stays one element with its parentheses. Nullopt when quotes or
// parentheses do not match.
std::optional<std::vector<ClValue>> SplitElements(std::string_view text);

}  // namespace hostsim
