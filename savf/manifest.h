#pragma once
// The text a save-file image is made from. One statement a line; see savf/README.md.
#include <cstdint>
#include <string>
#include <vector>

#include "savf/image_format.h"

namespace savf {

struct Manifest {
  ImageDescription description;
  // One per object: the file holding its content, relative to the manifest, or empty when the
  // content is generated. The size of an object read from a file is left 0 here: the caller
  // takes it from the file.
  std::vector<std::string> contentFiles;
  std::uint64_t minimumSize = 0;  // from "size": pad the image to at least this many bytes
};

struct ManifestResult {
  bool ok = false;
  std::string error;  // "line N: ..." when not ok
  Manifest manifest;
};

ManifestResult ParseManifest(const std::string& text);

// A size as written in a manifest or on a command line: digits, optionally followed by K, M or G
// (binary multiples). False when it is not one or does not fit in 64 bits.
bool ParseSize(const std::string& text, std::uint64_t& size);

}  // namespace savf
