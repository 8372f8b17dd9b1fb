// CRTLIB and DLTLIB, so that a library can be prepared or removed over FTP. Both need the
// restore authority: they change permanent libraries as a restore does.
#include "hostsim/core/cl_handlers.h"
#include "hostsim/core/object_names.h"

namespace hostsim {

ClOutcome CreateLibrary(CommandContext& context) {
  if (!context.job.user().mayRestore) return ClOutcome::Failure({msg::NotAuthorizedToCommand(context.name)});
  ClOutcome failure;
  const std::optional<std::string> library = LibraryValue(context, "LIB", failure);
  if (!library) return failure;
  if (*library == kTempLibrary || context.libraries.Exists(*library)) {
    return ClOutcome::Failure("CPF2111", "Library " + *library + " already exists.");
  }
  if (!context.libraries.Create(*library)) {
    return ClOutcome::Failure("CPF2113", "Library " + *library + " not created. " + context.libraries.problem());
  }
  return ClOutcome::Success();
}

ClOutcome DeleteLibrary(CommandContext& context) {
  if (!context.job.user().mayRestore) return ClOutcome::Failure({msg::NotAuthorizedToCommand(context.name)});
  ClOutcome failure;
  const std::optional<std::string> library = LibraryValue(context, "LIB", failure);
  if (!library) return failure;
  if (*library == kTempLibrary) return ClOutcome::Failure("CPF2161", "Library QTEMP cannot be deleted.");
  if (!context.libraries.Exists(*library)) return ClOutcome::Failure({msg::LibraryNotFound(*library)});
  if (!context.libraries.Delete(*library)) {
    return ClOutcome::Failure("CPF2161", "Library " + *library + " not deleted. " + context.libraries.problem());
  }
  return ClOutcome::Success();
}

}  // namespace hostsim
