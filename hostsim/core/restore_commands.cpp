// RSTOBJ and RSTLIB from a save file.
#include <algorithm>
#include <iterator>
#include <memory>

#include "hostsim/core/cl_handlers.h"
#include "hostsim/core/cl_simulator.h"
#include "hostsim/core/object_names.h"
#include "savf/image_reader.h"

namespace hostsim {
namespace {

struct RestoreRequest {
  std::string savedLibrary;
  std::string targetLibrary;
  bool wholeLibrary = false;  // RSTLIB: creates the target library when it does not exist
};

bool OneOf(const std::string& value, std::initializer_list<const char*> allowed) {
  return std::any_of(allowed.begin(), allowed.end(), [&](const char* candidate) { return value == candidate; });
}

// Generic names (a prefix and an asterisk) select every object whose name starts with the prefix.
bool NameSelected(const std::vector<ClValue>& names, const std::string& name) {
  for (const ClValue& pattern : names) {
    const std::string& text = pattern.text;
    if (text == "*ALL" || text == name) return true;
    if (text.size() > 1 && text.back() == '*' && name.compare(0, text.size() - 1, text, 0, text.size() - 1) == 0) {
      return true;
    }
  }
  return false;
}

bool TypeSelected(const std::vector<ClValue>& types, const std::string& type) {
  if (types.empty()) return true;
  return std::any_of(types.begin(), types.end(), [&](const ClValue& t) { return t.text == "*ALL" || t.text == type; });
}

std::optional<HostMessage> CheckOptions(const BoundParameters& parameters) {
  const std::string device = parameters.Single("DEV");
  if (device != "*SAVF") return HostMessage{"CPF9814", "Device " + device + " not found."};
  if (!parameters.Has("SAVF")) return msg::ValueRequired("SAVF");
  const std::string members = parameters.Single("MBROPT", "*MATCH");
  if (!OneOf(members, {"*MATCH", "*ALL", "*NEW", "*OLD"})) return msg::ValueNotValid(members, "MBROPT");
  for (const ClValue& value : parameters.Elements("ALWOBJDIF")) {
    if (!OneOf(value.text, {"*NONE", "*ALL", "*AUTL", "*FILELVL", "*OWNER", "*PGP", "*COMPATIBLE"})) {
      return msg::ValueNotValid(value.text, "ALWOBJDIF");
    }
  }
  return std::nullopt;
}

// Without ALWOBJDIF(*ALL) an object that exists with another attribute is not replaced.
bool AllowsDifferences(const BoundParameters& parameters) {
  const std::vector<ClValue>& values = parameters.Elements("ALWOBJDIF");
  return std::any_of(values.begin(), values.end(),
                     [](const ClValue& v) { return v.text == "*ALL" || v.text == "*COMPATIBLE"; });
}

// Objects of the image that the command selects, less the one a fault switch loses.
std::vector<savf::ImageObject> SelectObjects(CommandContext& context, const savf::ImageInfo& image) {
  const std::vector<ClValue> all{{"*ALL", false}};
  const std::vector<ClValue>& names = context.parameters.Has("OBJ") ? context.parameters.Elements("OBJ") : all;
  std::vector<savf::ImageObject> selected;
  for (const savf::ImageObject& item : image.objects) {
    if (!NameSelected(names, item.object.name) ||
        !TypeSelected(context.parameters.Elements("OBJTYPE"), item.object.type)) {
      continue;
    }
    if (item.object.name == context.faults.loseObject) continue;
    selected.push_back(item);
  }
  return selected;
}

// Splits off the selected objects that would replace an object of another attribute.
std::vector<savf::ImageObject> RefuseDifferences(std::vector<savf::ImageObject>& selected,
                                                 const std::vector<savf::SavedObject>& existing) {
  std::vector<savf::ImageObject> refused;
  auto differs = [&](const savf::ImageObject& item) {
    return std::any_of(existing.begin(), existing.end(), [&](const savf::SavedObject& old) {
      return old.name == item.object.name && old.type == item.object.type && old.attribute != item.object.attribute;
    });
  };
  for (const savf::ImageObject& item : selected) {
    if (differs(item)) refused.push_back(item);
  }
  selected.erase(std::remove_if(selected.begin(), selected.end(), differs), selected.end());
  return refused;
}

// Splits off the selected objects that another job has in use: an object of the target library
// that is allocated to another job (ALCOBJ), or the one the fault switch names. A restore cannot
// replace such an object, and the old one stays. An object the library does not hold yet is
// nobody's to use.
std::vector<savf::ImageObject> SplitOffInUse(CommandContext& context, const std::string& library,
                                             std::vector<savf::ImageObject>& selected,
                                             const std::vector<savf::SavedObject>& existing) {
  auto inUse = [&](const savf::ImageObject& item) {
    const bool exists = std::any_of(existing.begin(), existing.end(), [&](const savf::SavedObject& old) {
      return old.name == item.object.name && old.type == item.object.type;
    });
    return exists && (item.object.name == context.faults.objectInUse ||
                      context.libraries.locks().HeldByAnotherJob(context.job.number(), library, item.object.name,
                                                                 item.object.type));
  };
  std::vector<savf::ImageObject> busy;
  std::copy_if(selected.begin(), selected.end(), std::back_inserter(busy), inUse);
  selected.erase(std::remove_if(selected.begin(), selected.end(), inUse), selected.end());
  return busy;
}

void MergeIntoTemp(std::vector<savf::SavedObject>& temp, const std::vector<savf::ImageObject>& restored) {
  for (const savf::ImageObject& item : restored) {
    auto same = std::find_if(temp.begin(), temp.end(), [&](const savf::SavedObject& o) {
      return o.name == item.object.name && o.type == item.object.type;
    });
    if (same != temp.end()) {
      *same = item.object;
    } else {
      temp.push_back(item.object);
    }
  }
}

ClOutcome Store(CommandContext& context, const RestoreRequest& request, savf::ByteSource& image,
                std::vector<savf::ImageObject>& selected) {
  const bool toTemp = request.targetLibrary == kTempLibrary;
  if (!toTemp && !request.wholeLibrary && !context.libraries.Exists(request.targetLibrary)) {
    return ClOutcome::Failure({msg::LibraryNotFound(request.targetLibrary)});
  }
  const std::vector<savf::SavedObject> existing =
      toTemp ? context.job.tempObjects()
             : context.libraries.Objects(request.targetLibrary).value_or(std::vector<savf::SavedObject>{});
  std::vector<savf::ImageObject> refused;
  if (!AllowsDifferences(context.parameters)) refused = RefuseDifferences(selected, existing);
  const std::vector<savf::ImageObject> busy =
      toTemp ? std::vector<savf::ImageObject>{} : SplitOffInUse(context, request.targetLibrary, selected, existing);
  if (toTemp) {
    MergeIntoTemp(context.job.tempObjects(), selected);
  } else if (!context.libraries.Restore(request.targetLibrary, image, selected)) {
    return ClOutcome::Failure("CPF3794", "Restore into library " + request.targetLibrary +
                                             " ended abnormally; the library is unchanged. " +
                                             context.libraries.problem());
  }
  for (const savf::ImageObject& item : selected) {
    context.job.NoteRestored(request.targetLibrary, item.object.name, item.object.type);
  }
  if (refused.empty() && busy.empty()) return ClOutcome::Success();
  // Objects that could not be restored: CPF3773, "number of objects restored and not restored to
  // a library", ends the command, after a diagnostic where this host has one for the cause.
  std::vector<HostMessage> messages;
  if (!refused.empty()) {
    messages.push_back(
        {"CPF3848", "Object " + refused.front().object.name + " not restored: it exists with another attribute."});
  }
  messages.push_back({"CPF3773", std::to_string(selected.size()) + " objects restored. " +
                                     std::to_string(refused.size() + busy.size()) + " not restored to " +
                                     request.targetLibrary + "."});
  return ClOutcome::Failure(messages);
}

ClOutcome Restore(CommandContext& context, const RestoreRequest& request) {
  if (!context.job.user().mayRestore) return ClOutcome::Failure({msg::NotAuthorizedToCommand(context.name)});
  if (std::optional<HostMessage> problem = CheckOptions(context.parameters)) return ClOutcome::Failure({*problem});
  const SaveFileLookup lookup = FindSaveFile(context, "SAVF");
  if (!lookup.found) return lookup.failure;
  const SaveFileRef& saveFile = *lookup.found;
  std::unique_ptr<savf::ByteSource> image = context.job.saveFiles().Open(saveFile.file);
  if (!image) return ClOutcome::Failure({msg::SaveFileEmpty(saveFile.file, saveFile.library)});
  const savf::ReadResult read = savf::VerifyImage(*image);
  if (!read.ok) {
    return ClOutcome::Failure({{"CPF3743", "Save file " + saveFile.file + " in " + saveFile.library +
                                               " cannot be restored: " + read.error + "."}});
  }
  if (read.info.library != request.savedLibrary) {
    return ClOutcome::Failure("CPF3781", "Objects in save file " + saveFile.file + " were saved from library " +
                                             read.info.library + ", not " + request.savedLibrary + ".");
  }
  if (read.info.release > kHostRelease) {
    return ClOutcome::Failure("CPF3709", "Save file was made for release " + read.info.release +
                                             ", later than the host's " + kHostRelease + ".");
  }
  std::vector<savf::ImageObject> selected = SelectObjects(context, read.info);
  if (selected.empty() && read.info.objects.size() > 0) {
    return ClOutcome::Failure("CPF3780", "No objects selected from save file " + saveFile.file + ".");
  }
  return Store(context, request, *image, selected);
}

}  // namespace

// SAVLIB and RSTLIB (default *SAVLIB: the saved library) of a restore command.
static bool ReadLibraries(CommandContext& context, std::string& saved, std::string& target, ClOutcome& failure) {
  const std::optional<std::string> savedValue = LibraryValue(context, "SAVLIB", failure);
  if (!savedValue) return false;
  saved = target = *savedValue;
  if (context.parameters.Single("RSTLIB", "*SAVLIB") == "*SAVLIB") return true;
  const std::optional<std::string> named = LibraryValue(context, "RSTLIB", failure);
  if (!named) return false;
  target = *named;
  return true;
}

ClOutcome RestoreObjects(CommandContext& context) {
  ClOutcome failure;
  std::string saved, target;
  if (!ReadLibraries(context, saved, target, failure)) return failure;
  return Restore(context, RestoreRequest{saved, target, false});
}

ClOutcome RestoreLibrary(CommandContext& context) {
  ClOutcome failure;
  std::string saved, target;
  if (!ReadLibraries(context, saved, target, failure)) return failure;
  if (target == kTempLibrary) {
    return ClOutcome::Failure("CPF3805", "Library QTEMP cannot be restored with RSTLIB.");
  }
  return Restore(context, RestoreRequest{saved, target, true});
}

}  // namespace hostsim
