#include "tlstrust/remembered_hosts.h"

#include <algorithm>
#include <cstdio>

#include "tlstrust/fingerprint.h"

namespace tlstrust {
namespace {

constexpr char kHeading[] = "# Hosts whose TLS certificate was accepted: address, SHA-256, when (UTC)";

bool IsDottedIpv4(std::string_view text) {
  int parts = 0;
  std::size_t at = 0;
  while (parts < 4) {
    std::size_t digits = 0;
    int value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 3) {
      value = value * 10 + (text[at++] - '0');
      ++digits;
    }
    if (digits == 0 || value > 255) return false;
    if (++parts < 4) {
      if (at >= text.size() || text[at] != '.') return false;
      ++at;
    }
  }
  return at == text.size();
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    std::size_t end = at;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
    if (end > at) words.push_back(line.substr(at, end - at));
    at = end;
  }
  return words;
}

// A stamp is only ever shown, never computed with; what matters is that it is printable text.
bool IsPrintable(std::string_view word) {
  return std::all_of(word.begin(), word.end(), [](char c) { return c > ' ' && c < 0x7f; });
}

std::optional<RememberedHost> HostOfLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const std::vector<std::string_view> words = Words(line);
  if (words.size() < 2 || words.size() > 3 || words[0].front() == '#') return std::nullopt;
  if (!IsDottedIpv4(words[0])) return std::nullopt;
  // Written as the client writes it; any other spelling is someone's edit or damage.
  const std::optional<std::string> fingerprint = NormalisedFingerprint(words[1]);
  if (!fingerprint || *fingerprint != words[1]) return std::nullopt;
  if (words.size() == 3 && !IsPrintable(words[2])) return std::nullopt;
  return RememberedHost{std::string(words[0]), *fingerprint, words.size() == 3 ? std::string(words[2]) : ""};
}

}  // namespace

std::vector<RememberedHost> ParseRememberedHosts(std::string_view text) {
  std::vector<RememberedHost> hosts;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    if (const std::optional<RememberedHost> host = HostOfLine(text.substr(at, end - at))) Remember(hosts, *host);
    at = end + 1;
  }
  return hosts;
}

std::string FormatRememberedHosts(const std::vector<RememberedHost>& hosts) {
  std::string text = std::string(kHeading) + "\r\n";
  for (const RememberedHost& host : hosts) {
    text += host.address + " " + host.fingerprint;
    if (!host.rememberedAt.empty()) text += " " + host.rememberedAt;
    text += "\r\n";
  }
  return text;
}

std::optional<std::string> RememberedFingerprint(const std::vector<RememberedHost>& hosts, std::string_view address) {
  for (const RememberedHost& host : hosts) {
    if (host.address == address) return host.fingerprint;
  }
  return std::nullopt;
}

void Remember(std::vector<RememberedHost>& hosts, RememberedHost host) {
  for (RememberedHost& known : hosts) {
    if (known.address == host.address) {
      known = std::move(host);
      return;
    }
  }
  hosts.push_back(std::move(host));
}

std::string UtcStamp(int year, int month, int day, int hour, int minute, int second) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", year, month, day, hour, minute, second);
  return text;
}

}  // namespace tlstrust
