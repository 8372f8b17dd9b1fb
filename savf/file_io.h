#pragma once
// Save-file images on disk (POSIX). Used by the savfimg tool and the substitute host.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "savf/byte_io.h"

namespace savf {

// Reads a whole (small) file, such as a manifest or a users file; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& text);

class FileSource : public ByteSource {
 public:
  // Null when the file cannot be opened or is not a regular file.
  static std::unique_ptr<FileSource> Open(const std::string& path);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;
  std::uint64_t Size() const override { return size_; }
  bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override;

 private:
  FileSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  int fd_;
  std::uint64_t size_;
};

// Writes a new file under a temporary name beside the destination; only Commit puts it in place,
// by rename, so readers see the old file or the whole new one and never a part.
class AtomicFileSink : public ByteSink {
 public:
  static std::unique_ptr<AtomicFileSink> Create(const std::string& path);
  ~AtomicFileSink() override;  // removes the temporary file unless committed
  AtomicFileSink(const AtomicFileSink&) = delete;
  AtomicFileSink& operator=(const AtomicFileSink&) = delete;
  bool Write(const void* data, std::size_t size) override;
  bool Rewrite(std::uint64_t offset, const void* data, std::size_t size) override;
  std::uint64_t written() const { return written_; }
  const std::string& temporaryPath() const { return temporaryPath_; }
  int lastError() const { return lastError_; }
  // Puts the file in place of the destination. Durable: flushed to disk first and renamed over the
  // destination, so that even a power loss leaves the old or the new file. Not durable, for
  // scratch files nobody else reads while this process writes them: the old file is removed and
  // the new one renamed into its place, because replacing an existing file by rename makes ext4
  // start writing the new one out at once, which costs a large upload a tenth of a second. A
  // killed process still never leaves a partial file under the destination's name. False, with
  // the destination as it was, on failure.
  bool Commit(bool durable);

 private:
  AtomicFileSink(int fd, std::string path, std::string temporaryPath)
      : fd_(fd), path_(std::move(path)), temporaryPath_(std::move(temporaryPath)) {}
  int fd_;
  std::string path_;
  std::string temporaryPath_;
  std::uint64_t written_ = 0;
  int lastError_ = 0;
  bool committed_ = false;
};

// The marker in the names of temporary files, so that leftovers of a killed process are found.
constexpr char kTemporaryMarker[] = ".partial-";

// Flushes a directory's entries (after a rename into it).
bool SyncDirectory(const std::string& directory);

}  // namespace savf
