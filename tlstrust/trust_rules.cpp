#include "tlstrust/trust_rules.h"

#include <algorithm>

namespace tlstrust {
namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool SameIgnoringCase(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = (text[i] >= 'A' && text[i] <= 'Z') ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
    if (c != lower[i]) return false;
  }
  return true;
}

bool Pinned(const TlsPolicy& policy, const std::string& fingerprint) {
  return std::find(policy.pins.begin(), policy.pins.end(), fingerprint) != policy.pins.end();
}

}  // namespace

std::optional<TlsMode> ParseTlsMode(std::string_view text) {
  text = Trimmed(text);
  if (SameIgnoringCase(text, "auto")) return TlsMode::kAuto;
  if (SameIgnoringCase(text, "required")) return TlsMode::kRequired;
  if (SameIgnoringCase(text, "off")) return TlsMode::kOff;
  return std::nullopt;
}

const char* TlsModeName(TlsMode mode) {
  switch (mode) {
    case TlsMode::kAuto:
      return "auto";
    case TlsMode::kRequired:
      return "required";
    case TlsMode::kOff:
      return "off";
  }
  return "auto";
}

CertificateJudgement JudgeCertificate(const TlsPolicy& policy, const std::optional<std::string>& remembered,
                                      const ShownCertificate& shown, bool canAsk) {
  using V = CertificateVerdict;
  // Without a mode that asks for a known certificate, TLS only keeps listeners away: any will do.
  if (policy.mode != TlsMode::kRequired) return {V::kTrusted, TrustedBy::kAnyCertificate};
  // Nothing to compare, and nothing a person could check: never asked about.
  if (shown.fingerprint.empty()) return {V::kRefuse, TrustedBy::kNothing};
  if (Pinned(policy, shown.fingerprint)) return {V::kTrusted, TrustedBy::kPin};
  if (remembered && *remembered == shown.fingerprint) return {V::kTrusted, TrustedBy::kRemembered};
  if (shown.systemTrusted) return {V::kTrusted, TrustedBy::kSystem};
  if (!canAsk) return {V::kRefuse, TrustedBy::kNothing};
  return {remembered ? V::kWarnAndAsk : V::kAsk, TrustedBy::kNothing};
}

std::vector<std::string> PinsToOffer(const TlsPolicy& policy, const std::optional<std::string>& remembered) {
  std::vector<std::string> pins = policy.pins;
  if (remembered && !Pinned(policy, *remembered)) pins.push_back(*remembered);
  return pins;
}

const char* TrustedByName(TrustedBy by) {
  switch (by) {
    case TrustedBy::kNothing:
      return "not trusted";
    case TrustedBy::kAnyCertificate:
      return "any certificate (auto)";
    case TrustedBy::kPin:
      return "a pinned fingerprint";
    case TrustedBy::kRemembered:
      return "the fingerprint remembered for this host";
    case TrustedBy::kSystem:
      return "a chain to a root Windows trusts";
  }
  return "not trusted";
}

}  // namespace tlstrust
