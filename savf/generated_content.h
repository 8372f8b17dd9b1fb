#pragma once
// Stand-in contents for objects whose real bytes cannot exist here (compiled programs, database
// files): a pseudo-random byte stream fixed by the object's name and type, so every build makes
// the same image, and a misplaced byte in a transfer does not go unnoticed.
#include <cstdint>

#include "savf/byte_io.h"
#include "savf/image_format.h"

namespace savf {

class GeneratedContent : public ByteSource {
 public:
  explicit GeneratedContent(const SavedObject& object);
  std::uint64_t Size() const override { return size_; }
  bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override;

 private:
  std::uint64_t BlockAt(std::uint64_t index) const;
  std::uint64_t seed_;
  std::uint64_t size_;
};

}  // namespace savf
