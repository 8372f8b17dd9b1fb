#include "hostsim/net/file_storage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "hostsim/core/cl_simulator.h"
#include "savf/file_io.h"
#include "savf/image_writer.h"

namespace hostsim {
namespace fs = std::filesystem;
namespace {

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string ErrorText(int error) { return error == 0 ? "unknown error" : std::strerror(error); }

// Holds back the first read of an object's content, for the restore-pause test switch.
class PausingSource : public savf::ByteSource {
 public:
  PausingSource(savf::ByteSource& base, int pauseMs) : base_(base), pauseMs_(pauseMs) {}
  std::uint64_t Size() const override { return base_.Size(); }
  bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override {
    if (!paused_) std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs_));
    paused_ = true;
    return base_.ReadAt(offset, buffer, size);
  }

 private:
  savf::ByteSource& base_;
  int pauseMs_;
  bool paused_ = false;
};

class FileUpload : public UploadSink {
 public:
  explicit FileUpload(std::unique_ptr<savf::AtomicFileSink> sink) : sink_(std::move(sink)) {}
  bool Write(const void* data, std::size_t size) override { return sink_->Write(data, size); }
  std::uint64_t received() const override { return sink_->written(); }
  std::string problem() const override { return ErrorText(sink_->lastError()); }
  std::unique_ptr<savf::ByteSource> ReadBack() override { return savf::FileSource::Open(sink_->temporaryPath()); }
  // QTEMP does not outlive the connection, so there is nothing to flush to disk for.
  bool Commit() override { return sink_->Commit(false); }

 private:
  std::unique_ptr<savf::AtomicFileSink> sink_;
};

}  // namespace

bool FileLibraries::Exists(const std::string& library) { return IsRegularFile(PathOf(library)); }

std::optional<std::vector<savf::SavedObject>> FileLibraries::Objects(const std::string& library) {
  std::unique_ptr<savf::FileSource> source = savf::FileSource::Open(PathOf(library));
  if (!source) return std::nullopt;
  const savf::ReadResult read = savf::ReadImage(*source);
  if (!read.ok) return std::nullopt;
  std::vector<savf::SavedObject> objects;
  for (const savf::ImageObject& item : read.info.objects) objects.push_back(item.object);
  return objects;
}

bool FileLibraries::Create(const std::string& library) { return Write(library, {}, {}); }

bool FileLibraries::Delete(const std::string& library) {
  if (::unlink(PathOf(library).c_str()) != 0) {
    problem_ = ErrorText(errno);
    return false;
  }
  savf::SyncDirectory(directory_);
  return true;
}

bool FileLibraries::Restore(const std::string& library, savf::ByteSource& image,
                            const std::vector<savf::ImageObject>& objects) {
  std::unique_ptr<savf::FileSource> old = savf::FileSource::Open(PathOf(library));
  savf::ReadResult current;
  if (old) {
    current = savf::VerifyImage(*old);
    if (!current.ok) {
      problem_ = "library " + library + " is damaged: " + current.error;
      return false;
    }
  }
  // Objects not restored stay, in their place; restored ones replace them or are added at the end.
  std::vector<savf::SavedObject> merged;
  std::vector<std::unique_ptr<savf::ByteSource>> sources;
  auto add = [&](const savf::ImageObject& item, savf::ByteSource& from) {
    merged.push_back(item.object);
    sources.push_back(std::make_unique<savf::SliceSource>(from, item.contentOffset, item.object.size));
  };
  for (const savf::ImageObject& kept : current.info.objects) {
    auto replacement = std::find_if(objects.begin(), objects.end(), [&](const savf::ImageObject& o) {
      return o.object.name == kept.object.name && o.object.type == kept.object.type;
    });
    if (replacement == objects.end()) {
      add(kept, *old);
    } else {
      add(*replacement, image);
    }
  }
  for (const savf::ImageObject& item : objects) {
    const bool placed = std::any_of(merged.begin(), merged.end(), [&](const savf::SavedObject& o) {
      return o.name == item.object.name && o.type == item.object.type;
    });
    if (!placed) add(item, image);
  }
  std::vector<std::unique_ptr<savf::ByteSource>> paused;
  std::vector<savf::ByteSource*> contents;
  for (auto& source : sources) {
    if (restorePauseMs_ > 0) {
      paused.push_back(std::make_unique<PausingSource>(*source, restorePauseMs_));
      contents.push_back(paused.back().get());
    } else {
      contents.push_back(source.get());
    }
  }
  return Write(library, merged, contents);
}

