#include "uidriver/pixels.h"

#include <cstdlib>

namespace uidriver {
namespace {

int Channel(std::uint32_t pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFF); }

void PutLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

double MeanDifference(const Image& a, const Image& b) {
  if (a.pixels.empty() || a.pixels.size() != b.pixels.size()) return 255.0;
  double total = 0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i) {
    for (int shift = 0; shift < 24; shift += 8) {
      total += std::abs(Channel(a.pixels[i], shift) - Channel(b.pixels[i], shift));
    }
  }
  return total / (3.0 * static_cast<double>(a.pixels.size()));
}

int ClosestCandidate(const Image& seen, const std::vector<Image>& candidates, double maxMeanDifference) {
  int best = -1;
  double bestDifference = maxMeanDifference;
  double runnerUp = 255.0;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (candidates[i].width != seen.width || candidates[i].height != seen.height) continue;
    const double difference = MeanDifference(seen, candidates[i]);
    if (difference <= bestDifference) {
      if (best >= 0) runnerUp = bestDifference;
      best = static_cast<int>(i);
      bestDifference = difference;
    } else if (difference < runnerUp) {
      runnerUp = difference;
    }
  }
  // A winner that is hardly closer than the next candidate tells nothing.
  if (best >= 0 && runnerUp - bestDifference < 1.0) return -1;
  return best;
}

std::vector<std::uint8_t> EncodeBmp(const Image& image) {
  const std::uint32_t rowBytes = (static_cast<std::uint32_t>(image.width) * 3 + 3) & ~3u;
  const std::uint32_t dataBytes = rowBytes * static_cast<std::uint32_t>(image.height);
  std::vector<std::uint8_t> out;
  out.reserve(54 + dataBytes);
  out.push_back('B');
  out.push_back('M');
  PutLittleEndian(out, 54 + dataBytes, 4);
  PutLittleEndian(out, 0, 4);
  PutLittleEndian(out, 54, 4);
  PutLittleEndian(out, 40, 4);  // BITMAPINFOHEADER
  PutLittleEndian(out, static_cast<std::uint32_t>(image.width), 4);
  PutLittleEndian(out, static_cast<std::uint32_t>(image.height), 4);
  PutLittleEndian(out, 1, 2);
  PutLittleEndian(out, 24, 2);
  PutLittleEndian(out, 0, 4);  // no compression
  PutLittleEndian(out, dataBytes, 4);
  PutLittleEndian(out, 2835, 4);  // 72 dpi
  PutLittleEndian(out, 2835, 4);
  PutLittleEndian(out, 0, 4);
  PutLittleEndian(out, 0, 4);
  for (int y = image.height - 1; y >= 0; --y) {
    const std::size_t rowStart = out.size();
    for (int x = 0; x < image.width; ++x) {
      const std::uint32_t pixel = image.At(x, y);
      out.push_back(static_cast<std::uint8_t>(pixel));
      out.push_back(static_cast<std::uint8_t>(pixel >> 8));
      out.push_back(static_cast<std::uint8_t>(pixel >> 16));
    }
    while (out.size() - rowStart < rowBytes) out.push_back(0);
  }
  return out;
}

}  // namespace uidriver
