#include "ftpclient/win/tls_stream.h"

// SCH_CREDENTIALS and TLS_PARAMETERS are declared only with this.
#define SCHANNEL_USE_BLACKLISTS
#include <subauth.h>
#include <schannel.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace ftpclient {

namespace {

constexpr DWORD kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                ISC_REQ_EXTENDED_ERROR | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                                // the client judges the certificate itself (pins, or the chain on
                                // request); a self-signed one must not end the handshake
                                ISC_REQ_MANUAL_CRED_VALIDATION;
constexpr DWORD kTls12 = SP_PROT_TLS1_2_CLIENT;
constexpr DWORD kTls13 = 0x00002000;  // SP_PROT_TLS1_3_CLIENT
constexpr std::size_t kMaxIncomingBytes = 1 << 20;
// ALG_IDs of wincrypt.h, declared there only for newer Windows versions than we build for.
constexpr ALG_ID kSha256 = 0x800C;
constexpr ALG_ID kSha384 = 0x800D;

struct NamedStatus {
  SECURITY_STATUS status;
  const char* name;
};

const NamedStatus kStatusNames[] = {
    {static_cast<SECURITY_STATUS>(0x80090326), "SEC_E_ILLEGAL_MESSAGE"},
    {static_cast<SECURITY_STATUS>(0x80090331), "SEC_E_ALGORITHM_MISMATCH"},
    {static_cast<SECURITY_STATUS>(0x80090302), "SEC_E_UNSUPPORTED_FUNCTION"},
    {static_cast<SECURITY_STATUS>(0x80090304), "SEC_E_INTERNAL_ERROR"},
    {static_cast<SECURITY_STATUS>(0x80090308), "SEC_E_INVALID_TOKEN"},
    {static_cast<SECURITY_STATUS>(0x8009030E), "SEC_E_NO_CREDENTIALS"},
    {static_cast<SECURITY_STATUS>(0x8009030F), "SEC_E_MESSAGE_ALTERED"},
    {static_cast<SECURITY_STATUS>(0x80090311), "SEC_E_NO_AUTHENTICATING_AUTHORITY"},
    {static_cast<SECURITY_STATUS>(0x80090322), "SEC_E_WRONG_PRINCIPAL"},
    {static_cast<SECURITY_STATUS>(0x80090325), "SEC_E_UNTRUSTED_ROOT"},
    {static_cast<SECURITY_STATUS>(0x80090327), "SEC_E_CERT_UNKNOWN"},
    {static_cast<SECURITY_STATUS>(0x80090328), "SEC_E_CERT_EXPIRED"},
    {static_cast<SECURITY_STATUS>(0x80090330), "SEC_E_DECRYPT_FAILURE"},
    {static_cast<SECURITY_STATUS>(0x80090317), "SEC_E_CONTEXT_EXPIRED"},
};

std::string Utf8(const wchar_t* text) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 1) return {};
  std::string result(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &result[0], bytes, nullptr, nullptr);
  result.pop_back();
  return result;
}

std::string ProtocolName(DWORD protocol) {
  if (protocol & kTls13) return "TLS 1.3";
  if (protocol & SP_PROT_TLS1_2_CLIENT) return "TLS 1.2";
  if (protocol & SP_PROT_TLS1_1_CLIENT) return "TLS 1.1";
  if (protocol & SP_PROT_TLS1_0_CLIENT) return "TLS 1.0";
  char text[32];
  std::snprintf(text, sizeof text, "protocol 0x%lx", static_cast<unsigned long>(protocol));
  return text;
}

UtcTime ToUtc(const FILETIME& time) {
  SYSTEMTIME parts{};
  if (!FileTimeToSystemTime(&time, &parts)) return {};
  return UtcTime{parts.wYear, parts.wMonth, parts.wDay, parts.wHour, parts.wMinute, parts.wSecond};
}

void FreeToken(const SystemTlsApi& api, SecBuffer& token) {
  if (token.pvBuffer != nullptr) api.sspi->FreeContextBuffer(token.pvBuffer);
  token.pvBuffer = nullptr;
  token.cbBuffer = 0;
}

}  // namespace