// The library is written again without the object, as a restore writes it with new ones.
bool FileLibraries::DeleteObject(const std::string& library, const std::string& name, const std::string& type) {
  std::unique_ptr<savf::FileSource> old = savf::FileSource::Open(PathOf(library));
  const savf::ReadResult current = old ? savf::VerifyImage(*old) : savf::ReadResult{};
  if (!current.ok) {
    problem_ = "library " + library + " cannot be read";
    return false;
  }
  std::vector<savf::SavedObject> kept;
  std::vector<std::unique_ptr<savf::ByteSource>> sources;
  for (const savf::ImageObject& item : current.info.objects) {
    if (item.object.name == name && item.object.type == type) continue;
    kept.push_back(item.object);
    sources.push_back(std::make_unique<savf::SliceSource>(*old, item.contentOffset, item.object.size));
  }
  if (kept.size() == current.info.objects.size()) {
    problem_ = "no such object";
    return false;
  }
  std::vector<savf::ByteSource*> contents;
  for (auto& source : sources) contents.push_back(source.get());
  return Write(library, kept, contents);
}

bool FileLibraries::Write(const std::string& library, const std::vector<savf::SavedObject>& objects,
                          const std::vector<savf::ByteSource*>& contents) {
  std::unique_ptr<savf::AtomicFileSink> sink = savf::AtomicFileSink::Create(PathOf(library));
  if (!sink) {
    problem_ = ErrorText(errno);
    return false;
  }
  const savf::ImageDescription description{"SAVLIB", library, kHostRelease, "", objects};
  const savf::WriteResult written = savf::WriteImage(description, contents, 0, *sink);
  if (!written.ok || !sink->Commit(true)) {
    problem_ = written.ok ? ErrorText(sink->lastError()) : written.error + " (" + ErrorText(sink->lastError()) + ")";
    return false;
  }
  return true;
}

std::vector<std::string> FileLibraries::Libraries() const {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(directory_, error)) {
    const std::string file = entry.path().filename().string();
    if (file.size() > 4 && file[0] != '.' && file.compare(file.size() - 4, 4, ".lib") == 0) {
      names.push_back(file.substr(0, file.size() - 4));
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

void FileLibraries::RemoveLeftovers() const {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(directory_, error)) {
    if (entry.path().filename().string().find(savf::kTemporaryMarker) != std::string::npos) {
      fs::remove(entry.path(), error);
    }
  }
}

bool FileSaveFiles::Exists(const std::string& name) const { return IsRegularFile(PathOf(name)); }

bool FileSaveFiles::Create(const std::string& name) {
  std::error_code error;
  fs::create_directories(directory_, error);
  const int fd = ::open(PathOf(name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool FileSaveFiles::Clear(const std::string& name) { return Exists(name) && ::truncate(PathOf(name).c_str(), 0) == 0; }

std::vector<savf::SavedObject> FileSaveFiles::List() const {
  std::vector<savf::SavedObject> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(directory_, error)) {
    const std::string file = entry.path().filename().string();
    if (file.size() > 5 && file[0] != '.' && file.compare(file.size() - 5, 5, ".savf") == 0) {
      files.push_back({file.substr(0, file.size() - 5), "*FILE", "SAVF", entry.file_size(error)});
    }
  }
  std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  return files;
}

std::unique_ptr<savf::ByteSource> FileSaveFiles::Open(const std::string& name) {
  std::unique_ptr<savf::FileSource> source = savf::FileSource::Open(PathOf(name));
  if (!source || source->Size() == 0) return nullptr;
  return source;
}

std::unique_ptr<UploadSink> FileSaveFiles::BeginUpload(const std::string& name) {
  if (!Exists(name)) return nullptr;
  std::unique_ptr<savf::AtomicFileSink> sink = savf::AtomicFileSink::Create(PathOf(name));
  if (!sink) return nullptr;
  return std::make_unique<FileUpload>(std::move(sink));
}

void FileSaveFiles::DeleteAll() {
  std::error_code error;
  fs::remove_all(directory_, error);
}

}  // namespace hostsim
