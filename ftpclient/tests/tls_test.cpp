#include <gtest/gtest.h>

#include <functional>

#include "fake_server.h"
#include "ftpclient/core/session.h"
#include "ftpclient/core/tls_policy.h"

namespace ftpclient::testing {
namespace {

const std::string kPinA(64, 'a');
const std::string kPeerSha = "a0a1a2a3a4a5a6a7a8a9aaabacadaeafb0b1b2b3b4b5b6b7b8b9babbbcbdbebf";

TEST(TlsPolicyTest, ScriptLines) {
  struct Row {
    std::vector<std::string> words;
    bool valid;
    bool trustSystem;
    std::size_t pins;
  };
  const Row rows[] = {
      {{"tls"}, true, false, 0},
      {{"tls", "trust-system"}, true, true, 0},
      {{"tls", "pin", kPinA}, true, false, 1},
      {{"tls", "pin", std::string(64, 'F')}, true, false, 1},  // either case
      {{"tls", "pin", std::string(63, 'a')}, false, false, 0},
      {{"tls", "pin", std::string(65, 'a')}, false, false, 0},
      {{"tls", "pin", std::string(63, 'a') + "g"}, false, false, 0},
      {{"tls", "pin"}, false, false, 0},
      {{"tls", "pin", kPinA, "extra"}, false, false, 0},
      {{"tls", "on"}, false, false, 0},
      {{"tls", "Trust-System"}, false, false, 0},
  };
  for (const Row& row : rows) {
    TlsOptions options;
    const bool valid = ApplyTlsLine(row.words, options).has_value();
    const std::string label = row.words.size() > 1 ? row.words[1] + " " + row.words.back() : "tls";
    EXPECT_EQ(valid, row.valid) << label;
    EXPECT_EQ(options.on, row.valid) << label;
    EXPECT_EQ(options.trustSystem, row.trustSystem) << label;
    EXPECT_EQ(options.pins.size(), row.pins) << label;
  }
  EXPECT_EQ(LowerHex(*ParseSha256Hex(std::string(32, 'A') + std::string(32, '0'))),
            std::string(32, 'a') + std::string(32, '0'));
}

TEST(TlsPolicyTest, WhichCertificateIsAccepted) {
  TlsPeer peer = FakeServer::DefaultPeer();
  const Sha256 own = peer.sha256;
  const Sha256 other = *ParseSha256Hex(kPinA);
  struct Row {
    const char* name;
    std::vector<Sha256> pins;
    bool trustSystem;
    bool systemTrusted;
    CertificateVerdict verdict;
  };
  const Row rows[] = {
      {"nothing asked: any", {}, false, false, CertificateVerdict::kAny},
      {"a pin matches", {other, own}, false, false, CertificateVerdict::kPin},
      {"no pin matches", {other}, false, true, CertificateVerdict::kRefused},
      {"system trust asked and given", {}, true, true, CertificateVerdict::kSystem},
      {"system trust asked, not given", {}, true, false, CertificateVerdict::kRefused},
      {"a pin wins over the system", {own}, true, true, CertificateVerdict::kPin},
      {"either may do", {other}, true, true, CertificateVerdict::kSystem},
  };
  for (const Row& row : rows) {
    TlsOptions options{true, row.trustSystem, row.pins};
    peer.systemTrusted = row.systemTrusted;
    EXPECT_EQ(JudgeCertificate(options, peer), row.verdict) << row.name;
  }
}

TEST(TlsPolicyTest, CertificateNamesCannotForgeLogLines) {
  TlsPeer peer = FakeServer::DefaultPeer();
  peer.subject = "CN=x\r\n230 QUSER logged on.";
  peer.issuer = std::string("CN=\x7f\x01y", 6);
  peer.validTo = UtcTime{123456, -1, 2, 3, 4, 99999};
  const std::vector<std::string> lines = CertificateLines(peer, CertificateVerdict::kAny);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[1], "> ftp: TLS certificate SHA-256 " + kPeerSha);
  EXPECT_EQ(lines[2], "> ftp: TLS certificate subject CN=x??230 QUSER logged on.");
  EXPECT_EQ(lines[3], "> ftp: TLS certificate issuer CN=??y");
  EXPECT_EQ(lines[4], "> ftp: TLS certificate valid 2026-01-02 03:04:05 to 9999-00-02 03:04:99 UTC");
}

struct TlsRun {
  std::string transcript;
  FakeServer server;
};

void OfferTls(FakeServer& server) {
  server.replies["AUTH"] = "234 Security environment established - ready for negotiation.\r\n";
  server.replies["PBSZ"] = "200 PBSZ subcommand request successful.\r\n";
  server.replies["PROT"] = "200 PROT subcommand request successful.\r\n";
}

TlsRun RunTls(const std::string& tlsLines, const std::function<void(FakeServer&)>& setUp) {
  TlsRun run;
  OfferTls(run.server);
  if (setUp) setUp(run.server);
  StringTranscript out;
  FtpSession session(run.server, run.server, out, SessionSettings{});
  ScriptLines lines(tlsLines +
                    "open 127.0.0.5\r\nQUSER\r\nSECRET\r\nbinary\r\n"
                    "put C:\\WORK\\QSAVF.DAT /QSYS.LIB/QTEMP.LIB/QSAVF.FILE\r\nquit\r\n");
  session.Run(lines);
  run.transcript = out.text();
  return run;
}

const std::vector<std::string> kProtectedJob = {"AUTH TLS",     "PBSZ 0",     "PROT P",
                                                "OPTS UTF8 ON", "USER QUSER", "PASS SECRET",
                                                "TYPE I",       "PASV",       "STOR /QSYS.LIB/QTEMP.LIB/QSAVF.FILE",
                                                "QUIT"};

TEST(TlsSessionTest, ProtectedJobSendsNothingButAuthInClear) {
  const TlsRun run = RunTls("tls\r\n", nullptr);
  EXPECT_EQ(run.server.commands, kProtectedJob);
  EXPECT_EQ(run.server.clearCommands, std::vector<std::string>{"AUTH TLS"});
  EXPECT_EQ(run.server.tlsRequest.serverName, "127.0.0.5");
  EXPECT_FALSE(run.server.tlsRequest.checkSystemTrust);
  EXPECT_TRUE(run.server.dataTls);
  EXPECT_EQ(run.server.uploaded, kSaveFileBytes);
  EXPECT_TRUE(run.server.uploadFinished);
  EXPECT_TRUE(run.server.closeNotifySent);
  const std::string expected =
      "234 Security environment established - ready for negotiation.\n"
      "> ftp: TLS established: TLS 1.2 ECDHE-RSA-AES256-GCM-SHA384\n"
      "> ftp: TLS certificate SHA-256 " +
      kPeerSha +
      "\n"
      "> ftp: TLS certificate subject CN=testhost\n"
      "> ftp: TLS certificate issuer CN=testhost\n"
      "> ftp: TLS certificate valid 2026-01-02 03:04:05 to 2036-01-02 03:04:05 UTC\n"
      "> ftp: TLS certificate accepted: any\n"
      "200 PBSZ subcommand request successful.\n"
      "200 PROT subcommand request successful.\n"
      "501 OPTS subcommand not valid.\n";
  EXPECT_NE(run.transcript.find("ftp> tls\nTLS On .\nftp> open"), std::string::npos) << run.transcript;
  EXPECT_NE(run.transcript.find(expected), std::string::npos) << run.transcript;
  EXPECT_NE(run.transcript.find("ftp: 20 bytes sent in"), std::string::npos) << run.transcript;
  EXPECT_EQ(run.transcript.find("SECRET"), std::string::npos);
}

// Every way TLS can fail before the log-on: nothing of the log-on is sent, the log says why in the
// client's own words, and the rest of the script meets no connection.
TEST(TlsSessionTest, NoLogOnWithoutTls) {
  const auto refuseAuth = [](FakeServer& s) { s.replies["AUTH"] = "431 Unable to accept security mechanism.\r\n"; };
  const auto hangUpOnAuth = [](FakeServer& s) { s.replies["AUTH"] = "421 Service not available.\r\n"; };
  const auto failHandshake = [](FakeServer& s) { s.controlTlsResult = IoResult::kError; };
  const auto refuseProt = [](FakeServer& s) { s.replies["PROT"] = "536 Requested PROT level not supported.\r\n"; };
  const auto untrusted = [](FakeServer& s) { s.peer.systemTrusted = false; };
  struct Row {
    const char* name;
    std::string tlsLines;
    std::function<void(FakeServer&)> setUp;
    std::vector<std::string> commands;
    std::vector<std::string> clearCommands;
    std::string line;
  };
  const std::vector<Row> rows = {
      {"431 from a host without a certificate",
       "tls\r\n",
       refuseAuth,
       {"AUTH TLS", "QUIT"},
       {"AUTH TLS", "QUIT"},
       "> ftp: TLS not available: 431 Unable to accept security mechanism.; not logged on.\n"},
      {"a plain server's 500",
       "tls\r\n",
       [](FakeServer& s) { s.replies.erase("AUTH"); },
       {"AUTH TLS", "QUIT"},
       {"AUTH TLS", "QUIT"},
       "> ftp: TLS not available: 500 Subcommand AUTH not valid.; not logged on.\n"},
      {"421 ends the connection",
       "tls\r\n",
       hangUpOnAuth,
       {"AUTH TLS"},
       {"AUTH TLS"},
       "> ftp: TLS not available: 421 Service not available.; not logged on.\n"},
      {"silence after AUTH",
       "tls\r\n",
       [](FakeServer& s) { s.replies["AUTH"] = ""; },
       {"AUTH TLS"},
       {"AUTH TLS"},
       "> ftp: TLS not available: no reply; not logged on.\n"},
      {"the handshake fails",
       "tls\r\n",
       failHandshake,
       {"AUTH TLS"},
       {"AUTH TLS"},
       "> ftp: TLS handshake failed: SEC_E_ILLEGAL_MESSAGE (0x80090326); not logged on.\n"},
      {"the handshake stalls",
       "tls\r\n",
       [](FakeServer& s) { s.controlTlsResult = IoResult::kTimeout; },
       {"AUTH TLS"},
       {"AUTH TLS"},
       "> ftp: TLS handshake failed: no progress for 1800 seconds; not logged on.\n"},
      {"no pin matches",
       "tls pin " + kPinA + "\r\n",
       nullptr,
       {"AUTH TLS", "QUIT"},
       {"AUTH TLS"},
       "> ftp: TLS certificate refused: matches no pin and no trusted chain; not logged on.\n"},
      {"the system does not trust it",
       "tls\r\ntls trust-system\r\n",
       untrusted,
       {"AUTH TLS", "QUIT"},
       {"AUTH TLS"},
       "> ftp: TLS certificate refused: matches no pin and no trusted chain; not logged on.\n"},
      {"PROT P refused",
       "tls\r\n",
       refuseProt,
       {"AUTH TLS", "PBSZ 0", "PROT P", "QUIT"},
       {"AUTH TLS"},
       "> ftp: TLS not available: 536 Requested PROT level not supported.; not logged on.\n"},
  };
  for (const Row& row : rows) {
    const TlsRun run = RunTls(row.tlsLines, row.setUp);
    EXPECT_EQ(run.server.commands, row.commands) << row.name;
    EXPECT_EQ(run.server.clearCommands, row.clearCommands) << row.name;
    EXPECT_NE(run.transcript.find(row.line), std::string::npos) << row.name << "\n" << run.transcript;
    EXPECT_NE(run.transcript.find("ftp> binary\nNot connected.\n"), std::string::npos) << row.name;
    EXPECT_EQ(run.transcript.find("User ("), std::string::npos) << row.name;
    EXPECT_EQ(run.transcript.find("SECRET"), std::string::npos) << row.name;
    EXPECT_EQ(run.transcript.find("QUSER\n"), std::string::npos) << row.name;  // the answer lines were taken
  }
}

TEST(TlsSessionTest, AcceptedCertificatesLogOn) {
  struct Row {
    const char* name;
    std::string tlsLines;
    bool systemTrusted;
    std::string verdict;
  };
  std::string upperPin = kPeerSha;
  for (char& c : upperPin) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const Row rows[] = {
      {"one of the pins", "tls\r\ntls pin " + kPinA + "\r\ntls pin " + upperPin + "\r\n", false, "pin"},
      {"pin alone turns TLS on", "tls pin " + kPeerSha + "\r\n", false, "pin"},
      {"the system's roots", "tls trust-system\r\n", true, "system"},
  };
  for (const Row& row : rows) {
    const TlsRun run = RunTls(row.tlsLines, [&](FakeServer& s) { s.peer.systemTrusted = row.systemTrusted; });
    EXPECT_EQ(run.server.commands, kProtectedJob) << row.name;
    EXPECT_EQ(run.server.tlsRequest.checkSystemTrust, row.verdict == "system") << row.name;
    EXPECT_NE(run.transcript.find("> ftp: TLS certificate accepted: " + row.verdict + "\n"), std::string::npos)
        << row.name;
  }
}

// After the log-on: a TLS failure ends what it hits with one line of ours, and the upload is not
// reported as sent.
TEST(TlsSessionTest, LaterFailuresAreOneLineAndNoSuccess) {
  struct Row {
    const char* name;
    std::function<void(FakeServer&)> setUp;
    std::string line;
  };
  const std::vector<Row> rows = {
      {"data handshake fails",
       [](FakeServer& s) {
         s.dataTlsResult = IoResult::kError;
         s.storeAborted = "522 Data connections must be encrypted.\r\n";
       },
       "> ftp: TLS handshake failed on the data connection: SEC_E_ILLEGAL_MESSAGE (0x80090326); transfer "
       "abandoned.\n522 Data connections must be encrypted.\n"},
      {"data record fails",
       [](FakeServer& s) {
         s.dataSendResult = IoResult::kError;
         s.tlsFailure = "EncryptMessage failed (0x80090321)";
       },
       "> ftp: TLS EncryptMessage failed (0x80090321); transfer abandoned.\n426 Data transfer ended.\n"},
      {"control gone without close_notify",
       [](FakeServer& s) {
         s.storeFinished = "";
         s.tlsFailure = "connection closed by the server without close_notify";
       },
       "> ftp: TLS connection closed by the server without close_notify; connection abandoned.\n"},
  };
  for (const Row& row : rows) {
    const TlsRun run = RunTls("tls\r\n", row.setUp);
    EXPECT_NE(run.transcript.find(row.line), std::string::npos) << row.name << "\n" << run.transcript;
    EXPECT_EQ(run.transcript.find("bytes sent in"), std::string::npos) << row.name;
    EXPECT_EQ(run.transcript.find("Connection closed by remote host."), std::string::npos) << row.name;
  }
}

TEST(TlsSessionTest, TlsImpliesPassiveEvenAfterPassiveOff) {
  const TlsRun run = RunTls("tls\r\npassive off\r\n", nullptr);
  EXPECT_EQ(run.server.commands, kProtectedJob);
  const TlsRun wrong = RunTls("tls on\r\n", nullptr);
  EXPECT_NE(wrong.transcript.find("Usage: tls [pin"), std::string::npos);
  EXPECT_EQ(wrong.server.commands.front(), "OPTS UTF8 ON");  // a line not understood turns nothing on
}

}  // namespace
}  // namespace ftpclient::testing
