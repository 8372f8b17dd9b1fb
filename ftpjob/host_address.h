#pragma once
#include <cstdint>

// An IPv4 address as the address control gives it: four values in dotted order, first value first.
struct HostAddress {
  std::uint8_t value[4] = {0, 0, 0, 0};
};