std::string SecurityStatusText(SECURITY_STATUS status) {
  char text[64];
  for (const NamedStatus& named : kStatusNames) {
    if (named.status == status) {
      std::snprintf(text, sizeof text, "%s (0x%08lx)", named.name, static_cast<unsigned long>(status));
      return text;
    }
  }
  std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(status));
  return text;
}

TlsCredentials::~TlsCredentials() {
  if (acquired_) api_.sspi->FreeCredentialsHandle(&handle_);
}

// TLS 1.2 and later. SCH_CREDENTIALS, which newer Windows needs for TLS 1.3, names what is not
// allowed; Windows versions before it know only SCHANNEL_CRED, which names what is.
bool TlsCredentials::Acquire(std::string& error) {
  if (acquired_) return true;
  const DWORD flags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
  TLS_PARAMETERS parameters{};
  parameters.grbitDisabledProtocols = ~static_cast<DWORD>(kTls12 | kTls13);
  SCH_CREDENTIALS modern{};
  modern.dwVersion = SCH_CREDENTIALS_VERSION;
  modern.dwFlags = flags;
  modern.cTlsParameters = 1;
  modern.pTlsParameters = &parameters;
  TimeStamp expiry;
  wchar_t package[] = UNISP_NAME_W;
  SECURITY_STATUS status = api_.sspi->AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr,
                                                                &modern, nullptr, nullptr, &handle_, &expiry);
  if (status != SEC_E_OK) {
    SCHANNEL_CRED legacy{};
    legacy.dwVersion = SCHANNEL_CRED_VERSION;
    legacy.grbitEnabledProtocols = kTls12;
    legacy.dwFlags = flags;
    status = api_.sspi->AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &legacy, nullptr,
                                                  nullptr, &handle_, &expiry);
  }
  if (status != SEC_E_OK) {
    error = "AcquireCredentialsHandle " + SecurityStatusText(status);
    return false;
  }
  acquired_ = true;
  return true;
}

TlsStream::~TlsStream() {
  if (haveContext_) api_.sspi->DeleteSecurityContext(&context_);
}

IoResult TlsStream::SendToken(SecBuffer& token) {
  IoResult result = IoResult::kOk;
  if (token.cbBuffer > 0 && token.pvBuffer != nullptr) {
    result = link_.send(std::string_view(static_cast<const char*>(token.pvBuffer), token.cbBuffer));
  }
  FreeToken(api_, token);
  return result;
}

IoResult TlsStream::Handshake(std::string& error) {
  SecBuffer token{0, SECBUFFER_TOKEN, nullptr};
  SecBufferDesc output{SECBUFFER_VERSION, 1, &token};
  DWORD flags = 0;
  SECURITY_STATUS status =
      api_.sspi->InitializeSecurityContextW(&credentials_.handle(), nullptr, &serverName_[0], kContextFlags, 0, 0,
                                            nullptr, 0, &context_, &output, &flags, nullptr);
  if (status != SEC_I_CONTINUE_NEEDED) {
    FreeToken(api_, token);
    error = "InitializeSecurityContext " + SecurityStatusText(status);
    return IoResult::kError;
  }
  haveContext_ = true;
  const IoResult sent = SendToken(token);
  if (sent != IoResult::kOk) {
    error = "the connection ended during the handshake";
    return sent;
  }
  return HandshakeLoop(false, error);
}

