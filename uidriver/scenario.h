#pragma once
// Scenario files of the UI driver: one step a line, read and checked as a whole before the first
// step runs, so that a typo fails at once with its file and line instead of half-way through.
#include <functional>
#include <string>
#include <vector>

namespace uidriver {

struct Step {
  std::string file;  // the scenario or included file the step comes from
  int line = 0;
  std::string verb;
  // Arguments as written, except that control names are already replaced by their ids.
  std::vector<std::string> args;
  double timeoutSeconds = -1;  // from a trailing "within N"; negative: the scenario's default
};

// Reads a scenario file into text (UTF-8); false when it cannot be read.
using FileLoader = std::function<bool(const std::string& path, std::string& text)>;

struct Scenario {
  std::vector<Step> steps;
  std::string error;  // "file:line: reason" for the first fault found; empty when all is well
};

// Splits one line into words. Blanks separate words; "..." keeps blanks and knows the escapes
// \" \\ \n \t, any other backslash standing for itself (so Windows paths read plainly); # outside
// quotes starts a comment. False, with a reason, for a broken quote.
bool SplitWords(const std::string& line, std::vector<std::string>& words, std::string& error);

// Reads fileName and every file it includes, checks each step against the step table and
// resolves "control" names.
Scenario ParseScenario(const std::string& fileName, const FileLoader& load);

// The directory part of a path (up to and including its last / or \), empty when there is none.
std::string DirectoryOf(const std::string& path);

}  // namespace uidriver
