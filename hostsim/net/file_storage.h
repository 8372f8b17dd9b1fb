#pragma once
// The host's objects on disk, under the state folder:
//   libraries/<LIB>.lib   a permanent library, stored as a save-file image of itself
//   qtemp/<connection>/   one connection's QTEMP: <NAME>.savf per save file
// A library is replaced as a whole by writing a new version beside it and renaming it over the
// old one, so a process killed at any moment leaves either the old or the new library.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hostsim/core/host_storage.h"

namespace hostsim {

class FileLibraries : public LibraryStore {
 public:
  // restorePauseMs: a pause inside every restore while the new version is half written, so that
  // tests can kill the server there.
  FileLibraries(std::string directory, int restorePauseMs = 0)
      : directory_(std::move(directory)), restorePauseMs_(restorePauseMs) {}

  bool Exists(const std::string& library) override;
  std::optional<std::vector<savf::SavedObject>> Objects(const std::string& library) override;
  bool Create(const std::string& library) override;
  bool Delete(const std::string& library) override;
  bool Restore(const std::string& library, savf::ByteSource& image,
               const std::vector<savf::ImageObject>& objects) override;
  bool DeleteObject(const std::string& library, const std::string& name, const std::string& type) override;
  std::string problem() const override { return problem_; }

  std::vector<std::string> Libraries() const;
  // Removes what a killed process left behind: unfinished library versions.
  void RemoveLeftovers() const;

 private:
  std::string PathOf(const std::string& library) const { return directory_ + "/" + library + ".lib"; }
  bool Write(const std::string& library, const std::vector<savf::SavedObject>& objects,
             const std::vector<savf::ByteSource*>& contents);

  std::string directory_;
  int restorePauseMs_;
  std::string problem_;
};

class FileSaveFiles : public SaveFileStore {
 public:
  explicit FileSaveFiles(std::string directory) : directory_(std::move(directory)) {}
  ~FileSaveFiles() override { DeleteAll(); }

  bool Exists(const std::string& name) const override;
  bool Create(const std::string& name) override;
  bool Clear(const std::string& name) override;
  std::vector<savf::SavedObject> List() const override;
  std::unique_ptr<savf::ByteSource> Open(const std::string& name) override;
  std::unique_ptr<UploadSink> BeginUpload(const std::string& name) override;
  void DeleteAll() override;

 private:
  std::string PathOf(const std::string& name) const { return directory_ + "/" + name + ".savf"; }
  std::string directory_;
};

}  // namespace hostsim
