#pragma once
// The commands the simulation knows. Internal to the CL simulation.
#include <optional>
#include <string>
#include <vector>

#include "hostsim/core/cl_binding.h"
#include "hostsim/core/host_job.h"
#include "hostsim/core/host_messages.h"
#include "hostsim/core/host_storage.h"

namespace hostsim {

struct CommandContext {
  const std::string& name;
  const BoundParameters& parameters;
  HostJob& job;
  LibraryStore& libraries;
  const FaultSwitches& faults;
};

ClOutcome CreateSaveFile(CommandContext& context);
ClOutcome ClearSaveFile(CommandContext& context);
ClOutcome RestoreObjects(CommandContext& context);
ClOutcome RestoreLibrary(CommandContext& context);
ClOutcome CallProgram(CommandContext& context);
ClOutcome CreateLibrary(CommandContext& context);
ClOutcome DeleteLibrary(CommandContext& context);
// ALCOBJ and DLCOBJ: locks on objects of the permanent libraries, held until released or until
// the job ends.
ClOutcome AllocateObjects(CommandContext& context);
ClOutcome DeallocateObjects(CommandContext& context);
// DLTPGM, DLTF, DLTDTAARA, ...: one command per object type, each naming its object by a keyword.
ClOutcome DeleteObject(CommandContext& context);
const std::vector<std::string>& DeleteCommandNames();
std::string DeleteCommandKeyword(const std::string& command);

// A save file named by a parameter, found where the job can reach it. Save files exist only in
// QTEMP here; a qualified name elsewhere reports the library or the file as missing.
struct SaveFileRef {
  std::string file;
  std::string library;
};
struct SaveFileLookup {
  std::optional<SaveFileRef> found;
  ClOutcome failure;
};
SaveFileLookup FindSaveFile(CommandContext& context, const std::string& keyword);

// A library parameter that must be a valid name (or the failure to report).
std::optional<std::string> LibraryValue(CommandContext& context, const std::string& keyword, ClOutcome& failure);

}  // namespace hostsim
