#include <gtest/gtest.h>

#include "tlstrust/fingerprint.h"
#include "tlstrust/remembered_hosts.h"
#include "tlstrust/trust_rules.h"

namespace tlstrust {
namespace {

const std::string kA = "3f0c9a1b2c3d4e5f60718293a4b5c6d7e8f90112233445566778899aabbccdde";
const std::string kB = "0000000000000000000000000000000000000000000000000000000000000001";

std::string Upper(std::string text) {
  for (char& c : text) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  return text;
}

std::string WithColons(const std::string& digits) {
  std::string text;
  for (std::size_t i = 0; i < digits.size(); i += 2) text += (i ? ":" : "") + digits.substr(i, 2);
  return text;
}

TEST(Fingerprint, IsNormalisedOrRefused) {
  const struct {
    std::string given;
    std::optional<std::string> expected;
  } rows[] = {
      {kA, kA},
      {Upper(kA), kA},
      {WithColons(Upper(kA)), kA},
      {"3f0c:9a1b" + kA.substr(8), kA},  // colons anywhere between digits
      {":" + kA, std::nullopt},
      {kA + ":", std::nullopt},
      {"3f::0c" + kA.substr(4), std::nullopt},
      {kA.substr(1), std::nullopt},  // 63 digits
      {kA + "0", std::nullopt},
      {"g" + kA.substr(1), std::nullopt},
      {kA.substr(0, 10) + " " + kA.substr(10), std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& row : rows) EXPECT_EQ(NormalisedFingerprint(row.given), row.expected) << row.given;
}

TEST(Fingerprint, ListsAreSplitAtCommasAndBlanks) {
  const struct {
    std::string given;
    bool ok;
    std::vector<std::string> expected;
    std::string bad;
  } rows[] = {
      {"", true, {}, ""},
      {" , ,", true, {}, ""},
      {kA, true, {kA}, ""},
      {WithColons(kA) + ", " + Upper(kB), true, {kA, kB}, ""},
      {kA + "\t" + kB + "," + kA, true, {kA, kB}, ""},  // the same one twice counts once
      {kA + ",nonsense," + kB, false, {}, "nonsense"},
  };
  for (const auto& row : rows) {
    std::vector<std::string> into;
    std::string bad;
    EXPECT_EQ(ParseFingerprints(row.given, into, bad), row.ok) << row.given;
    EXPECT_EQ(into, row.expected) << row.given;
    EXPECT_EQ(bad, row.bad) << row.given;
  }
}

TEST(Fingerprint, ARefusedListLeavesWhatWasThere) {
  std::vector<std::string> into{kA};
  std::string bad;
  EXPECT_FALSE(ParseFingerprints(kB + " 12", into, bad));
  EXPECT_EQ(into, std::vector<std::string>{kA});
  EXPECT_TRUE(ParseFingerprints(Upper(kA) + " " + kB, into, bad));
  EXPECT_EQ(into, (std::vector<std::string>{kA, kB}));
}

TEST(Fingerprint, PeopleReadItInTwoLinesOfColonSeparatedBytes) {
  const std::string shown = FingerprintForPeople(kA);
  EXPECT_EQ(shown, "3F:0C:9A:1B:2C:3D:4E:5F:60:71:82:93:A4:B5:C6:D7\nE8:F9:01:12:23:34:45:56:67:78:89:9A:AB:BC:CD:DE");
  std::string digits;
  for (char c : shown) {
    if (c != ':' && c != '\n') digits += c;
  }
  EXPECT_EQ(NormalisedFingerprint(digits), kA);
}

TEST(RememberedHosts, ADamagedLineCostsThatLineOnly) {
  const std::string good = "192.168.1.10 " + kA + " 2026-12-09T03:15:00Z";
  const struct {
    const char* what;
    std::string line;
    bool kept;
  } rows[] = {
      {"whole", good, true},
      {"CR LF", good + "\r", true},
      {"no stamp", "10.0.0.1 " + kB, true},
      {"tabs", "10.0.0.1\t" + kB + "\tstamp", true},
      {"comment", "# " + good, false},
      {"cut in the fingerprint", "192.168.1.10 " + kA.substr(0, 40), false},
      {"fingerprint in capitals", "192.168.1.10 " + Upper(kA), false},
      {"address out of range", "192.168.1.256 " + kA, false},
      {"address short", "192.168.1 " + kA, false},
      {"host name", "ibmi.example " + kA, false},
      {"extra word", good + " more", false},
      {"control byte in stamp", "10.0.0.1 " + kB + " 2026\x01", false},
      {"bytes of another code page", "\x82\xa0 " + kA, false},
      {"empty", "", false},
  };
  for (const auto& row : rows) {
    // Between two good lines, so that a damaged one cannot take its neighbours with it.
    const std::string text = "1.1.1.1 " + kB + "\n" + row.line + "\n2.2.2.2 " + kB;
    const std::vector<RememberedHost> hosts = ParseRememberedHosts(text);
    EXPECT_EQ(hosts.size(), row.kept ? 3u : 2u) << row.what;
    EXPECT_EQ(RememberedFingerprint(hosts, "1.1.1.1"), kB) << row.what;
    EXPECT_EQ(RememberedFingerprint(hosts, "2.2.2.2"), kB) << row.what;
  }
}

TEST(RememberedHosts, WhatIsWrittenReadsBackAndALaterAnswerReplacesTheEarlier) {
  std::vector<RememberedHost> hosts;
  Remember(hosts, {"192.168.1.10", kA, UtcStamp(2026, 12, 9, 3, 15, 0)});
  Remember(hosts, {"192.168.1.11", kB, UtcStamp(2026, 1, 2, 3, 4, 5)});
  Remember(hosts, {"192.168.1.10", kB, "later"});
  const std::string text = FormatRememberedHosts(hosts);
  const std::vector<RememberedHost> read = ParseRememberedHosts(text);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].address, "192.168.1.10");
  EXPECT_EQ(read[0].fingerprint, kB);
  EXPECT_EQ(read[0].rememberedAt, "later");
  EXPECT_EQ(read[1].rememberedAt, "2026-01-02T03:04:05Z");
  EXPECT_EQ(RememberedFingerprint(read, "192.168.1.1"), std::nullopt);  // a prefix is another host
  // Edited by hand, an address twice: the later line holds.
  EXPECT_EQ(RememberedFingerprint(ParseRememberedHosts("9.9.9.9 " + kA + "\n9.9.9.9 " + kB + "\n"), "9.9.9.9"), kB);
}

TEST(TrustRules, TheModeIsOneOfThreeWords) {
  EXPECT_EQ(ParseTlsMode(" Required "), TlsMode::kRequired);
  EXPECT_EQ(ParseTlsMode("AUTO"), TlsMode::kAuto);
  EXPECT_EQ(ParseTlsMode("off"), TlsMode::kOff);
  for (const char* bad : {"", "on", "yes", "require", "off,auto"}) EXPECT_EQ(ParseTlsMode(bad), std::nullopt) << bad;
}

TEST(TrustRules, TheCertificateDecidesWhetherToLogOnAskOrRefuse) {
  using V = CertificateVerdict;
  const TlsPolicy autoMode{TlsMode::kAuto, {}};
  const TlsPolicy required{TlsMode::kRequired, {}};
  const TlsPolicy pinnedA{TlsMode::kRequired, {kB, kA}};
  const struct {
    const char* what;
    TlsPolicy policy;
    std::optional<std::string> remembered;
    ShownCertificate shown;
    bool canAsk;
    V verdict;
    TrustedBy by;
  } rows[] = {
      {"auto takes any", autoMode, kB, {kA, false}, false, V::kTrusted, TrustedBy::kAnyCertificate},
      {"pinned", pinnedA, std::nullopt, {kA, false}, false, V::kTrusted, TrustedBy::kPin},
      {"pin beats another remembered", pinnedA, kB, {kA, false}, false, V::kTrusted, TrustedBy::kPin},
      {"remembered", required, kA, {kA, false}, false, V::kTrusted, TrustedBy::kRemembered},
      {"system chain", required, std::nullopt, {kA, true}, false, V::kTrusted, TrustedBy::kSystem},
      {"system chain, other remembered", required, kB, {kA, true}, true, V::kTrusted, TrustedBy::kSystem},
      {"new host", required, std::nullopt, {kA, false}, true, V::kAsk, TrustedBy::kNothing},
      {"pins that do not match",
       TlsPolicy{TlsMode::kRequired, {kB}},
       std::nullopt,
       {kA, false},
       true,
       V::kAsk,
       TrustedBy::kNothing},
      {"changed certificate", required, kB, {kA, false}, true, V::kWarnAndAsk, TrustedBy::kNothing},
      {"new host, unattended", required, std::nullopt, {kA, false}, false, V::kRefuse, TrustedBy::kNothing},
      {"changed, unattended", required, kB, {kA, false}, false, V::kRefuse, TrustedBy::kNothing},
      {"no certificate shown", required, std::nullopt, {"", true}, true, V::kRefuse, TrustedBy::kNothing},
  };
  for (const auto& row : rows) {
    const CertificateJudgement judged = JudgeCertificate(row.policy, row.remembered, row.shown, row.canAsk);
    EXPECT_EQ(judged.verdict, row.verdict) << row.what;
    EXPECT_EQ(judged.by, row.by) << row.what;
  }
}

TEST(TrustRules, TheFirstJobOffersThePinsAndTheRememberedOnceEach) {
  const TlsPolicy policy{TlsMode::kRequired, {kA}};
  EXPECT_EQ(PinsToOffer(policy, std::nullopt), std::vector<std::string>{kA});
  EXPECT_EQ(PinsToOffer(policy, kA), std::vector<std::string>{kA});
  EXPECT_EQ(PinsToOffer(policy, kB), (std::vector<std::string>{kA, kB}));
}

}  // namespace
}  // namespace tlstrust
