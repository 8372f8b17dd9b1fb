#include "ui/layout_fit.h"

#include <gtest/gtest.h>

#include <vector>

namespace layoutfit {
namespace {

// The installer's form at 96 DPI, roughly: the icon beside the description, the separator and
// a field under it, the buttons at the bottom.
const Box kIcon{12, 12, 44, 44};
const Box kDescription{62, 12, 335, 54};
const Box kSeparator{10, 60, 338, 62};
const Box kField{128, 70, 242, 90};
const Box kButtons{176, 225, 251, 246};

TEST(LayoutFitTest, ExtraHeight) {
  const struct {
    int needed, extra;
  } cases[] = {
      {0, 0},    // nothing to show
      {30, 0},   // shorter: the box keeps its size
      {42, 0},   // exactly its height
      {43, 1},   // one pixel short
      {64, 22},  // a fourth line of 16 pixels in a box of three and a half
  };
  for (const auto& c : cases) EXPECT_EQ(ExtraHeight(kDescription, c.needed), c.extra) << c.needed;
}

TEST(LayoutFitTest, WhatLiesBelowMovesDownAndWhatLiesBesideStays) {
  const std::vector<Box> form{kIcon, kDescription, kSeparator, kField, kButtons};
  const struct {
    const char* what;
    std::size_t grown;
    int extra;
    std::vector<Box> expected;
  } cases[] = {
      {"nothing to grow", 1, 0, form},
      {"no such box", 9, 20, form},
      {"the description grows",
       1,
       20,
       {kIcon, {62, 12, 335, 74}, {10, 80, 338, 82}, {128, 90, 242, 110}, {176, 245, 251, 266}}},
      {"the icon grows: the description beside it stays",
       0,
       10,
       {{12, 12, 44, 54}, kDescription, {10, 70, 338, 72}, {128, 80, 242, 100}, {176, 235, 251, 256}}},
      {"the last box grows", 4, 7, {kIcon, kDescription, kSeparator, kField, {176, 225, 251, 253}}},
  };
  for (const auto& c : cases) {
    const std::vector<Box> placed = GrowDown(form, c.grown, c.extra);
    ASSERT_EQ(placed.size(), c.expected.size()) << c.what;
    for (std::size_t i = 0; i < placed.size(); ++i) {
      EXPECT_EQ(placed[i], c.expected[i]) << c.what << ", box " << i;
    }
  }
  // A box that starts exactly at the grown one's bottom lies below it.
  EXPECT_EQ(GrowDown({{0, 0, 10, 10}, {0, 10, 10, 20}}, 0, 5)[1], (Box{0, 15, 10, 25}));
}

TEST(LayoutFitTest, TheGrownWindowStaysCentredAndOnTheWorkArea) {
  const Box screen{0, 0, 1024, 738};
  const struct {
    const char* what;
    Box window;
    int extra;
    Box expected;
  } cases[] = {
      {"not grown", {300, 200, 700, 500}, 0, {300, 200, 700, 500}},
      {"centred, grown by 40", {300, 200, 700, 500}, 40, {300, 180, 700, 520}},
      {"an odd extra keeps the height exact", {300, 200, 700, 500}, 41, {300, 180, 700, 521}},
      {"near the top: never above it", {300, 10, 700, 310}, 60, {300, 0, 700, 360}},
      {"near the bottom: moved up to fit", {300, 430, 700, 730}, 40, {300, 398, 700, 738}},
      {"taller than the work area: its caption stays on it", {300, 100, 700, 600}, 400, {300, 0, 700, 900}},
  };
  for (const auto& c : cases) EXPECT_EQ(GrowWindow(c.window, c.extra, screen), c.expected) << c.what;
  // A work area that does not start at 0 (a task bar at the top, a second monitor).
  EXPECT_EQ(GrowWindow({300, 40, 700, 340}, 60, {0, 30, 1024, 738}), (Box{300, 30, 700, 390}));
}

}  // namespace
}  // namespace layoutfit
