// The client's TLS choices, given by "tls" script lines before "open", and what they make of a
// server's certificate: which one is accepted, and the log lines that describe it. No operating
// system here; the transport does the cryptography and reports what it saw.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ftpclient/core/transport.h"

namespace ftpclient {

struct TlsOptions {
  bool on = false;
  bool trustSystem = false;
  std::vector<Sha256> pins;
};

// Applies the words of one "tls" line: "tls", "tls pin <64 hex digits>", "tls trust-system".
// Every form turns TLS on: a script that names a pin wants no plain log-on either. Returns the
// line the client writes for it; nullopt when the line is not one of those forms (nothing changes).
std::optional<std::string> ApplyTlsLine(const std::vector<std::string>& words, TlsOptions& options);

// 64 hexadecimal digits in either case, nothing else.
std::optional<Sha256> ParseSha256Hex(std::string_view text);
std::string LowerHex(const Sha256& digest);

enum class CertificateVerdict { kPin, kSystem, kAny, kRefused };

// With neither pins nor system trust asked for, any certificate: TLS then guards against
// listening only. With either, the certificate must match one of them.
CertificateVerdict JudgeCertificate(const TlsOptions& options, const TlsPeer& peer);

// The client's log lines after a handshake, up to and including the verdict, without line ends.
std::vector<std::string> CertificateLines(const TlsPeer& peer, CertificateVerdict verdict);

// "YYYY-MM-DD HH:MM:SS"; fields out of range are written as they are, never beyond their width.
std::string FormatUtcTime(const UtcTime& time);

// Text from the server (a certificate's names) made safe for one log line: control characters
// and DEL become '?', so no name can end the line and start one a reader of the log would trust.
std::string OneLogLine(std::string_view text);

}  // namespace ftpclient
