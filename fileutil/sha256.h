#pragma once
// SHA-256 of a byte stream, fed in pieces, so that a product file of any size is hashed without
// holding it in memory. No operating system: the support log names the product file by it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

class Sha256 {
 public:
  Sha256();
  void Add(const void* data, std::size_t size);
  // The digest as 64 lower-case hexadecimal digits; the object is spent afterwards.
  std::string HexDigest();

 private:
  void Compress(const std::uint8_t* block);

  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> buffer_ = {};
  std::size_t buffered_ = 0;
  std::uint64_t totalBytes_ = 0;
};
