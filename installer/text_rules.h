#pragma once
// The installer's rules for the texts a user types or a settings file holds. No operating system.
#include <cstddef>
#include <string>

// Removes white space (0x20 and 0x09-0x0D) at both ends. Double-byte characters are never split
// and never removed, even when their trail byte looks like white space.
std::string TrimWhiteSpace(const std::string& text);

// The first bytes of text, at most limit of them, never ending in half a double-byte character:
// when the last byte that fits would be a lead byte, the cut falls before that character.
std::string CutToByteLimit(const std::string& text, std::size_t limit);

// True when text can be an IBM i name (a library, a user profile): 1 to 10 characters of A-Z, 0-9, $, #, @, _ and .,
// not starting with a digit, _ or . (so it cannot change the CL commands it is put into).
bool IsValidIbmiName(const std::string& text);

// Replaces the one %s of format with value (the workflows' messages and commands have one each,
// or two, which FormatText2 fills in order). Bytes are copied unchanged.
std::string FormatText(const std::string& format, const std::string& value);
std::string FormatText2(const std::string& format, const std::string& first, const std::string& second);
