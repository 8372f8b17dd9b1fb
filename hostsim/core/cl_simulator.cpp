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

// The commands of an acceptance run: printed listings and deleting one object.
void AddListingCommands(std::map<std::string, CommandDefinition>& commands) {
  commands["OVRPRTF"] = {{{"FILE"},
                          {"TOFILE", "OUTQ", "HOLD", "MAXRCDS", "USRDTA", "OVRSCOPE", "SPLFOWN", "SAVE", "FORMTYPE",
                           "COPIES", "SHARE"},
                          {"FILE"}},
                         OverridePrinterFile};
  commands["DLTOVR"] = {{{"FILE", "LVL"}, {}, {"FILE"}}, DeleteOverride};
  commands["DSPSAVF"] = {{{"FILE", "OUTPUT"}, {}, {"FILE"}}, DisplaySaveFile};
  commands["DSPLIB"] = {{{"LIB", "OUTPUT"}, {}, {"LIB"}}, DisplayLibrary};
  commands["DLTSPLF"] = {{{"FILE", "JOB", "SPLNBR"}, {"SELECT"}, {"FILE"}}, DeleteSpooledFile};
  for (const std::string& name : DeleteCommandNames()) {
    const std::string keyword = DeleteCommandKeyword(name);
    commands[name] = {{{keyword}, {}, {keyword}}, DeleteObject};
  }
}

const std::map<std::string, CommandDefinition>& Commands() {
  static const std::map<std::string, CommandDefinition> commands = [] {
    std::map<std::string, CommandDefinition> all = {
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
    AddListingCommands(all);
    return all;
  }();
  return commands;
}

}  // namespace

ClOutcome ClSimulator::Run(HostJob& job, const std::string& commandText) {
  if (commandText.size() > kMaxClCommandLength) return ClOutcome::Failure({msg::CommandTooLong(kMaxClCommandLength)});
  const ClParseResult parsed = ParseClCommand(commandText);
  if (!parsed.ok) return ClOutcome::Failure(parsed.messageId, parsed.message);
  const std::string& name = parsed.command.name;
  if (faults_.Fails(name)) return ClOutcome::Failure({msg::InjectedFailure(name)});
  const auto found = Commands().find(name);
  if (found == Commands().end()) return ClOutcome::Failure({msg::CommandNotFound(name)});
  BindResult bound = BindParameters(parsed.command, found->second.parameters);
  if (!bound.parameters) return ClOutcome::Failure(bound.errors);
  CommandContext context{name, *bound.parameters, job, libraries_, faults_};
  return found->second.run(context);
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
