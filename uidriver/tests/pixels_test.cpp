#include "uidriver/pixels.h"

#include <gtest/gtest.h>

namespace uidriver {
namespace {

Image Filled(int width, int height, std::uint32_t colour) {
  Image image;
  image.width = width;
  image.height = height;
  image.pixels.assign(static_cast<std::size_t>(width) * height, colour);
  return image;
}

TEST(ClosestCandidate, PicksTheMatchAndRefusesWhatMatchesNothing) {
  Image red = Filled(4, 4, 0xFF0000);
  Image yellow = Filled(4, 4, 0xFFFF00);
  Image blue = Filled(4, 4, 0x0000FF);
  const std::vector<Image> candidates = {red, yellow, blue};

  Image nearlyYellow = yellow;
  nearlyYellow.pixels[5] = 0xFFFFFF;  // one pixel off, as anti-aliasing leaves it
  EXPECT_EQ(ClosestCandidate(nearlyYellow, candidates, 20.0), 1);
  EXPECT_EQ(ClosestCandidate(red, candidates, 20.0), 0);
  EXPECT_EQ(ClosestCandidate(Filled(4, 4, 0x00FF00), candidates, 20.0), -1);
  EXPECT_EQ(ClosestCandidate(Filled(5, 4, 0xFF0000), candidates, 20.0), -1);
  EXPECT_EQ(ClosestCandidate(red, {red, red}, 20.0), -1);  // two equal candidates tell nothing
  EXPECT_EQ(ClosestCandidate(red, {}, 20.0), -1);
}

TEST(EncodeBmp, WritesPaddedRowsBottomUp) {
  Image image = Filled(2, 2, 0);
  image.pixels = {0x112233, 0x445566, 0x778899, 0xAABBCC};
  const std::vector<std::uint8_t> bmp = EncodeBmp(image);
  ASSERT_EQ(bmp.size(), 54u + 2 * 8);  // two rows of 6 bytes padded to 8
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');
  EXPECT_EQ(bmp[2], 70);
  EXPECT_EQ(bmp[28], 24);
  // The first row stored is the bottom one, each pixel blue, green, red.
  const std::vector<std::uint8_t> bottom = {0x99, 0x88, 0x77, 0xCC, 0xBB, 0xAA, 0, 0};
  EXPECT_EQ(std::vector<std::uint8_t>(bmp.begin() + 54, bmp.begin() + 62), bottom);
  EXPECT_EQ(bmp[62], 0x33);
}

}  // namespace
}  // namespace uidriver
