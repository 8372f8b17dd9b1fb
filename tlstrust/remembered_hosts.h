#pragma once
// The hosts whose certificate the user has accepted, as the file that keeps them holds them: one
// line a host, "ADDRESS SHA-256 WHEN" (WHEN in UTC, "2026-12-09T03:15:00Z"), lines starting with
// "#" and blank lines for nothing. No operating system.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tlstrust {

struct RememberedHost {
  std::string address;      // dotted IPv4, as the installer writes it
  std::string fingerprint;  // 64 lower-case hex digits
  std::string rememberedAt;
};

// The file's lines. The file lives in the user's profile and may have been edited, cut short by a
// full disk or damaged otherwise: a line that does not read as a host is left out, never more.
// Where an address comes twice the later line holds.
std::vector<RememberedHost> ParseRememberedHosts(std::string_view text);
// The file's text: a heading comment, then a line a host, each ending in CR LF.
std::string FormatRememberedHosts(const std::vector<RememberedHost>& hosts);

// The fingerprint remembered for address, if any.
std::optional<std::string> RememberedFingerprint(const std::vector<RememberedHost>& hosts, std::string_view address);
// Adds host, or replaces what was remembered for its address.
void Remember(std::vector<RememberedHost>& hosts, RememberedHost host);

// "2026-12-09T03:15:00Z".
std::string UtcStamp(int year, int month, int day, int hour, int minute, int second);

}  // namespace tlstrust
