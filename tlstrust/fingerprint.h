#pragma once
// SHA-256 fingerprints of TLS certificates as people write them and as the installer keeps them.
// No operating system.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tlstrust {

// The fingerprint as 64 lower-case hex digits, the way our ftp client writes it in its log and
// takes it in a script. Upper or lower case is taken, and colons between the digits (the way
// certificate viewers show one, "AB:CD:..."); anything else, or another length, is none.
std::optional<std::string> NormalisedFingerprint(std::string_view text);

// A list as a setting or a switch gives it: fingerprints separated by commas or blanks (both may
// be mixed; empty items count for nothing). Appends each new one to into, the same fingerprint
// given twice only once. False, with the first item that is no fingerprint in bad, when any is not
// one; into is then left as it was.
bool ParseFingerprints(std::string_view text, std::vector<std::string>& into, std::string& bad);

// How a person reads a fingerprint: upper-case bytes separated by colons, 16 a line (two lines).
std::string FingerprintForPeople(const std::string& fingerprint);

}  // namespace tlstrust
