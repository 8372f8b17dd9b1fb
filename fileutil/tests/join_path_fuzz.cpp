// The join never crashes, and its result is either empty or a path of at most 260 bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fileutil/path_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = size > 0 ? data[0] % (size + 1) : 0;
  const std::string result = JoinPath(input.substr(0, split), input.substr(split));
  if (result.size() > kMaxPathBytes) std::abort();
  DirectoryOf(input);
  return 0;
}
