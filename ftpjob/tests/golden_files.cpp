#include <fstream>
#include <iterator>

#include "job_sequences.h"

namespace golden {

std::string ReadExpected(const std::string& name) {
#ifdef _WIN32
  const std::string root = "Z:" KESTRALON_FTPJOB_GOLDEN_DIR "/";  // the source tree as Wine sees it
#else
  const std::string root = KESTRALON_FTPJOB_GOLDEN_DIR "/";
#endif
  std::ifstream file(root + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace golden
