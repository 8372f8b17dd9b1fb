#pragma once
// One connection's host job: the user it runs under, its current library and its QTEMP, which
// holds the connection's save files and the objects restored into it and is gone with the job.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "hostsim/core/host_storage.h"
#include "hostsim/core/users.h"
#include "savf/image_format.h"

namespace hostsim {

// A reply made long with lines of padding, as a host that writes its job log into its answers
// sends: `name` is GREETING, an FTP verb or a CL command name, upper case.
struct LongReply {
  std::string name;
  std::uint64_t bytes = 0;
};

// Switches that make the host misbehave on purpose, for fault tests.
struct FaultSwitches {
  std::vector<std::string> failCommands;  // CL command names or FTP verbs, upper case
  std::string loseObject;                 // an object name that every restore silently drops
  std::vector<LongReply> longReplies;
  // An object name that another job has in use whenever a restore into a permanent library
  // would replace it: the old object stays, and the restore ends with CPF3773.
  std::string objectInUse;
  bool Fails(const std::string& name) const;
  // How long the reply to `name` is to be made; 0: as it is.
  std::uint64_t LongReplyBytes(const std::string& name) const;
};

class HostJob {
 public:
  HostJob(UserProfile user, SaveFileStore& saveFiles);

  const UserProfile& user() const { return user_; }
  // Unique among the jobs of one server run, as a job number is on a host.
  std::uint64_t number() const { return number_; }
  SaveFileStore& saveFiles() { return saveFiles_; }
  // The objects of QTEMP other than save files.
  std::vector<savf::SavedObject>& tempObjects() { return tempObjects_; }
  // Every object of QTEMP, save files included.
  std::vector<savf::SavedObject> TempLibraryObjects() const;

  const std::string& currentLibrary() const { return currentLibrary_; }
  void SetCurrentLibrary(std::string library) { currentLibrary_ = std::move(library); }

  // Creation and restore times, on a clock of the job's own that ticks at every event: the one
  // question asked of them (was this object restored after that save file was made?) is only
  // ever asked within the job. An object restored by an earlier job has no time here, which
  // is the same answer: before any save file of this job.
  void NoteSaveFileCreated(const std::string& name) { saveFilesCreated_[name] = ++clock_; }
  std::optional<std::uint64_t> SaveFileCreated(const std::string& name) const;
  void NoteRestored(const std::string& library, const std::string& name, const std::string& type) {
    restored_[{library, name, type}] = ++clock_;
  }
  bool RestoredSince(const std::string& library, const std::string& name, const std::string& type,
                     std::uint64_t time) const;

 private:
  UserProfile user_;
  SaveFileStore& saveFiles_;
  std::uint64_t number_;
  std::vector<savf::SavedObject> tempObjects_;
  std::string currentLibrary_ = "QGPL";
  std::uint64_t clock_ = 0;
  std::map<std::string, std::uint64_t> saveFilesCreated_;
  std::map<std::tuple<std::string, std::string, std::string>, std::uint64_t> restored_;
};

}  // namespace hostsim
