#pragma once
// The pointer's shape as the X server reports it (see xcursor_probe.py): its size and hot spot,
// and the hashes of the images seen while it was watched. An animated cursor shows a new image
// every few hundredths of a second, so shapes are compared by the images they share.
#include <set>
#include <string>

namespace uidriver {

struct PointerShape {
  std::string geometry;          // "24x24 hot 11,11"
  std::set<std::string> images;  // hashes of the images seen
};

// Reads the probe's answer "GEOMETRY[/GEOMETRY...] HASH[,HASH...]"; false when malformed.
bool ParsePointerShape(const std::string& answer, PointerShape& shape);

// True when seen has the reference's geometry and most of the images seen belong to it (a short
// look at an animated cursor may catch an image the reference's longer look missed).
bool LooksLike(const PointerShape& seen, const PointerShape& reference);

}  // namespace uidriver
