#include "savf/generated_content.h"

namespace savf {
namespace {

std::uint64_t Fnv1a(const std::string& text, std::uint64_t hash) {
  for (unsigned char c : text) hash = (hash ^ c) * 0x100000001B3ull;
  return hash;
}

std::uint64_t SplitMix64(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

}  // namespace

GeneratedContent::GeneratedContent(const SavedObject& object)
    : seed_(Fnv1a(object.type, Fnv1a(object.name, 0xCBF29CE484222325ull))), size_(object.size) {}

std::uint64_t GeneratedContent::BlockAt(std::uint64_t index) const { return SplitMix64(seed_ ^ SplitMix64(index)); }

bool GeneratedContent::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) {
  if (offset > size_ || size > size_ - offset) return false;
  auto* out = static_cast<std::uint8_t*>(buffer);
  for (std::size_t i = 0; i < size;) {
    const std::uint64_t position = offset + i;
    const std::uint64_t block = BlockAt(position / 8);
    for (unsigned byte = static_cast<unsigned>(position % 8); byte < 8 && i < size; ++byte, ++i) {
      out[i] = static_cast<std::uint8_t>(block >> (8 * byte));
    }
  }
  return true;
}

}  // namespace savf
