// The image reader never crashes or reads out of bounds, whatever it is given; what it accepts,
// it describes consistently. The checksums would stop nearly every mutated input at the door,
// so each input is also read a second time with its magic and checksums made right.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "savf/byte_io.h"
#include "savf/crc32.h"
#include "savf/image_format.h"
#include "savf/image_reader.h"

namespace {

void Check(const std::uint8_t* data, std::size_t size) {
  savf::MemorySource source(data, size);
  const savf::ReadResult read = savf::ReadImage(source);
  const savf::ReadResult verified = savf::VerifyImage(source);
  if (verified.ok && !read.ok) std::abort();
  if (!read.ok) return;
  for (const savf::ImageObject& item : read.info.objects) {
    if (item.contentOffset > size || item.object.size > size - item.contentOffset) std::abort();
  }
}

std::vector<std::uint8_t> Sealed(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> image(data, data + size);
  image.resize(std::max<std::size_t>(savf::kRecordLength, size / savf::kRecordLength * savf::kRecordLength));
  std::copy(std::begin(savf::kMagic), std::end(savf::kMagic), image.begin());
  savf::PutUint16(&image[savf::header::kVersion], savf::kFormatVersion);
  savf::PutUint16(&image[savf::header::kRecordLength], savf::kRecordLength);
  savf::PutUint64(&image[savf::header::kTotalRecords], image.size() / savf::kRecordLength);
  savf::PutUint32(&image[savf::header::kBodyCrc],
                  savf::ComputeCrc32(image.data() + savf::kRecordLength, image.size() - savf::kRecordLength));
  savf::PutUint32(&image[savf::header::kHeaderCrc], savf::ComputeCrc32(image.data(), savf::header::kHeaderCrc));
  return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Check(data, size);
  const std::vector<std::uint8_t> sealed = Sealed(data, size);
  Check(sealed.data(), sealed.size());
  return 0;
}
