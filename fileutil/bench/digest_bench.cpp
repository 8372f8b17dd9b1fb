// What each SHA-256 engine costs on one file: Windows' CNG and our own, in alternating rounds, the
// median time of each and their ratio. The support log takes the product's digest with the faster.
// Usage: digest_bench FILE [ROUNDS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fileutil/file_digest.h"

namespace {

double Seconds(const std::string& path, DigestEngine engine, std::string& digest, DigestEngine& used) {
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  const FileDigest result = DigestFile(path, engine);
  QueryPerformanceCounter(&end);
  digest = result.read ? result.sha256 : "(not read)";
  used = result.engine;
  return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: digest_bench FILE [ROUNDS]\n");
    return 2;
  }
  const std::string path = argv[1];
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  std::vector<double> cng, own;
  std::string cngDigest, ownDigest;
  DigestEngine used = DigestEngine::kOwn;
  std::uint64_t size = DigestFile(path, DigestEngine::kOwn).size;  // also warms the file cache
  for (int round = 0; round < rounds; ++round) {
    cng.push_back(Seconds(path, DigestEngine::kWindows, cngDigest, used));
    if (used != DigestEngine::kWindows) {
      std::fprintf(stderr, "digest_bench: CNG could not be loaded\n");
      return 1;
    }
    own.push_back(Seconds(path, DigestEngine::kOwn, ownDigest, used));
  }
  const double mib = static_cast<double>(size) / (1024.0 * 1024.0);
  std::printf("file: %s, %.0f MiB, %d rounds (medians)\n", path.c_str(), mib, rounds);
  std::printf("CNG:      %7.2f s  %8.1f MiB/s  %s\n", Median(cng), mib / Median(cng), cngDigest.c_str());
  std::printf("our own:  %7.2f s  %8.1f MiB/s  %s\n", Median(own), mib / Median(own), ownDigest.c_str());
  std::printf("own / CNG: %.2f\n", Median(own) / Median(cng));
  return cngDigest == ownDigest ? 0 : 1;
}
