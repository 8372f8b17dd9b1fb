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

std::vector<savf::SavedObject> HostJob::TempLibraryObjects() const {
  std::vector<savf::SavedObject> objects = tempObjects_;
  for (savf::SavedObject& saveFile : saveFiles_.List()) objects.push_back(std::move(saveFile));
  return objects;
}

}  // namespace hostsim
