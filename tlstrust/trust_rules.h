#pragma once
// Whether the installer may log on through the TLS session a host offered, given the certificate
// the host showed. No operating system: the installer reads the certificate from our client's log
// and carries the answer out (the question, the stop).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tlstrust {

enum class TlsMode {
  kAuto,      // TLS where the host offers it, any certificate: no listener sees the password
  kRequired,  // no log-on without TLS, and only to a host whose certificate is known
  kOff,       // never TLS: the installer as it was before it knew TLS
};

// "auto", "required" or "off", in any case and with blanks around; none for anything else.
std::optional<TlsMode> ParseTlsMode(std::string_view text);
const char* TlsModeName(TlsMode mode);

// What the site configured: the mode and the fingerprints it pinned.
struct TlsPolicy {
  TlsMode mode = TlsMode::kAuto;
  std::vector<std::string> pins;  // normalised (fingerprint.h)
};

// The certificate as our client reported it.
struct ShownCertificate {
  std::string fingerprint;     // empty: the client showed none
  bool systemTrusted = false;  // its chain ends in a root Windows trusts, and it names the host
};

enum class CertificateVerdict {
  kTrusted,     // log on
  kAsk,         // a host never seen: show the fingerprint and ask (default: no)
  kWarnAndAsk,  // a host remembered with another certificate: say it changed, which may be an
                // attack, then ask
  kRefuse,      // not known, and nobody to ask (an unattended run): nothing is sent
};

enum class TrustedBy { kNothing, kAnyCertificate, kPin, kRemembered, kSystem };

struct CertificateJudgement {
  CertificateVerdict verdict = CertificateVerdict::kRefuse;
  TrustedBy by = TrustedBy::kNothing;
};

CertificateJudgement JudgeCertificate(const TlsPolicy& policy, const std::optional<std::string>& remembered,
                                      const ShownCertificate& shown, bool canAsk);

// The pins the first job of a required run gives our client: the site's, and the one remembered for
// this host.
std::vector<std::string> PinsToOffer(const TlsPolicy& policy, const std::optional<std::string>& remembered);

const char* TrustedByName(TrustedBy by);

}  // namespace tlstrust
