#include "hostsim/core/host_job.h"

#include <algorithm>

namespace hostsim {

bool FaultSwitches::Fails(const std::string& name) const {
  return std::find(failCommands.begin(), failCommands.end(), name) != failCommands.end();
}

std::uint64_t FaultSwitches::LongReplyBytes(const std::string& name) const {
  for (const LongReply& reply : longReplies) {
    if (reply.name == name) return reply.bytes;
  }
  return 0;
}

HostJob::HostJob(UserProfile user, SaveFileStore& saveFiles) : user_(std::move(user)), saveFiles_(saveFiles) {
  static std::uint64_t lastNumber = 0;
  number_ = ++lastNumber;
}

std::optional<std::uint64_t> HostJob::SaveFileCreated(const std::string& name) const {
  const auto found = saveFilesCreated_.find(name);
  if (found == saveFilesCreated_.end()) return std::nullopt;
  return found->second;
}

bool HostJob::RestoredSince(const std::string& library, const std::string& name, const std::string& type,
                            std::uint64_t time) const {
  const auto found = restored_.find({library, name, type});
  return found != restored_.end() && found->second >= time;
}

std::vector<savf::SavedObject> HostJob::TempLibraryObjects() const {
  std::vector<savf::SavedObject> objects = tempObjects_;
  for (savf::SavedObject& saveFile : saveFiles_.List()) objects.push_back(std::move(saveFile));
  return objects;
}

}  // namespace hostsim
