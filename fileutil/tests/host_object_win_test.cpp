// Writing the embedded host object out, under Wine. This test program embeds the same file as
// KESTRALON.EXE, so the bytes on disk can be compared with their source.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "fileutil/host_object.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ScratchFile(const char* name) {
  char base[MAX_PATH + 1] = {};
  GetTempPathA(MAX_PATH, base);
  return std::string(base) + name;
}

TEST(ExtractHostObject, WritesTheWholeResourceUnchanged) {
  const std::string expected = ReadAll(HOST_OBJECT_SOURCE);
  ASSERT_EQ(expected.size(), 232848u);
  const std::string path = ScratchFile("QSAVF.DAT");
  ASSERT_EQ(ExtractHostObject(path), 1);
  EXPECT_EQ(ReadAll(path), expected);
  ASSERT_EQ(ExtractHostObject(path), 1) << "a second extraction replaces the first";
  EXPECT_EQ(ReadAll(path), expected);
}

TEST(ExtractHostObject, TruncatesALongerFile) {
  const std::string path = ScratchFile("QSAVF-long.DAT");
  std::ofstream(path, std::ios::binary) << std::string(300000, 'x');
  ASSERT_EQ(ExtractHostObject(path), 1);
  EXPECT_EQ(ReadAll(path).size(), 232848u);
}

TEST(ExtractHostObject, FailsWithoutCreatingAnythingWhenTheFolderIsMissing) {
  const std::string path = ScratchFile("no-such-folder\\QSAVF.DAT");
  EXPECT_EQ(ExtractHostObject(path), 0);
  EXPECT_EQ(GetFileAttributesA(ScratchFile("no-such-folder").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(ExtractHostObject, FailsWhileAnotherProcessHoldsTheFile) {
  const std::string path = ScratchFile("QSAVF-held.DAT");
  HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ExtractHostObject(path), 0);
  CloseHandle(held);
}

}  // namespace
