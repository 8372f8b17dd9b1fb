#include "uidriver/pointer_shape.h"

#include <gtest/gtest.h>

namespace uidriver {
namespace {

PointerShape Shape(const std::string& answer) {
  PointerShape shape;
  EXPECT_TRUE(ParsePointerShape(answer, shape)) << answer;
  return shape;
}

TEST(ParsePointerShape, ReadsGeometryAndImages) {
  const PointerShape shape = Shape("24x24 hot 11,11 b2,a1,b2");
  EXPECT_EQ(shape.geometry, "24x24 hot 11,11");
  EXPECT_EQ(shape.images, (std::set<std::string>{"a1", "b2"}));
  PointerShape bad;
  for (const char* answer : {"", "nospace", "24x24 hot 0,0 ", " a1", "24x24 hot 0,0 a1,,b2"}) {
    EXPECT_FALSE(ParsePointerShape(answer, bad)) << answer;
  }
}

TEST(LooksLike, AnimatedShapesMatchByMostImages) {
  const PointerShape wait = Shape("24x24 hot 11,11 w1,w2,w3,w4,w5,w6");
  const PointerShape arrow = Shape("24x24 hot 0,0 a1");
  EXPECT_TRUE(LooksLike(Shape("24x24 hot 11,11 w2,w3,w9"), wait));  // one image the reference missed
  EXPECT_FALSE(LooksLike(Shape("24x24 hot 11,11 w2,x8,x9"), wait));
  EXPECT_FALSE(LooksLike(Shape("24x24 hot 0,0 w2,w3"), wait));  // same images, other hot spot
  EXPECT_TRUE(LooksLike(Shape("24x24 hot 0,0 a1"), arrow));
  EXPECT_FALSE(LooksLike(Shape("24x24 hot 11,11 w1"), arrow));
}

}  // namespace
}  // namespace uidriver
