#pragma once
// Reads and checks save-file images. Everything read from an image is treated as untrusted: it
// may be a truncated upload, a damaged file or something that is no image at all.
#include <cstdint>
#include <string>
#include <vector>

#include "savf/byte_io.h"
#include "savf/image_format.h"

namespace savf {

struct ImageObject {
  SavedObject object;
  std::uint64_t contentOffset = 0;  // where the object's bytes start, from the image's first byte
};

struct ImageInfo {
  std::string command;
  std::string library;
  std::string release;
  std::string text;
  std::vector<ImageObject> objects;
  std::uint64_t imageSize = 0;
  std::uint64_t payloadSize = 0;
};

struct ReadResult {
  bool ok = false;
  std::string error;  // what is wrong with the image; empty when ok
  ImageInfo info;
};

// Checks the header and the object list and that the size matches what the header says. Reads
// only the first records, so it is cheap enough to run on every upload.
ReadResult ReadImage(ByteSource& source);

// ReadImage, then the checksum over every byte after the header: a damaged image fails here.
ReadResult VerifyImage(ByteSource& source);

}  // namespace savf
