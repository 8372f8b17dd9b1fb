#pragma once
// Screen pixels as the driver sees them: telling a picture apart from a few candidates, and
// writing a screenshot as a BMP file. No operating system here.
#include <cstdint>
#include <string>
#include <vector>

namespace uidriver {

// Pixels row by row from the top, each 0x00RRGGBB.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Mean difference of two images of the same size, per colour channel, 0 (same) to 255.
double MeanDifference(const Image& a, const Image& b);

// The index of the candidate closest to seen, or -1 when none is within maxMeanDifference or
// none has seen's size. Two candidates about equally close also give -1: the picture is then
// not told apart.
int ClosestCandidate(const Image& seen, const std::vector<Image>& candidates, double maxMeanDifference);

// A 24-bit, bottom-up BMP file of the image.
std::vector<std::uint8_t> EncodeBmp(const Image& image);

}  // namespace uidriver
