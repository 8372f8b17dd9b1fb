#pragma once
// The two ends a save-file image is read from and written to. Kept abstract so the image code
// needs no operating system: the tool and the host back them with files, the tests with memory.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace savf {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Reads exactly size bytes at offset; false when they are not all there or reading failed.
  virtual bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size) = 0;
};

// A window of another source: one object's content inside an image.
class SliceSource : public ByteSource {
 public:
  SliceSource(ByteSource& base, std::uint64_t offset, std::uint64_t size) : base_(base), offset_(offset), size_(size) {}
  std::uint64_t Size() const override { return size_; }
  bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override {
    if (offset > size_ || size > size_ - offset) return false;
    return base_.ReadAt(offset_ + offset, buffer, size);
  }

 private:
  ByteSource& base_;
  std::uint64_t offset_;
  std::uint64_t size_;
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual bool Write(const void* data, std::size_t size) = 0;
  // Overwrites bytes already written; the image header is filled in last, once its checksum is known.
  virtual bool Rewrite(std::uint64_t offset, const void* data, std::size_t size) = 0;
};

class MemorySource : public ByteSource {
 public:
  MemorySource(const void* data, std::size_t size) : data_(static_cast<const std::uint8_t*>(data)), size_(size) {}
  explicit MemorySource(const std::vector<std::uint8_t>& bytes) : MemorySource(bytes.data(), bytes.size()) {}
  std::uint64_t Size() const override { return size_; }
  bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override {
    if (offset > size_ || size > size_ - offset) return false;
    if (size > 0) std::memcpy(buffer, data_ + offset, size);
    return true;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

class MemorySink : public ByteSink {
 public:
  bool Write(const void* data, std::size_t size) override {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    bytes_.insert(bytes_.end(), bytes, bytes + size);
    return true;
  }
  bool Rewrite(std::uint64_t offset, const void* data, std::size_t size) override {
    if (offset > bytes_.size() || size > bytes_.size() - offset) return false;
    std::copy_n(static_cast<const std::uint8_t*>(data), size, bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
    return true;
  }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace savf
