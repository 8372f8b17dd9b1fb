// Drives a fuzz target without libFuzzer: a fixed number of inputs from a seeded generator, each
// either random bytes or a mix of bytes that parsers treat specially, so a run is repeatable.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

constexpr std::uint8_t kInteresting[] = {0x00, 0x0A, 0x0D, 0x20, 0x22, 0x25, 0x2F, 0x3A, 0x5C, 0x7F,
                                         0x80, 0x81, 0x9F, 0xA0, 0xE0, 0xFC, 0xFD, 0xFF, 'A',  'z'};

std::vector<std::uint8_t> MakeInput(std::mt19937& random) {
  const std::size_t size = random() % 700;
  std::vector<std::uint8_t> input(size);
  const bool special = random() % 2 == 0;
  for (auto& byte : input) {
    byte = special ? kInteresting[random() % sizeof kInteresting] : static_cast<std::uint8_t>(random());
  }
  return input;
}

}  // namespace

int main(int argc, char** argv) {
  const long runs = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10000;
  std::mt19937 random(20261207);
  LLVMFuzzerTestOneInput(nullptr, 0);
  for (long run = 0; run < runs; ++run) {
    const std::vector<std::uint8_t> input = MakeInput(random);
    LLVMFuzzerTestOneInput(input.data(), input.size());
  }
  return 0;
}
