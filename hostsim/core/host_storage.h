#pragma once
// What the CL simulation needs from storage, without saying where things are kept: the network
// server keeps them in files, the tests in memory.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hostsim/core/object_locks.h"
#include "savf/byte_io.h"
#include "savf/image_format.h"
#include "savf/image_reader.h"

namespace hostsim {

// Receives an upload. Until Commit the save file keeps its old content; dropping the sink
// without Commit discards what was received.
class UploadSink {
 public:
  virtual ~UploadSink() = default;
  virtual bool Write(const void* data, std::size_t size) = 0;
  virtual std::uint64_t received() const = 0;
  // Why a write or the commit failed (e.g. the disk is full).
  virtual std::string problem() const = 0;
  // The bytes received so far, to check them before they replace the save file's content.
  virtual std::unique_ptr<savf::ByteSource> ReadBack() = 0;
  virtual bool Commit() = 0;
};

// The save files of one connection's QTEMP.
class SaveFileStore {
 public:
  virtual ~SaveFileStore() = default;
  virtual bool Exists(const std::string& name) const = 0;
  virtual bool Create(const std::string& name) = 0;  // empty
  virtual bool Clear(const std::string& name) = 0;
  virtual std::vector<savf::SavedObject> List() const = 0;  // as *FILE objects of attribute SAVF
  // The content, or null when the save file is empty or missing.
  virtual std::unique_ptr<savf::ByteSource> Open(const std::string& name) = 0;
  virtual std::unique_ptr<UploadSink> BeginUpload(const std::string& name) = 0;
  virtual void DeleteAll() = 0;
};

// The permanent libraries, which outlive connections and restarts.
class LibraryStore {
 public:
  virtual ~LibraryStore() = default;
  virtual bool Exists(const std::string& library) = 0;
  virtual std::optional<std::vector<savf::SavedObject>> Objects(const std::string& library) = 0;
  virtual bool Create(const std::string& library) = 0;
  virtual bool Delete(const std::string& library) = 0;
  // Puts objects, read from image at their content offsets, into library, creating the library
  // when it does not exist. Objects of the same name and type are replaced, all others kept.
  // All or nothing: afterwards the library is either as before or holds every object.
  virtual bool Restore(const std::string& library, savf::ByteSource& image,
                       const std::vector<savf::ImageObject>& objects) = 0;
  // Deletes one object of the library, found by name and type; false when it is not there.
  virtual bool DeleteObject(const std::string& library, const std::string& name, const std::string& type) = 0;
  // Why the last operation failed.
  virtual std::string problem() const = 0;

  // The locks jobs hold on the libraries' objects. Like the jobs, they are not kept on disk.
  ObjectLocks& locks() { return locks_; }

 private:
  ObjectLocks locks_;
};

}  // namespace hostsim
