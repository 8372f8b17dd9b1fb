// The image reader never crashes or reads out of bounds, whatever it is given; what it accepts,
// it describes consistently.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "savf/byte_io.h"
#include "savf/image_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  savf::MemorySource source(data, size);
  const savf::ReadResult read = savf::ReadImage(source);
  const savf::ReadResult verified = savf::VerifyImage(source);
  if (verified.ok && !read.ok) std::abort();
  if (read.ok) {
    for (const savf::ImageObject& item : read.info.objects) {
      if (item.contentOffset > size || item.object.size > size - item.contentOffset) std::abort();
    }
  }
  return 0;
}
