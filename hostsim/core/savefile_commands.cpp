// CRTSAVF and CLRSAVF.
#include "hostsim/core/cl_handlers.h"
#include "hostsim/core/object_names.h"

namespace hostsim {
namespace {

HostMessage NotCreated(const std::string& file, const std::string& library, const std::string& why = {}) {
  return {"CPF7302", "File " + file + " not created in library " + library + "." + (why.empty() ? "" : " " + why)};
}

}  // namespace

ClOutcome CreateSaveFile(CommandContext& context) {
  if (!context.job.user().mayCreateSaveFiles) return ClOutcome::Failure({msg::NotAuthorizedToCommand(context.name)});
  const std::string value = context.parameters.Single("FILE");
  const std::optional<QualifiedName> name = ParseQualifiedName(value);
  if (!name) return ClOutcome::Failure({msg::ValueNotValid(value, "FILE")});
  std::string library = name->library;
  if (library == kLibraryList || library == kCurrentLibrary) library = context.job.currentLibrary();
  if (library != kTempLibrary) {
    if (!context.libraries.Exists(library)) return ClOutcome::Failure({msg::LibraryNotFound(library)});
    return ClOutcome::Failure({NotCreated(name->object, library, "This host keeps save files only in QTEMP.")});
  }
  SaveFileStore& saveFiles = context.job.saveFiles();
  if (saveFiles.Exists(name->object)) {
    return ClOutcome::Failure({{"CPF5813", "File " + name->object + " in library " + library + " already exists."},
                               NotCreated(name->object, library)});
  }
  if (!saveFiles.Create(name->object)) return ClOutcome::Failure({NotCreated(name->object, library)});
  context.job.NoteSaveFileCreated(name->object);
  return ClOutcome::Success();
}

ClOutcome ClearSaveFile(CommandContext& context) {
  const SaveFileLookup lookup = FindSaveFile(context, "FILE");
  if (!lookup.found) return lookup.failure;
  if (!context.job.saveFiles().Clear(lookup.found->file)) {
    return ClOutcome::Failure(
        "CPF3702", "Save file " + lookup.found->file + " in " + lookup.found->library + " could not be cleared.");
  }
  return ClOutcome::Success();
}

}  // namespace hostsim
