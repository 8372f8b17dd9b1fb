// Feeds arbitrary logs to the scan and to the session reader. Besides the sanitizers' checks, the
// verdict must be one of the three a scan can give, an empty error text must never be found, the
// log-on flag must not depend on the error text, the session reader must see the same log-on as
// the scan, it can count at most one answer for each line, and what it reads of TLS is well formed.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "ftpjob/log_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first byte chooses how much of the rest is the error text.
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t errorLength = size == 0 ? 0 : static_cast<std::uint8_t>(input[0]) % 40;
  const std::string_view rest = input.substr(size == 0 ? 0 : 1);
  const std::string_view errorText = rest.substr(0, errorLength);
  const std::string_view log = rest.substr(errorText.size());

  const LogVerdict withError = logscan::ScanLog(log, errorText);
  const LogVerdict without = logscan::ScanLog(log, {});
  if (withError != LOG_OK && withError != LOG_NOT_LOGGED_ON && withError != LOG_ERROR_FOUND) std::abort();
  if (without == LOG_ERROR_FOUND) std::abort();
  if ((withError == LOG_NOT_LOGGED_ON) != (without == LOG_NOT_LOGGED_ON)) std::abort();

  const logscan::SessionFacts facts = logscan::ReadSession(log);
  if (facts.loggedOn != (without != LOG_NOT_LOGGED_ON)) std::abort();
  const auto lines = std::count(log.begin(), log.end(), '\n');
  if (facts.answersAfterLogOn < 0 || facts.answersAfterLogOn > lines) std::abort();
  // A fingerprint the installer may pin is 64 lower-case hex digits or none, and only a verdict on
  // a certificate (accepted, refused) comes with one's acceptance.
  const logscan::TlsFacts& tls = facts.tls;
  if (!tls.fingerprint.empty() && tls.fingerprint.size() != 64) std::abort();
  if (tls.fingerprint.find_first_not_of("0123456789abcdef") != std::string::npos) std::abort();
  if (!tls.acceptedBy.empty() && tls.outcome != logscan::TlsOutcome::kEstablished &&
      tls.outcome != logscan::TlsOutcome::kNotAvailable)
    std::abort();
  return 0;
}
