#include "ftpclient/core/tls_policy.h"

#include <algorithm>
#include <cstdio>

namespace ftpclient {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int Clamp(int value, int low, int high) { return std::min(std::max(value, low), high); }

const char* VerdictWord(CertificateVerdict verdict) {
  switch (verdict) {
    case CertificateVerdict::kPin:
      return "pin";
    case CertificateVerdict::kSystem:
      return "system";
    case CertificateVerdict::kAny:
    case CertificateVerdict::kRefused:
      break;
  }
  return "any";
}

}  // namespace

std::optional<std::string> ApplyTlsLine(const std::vector<std::string>& words, TlsOptions& options) {
  if (words.size() == 1) {
    options.on = true;
    return "TLS On .";
  }
  if (words.size() == 2 && words[1] == "trust-system") {
    options.on = true;
    options.trustSystem = true;
    return "TLS accepts certificates the system trusts .";
  }
  if (words.size() == 3 && words[1] == "pin") {
    const std::optional<Sha256> pin = ParseSha256Hex(words[2]);
    if (!pin) return std::nullopt;
    options.on = true;
    options.pins.push_back(*pin);
    return "TLS pin added .";
  }
  return std::nullopt;
}

std::optional<Sha256> ParseSha256Hex(std::string_view text) {
  Sha256 digest{};
  if (text.size() != 2 * digest.size()) return std::nullopt;
  for (std::size_t i = 0; i < digest.size(); ++i) {
    const int high = HexValue(text[2 * i]);
    const int low = HexValue(text[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    digest[i] = static_cast<std::uint8_t>(high * 16 + low);
  }
  return digest;
}

std::string LowerHex(const Sha256& digest) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (std::uint8_t byte : digest) {
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 0xF]);
  }
  return text;
}

CertificateVerdict JudgeCertificate(const TlsOptions& options, const TlsPeer& peer) {
  if (std::find(options.pins.begin(), options.pins.end(), peer.sha256) != options.pins.end()) {
    return CertificateVerdict::kPin;
  }
  if (options.trustSystem && peer.systemTrusted) return CertificateVerdict::kSystem;
  if (options.pins.empty() && !options.trustSystem) return CertificateVerdict::kAny;
  return CertificateVerdict::kRefused;
}

std::vector<std::string> CertificateLines(const TlsPeer& peer, CertificateVerdict verdict) {
  std::vector<std::string> lines = {
      "> ftp: TLS established: " + OneLogLine(peer.protocol) + " " + OneLogLine(peer.cipher),
      "> ftp: TLS certificate SHA-256 " + LowerHex(peer.sha256),
      "> ftp: TLS certificate subject " + OneLogLine(peer.subject),
      "> ftp: TLS certificate issuer " + OneLogLine(peer.issuer),
      "> ftp: TLS certificate valid " + FormatUtcTime(peer.validFrom) + " to " + FormatUtcTime(peer.validTo) + " UTC",
  };
  if (verdict == CertificateVerdict::kRefused) {
    lines.push_back("> ftp: TLS certificate refused: matches no pin and no trusted chain; not logged on.");
  } else {
    lines.push_back(std::string("> ftp: TLS certificate accepted: ") + VerdictWord(verdict));
  }
  return lines;
}

std::string FormatUtcTime(const UtcTime& time) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", Clamp(time.year, 0, 9999), Clamp(time.month, 0, 99),
                Clamp(time.day, 0, 99), Clamp(time.hour, 0, 99), Clamp(time.minute, 0, 99), Clamp(time.second, 0, 99));
  return text;
}

std::string OneLogLine(std::string_view text) {
  std::string safe(text);
  for (char& c : safe) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = '?';
  }
  return safe;
}

}  // namespace ftpclient
