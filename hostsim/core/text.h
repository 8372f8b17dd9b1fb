#pragma once
// Small text helpers shared by the host's parsers.
#include <string>
#include <string_view>

namespace hostsim {

std::string ToUpper(std::string text);
std::string Trim(std::string_view text);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);

}  // namespace hostsim
