// CALL: the verification program KV2207C is carried out on the simulated objects; any other
// program that exists ends normally without doing anything.
#include <algorithm>
#include <memory>

#include "hostsim/core/cl_handlers.h"
#include "hostsim/core/object_names.h"
#include "savf/image_reader.h"

namespace hostsim {
namespace {

constexpr char kVerificationProgram[] = "KV2207C";

// What KV2207C calls from its own library. Without it it cannot run.
const std::vector<savf::SavedObject>& Companions() {
  static const std::vector<savf::SavedObject> companions = {{"KV2207R1", "*PGM", "", 0}};
  return companions;
}

bool Holds(const std::vector<savf::SavedObject>& objects, const std::string& name, const std::string& type) {
  return std::any_of(objects.begin(), objects.end(),
                     [&](const savf::SavedObject& o) { return o.name == name && o.type == type; });
}

std::optional<std::vector<savf::SavedObject>> LibraryObjects(CommandContext& context, const std::string& library) {
  if (library == kTempLibrary) return context.job.TempLibraryObjects();
  return context.libraries.Objects(library);
}

ClOutcome Escape(const std::string& text) { return ClOutcome::Failure("CPF9898", text); }

// Parameters arrive as CL character values: trailing blanks are padding, leading ones are not.
// The program declares each parameter 10 characters long, so it sees no more than that.
std::string ParameterText(const ClValue& value) {
  const std::string text = value.text.substr(0, 10);
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

// The contract of KV2207C: normal end when every object the save file (parameters 1 and 2)
// holds was restored into the library of parameter 3, by name and type, since the save file was
// created; the escape message CPF9898 otherwise. An object that was in use during the restore
// keeps its old version and its old restore time, so a match by name and type alone is no proof.
ClOutcome Verify(CommandContext& context, const std::string& programLibrary) {
  const std::vector<savf::SavedObject> own = *LibraryObjects(context, programLibrary);
  for (const savf::SavedObject& companion : Companions()) {
    if (!Holds(own, companion.name, companion.type)) {
      return Escape("KV2207C cannot run: " + companion.name + " " + companion.type + " is not in " + programLibrary +
                    ".");
    }
  }
  const std::vector<ClValue>& parameters = context.parameters.Elements("PARM");
  if (parameters.size() != 4) {
    return ClOutcome::Failure("MCH0802", "Total parameters passed does not match number required.");
  }
  const std::string file = ParameterText(parameters[0]);
  const std::string fileLibrary = ParameterText(parameters[1]);
  const std::string target = ParameterText(parameters[2]);
  std::unique_ptr<savf::ByteSource> image;
  std::optional<std::uint64_t> created;
  if (fileLibrary == kTempLibrary && context.job.saveFiles().Exists(file)) {
    image = context.job.saveFiles().Open(file);
    created = context.job.SaveFileCreated(file);
  }
  const savf::ReadResult read = image ? savf::ReadImage(*image) : savf::ReadResult{};
  if (!read.ok || !created) return Escape("Save file " + file + " in " + fileLibrary + " cannot be listed.");
  // A save file from which no object was listed proves nothing: the program fails it.
  if (read.info.objects.empty()) return Escape("Save file " + file + " in " + fileLibrary + " lists no objects.");
  const std::optional<std::vector<savf::SavedObject>> present = LibraryObjects(context, target);
  if (!present) return Escape("Library " + target + " cannot be read.");
  std::size_t missing = 0;
  std::string first;
  for (const savf::ImageObject& item : read.info.objects) {
    const savf::SavedObject& object = item.object;
    if (Holds(*present, object.name, object.type) &&
        context.job.RestoredSince(target, object.name, object.type, *created)) {
      continue;
    }
    if (missing++ == 0) first = object.name + " " + object.type;
  }
  if (missing > 0) {
    return Escape(std::to_string(missing) + " of " + std::to_string(read.info.objects.size()) + " objects of " +
                  fileLibrary + "/" + file + " were not restored into " + target +
                  " since the save file was created, first " + first + ".");
  }
  return ClOutcome::Success();
}

}  // namespace

ClOutcome CallProgram(CommandContext& context) {
  const std::string value = context.parameters.Single("PGM");
  const std::optional<QualifiedName> program = ParseQualifiedName(value);
  if (!program) return ClOutcome::Failure({msg::ValueNotValid(value, "PGM")});
  std::vector<std::string> searched;
  if (program->library == kLibraryList) {
    searched = {kTempLibrary, context.job.currentLibrary()};
  } else {
    searched = {program->library == kCurrentLibrary ? context.job.currentLibrary() : program->library};
  }
  for (const std::string& library : searched) {
    const std::optional<std::vector<savf::SavedObject>> objects = LibraryObjects(context, library);
    if (!objects || !Holds(*objects, program->object, "*PGM")) continue;
    if (program->object == kVerificationProgram) return Verify(context, library);
    return ClOutcome::Success();
  }
  const std::string shownLibrary = program->library == kLibraryList ? kLibraryList : searched.front();
  return ClOutcome::Failure({msg::ProgramNotFound(program->object, shownLibrary)});
}

}  // namespace hostsim
