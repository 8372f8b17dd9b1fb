#pragma once
// Code page 932 (Shift_JIS) character classes. Every text the installer handles is a byte string
// in this code page; scans step over a lead byte and its trail byte as one character, because a
// trail byte may take any value, 0x5C (the backslash) and 0x0A (the line feed) included.

namespace cp932 {

inline bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// What may follow a lead byte. Anything else after a lead byte is no character at all, and a
// scan that took it as one would let a line feed or a quote slip into a path or a script line.
inline bool IsTrailByte(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

}  // namespace cp932
