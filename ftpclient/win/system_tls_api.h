// Windows' TLS (SChannel, through SSPI) and the certificate and hash functions the client uses,
// loaded at run time from the system folder: secur32, crypt32 and bcrypt are no KnownDLLs, so
// importing them would let a DLL of the same name beside ftp.exe load first.
#pragma once

#define SECURITY_WIN32
#include <windows.h>
#include <bcrypt.h>
#include <security.h>
#include <wincrypt.h>

#include <string>

namespace ftpclient {

struct SystemTlsApi {
  PSecurityFunctionTableW sspi = nullptr;
  // crypt32
  BOOL(WINAPI* CertGetCertificateChain)
  (HCERTCHAINENGINE, PCCERT_CONTEXT, LPFILETIME, HCERTSTORE, PCERT_CHAIN_PARA, DWORD, LPVOID,
   PCCERT_CHAIN_CONTEXT*) = nullptr;
  BOOL(WINAPI* CertVerifyCertificateChainPolicy)
  (LPCSTR, PCCERT_CHAIN_CONTEXT, PCERT_CHAIN_POLICY_PARA, PCERT_CHAIN_POLICY_STATUS) = nullptr;
  VOID(WINAPI* CertFreeCertificateChain)(PCCERT_CHAIN_CONTEXT) = nullptr;
  BOOL(WINAPI* CertFreeCertificateContext)(PCCERT_CONTEXT) = nullptr;
  DWORD(WINAPI* CertNameToStrW)(DWORD, PCERT_NAME_BLOB, DWORD, LPWSTR, DWORD) = nullptr;
  // bcrypt
  NTSTATUS(WINAPI* BCryptOpenAlgorithmProvider)(BCRYPT_ALG_HANDLE*, LPCWSTR, LPCWSTR, ULONG) = nullptr;
  NTSTATUS(WINAPI* BCryptCloseAlgorithmProvider)(BCRYPT_ALG_HANDLE, ULONG) = nullptr;
  NTSTATUS(WINAPI* BCryptCreateHash)
  (BCRYPT_ALG_HANDLE, BCRYPT_HASH_HANDLE*, PUCHAR, ULONG, PUCHAR, ULONG, ULONG) = nullptr;
  NTSTATUS(WINAPI* BCryptHashData)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG) = nullptr;
  NTSTATUS(WINAPI* BCryptFinishHash)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG) = nullptr;
  NTSTATUS(WINAPI* BCryptDestroyHash)(BCRYPT_HASH_HANDLE) = nullptr;
};

// Loads them once; null when any is missing (`error` then names it).
const SystemTlsApi* LoadSystemTlsApi(std::string& error);

}  // namespace ftpclient
