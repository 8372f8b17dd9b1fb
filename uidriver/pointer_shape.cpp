#include "uidriver/pointer_shape.h"

namespace uidriver {

bool ParsePointerShape(const std::string& answer, PointerShape& shape) {
  shape = PointerShape();
  const std::size_t split = answer.rfind(' ');
  if (split == std::string::npos || split == 0 || split + 1 == answer.size()) return false;
  shape.geometry = answer.substr(0, split);
  std::size_t start = split + 1;
  while (start <= answer.size()) {
    std::size_t comma = answer.find(',', start);
    if (comma == std::string::npos) comma = answer.size();
    if (comma == start) return false;
    shape.images.insert(answer.substr(start, comma - start));
    start = comma + 1;
  }
  return true;
}

bool LooksLike(const PointerShape& seen, const PointerShape& reference) {
  if (seen.images.empty() || seen.geometry != reference.geometry) return false;
  std::size_t known = 0;
  for (const auto& image : seen.images) known += reference.images.count(image);
  return known * 2 > seen.images.size();
}

}  // namespace uidriver
