#pragma once
// CRC-32 (the IEEE polynomial used by zip and Ethernet), updated piece by piece so that images of
// any size are checked while they stream.
#include <cstddef>
#include <cstdint>

namespace savf {

class Crc32 {
 public:
  void Update(const void* data, std::size_t size);
  std::uint32_t Value() const { return ~state_; }

 private:
  std::uint32_t state_ = 0xFFFFFFFFu;
};

std::uint32_t ComputeCrc32(const void* data, std::size_t size);

}  // namespace savf
