#include "savf/crc32.h"

#include <array>

namespace savf {
namespace {

// Slice-by-4 tables: restoring checks every byte of a save file, which may be hundreds of
// megabytes, so the byte-at-a-time loop is too slow.
using Tables = std::array<std::array<std::uint32_t, 256>, 4>;

Tables MakeTables() {
  Tables tables{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int bit = 0; bit < 8; ++bit) c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    tables[0][i] = c;
  }
  for (std::uint32_t i = 0; i < 256; ++i) {
    for (std::size_t t = 1; t < 4; ++t) tables[t][i] = (tables[t - 1][i] >> 8) ^ tables[0][tables[t - 1][i] & 0xFFu];
  }
  return tables;
}

const Tables& CrcTables() {
  static const Tables tables = MakeTables();
  return tables;
}

}  // namespace

void Crc32::Update(const void* data, std::size_t size) {
  const Tables& t = CrcTables();
  const auto* p = static_cast<const std::uint8_t*>(data);
  std::uint32_t c = state_;
  while (size >= 4) {
    c ^= static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
    c = t[3][c & 0xFFu] ^ t[2][(c >> 8) & 0xFFu] ^ t[1][(c >> 16) & 0xFFu] ^ t[0][c >> 24];
    p += 4;
    size -= 4;
  }
  while (size-- > 0) c = t[0][(c ^ *p++) & 0xFFu] ^ (c >> 8);
  state_ = c;
}

std::uint32_t ComputeCrc32(const void* data, std::size_t size) {
  Crc32 crc;
  crc.Update(data, size);
  return crc.Value();
}

}  // namespace savf
