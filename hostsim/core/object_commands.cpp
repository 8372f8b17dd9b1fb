// What an acceptance run needs beyond the installer's commands: deleting one object of a
// library with the DLTxxx command of its type, and holding an object in use from another
// connection (ALCOBJ, DLCOBJ).
#include <algorithm>
#include <map>

#include "hostsim/core/cl_handlers.h"
#include "hostsim/core/object_names.h"

namespace hostsim {
namespace {

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

// One element of ALCOBJ's or DLCOBJ's OBJ list: (LIBRARY/NAME *TYPE *STATE [MEMBER]).
struct LockRequest {
  std::string library;
  std::string name;
  std::string type;
};

std::optional<LockRequest> ParseLockElement(CommandContext& context, const ClValue& element, ClOutcome& failure) {
  const std::string& text = element.text;
  std::optional<std::vector<ClValue>> parts;
  if (text.size() >= 2 && text.front() == '(' && text.back() == ')') {
    parts = SplitElements(std::string_view(text).substr(1, text.size() - 2));
  }
  const std::optional<QualifiedName> name =
      parts && parts->size() >= 3 ? ParseQualifiedName((*parts)[0].text) : std::nullopt;
  const std::vector<std::string> states = {"*SHRRD", "*SHRNUP", "*SHRUPD", "*EXCLRD", "*EXCL"};
  if (!name || std::find(states.begin(), states.end(), (*parts)[2].text) == states.end()) {
    failure = ClOutcome::Failure({msg::ValueNotValid(text, "OBJ")});
    return std::nullopt;
  }
  const std::string library =
      name->library == kLibraryList || name->library == kCurrentLibrary ? context.job.currentLibrary() : name->library;
  return LockRequest{library, name->object, (*parts)[1].text};
}

bool ObjectExists(CommandContext& context, const LockRequest& request) {
  const std::optional<std::vector<savf::SavedObject>> objects = context.libraries.Objects(request.library);
  return objects && std::any_of(objects->begin(), objects->end(), [&](const savf::SavedObject& o) {
           return o.name == request.name && o.type == request.type;
         });
}

// ALCOBJ and DLCOBJ take every object of their list or none.
ClOutcome ChangeLocks(CommandContext& context, bool allocate) {
  std::vector<LockRequest> requests;
  for (const ClValue& element : context.parameters.Elements("OBJ")) {
    ClOutcome failure;
    const std::optional<LockRequest> request = ParseLockElement(context, element, failure);
    if (!request) return failure;
    if (!ObjectExists(context, *request)) {
      return ClOutcome::Failure(
          "CPF2105", "Object " + request->name + " in " + request->library + " type " + request->type + " not found.");
    }
    requests.push_back(*request);
  }
  ObjectLocks& locks = context.libraries.locks();
  const std::uint64_t job = context.job.number();
  for (const LockRequest& r : requests) {
    // Releasing a lock the job does not hold changes nothing; the command still ends normally.
    if (allocate) {
      locks.Allocate(job, r.library, r.name, r.type);
    } else {
      locks.Deallocate(job, r.library, r.name, r.type);
    }
  }
  return ClOutcome::Success();
}

}  // namespace

ClOutcome AllocateObjects(CommandContext& context) { return ChangeLocks(context, true); }
ClOutcome DeallocateObjects(CommandContext& context) { return ChangeLocks(context, false); }

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
