#pragma once
// The locks that jobs hold on objects of the permanent libraries (ALCOBJ), shared by every
// connection of one server. A job's locks go when the job ends. Locks of two jobs never conflict
// with one another here; what meets them is a restore, which cannot replace an object that
// another job has allocated.
#include <cstdint>
#include <map>
#include <string>
#include <tuple>

namespace hostsim {

class ObjectLocks {
 public:
  void Allocate(std::uint64_t job, const std::string& library, const std::string& name, const std::string& type);
  // False when the job holds no lock on that object.
  bool Deallocate(std::uint64_t job, const std::string& library, const std::string& name, const std::string& type);
  void ReleaseAll(std::uint64_t job);
  bool HeldByAnotherJob(std::uint64_t job, const std::string& library, const std::string& name,
                        const std::string& type) const;

 private:
  using Key = std::tuple<std::string, std::string, std::string>;  // library, name, type
  // A job may allocate an object more than once; each allocation needs its own deallocation.
  std::map<Key, std::map<std::uint64_t, int>> holders_;
};

}  // namespace hostsim
