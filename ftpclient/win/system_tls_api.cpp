#include "ftpclient/win/system_tls_api.h"

namespace ftpclient {

namespace {

// By full path, so the search order (and any DLL planted on it) plays no part.
HMODULE LoadFromSystemFolder(const wchar_t* name) {
  wchar_t path[MAX_PATH + 32];
  const UINT length = GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  std::wstring full(path, length);
  full += L"\\";
  full += name;
  return LoadLibraryW(full.c_str());
}

template <class Function>
bool Find(HMODULE module, const char* name, Function& function) {
  FARPROC address = module == nullptr ? nullptr : GetProcAddress(module, name);
  function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
  return function != nullptr;
}

bool Load(SystemTlsApi& api, std::string& error) {
  HMODULE secur32 = LoadFromSystemFolder(L"secur32.dll");
  HMODULE crypt32 = LoadFromSystemFolder(L"crypt32.dll");
  HMODULE bcrypt = LoadFromSystemFolder(L"bcrypt.dll");
  INIT_SECURITY_INTERFACE_W init = nullptr;
  if (!Find(secur32, "InitSecurityInterfaceW", init) || (api.sspi = init()) == nullptr) {
    error = "secur32.dll cannot be loaded";
    return false;
  }
  if (!Find(crypt32, "CertGetCertificateChain", api.CertGetCertificateChain) ||
      !Find(crypt32, "CertVerifyCertificateChainPolicy", api.CertVerifyCertificateChainPolicy) ||
      !Find(crypt32, "CertFreeCertificateChain", api.CertFreeCertificateChain) ||
      !Find(crypt32, "CertFreeCertificateContext", api.CertFreeCertificateContext) ||
      !Find(crypt32, "CertNameToStrW", api.CertNameToStrW)) {
    error = "crypt32.dll cannot be loaded";
    return false;
  }
  if (!Find(bcrypt, "BCryptOpenAlgorithmProvider", api.BCryptOpenAlgorithmProvider) ||
      !Find(bcrypt, "BCryptCloseAlgorithmProvider", api.BCryptCloseAlgorithmProvider) ||
      !Find(bcrypt, "BCryptCreateHash", api.BCryptCreateHash) || !Find(bcrypt, "BCryptHashData", api.BCryptHashData) ||
      !Find(bcrypt, "BCryptFinishHash", api.BCryptFinishHash) ||
      !Find(bcrypt, "BCryptDestroyHash", api.BCryptDestroyHash)) {
    error = "bcrypt.dll cannot be loaded";
    return false;
  }
  return true;
}

}  // namespace

const SystemTlsApi* LoadSystemTlsApi(std::string& error) {
  static SystemTlsApi api;
  static bool loaded = false;
  static std::string failure;
  static bool tried = false;
  if (!tried) {
    tried = true;
    loaded = Load(api, failure);
  }
  error = failure;
  return loaded ? &api : nullptr;
}

}  // namespace ftpclient
