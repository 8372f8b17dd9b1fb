// The product file's digest under Wine: both engines against the standard vectors, a file that
// cannot be read, and the reading thread.
#include "fileutil/file_digest.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

std::string ScratchFile(const char* name, const std::string& bytes) {
  char base[MAX_PATH + 1] = {};
  GetTempPathA(MAX_PATH, base);
  const std::string path = std::string(base) + name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

struct Vector {
  const char* what;
  std::string bytes;
  const char* sha256;
};

TEST(DigestFile, BothEnginesGiveTheStandardVectors) {
  const Vector vectors[] = {
      {"empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"two blocks", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"a million a's", std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
      // More than one piece of the reading: the two engines must agree.
      {"three pieces", std::string(3 << 20, 'b'), nullptr},
  };
  for (const Vector& vector : vectors) {
    const std::string path = ScratchFile("digest-vector.bin", vector.bytes);
    for (const DigestEngine engine : {DigestEngine::kWindows, DigestEngine::kOwn}) {
      const FileDigest digest = DigestFile(path, engine);
      EXPECT_TRUE(digest.read) << vector.what;
      EXPECT_EQ(digest.engine, engine) << vector.what << ": Wine has CNG";
      EXPECT_EQ(digest.size, vector.bytes.size()) << vector.what;
      if (vector.sha256 != nullptr) {
        EXPECT_EQ(digest.sha256, vector.sha256) << vector.what;
      }
    }
    EXPECT_EQ(DigestFile(path, DigestEngine::kWindows).sha256, DigestFile(path, DigestEngine::kOwn).sha256)
        << vector.what;
    DeleteFileA(path.c_str());
  }
}

TEST(DigestFile, AMissingFileIsNotRead) {
  const FileDigest digest = DigestFile("C:\\no such folder\\product.savf", DigestEngine::kWindows);
  EXPECT_FALSE(digest.read);
  EXPECT_NE(digest.error, 0u);
}

// The reading must not keep the user from deleting the product meanwhile.
TEST(FileDigestTask, GivesTheDigestAndLeavesTheFileDeletable) {
  const std::string path = ScratchFile("digest-task.bin", std::string(8 << 20, 'x'));
  FileDigestTask task(path);
  const FileDigest& digest = task.Wait();
  EXPECT_TRUE(task.Done());
  EXPECT_TRUE(digest.read);
  EXPECT_EQ(digest.size, 8u << 20);
  EXPECT_EQ(digest.sha256, DigestFile(path, DigestEngine::kOwn).sha256);
  {
    FileDigestTask reading(path);
    EXPECT_TRUE(DeleteFileA(path.c_str()));
  }  // the destructor stops the reading
}

}  // namespace
