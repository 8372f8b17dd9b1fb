#include "savf/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace savf {
namespace {

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string TemporaryPathFor(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const std::size_t slash = path.find_last_of('/');
  const std::string directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return directory + "." + name + kTemporaryMarker + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size, int& error) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : EIO;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream contents;
  contents << in.rdbuf();
  text = contents.str();
  return static_cast<bool>(in) || in.eof();
}

std::unique_ptr<FileSource> FileSource::Open(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<FileSource>(new FileSource(fd, static_cast<std::uint64_t>(info.st_size)));
}

FileSource::~FileSource() { ::close(fd_); }

bool FileSource::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) {
  if (offset > size_ || size > size_ - offset) return false;
  auto* out = static_cast<std::uint8_t*>(buffer);
  while (size > 0) {
    const ssize_t n = ::pread(fd_, out, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    out += n;
    offset += static_cast<std::uint64_t>(n);
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::unique_ptr<AtomicFileSink> AtomicFileSink::Create(const std::string& path) {
  std::string temporary = TemporaryPathFor(path);
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  return std::unique_ptr<AtomicFileSink>(new AtomicFileSink(fd, path, std::move(temporary)));
}

AtomicFileSink::~AtomicFileSink() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_) ::unlink(temporaryPath_.c_str());
}

bool AtomicFileSink::Write(const void* data, std::size_t size) {
  if (fd_ < 0 || !WriteAll(fd_, static_cast<const std::uint8_t*>(data), size, lastError_)) return false;
  written_ += size;
  return true;
}

bool AtomicFileSink::Rewrite(std::uint64_t offset, const void* data, std::size_t size) {
  if (fd_ < 0 || offset > written_ || size > written_ - offset) return false;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = ::pwrite(fd_, bytes, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      lastError_ = n < 0 ? errno : EIO;
      return false;
    }
    bytes += n;
    offset += static_cast<std::uint64_t>(n);
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool AtomicFileSink::Commit(bool durable) {
  if (fd_ < 0 || committed_) return false;
  const bool flushed = !durable || ::fsync(fd_) == 0;
  if (!flushed) lastError_ = errno;
  const bool closed = ::close(fd_) == 0;
  fd_ = -1;
  if (!flushed || !closed) return false;
  if (!durable && ::unlink(path_.c_str()) != 0 && errno != ENOENT) {
    lastError_ = errno;
    return false;
  }
  if (::rename(temporaryPath_.c_str(), path_.c_str()) != 0) {
    lastError_ = errno;
    return false;
  }
  committed_ = true;
  if (durable) SyncDirectory(DirectoryOf(path_));
  return true;
}

bool SyncDirectory(const std::string& directory) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

}  // namespace savf
