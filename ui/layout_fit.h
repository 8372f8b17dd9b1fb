#pragma once
// Making room for a text that needs more lines than its box has: the arithmetic, without Windows,
// so that it is tested natively. All values are pixels; a box's right and bottom are exclusive.
#include <cstddef>
#include <vector>

namespace layoutfit {

struct Box {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Height() const { return bottom - top; }
  bool operator==(const Box& other) const {
    return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
  }
};

// How many pixels a box must grow downward to hold a text of neededHeight; 0 when it fits. A box
// is never made smaller: the dialog's own proportions stand wherever the text fits.
int ExtraHeight(const Box& box, int neededHeight);

// The controls of a window after boxes[grown] has grown by extra: every box that starts at or
// below its old bottom moves down by extra, so whatever lay under the text still lies under it;
// boxes beside it (an icon at its left) stay where they are.
std::vector<Box> GrowDown(std::vector<Box> boxes, std::size_t grown, int extra);

// The window's outer box once it is extra taller: moved up by half of that so that a centred
// window stays centred, but never above the work area's top, and, where it fits, not below its
// bottom either.
Box GrowWindow(const Box& window, int extra, const Box& workArea);

}  // namespace layoutfit
