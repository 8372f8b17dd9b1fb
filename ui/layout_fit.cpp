#include "ui/layout_fit.h"

#include <algorithm>

namespace layoutfit {

int ExtraHeight(const Box& box, int neededHeight) { return std::max(0, neededHeight - box.Height()); }

std::vector<Box> GrowDown(std::vector<Box> boxes, std::size_t grown, int extra) {
  if (grown >= boxes.size() || extra <= 0) return boxes;
  const int oldBottom = boxes[grown].bottom;
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    if (i == grown) continue;
    if (boxes[i].top >= oldBottom) {
      boxes[i].top += extra;
      boxes[i].bottom += extra;
    }
  }
  boxes[grown].bottom += extra;
  return boxes;
}

Box GrowWindow(const Box& window, int extra, const Box& workArea) {
  if (extra <= 0) return window;
  Box grown = window;
  grown.top -= extra / 2;
  grown.bottom = grown.top + window.Height() + extra;
  // Past the bottom: move it up as far as the top allows; then never above the top, where the
  // caption and its close box must stay reachable.
  if (grown.bottom > workArea.bottom) {
    const int up = grown.bottom - workArea.bottom;
    grown.top -= up;
    grown.bottom -= up;
  }
  if (grown.top < workArea.top) {
    const int down = workArea.top - grown.top;
    grown.top += down;
    grown.bottom += down;
  }
  return grown;
}

}  // namespace layoutfit
