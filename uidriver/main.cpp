// UIDRIVER.EXE --scenario FILE --app FOLDER --output FOLDER [--env NAME=VALUE]... [--unset NAME]...
//              [--cursor-probe "UNIX COMMAND"]
// Runs a scenario against KESTRALON.EXE in FOLDER. Exit status 0 when every step passed, 1 when
// one failed, 2 for a wrong command line or a scenario that does not parse.
#include <windows.h>

#include <cstdio>
#include <string>

#include "uidriver/log.h"
#include "uidriver/runner.h"
#include "uidriver/scenario.h"

namespace {

struct CommandLine {
  std::string scenario;
  uidriver::RunnerOptions options;
};

bool ReadWholeFile(const std::string& path, std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  text.clear();
  char buffer[4096];
  std::size_t read = 0;
  while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, read);
  std::fclose(file);
  // A byte order mark some editors write is not part of the first step.
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  return true;
}

// The environment given here reaches every installer the scenario starts.
bool ApplyEnvironment(const std::string& option, const std::string& value) {
  if (option == "--unset") return SetEnvironmentVariableA(value.c_str(), nullptr) || true;
  const std::size_t equals = value.find('=');
  if (equals == std::string::npos || equals == 0) return false;
  return SetEnvironmentVariableA(value.substr(0, equals).c_str(), value.substr(equals + 1).c_str()) != 0;
}

bool ParseCommandLine(int argc, char** argv, CommandLine& command) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    const std::string value = argv[i + 1];
    if (option == "--scenario") {
      command.scenario = value;
    } else if (option == "--app") {
      command.options.appFolder = value;
    } else if (option == "--output") {
      command.options.outputFolder = value;
    } else if (option == "--cursor-probe") {
      command.options.cursorProbe = value;
    } else if (option == "--env" || option == "--unset") {
      if (!ApplyEnvironment(option, value)) return false;
    } else {
      return false;
    }
  }
  return argc % 2 == 1 && !command.scenario.empty() && !command.options.appFolder.empty() &&
         !command.options.outputFolder.empty();
}

}  // namespace

int main(int argc, char** argv) {
  CommandLine command;
  if (!ParseCommandLine(argc, argv, command)) {
    std::fprintf(stderr,
                 "usage: UIDRIVER.EXE --scenario FILE --app FOLDER --output FOLDER [--env NAME=VALUE]... "
                 "[--unset NAME]... [--cursor-probe \"UNIX COMMAND\"]\n");
    return 2;
  }
  CreateDirectoryA(command.options.outputFolder.c_str(), nullptr);
  uidriver::Log log(command.options.outputFolder + "\\driver.log");
  // Scenarios may name the installer's folder as %KESTRALON_APP%.
  SetEnvironmentVariableA("KESTRALON_APP", command.options.appFolder.c_str());
  const uidriver::Scenario scenario = uidriver::ParseScenario(command.scenario, &ReadWholeFile);
  if (!scenario.error.empty()) {
    log.Line("SCENARIO " + scenario.error);
    return 2;
  }
  uidriver::Runner runner(command.options, log);
  return runner.Run(scenario.steps) ? 0 : 1;
}
