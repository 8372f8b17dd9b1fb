#include "fileutil/file_digest.h"

#include <bcrypt.h>

#include <memory>

#include "fileutil/sha256.h"

namespace {

constexpr DWORD kLoadLibrarySearchSystem32 = 0x00000800;  // not declared for our Windows versions
constexpr DWORD kPieceBytes = 1 << 20;

// CNG's SHA-256, reached through the functions of a bcrypt.dll loaded at run time: the program's
// imports stay those that every Windows it supports has loaded already, and no DLL of that name
// beside the installer is ever mapped.
struct CngFunctions {
  decltype(&BCryptOpenAlgorithmProvider) open = nullptr;
  decltype(&BCryptCloseAlgorithmProvider) close = nullptr;
  decltype(&BCryptCreateHash) create = nullptr;
  decltype(&BCryptHashData) hashData = nullptr;
  decltype(&BCryptFinishHash) finish = nullptr;
  decltype(&BCryptDestroyHash) destroy = nullptr;
  bool Complete() const { return open && close && create && hashData && finish && destroy; }
};

template <class Function>
void Find(HMODULE module, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

const CngFunctions* LoadCng() {
  // Windows 7 without update KB2533623 refuses the flag; the search restricted at start-up holds.
  HMODULE module = LoadLibraryExA("bcrypt.dll", nullptr, kLoadLibrarySearchSystem32);
  if (module == nullptr) module = LoadLibraryA("bcrypt.dll");
  if (module == nullptr) return nullptr;
  static CngFunctions functions;  // kept loaded for the rest of the run
  Find(module, "BCryptOpenAlgorithmProvider", functions.open);
  Find(module, "BCryptCloseAlgorithmProvider", functions.close);
  Find(module, "BCryptCreateHash", functions.create);
  Find(module, "BCryptHashData", functions.hashData);
  Find(module, "BCryptFinishHash", functions.finish);
  Find(module, "BCryptDestroyHash", functions.destroy);
  return functions.Complete() ? &functions : nullptr;
}

const CngFunctions* Cng() {
  static const CngFunctions* const functions = LoadCng();  // thread-safe: C++11 statics
  return functions;
}

std::string Hex(const unsigned char* bytes, std::size_t count) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
  }
  return text;
}

// One engine's running hash.
class Hasher {
 public:
  virtual ~Hasher() = default;
  virtual bool Add(const char* data, DWORD size) = 0;
  virtual std::string HexDigest() = 0;
};

class OwnHasher : public Hasher {
 public:
  bool Add(const char* data, DWORD size) override {
    sha_.Add(data, size);
    return true;
  }
  std::string HexDigest() override { return sha_.HexDigest(); }

 private:
  Sha256 sha_;
};

class CngHasher : public Hasher {
 public:
  explicit CngHasher(const CngFunctions& cng) : cng_(cng) {
    if (!BCRYPT_SUCCESS(cng_.open(&algorithm_, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
      algorithm_ = nullptr;
      return;
    }
    if (!BCRYPT_SUCCESS(cng_.create(algorithm_, &hash_, nullptr, 0, nullptr, 0, 0))) hash_ = nullptr;
  }
  ~CngHasher() override {
    if (hash_ != nullptr) cng_.destroy(hash_);
    if (algorithm_ != nullptr) cng_.close(algorithm_, 0);
  }
  bool Ready() const { return hash_ != nullptr; }
  bool Add(const char* data, DWORD size) override {
    return BCRYPT_SUCCESS(cng_.hashData(hash_, reinterpret_cast<PUCHAR>(const_cast<char*>(data)), size, 0));
  }
  std::string HexDigest() override {
    unsigned char digest[32] = {};
    if (!BCRYPT_SUCCESS(cng_.finish(hash_, digest, sizeof digest, 0))) return std::string();
    return Hex(digest, sizeof digest);
  }

 private:
  const CngFunctions& cng_;
  BCRYPT_ALG_HANDLE algorithm_ = nullptr;
  BCRYPT_HASH_HANDLE hash_ = nullptr;
};

std::unique_ptr<Hasher> MakeHasher(DigestEngine wanted, DigestEngine& made) {
  if (wanted == DigestEngine::kWindows && Cng() != nullptr) {
    auto cng = std::make_unique<CngHasher>(*Cng());
    if (cng->Ready()) {
      made = DigestEngine::kWindows;
      return cng;
    }
  }
  made = DigestEngine::kOwn;
  return std::make_unique<OwnHasher>();
}

struct HandleClosedAtEnd {
  HANDLE handle;
  ~HandleClosedAtEnd() { CloseHandle(handle); }
};

}  // namespace

FileDigest DigestFile(const std::string& path, DigestEngine engine, const std::atomic<bool>* stop) {
  FileDigest digest;
  // Shared for deleting too: a user who removes the product meanwhile is not refused, and the
  // installation sees it gone as it would without the reading.
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    digest.error = GetLastError();
    return digest;
  }
  const HandleClosedAtEnd closed{file};
  const std::unique_ptr<Hasher> hasher = MakeHasher(engine, digest.engine);
  const auto buffer = std::make_unique<char[]>(kPieceBytes);
  for (;;) {
    if (stop != nullptr && stop->load(std::memory_order_relaxed)) return digest;
    DWORD read = 0;
    if (!ReadFile(file, buffer.get(), kPieceBytes, &read, nullptr)) {
      digest.error = GetLastError();
      return digest;
    }
    if (read == 0) break;
    if (!hasher->Add(buffer.get(), read)) {
      digest.error = ERROR_INVALID_FUNCTION;
      return digest;
    }
    digest.size += read;
  }
  digest.sha256 = hasher->HexDigest();
  digest.read = !digest.sha256.empty();
  if (!digest.read) digest.error = ERROR_INVALID_FUNCTION;
  return digest;
}

FileDigestTask::FileDigestTask(std::string path) : path_(std::move(path)) {
  thread_ = std::thread([this] {
    result_ = DigestFile(path_, DigestEngine::kWindows, &stop_);
    done_.store(true, std::memory_order_release);
  });
}

FileDigestTask::~FileDigestTask() {
  stop_.store(true, std::memory_order_relaxed);
  if (thread_.joinable()) thread_.join();
}

const FileDigest& FileDigestTask::Wait() {
  if (thread_.joinable()) thread_.join();
  return result_;
}
