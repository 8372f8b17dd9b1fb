#pragma once
// Writes a save-file image: header, object list, the objects' contents, padding.
#include <cstdint>
#include <string>
#include <vector>

#include "savf/byte_io.h"
#include "savf/image_format.h"

namespace savf {

struct WriteResult {
  bool ok = false;
  std::string error;            // why the image was not written; empty when ok
  std::uint64_t imageSize = 0;  // bytes written when ok
};

// Why a description cannot become an image (bad name, duplicate object, objects too large for a
// file, ...); empty when it can.
std::string CheckDescription(const ImageDescription& description);

// Smallest image that holds a description CheckDescription accepts, in bytes (whole records).
std::uint64_t MinimumImageSize(const ImageDescription& description);

// Writes the image of description to out. contents[i] supplies the bytes of objects[i] and must
// hold exactly objects[i].size bytes. When minimumSize is larger than the image needs, zero
// records are added until the image has at least minimumSize bytes (rounded up to a whole record).
WriteResult WriteImage(const ImageDescription& description, const std::vector<ByteSource*>& contents,
                       std::uint64_t minimumSize, ByteSink& out);

}  // namespace savf
