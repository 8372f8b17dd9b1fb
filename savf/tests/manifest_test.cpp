#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "savf/manifest.h"

namespace savf {
namespace {

TEST(ManifestTest, ReadsEveryStatement) {
  const ManifestResult result = ParseManifest(
      "# a comment\n"
      "command savobj\n"
      "  library  qtemp\r\n"
      "release V4R4M0\n"
      "text   \"Verification objects\"  \n"
      "size 227K\n"
      "\n"
      "object KV2207C *pgm clp 4K\n"
      "object DATA *DTAARA - 16\n"
      "object KV2207F1 *FILE PF file=bin/f1.dat\n");
  ASSERT_TRUE(result.ok) << result.error;
  const Manifest& m = result.manifest;
  EXPECT_EQ(m.description.command, "SAVOBJ");
  EXPECT_EQ(m.description.library, "QTEMP");
  EXPECT_EQ(m.description.release, "V4R4M0");
  EXPECT_EQ(m.description.text, "Verification objects");
  EXPECT_EQ(m.minimumSize, 227u * 1024);
  ASSERT_EQ(m.description.objects.size(), 3u);
  EXPECT_EQ(m.description.objects[0].type, "*PGM");
  EXPECT_EQ(m.description.objects[0].attribute, "CLP");
  EXPECT_EQ(m.description.objects[0].size, 4096u);
  EXPECT_EQ(m.description.objects[1].attribute, "");
  EXPECT_EQ(m.contentFiles, (std::vector<std::string>{"", "", "bin/f1.dat"}));
}

TEST(ManifestTest, NamesTheLineOfAMistake) {
  const std::string head = "command SAVLIB\nlibrary A\nrelease V4R4M0\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {head + "object X *PGM CLP\n", "line 4: object needs"},
      {head + "object X *PGM CLP 12Q\n", "line 4: object size"},
      {head + "object X *PGM CLP file=\n", "line 4: file= needs"},
      {head + "colour blue\n", "line 4: unknown statement"},
      {head + "size\n", "line 4: 'size' takes one value"},
      {head + "size many\n", "line 4: size 'many'"},
      {"command SAVLIB\ncommand SAVOBJ\n", "line 2: statement given twice"},
      {"library A\nrelease V4R4M0\n", "no 'command'"},
      {"command SAVLIB\nrelease V4R4M0\n", "no 'library'"},
      {"command SAVLIB\nlibrary A\n", "no 'release'"},
  };
  for (const auto& [text, error] : cases) {
    const ManifestResult result = ParseManifest(text);
    EXPECT_FALSE(result.ok) << text;
    EXPECT_NE(result.error.find(error), std::string::npos) << result.error;
  }
}

TEST(ManifestTest, SizesWithUnitsAndLimits) {
  const std::vector<std::pair<std::string, std::uint64_t>> good = {{"0", 0},           {"528", 528},
                                                                   {"1K", 1024},       {"256M", 256ull << 20},
                                                                   {"1g", 1ull << 30}, {"18446744073709551615", ~0ull}};
  for (const auto& [text, value] : good) {
    std::uint64_t size = 1;
    EXPECT_TRUE(ParseSize(text, size)) << text;
    EXPECT_EQ(size, value) << text;
  }
  for (const std::string text : {"", "-1", "K", "1KB", "1 K", "18446744073709551616", "17179869184G", "0x10"}) {
    std::uint64_t size = 0;
    EXPECT_FALSE(ParseSize(text, size)) << text;
  }
}

}  // namespace
}  // namespace savf
