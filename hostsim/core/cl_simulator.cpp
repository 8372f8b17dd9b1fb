#include "hostsim/core/cl_simulator.h"

#include <map>

#include "hostsim/core/cl_handlers.h"
#include "hostsim/core/cl_parser.h"
#include "hostsim/core/object_names.h"

namespace hostsim {
namespace {

struct CommandDefinition {
  CommandParameters parameters;
  ClOutcome (*run)(CommandContext&);
};

const std::map<std::string, CommandDefinition>& Commands() {
  static const std::map<std::string, CommandDefinition> commands = {
      {"CRTSAVF", {{{"FILE"}, {"TEXT", "AUT", "MAXRCDS", "ASP", "WAITFILE", "SHARE"}, {"FILE"}}, CreateSaveFile}},
      {"CLRSAVF", {{{"FILE"}, {}, {"FILE"}}, ClearSaveFile}},
      {"RSTOBJ",
       {{{"OBJ", "SAVLIB", "DEV"},
         {"OBJTYPE", "SAVF", "MBROPT", "ALWOBJDIF", "RSTLIB", "VOL", "LABEL", "OPTION", "FILEMBR", "OUTPUT"},
         {"OBJ", "SAVLIB", "DEV"}},
        RestoreObjects}},
      {"RSTLIB",
       {{{"SAVLIB", "DEV"},
         {"SAVF", "MBROPT", "ALWOBJDIF", "RSTLIB", "VOL", "LABEL", "OPTION", "OMITOBJ", "OUTPUT"},
         {"SAVLIB", "DEV"}},
        RestoreLibrary}},
      {"CALL", {{{"PGM", "PARM"}, {}, {"PGM"}}, CallProgram}},
      {"CRTLIB", {{{"LIB", "TYPE"}, {"TEXT", "AUT", "ASP", "CRTAUT"}, {"LIB"}}, CreateLibrary}},
      {"DLTLIB", {{{"LIB"}, {}, {"LIB"}}, DeleteLibrary}},
  };
  return commands;
}

// The commands of an acceptance run of the host object: holding objects in use and deleting one.
const std::map<std::string, CommandDefinition>& AcceptanceCommands() {
  static const std::map<std::string, CommandDefinition> commands = [] {
    std::map<std::string, CommandDefinition> all = {
        {"ALCOBJ", {{{"OBJ", "WAIT"}, {"SCOPE", "CONFLICT"}, {"OBJ"}}, AllocateObjects}},
        {"DLCOBJ", {{{"OBJ"}, {"SCOPE", "LCKSPCID"}, {"OBJ"}}, DeallocateObjects}},
    };
    for (const std::string& name : DeleteCommandNames()) {
      const std::string keyword = DeleteCommandKeyword(name);
      all[name] = {{{keyword}, {}, {keyword}}, DeleteObject};
    }
    return all;
  }();
  return commands;
}

const CommandDefinition* FindCommand(const std::string& name) {
  for (const auto* commands : {&Commands(), &AcceptanceCommands()}) {
    const auto found = commands->find(name);
    if (found != commands->end()) return &found->second;
  }
  return nullptr;
}

}  // namespace

ClOutcome ClSimulator::Run(HostJob& job, const std::string& commandText) {
  if (commandText.size() > kMaxClCommandLength) return ClOutcome::Failure({msg::CommandTooLong(kMaxClCommandLength)});
  const ClParseResult parsed = ParseClCommand(commandText);
  if (!parsed.ok) return ClOutcome::Failure(parsed.messageId, parsed.message);
  const std::string& name = parsed.command.name;
  if (faults_.Fails(name)) return ClOutcome::Failure({msg::InjectedFailure(name)});
  const CommandDefinition* found = FindCommand(name);
  if (found == nullptr) return ClOutcome::Failure({msg::CommandNotFound(name)});
  BindResult bound = BindParameters(parsed.command, found->parameters);
  if (!bound.parameters) return ClOutcome::Failure(bound.errors);
  CommandContext context{name, *bound.parameters, job, libraries_, faults_};
  return found->run(context);
}

SaveFileLookup FindSaveFile(CommandContext& context, const std::string& keyword) {
  const std::string value = context.parameters.Single(keyword);
  const std::optional<QualifiedName> name = ParseQualifiedName(value);
  if (!name) return {std::nullopt, ClOutcome::Failure({msg::ValueNotValid(value, keyword)})};
  std::string library = name->library;
  if (library == kLibraryList) library = kTempLibrary;  // the only library holding save files
  if (library == kCurrentLibrary) library = context.job.currentLibrary();
  if (library == kTempLibrary && context.job.saveFiles().Exists(name->object)) {
    return {SaveFileRef{name->object, library}, {}};
  }
  if (library != kTempLibrary && !context.libraries.Exists(library)) {
    return {std::nullopt, ClOutcome::Failure({msg::LibraryNotFound(library)})};
  }
  return {std::nullopt, ClOutcome::Failure({msg::FileNotFound(name->object, library)})};
}

std::optional<std::string> LibraryValue(CommandContext& context, const std::string& keyword, ClOutcome& failure) {
  const std::vector<ClValue>& elements = context.parameters.Elements(keyword);
  const std::string value = elements.empty() ? std::string() : elements[0].text;
  if (elements.size() != 1 || !IsValidName(value)) {
    failure = ClOutcome::Failure({msg::ValueNotValid(value, keyword)});
    return std::nullopt;
  }
  return value;
}

}  // namespace hostsim
