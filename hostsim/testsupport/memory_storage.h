#pragma once
// Save files and libraries kept in memory, for the tests and fuzz targets of the host's core.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "hostsim/core/host_storage.h"

namespace hostsim::testing {

class MemorySaveFiles : public SaveFileStore {
 public:
  bool Exists(const std::string& name) const override { return files_.count(name) != 0; }
  bool Create(const std::string& name) override;
  bool Clear(const std::string& name) override;
  std::vector<savf::SavedObject> List() const override;
  std::unique_ptr<savf::ByteSource> Open(const std::string& name) override;
  std::unique_ptr<UploadSink> BeginUpload(const std::string& name) override;
  void DeleteAll() override { files_.clear(); }

  // Direct access for tests: put an image into a save file.
  void Put(const std::string& name, std::vector<std::uint8_t> bytes) { files_[name] = std::move(bytes); }
  const std::vector<std::uint8_t>& Content(const std::string& name) const { return files_.at(name); }

  bool failWrites = false;  // uploads fail as on a full disk

 private:
  std::map<std::string, std::vector<std::uint8_t>> files_;
};

class MemoryLibraries : public LibraryStore {
 public:
  bool Exists(const std::string& library) override { return libraries_.count(library) != 0; }
  std::optional<std::vector<savf::SavedObject>> Objects(const std::string& library) override;
  bool Create(const std::string& library) override;
  bool Delete(const std::string& library) override;
  bool Restore(const std::string& library, savf::ByteSource& image,
               const std::vector<savf::ImageObject>& objects) override;
  bool DeleteObject(const std::string& library, const std::string& name, const std::string& type) override;
  std::string problem() const override { return failRestores ? "disk full" : ""; }

  // The content a restore copied for an object, to check that the right bytes arrived.
  std::vector<std::uint8_t> Content(const std::string& library, const std::string& name) const;

  bool failRestores = false;

 private:
  struct Object {
    savf::SavedObject info;
    std::vector<std::uint8_t> content;
  };
  std::map<std::string, std::vector<Object>> libraries_;
};

// An image for the tests, made with the real writer and generated contents.
std::vector<std::uint8_t> MakeImage(const std::string& command, const std::string& library,
                                    const std::vector<savf::SavedObject>& objects,
                                    const std::string& release = "V4R4M0");
// The host object as the installer embeds it: KV2207C and companions saved from QTEMP.
std::vector<std::uint8_t> MakeHostObjectImage();

}  // namespace hostsim::testing
