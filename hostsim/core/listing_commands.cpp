// What an acceptance run needs beyond the installer's commands: printing listings (OVRPRTF,
// DLTOVR, DSPSAVF and DSPLIB with OUTPUT(*PRINT)), deleting a printed listing (DLTSPLF) and
// deleting one object of a library with the DLTxxx command of its type.
#include <algorithm>
#include <map>

#include "hostsim/core/cl_handlers.h"
#include "hostsim/core/listings.h"
#include "hostsim/core/object_names.h"

namespace hostsim {
namespace {

constexpr char kSaveFileListingFile[] = "QPSRODSP";
constexpr char kLibraryListingFile[] = "QPDSPLIB";

// A listing goes to the spool; shown on a display (OUTPUT(*)) it would need a workstation, which
// a remote command does not have, so the host prints it then too.
bool PrintsListing(CommandContext& context, ClOutcome& failure) {
  const std::string output = context.parameters.Single("OUTPUT", "*");
  if (output == "*" || output == "*PRINT") return true;
  failure = ClOutcome::Failure({msg::ValueNotValid(output, "OUTPUT")});
  return false;
}

// The type a delete command removes, and the keyword that names the object.
struct DeleteCommand {
  const char* keyword;
  const char* type;
};
const std::map<std::string, DeleteCommand>& DeleteCommands() {
  static const std::map<std::string, DeleteCommand> commands = {
      {"DLTPGM", {"PGM", "*PGM"}},          {"DLTSRVPGM", {"SRVPGM", "*SRVPGM"}}, {"DLTF", {"FILE", "*FILE"}},
      {"DLTDTAARA", {"DTAARA", "*DTAARA"}}, {"DLTMSGF", {"MSGF", "*MSGF"}},       {"DLTCMD", {"CMD", "*CMD"}},
      {"DLTMOD", {"MODULE", "*MODULE"}},    {"DLTDTAQ", {"DTAQ", "*DTAQ"}}};
  return commands;
}

}  // namespace

// Overrides last only as long as the remote command that made them, unless OVRSCOPE(*JOB) says
// otherwise; nothing the host simulates reads their attributes, so both end normally.
ClOutcome OverridePrinterFile(CommandContext& context) {
  const std::string file = context.parameters.Single("FILE");
  if (!IsValidName(file)) return ClOutcome::Failure({msg::ValueNotValid(file, "FILE")});
  return ClOutcome::Success();
}

ClOutcome DeleteOverride(CommandContext& context) {
  const std::string file = context.parameters.Single("FILE");
  if (file != "*ALL" && file != "*PRTF" && !IsValidName(file)) {
    return ClOutcome::Failure({msg::ValueNotValid(file, "FILE")});
  }
  return ClOutcome::Success();
}

ClOutcome DisplaySaveFile(CommandContext& context) {
  ClOutcome failure;
  if (!PrintsListing(context, failure)) return failure;
  const SaveFileLookup lookup = FindSaveFile(context, "FILE");
  if (!lookup.found) return lookup.failure;
  std::unique_ptr<savf::ByteSource> image = context.job.saveFiles().Open(lookup.found->file);
  if (!image) return ClOutcome::Failure({msg::SaveFileEmpty(lookup.found->file, lookup.found->library)});
  const savf::ReadResult read = savf::ReadImage(*image);
  if (!read.ok) return ClOutcome::Failure("CPF3782", "File " + lookup.found->file + " is not a save file.");
  std::vector<savf::SavedObject> objects;
  for (const savf::ImageObject& item : read.info.objects) objects.push_back(item.object);
  context.job.spool().push_back(
      {kSaveFileListingFile, SaveFileListing(lookup.found->file, lookup.found->library, read.info), objects});
  return ClOutcome::Success();
}

ClOutcome DisplayLibrary(CommandContext& context) {
  ClOutcome failure;
  if (!PrintsListing(context, failure)) return failure;
  const std::optional<std::string> library = LibraryValue(context, "LIB", failure);
  if (!library) return failure;
  const std::optional<std::vector<savf::SavedObject>> objects =
      *library == kTempLibrary ? context.job.TempLibraryObjects() : context.libraries.Objects(*library);
  if (!objects) return ClOutcome::Failure({msg::LibraryNotFound(*library)});
  context.job.spool().push_back({kLibraryListingFile, LibraryListing(*library, *objects), *objects});
  return ClOutcome::Success();
}

// Only the newest listing of a file can be named here (SPLNBR(*LAST), the default); the job is
// not checked, as this host keeps one spool per connection.
ClOutcome DeleteSpooledFile(CommandContext& context) {
  const std::string file = context.parameters.Single("FILE");
  const std::string number = context.parameters.Single("SPLNBR", "*LAST");
  std::vector<SpooledListing>& spool = context.job.spool();
  const auto newest =
      std::find_if(spool.rbegin(), spool.rend(), [&](const SpooledListing& l) { return l.file == file; });
  if (number != "*LAST" || newest == spool.rend()) {
    return ClOutcome::Failure("CPF3309", "No spooled files named " + file + " number " + number + " found.");
  }
  spool.erase(std::next(newest).base());
  return ClOutcome::Success();
}

ClOutcome DeleteObject(CommandContext& context) {
  if (!context.job.user().mayRestore) return ClOutcome::Failure({msg::NotAuthorizedToCommand(context.name)});
  const DeleteCommand& command = DeleteCommands().at(context.name);
  const std::string value = context.parameters.Single(command.keyword);
  const std::optional<QualifiedName> name = ParseQualifiedName(value);
  if (!name) return ClOutcome::Failure({msg::ValueNotValid(value, command.keyword)});
  const std::string library =
      name->library == kLibraryList || name->library == kCurrentLibrary ? context.job.currentLibrary() : name->library;
  const auto notFound = [&] {
    return ClOutcome::Failure("CPF2105",
                              "Object " + name->object + " in " + library + " type " + command.type + " not found.");
  };
  if (library == kTempLibrary) {
    std::vector<savf::SavedObject>& objects = context.job.tempObjects();
    const auto found = std::find_if(objects.begin(), objects.end(), [&](const savf::SavedObject& o) {
      return o.name == name->object && o.type == command.type;
    });
    if (found == objects.end()) return notFound();
    objects.erase(found);
    return ClOutcome::Success();
  }
  if (!context.libraries.Exists(library)) return ClOutcome::Failure({msg::LibraryNotFound(library)});
  if (!context.libraries.DeleteObject(library, name->object, command.type)) return notFound();
  return ClOutcome::Success();
}

const std::vector<std::string>& DeleteCommandNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> all;
    for (const auto& [name, command] : DeleteCommands()) all.push_back(name);
    return all;
  }();
  return names;
}

std::string DeleteCommandKeyword(const std::string& command) { return DeleteCommands().at(command).keyword; }

}  // namespace hostsim