// Feeds the server's handshake records to SChannel until it has a context, sending what it asks.
// `afterRecord`: called for a renegotiation request (on Windows, TLS 1.3's messages after the
// handshake): SChannel is given what followed that record first, even nothing, before anything
// is read, since the server may have nothing more to send.
IoResult TlsStream::HandshakeLoop(bool afterRecord, std::string& error) {
  bool needMore = !afterRecord;
  while (true) {
    if (needMore) {
      if (incoming_.size() > kMaxIncomingBytes) {
        error = "the server's handshake is too long";
        return IoResult::kError;
      }
      const IoResult received = link_.receive(incoming_);
      if (received != IoResult::kOk) {
        if (received != IoResult::kTimeout) error = "the server closed the connection during the handshake";
        return received;
      }
    }
    SecBuffer in[2] = {{static_cast<unsigned long>(incoming_.size()), SECBUFFER_TOKEN, &incoming_[0]},
                       {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc input{SECBUFFER_VERSION, 2, in};
    SecBuffer token{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc output{SECBUFFER_VERSION, 1, &token};
    DWORD flags = 0;
    const SECURITY_STATUS status =
        api_.sspi->InitializeSecurityContextW(&credentials_.handle(), &context_, &serverName_[0], kContextFlags, 0, 0,
                                              &input, 0, nullptr, &output, &flags, nullptr);
    if (status == SEC_E_INCOMPLETE_MESSAGE) {
      FreeToken(api_, token);
      needMore = true;
      continue;
    }
    // A failing handshake may still have an alert for the server.
    const IoResult sent = SendToken(token);
    if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer > 0 && in[1].cbBuffer <= incoming_.size()) {
      incoming_.erase(0, incoming_.size() - in[1].cbBuffer);
    } else {
      incoming_.clear();
    }
    if (status == SEC_E_OK) {
      if (sent != IoResult::kOk) {
        error = "the connection ended during the handshake";
        return sent;
      }
      const SECURITY_STATUS sizes = api_.sspi->QueryContextAttributesW(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_);
      if (sizes != SEC_E_OK) {
        error = "QueryContextAttributes " + SecurityStatusText(sizes);
        return IoResult::kError;
      }
      return IoResult::kOk;
    }
    if (status != SEC_I_CONTINUE_NEEDED) {
      error = "InitializeSecurityContext " + SecurityStatusText(status);
      return IoResult::kError;
    }
    if (sent != IoResult::kOk) {
      error = "the connection ended during the handshake";
      return sent;
    }
    needMore = incoming_.empty();
  }
}

bool TlsStream::ModernProtocol() {
  SecPkgContext_ConnectionInfo info{};
  if (api_.sspi->QueryContextAttributesW(&context_, SECPKG_ATTR_CONNECTION_INFO, &info) != SEC_E_OK) return false;
  return (info.dwProtocol & (kTls12 | kTls13)) != 0;
}

IoResult TlsStream::Send(std::string_view plain, std::string& error) {
  const std::size_t most = sizes_.cbMaximumMessage;
  if (most == 0) {
    error = "no TLS session";
    return IoResult::kError;
  }
  std::string record;
  while (!plain.empty()) {
    const std::size_t piece = plain.size() < most ? plain.size() : most;
    record.assign(sizes_.cbHeader + piece + sizes_.cbTrailer, '\0');
    std::memcpy(&record[sizes_.cbHeader], plain.data(), piece);
    SecBuffer buffers[4] = {{sizes_.cbHeader, SECBUFFER_STREAM_HEADER, &record[0]},
                            {static_cast<unsigned long>(piece), SECBUFFER_DATA, &record[sizes_.cbHeader]},
                            {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, &record[sizes_.cbHeader + piece]},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
    const SECURITY_STATUS status = api_.sspi->EncryptMessage(&context_, 0, &message, 0);
    if (status != SEC_E_OK) {
      error = "EncryptMessage " + SecurityStatusText(status);
      return IoResult::kError;
    }
    const IoResult sent =
        link_.send(std::string_view(record.data(), buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer));
    if (sent != IoResult::kOk) return sent;
    plain.remove_prefix(piece);
  }
  return IoResult::kOk;
}

IoResult TlsStream::Receive(std::string& appendTo, std::string& error) {
  if (closeNotify_) return IoResult::kClosed;
  const std::size_t before = appendTo.size();
  while (appendTo.size() == before) {
    if (!incoming_.empty()) {
      SecBuffer buffers[4] = {{static_cast<unsigned long>(incoming_.size()), SECBUFFER_DATA, &incoming_[0]},
                              {0, SECBUFFER_EMPTY, nullptr},
                              {0, SECBUFFER_EMPTY, nullptr},
                              {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
      const SECURITY_STATUS status = api_.sspi->DecryptMessage(&context_, &message, 0, nullptr);
      if (status == SEC_E_OK || status == SEC_I_CONTEXT_EXPIRED || status == SEC_I_RENEGOTIATE) {
        std::string extra;
        bool gotData = false;
        for (const SecBuffer& buffer : buffers) {
          if (buffer.BufferType == SECBUFFER_DATA && buffer.cbBuffer > 0) {
            appendTo.append(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
            gotData = true;
          }
          if (buffer.BufferType == SECBUFFER_EXTRA && buffer.cbBuffer > 0) {
            extra.assign(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
          }
        }
        incoming_ = std::move(extra);
        // close_notify: SEC_I_CONTEXT_EXPIRED on Windows; under Wine a record of no data.
        if (status == SEC_I_CONTEXT_EXPIRED || (status == SEC_E_OK && !gotData && incoming_.empty())) {
          closeNotify_ = true;
          return appendTo.size() > before ? IoResult::kOk : IoResult::kClosed;
        }
        // TLS 1.3 post-handshake messages (session tickets) come this way on Windows.
        if (status == SEC_I_RENEGOTIATE) {
          const IoResult again = HandshakeLoop(true, error);
          if (again != IoResult::kOk) return again;
        }
        continue;
      }
      if (status != SEC_E_INCOMPLETE_MESSAGE) {
        error = "DecryptMessage " + SecurityStatusText(status);
        return IoResult::kError;
      }
    }
    if (incoming_.size() > kMaxIncomingBytes) {
      error = "a record too long";
      return IoResult::kError;
    }
    const IoResult received = link_.receive(incoming_);
    if (received == IoResult::kClosed) {
      error = "connection closed by the server without close_notify";
      return IoResult::kClosed;
    }
    if (received != IoResult::kOk) return received;
  }
  return IoResult::kOk;
}

IoResult TlsStream::SendCloseNotify(std::string& error) {
  if (!haveContext_) return IoResult::kError;
  DWORD type = SCHANNEL_SHUTDOWN;
  SecBuffer control{sizeof type, SECBUFFER_TOKEN, &type};
  SecBufferDesc controlDesc{SECBUFFER_VERSION, 1, &control};
  SECURITY_STATUS status = api_.sspi->ApplyControlToken(&context_, &controlDesc);
  if (status != SEC_E_OK) {
    error = "ApplyControlToken " + SecurityStatusText(status);
    return IoResult::kError;
  }
  SecBuffer token{0, SECBUFFER_TOKEN, nullptr};
  SecBufferDesc output{SECBUFFER_VERSION, 1, &token};
  DWORD flags = 0;
  status = api_.sspi->InitializeSecurityContextW(&credentials_.handle(), &context_, &serverName_[0], kContextFlags, 0,
                                                 0, nullptr, 0, nullptr, &output, &flags, nullptr);
  if (FAILED(status)) {
    FreeToken(api_, token);
    error = "InitializeSecurityContext " + SecurityStatusText(status);
    return IoResult::kError;
  }
  return SendToken(token);
}

bool TlsStream::Describe(bool checkSystemTrust, TlsPeer& peer, std::string& error) {
  SecPkgContext_ConnectionInfo info{};
  SECURITY_STATUS status = api_.sspi->QueryContextAttributesW(&context_, SECPKG_ATTR_CONNECTION_INFO, &info);
  if (status != SEC_E_OK) {
    error = "QueryContextAttributes " + SecurityStatusText(status);
    return false;
  }
  peer.protocol = ProtocolName(info.dwProtocol);
  SecPkgContext_CipherInfo cipher{};
  cipher.dwVersion = SECPKGCONTEXT_CIPHERINFO_V1;
  if (api_.sspi->QueryContextAttributesW(&context_, SECPKG_ATTR_CIPHER_INFO, &cipher) == SEC_E_OK &&
      cipher.szCipherSuite[0] != 0) {
    cipher.szCipherSuite[SZ_ALG_MAX_SIZE - 1] = 0;
    peer.cipher = Utf8(cipher.szCipherSuite);
    // Wine names some suites only in part ("..._GCM_<unknown>"); the hash of the connection
    // information completes them.
    const std::size_t unknown = peer.cipher.find("<unknown>");
    const char* hash = info.aiHash == kSha384 ? "SHA384" : info.aiHash == kSha256 ? "SHA256" : nullptr;
    if (unknown != std::string::npos && hash != nullptr) peer.cipher.replace(unknown, 9, hash);
  } else {
    char text[96];
    std::snprintf(text, sizeof text, "cipher 0x%x (%lu bits) hash 0x%x exchange 0x%x", info.aiCipher,
                  static_cast<unsigned long>(info.dwCipherStrength), info.aiHash, info.aiExch);
    peer.cipher = text;
  }
  PCCERT_CONTEXT certificate = nullptr;
  status = api_.sspi->QueryContextAttributesW(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate);
  if (status != SEC_E_OK || certificate == nullptr) {
    error = "the server's certificate cannot be read: " + SecurityStatusText(status);
    return false;
  }
  bool hashed = false;
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (api_.BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) == 0) {
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (api_.BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0) {
      hashed = api_.BCryptHashData(hash, certificate->pbCertEncoded, certificate->cbCertEncoded, 0) == 0 &&
               api_.BCryptFinishHash(hash, peer.sha256.data(), static_cast<ULONG>(peer.sha256.size()), 0) == 0;
      api_.BCryptDestroyHash(hash);
    }
    api_.BCryptCloseAlgorithmProvider(algorithm, 0);
  }
  wchar_t name[1024];
  const DWORD nameType = CERT_X500_NAME_STR;
  api_.CertNameToStrW(X509_ASN_ENCODING, &certificate->pCertInfo->Subject, nameType, name, 1024);
  peer.subject = Utf8(name);
  api_.CertNameToStrW(X509_ASN_ENCODING, &certificate->pCertInfo->Issuer, nameType, name, 1024);
  peer.issuer = Utf8(name);
  peer.validFrom = ToUtc(certificate->pCertInfo->NotBefore);
  peer.validTo = ToUtc(certificate->pCertInfo->NotAfter);
  peer.systemTrusted = checkSystemTrust && SystemTrusts(certificate);
  api_.CertFreeCertificateContext(certificate);
  if (!hashed) error = "the server's certificate cannot be hashed";
  return hashed;
}

// The chain ends in a root Windows trusts, for server authentication, and the certificate names
// the server as the client named it.
bool TlsStream::SystemTrusts(PCCERT_CONTEXT certificate) {
  char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
  LPSTR usages[] = {serverAuth};
  CERT_CHAIN_PARA chainPara{};
  chainPara.cbSize = sizeof chainPara;
  chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
  chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
  chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  if (!api_.CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainPara, 0, nullptr,
                                    &chain)) {
    return false;
  }
  // Wine's SSL policy lets a chain through that stops short of any root (a leaf whose issuer is
  // unknown), so the chain's own verdict is read first.
  constexpr DWORD kUntrusted = CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN |
                               CERT_TRUST_IS_NOT_TIME_VALID | CERT_TRUST_IS_NOT_SIGNATURE_VALID |
                               CERT_TRUST_IS_REVOKED | CERT_TRUST_IS_NOT_VALID_FOR_USAGE | CERT_TRUST_IS_CYCLIC;
  if ((chain->TrustStatus.dwErrorStatus & kUntrusted) != 0) {
    api_.CertFreeCertificateChain(chain);
    return false;
  }
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.pwszServerName = &serverName_[0];
  CERT_CHAIN_POLICY_PARA policy{};
  policy.cbSize = sizeof policy;
  policy.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS verdict{};
  verdict.cbSize = sizeof verdict;
  const BOOL checked = api_.CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &verdict);
  api_.CertFreeCertificateChain(chain);
  return checked && verdict.dwError == 0;
}

}  // namespace ftpclient
