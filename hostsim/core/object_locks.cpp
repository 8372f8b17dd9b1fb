#include "hostsim/core/object_locks.h"

namespace hostsim {

void ObjectLocks::Allocate(std::uint64_t job, const std::string& library, const std::string& name,
                           const std::string& type) {
  ++holders_[{library, name, type}][job];
}

bool ObjectLocks::Deallocate(std::uint64_t job, const std::string& library, const std::string& name,
                             const std::string& type) {
  const auto object = holders_.find({library, name, type});
  if (object == holders_.end()) return false;
  const auto holder = object->second.find(job);
  if (holder == object->second.end()) return false;
  if (--holder->second == 0) object->second.erase(holder);
  if (object->second.empty()) holders_.erase(object);
  return true;
}

void ObjectLocks::ReleaseAll(std::uint64_t job) {
  for (auto object = holders_.begin(); object != holders_.end();) {
    object->second.erase(job);
    object = object->second.empty() ? holders_.erase(object) : std::next(object);
  }
}

bool ObjectLocks::HeldByAnotherJob(std::uint64_t job, const std::string& library, const std::string& name,
                                   const std::string& type) const {
  const auto object = holders_.find({library, name, type});
  if (object == holders_.end()) return false;
  for (const auto& [holder, count] : object->second) {
    if (holder != job && count > 0) return true;
  }
  return false;
}

}  // namespace hostsim
