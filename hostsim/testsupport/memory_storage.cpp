#include "hostsim/testsupport/memory_storage.h"

#include <algorithm>

#include "savf/generated_content.h"
#include "savf/image_writer.h"

namespace hostsim::testing {
namespace {

class MemoryUpload : public UploadSink {
 public:
  MemoryUpload(std::vector<std::uint8_t>& target, bool failWrites) : target_(target), failWrites_(failWrites) {}
  bool Write(const void* data, std::size_t size) override {
    if (failWrites_) return false;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    received_.insert(received_.end(), bytes, bytes + size);
    return true;
  }
  std::uint64_t received() const override { return received_.size(); }
  std::string problem() const override { return failWrites_ ? "No space left on device" : ""; }
  std::unique_ptr<savf::ByteSource> ReadBack() override { return std::make_unique<savf::MemorySource>(received_); }
  bool Commit() override {
    target_ = received_;
    return true;
  }

 private:
  std::vector<std::uint8_t>& target_;
  bool failWrites_;
  std::vector<std::uint8_t> received_;
};

}  // namespace

bool MemorySaveFiles::Create(const std::string& name) {
  if (Exists(name)) return false;
  files_[name];
  return true;
}

bool MemorySaveFiles::Clear(const std::string& name) {
  if (!Exists(name)) return false;
  files_[name].clear();
  return true;
}

std::vector<savf::SavedObject> MemorySaveFiles::List() const {
  std::vector<savf::SavedObject> objects;
  for (const auto& [name, bytes] : files_) objects.push_back({name, "*FILE", "SAVF", bytes.size()});
  return objects;
}

std::unique_ptr<savf::ByteSource> MemorySaveFiles::Open(const std::string& name) {
  const auto found = files_.find(name);
  if (found == files_.end() || found->second.empty()) return nullptr;
  return std::make_unique<savf::MemorySource>(found->second);
}

std::unique_ptr<UploadSink> MemorySaveFiles::BeginUpload(const std::string& name) {
  if (!Exists(name)) return nullptr;
  return std::make_unique<MemoryUpload>(files_[name], failWrites);
}

std::optional<std::vector<savf::SavedObject>> MemoryLibraries::Objects(const std::string& library) {
  const auto found = libraries_.find(library);
  if (found == libraries_.end()) return std::nullopt;
  std::vector<savf::SavedObject> objects;
  for (const Object& object : found->second) objects.push_back(object.info);
  return objects;
}

bool MemoryLibraries::Create(const std::string& library) {
  libraries_[library];
  return true;
}

bool MemoryLibraries::Delete(const std::string& library) { return libraries_.erase(library) == 1; }

bool MemoryLibraries::Restore(const std::string& library, savf::ByteSource& image,
                              const std::vector<savf::ImageObject>& objects) {
  if (failRestores) return false;
  std::vector<Object> updated = libraries_[library];
  for (const savf::ImageObject& item : objects) {
    Object object{item.object, std::vector<std::uint8_t>(item.object.size)};
    if (!object.content.empty() && !image.ReadAt(item.contentOffset, object.content.data(), object.content.size())) {
      return false;
    }
    auto same = std::find_if(updated.begin(), updated.end(), [&](const Object& o) {
      return o.info.name == item.object.name && o.info.type == item.object.type;
    });
    if (same != updated.end()) {
      *same = std::move(object);
    } else {
      updated.push_back(std::move(object));
    }
  }
  libraries_[library] = std::move(updated);
  return true;
}

bool MemoryLibraries::DeleteObject(const std::string& library, const std::string& name, const std::string& type) {
  const auto found = libraries_.find(library);
  if (found == libraries_.end()) return false;
  std::vector<Object>& objects = found->second;
  const auto object = std::find_if(objects.begin(), objects.end(),
                                   [&](const Object& o) { return o.info.name == name && o.info.type == type; });
  if (object == objects.end()) return false;
  objects.erase(object);
  return true;
}

std::vector<std::uint8_t> MemoryLibraries::Content(const std::string& library, const std::string& name) const {
  for (const Object& object : libraries_.at(library)) {
    if (object.info.name == name) return object.content;
  }
  return {};
}

std::vector<std::uint8_t> MakeImage(const std::string& command, const std::string& library,
                                    const std::vector<savf::SavedObject>& objects, const std::string& release) {
  savf::ImageDescription description{command, library, release, "", objects};
  std::vector<savf::GeneratedContent> contents(objects.begin(), objects.end());
  std::vector<savf::ByteSource*> sources;
  for (auto& content : contents) sources.push_back(&content);
  savf::MemorySink sink;
  savf::WriteImage(description, sources, 0, sink);
  return sink.bytes();
}

std::vector<std::uint8_t> MakeHostObjectImage() {
  return MakeImage("SAVOBJ", "QTEMP", {{"KV2207C", "*PGM", "CLP", 900}, {"KV2207R1", "*PGM", "RPGLE", 800}});
}

}  // namespace hostsim::testing
