// Images written and read back, and every way a damaged or forged image must be refused.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "savf/crc32.h"
#include "savf/generated_content.h"
#include "savf/image_reader.h"
#include "savf/image_writer.h"

namespace savf {
namespace {

ImageDescription SampleDescription() {
  ImageDescription description{"SAVLIB", "SAMPLIB", "V4R4M0", "Sample", {}};
  description.objects = {{"PGMA", "*PGM", "CLP", 1000}, {"FILEB", "*FILE", "PF", 0}, {"PGMC", "*PGM", "RPGLE", 6000}};
  for (int i = 0; i < 7; ++i) description.objects.push_back({"OBJ" + std::to_string(i), "*DTAARA", "", 10});
  return description;
}

std::vector<std::uint8_t> Write(const ImageDescription& description, std::uint64_t minimumSize = 0) {
  std::vector<std::unique_ptr<ByteSource>> contents;
  std::vector<ByteSource*> sources;
  for (const SavedObject& object : description.objects) {
    contents.push_back(std::make_unique<GeneratedContent>(object));
    sources.push_back(contents.back().get());
  }
  MemorySink sink;
  const WriteResult result = WriteImage(description, sources, minimumSize, sink);
  EXPECT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.imageSize, sink.bytes().size());
  return sink.bytes();
}

ReadResult Verify(const std::vector<std::uint8_t>& bytes) {
  MemorySource source(bytes);
  return VerifyImage(source);
}

TEST(ImageTest, ReadsBackWhatWasWritten) {
  const ImageDescription description = SampleDescription();
  const std::vector<std::uint8_t> bytes = Write(description);
  ASSERT_EQ(bytes.size() % kRecordLength, 0u);
  const ReadResult result = Verify(bytes);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.info.command, "SAVLIB");
  EXPECT_EQ(result.info.library, "SAMPLIB");
  EXPECT_EQ(result.info.release, "V4R4M0");
  EXPECT_EQ(result.info.text, "Sample");
  ASSERT_EQ(result.info.objects.size(), description.objects.size());
  for (std::size_t i = 0; i < description.objects.size(); ++i) {
    const ImageObject& item = result.info.objects[i];
    EXPECT_EQ(item.object.name, description.objects[i].name);
    EXPECT_EQ(item.object.type, description.objects[i].type);
    EXPECT_EQ(item.object.attribute, description.objects[i].attribute);
    // The bytes at the recorded offset are the object's own content.
    GeneratedContent expected(description.objects[i]);
    std::vector<std::uint8_t> want(item.object.size), got(item.object.size);
    ASSERT_TRUE(expected.ReadAt(0, want.data(), want.size()));
    MemorySource source(bytes);
    ASSERT_TRUE(source.ReadAt(item.contentOffset, got.data(), got.size()));
    EXPECT_EQ(want, got) << item.object.name;
  }
}

TEST(ImageTest, PadsToTheRequestedSizeInWholeRecords) {
  const ImageDescription description = SampleDescription();
  EXPECT_EQ(Write(description, 232848).size(), 232848u);
  EXPECT_EQ(Write(description, 100000).size(), (100000 / kRecordLength + 1) * kRecordLength);
  EXPECT_EQ(Write(description, 1).size(), MinimumImageSize(description));
  EXPECT_TRUE(Verify(Write(description, 232848)).ok);
}

TEST(ImageTest, EmptyObjectListIsAnImage) {
  const ImageDescription description{"SAVOBJ", "QTEMP", "V7R5M0", "", {}};
  const std::vector<std::uint8_t> bytes = Write(description);
  EXPECT_EQ(bytes.size(), kRecordLength);
  EXPECT_TRUE(Verify(bytes).ok);
}

// Changes a header field and seals the header again, as a forger would.
void ResealHeader(std::vector<std::uint8_t>& bytes) {
  PutUint32(&bytes[header::kHeaderCrc], ComputeCrc32(bytes.data(), header::kHeaderCrc));
}

struct Damage {
  const char* what;
  std::function<void(std::vector<std::uint8_t>&)> apply;
  const char* expectedError;
  bool caughtWithoutChecksum;  // ReadImage alone refuses it (the upload check)
};

TEST(ImageTest, RefusesDamagedImages) {
  const std::size_t entries = kRecordLength;  // first object entry
  const std::vector<Damage> cases = {
      {"empty", [](auto& b) { b.clear(); }, "shorter than one record", true},
      {"one byte short", [](auto& b) { b.pop_back(); }, "whole 528-byte records", true},
      {"last record missing", [](auto& b) { b.resize(b.size() - kRecordLength); }, "truncated", true},
      {"record appended", [](auto& b) { b.resize(b.size() + kRecordLength, 0); }, "truncated", true},
      {"not an image", [](auto& b) { b.assign(b.size(), 'x'); }, "not a save-file image", true},
      {"header byte flipped", [](auto& b) { b[header::kLibrary] ^= 1; }, "header is damaged", true},
      {"content byte flipped", [](auto& b) { b[b.size() - kRecordLength * 2] ^= 0x40; }, "checksum", false},
      {"object entry flipped", [=](auto& b) { b[entries + entry::kName] = 'Q'; }, "checksum", false},
      {"version",
       [](auto& b) {
         PutUint16(&b[header::kVersion], 9);
         ResealHeader(b);
       },
       "version", true},
      {"record length",
       [](auto& b) {
         PutUint16(&b[header::kRecordLength], 512);
         ResealHeader(b);
       },
       "record length", true},
      {"command",
       [](auto& b) {
         PutText(&b[header::kCommand], 10, "SAVSYS");
         ResealHeader(b);
       },
       "command", true},
      {"library",
       [](auto& b) {
         PutText(&b[header::kLibrary], 10, "../ETC");
         ResealHeader(b);
       },
       "library", true},
      {"release",
       [](auto& b) {
         PutText(&b[header::kRelease], 6, "V4R4");
         ResealHeader(b);
       },
       "release", true},
      {"object count",
       [](auto& b) {
         PutUint32(&b[header::kObjectCount], 0xFFFFFFFF);
         ResealHeader(b);
       },
       "object list", true},
      {"total records",
       [](auto& b) {
         PutUint64(&b[header::kTotalRecords], 3);
         ResealHeader(b);
       },
       "truncated", true},
      {"payload larger than image",
       [](auto& b) {
         PutUint64(&b[header::kPayloadSize], ~0ull);
         ResealHeader(b);
       },
       "do not fit", true},
      {"payload smaller than objects",
       [](auto& b) {
         PutUint64(&b[header::kPayloadSize], 10);
         ResealHeader(b);
       },
       "outside", true},
  };
  const std::vector<std::uint8_t> good = Write(SampleDescription());
  for (const Damage& damage : cases) {
    std::vector<std::uint8_t> bytes = good;
    damage.apply(bytes);
    const ReadResult verified = Verify(bytes);
    EXPECT_FALSE(verified.ok) << damage.what;
    EXPECT_NE(verified.error.find(damage.expectedError), std::string::npos) << damage.what << ": " << verified.error;
    MemorySource source(bytes);
    EXPECT_EQ(ReadImage(source).ok, !damage.caughtWithoutChecksum) << damage.what;
  }
}

struct BadDescription {
  const char* what;
  std::function<void(ImageDescription&)> change;
  std::uint64_t minimumSize = 0;
};

TEST(ImageTest, WriterRefusesWhatCouldNotBeReadBack) {
  const std::vector<BadDescription> cases = {
      {"command", [](auto& d) { d.command = "SAVSYS"; }},
      {"library too long", [](auto& d) { d.library = "ABCDEFGHIJK"; }},
      {"library lower case", [](auto& d) { d.library = "samplib"; }},
      {"library with slash", [](auto& d) { d.library = "A/B"; }},
      {"release", [](auto& d) { d.release = "4.4"; }},
      {"text too long", [](auto& d) { d.text = std::string(51, 'x'); }},
      {"object name digit first", [](auto& d) { d.objects[0].name = "1PGM"; }},
      {"object type", [](auto& d) { d.objects[0].type = "PGM"; }},
      {"attribute", [](auto& d) { d.objects[0].attribute = "C-L"; }},
      {"duplicate", [](auto& d) { d.objects.push_back(d.objects[0]); }},
      // Sizes whose sums would wrap, making a tiny image or one that never ends.
      {"objects over 2^64 together", [](auto& d) { d.objects[0].size = d.objects[1].size = 1ull << 63; }},
      {"object larger than a file", [](auto& d) { d.objects[0].size = UINT64_MAX - 100; }},
      {"padded size over 2^64", [](auto&) {}, UINT64_MAX},
  };
  for (const BadDescription& bad : cases) {
    ImageDescription description = SampleDescription();
    bad.change(description);
    EXPECT_EQ(CheckDescription(description).empty(), bad.minimumSize != 0) << bad.what;
    std::vector<GeneratedContent> contents(description.objects.begin(), description.objects.end());
    std::vector<ByteSource*> sources;
    for (auto& content : contents) sources.push_back(&content);
    MemorySink sink;
    EXPECT_FALSE(WriteImage(description, sources, bad.minimumSize, sink).ok) << bad.what;
    EXPECT_TRUE(sink.bytes().empty()) << bad.what;
  }
}

TEST(ImageTest, WriterRefusesContentOfTheWrongSize) {
  ImageDescription description = SampleDescription();
  std::vector<ByteSource*> sources;
  std::vector<GeneratedContent> contents(description.objects.begin(), description.objects.end());
  for (auto& content : contents) sources.push_back(&content);
  description.objects[2].size += 1;
  MemorySink sink;
  const WriteResult result = WriteImage(description, sources, 0, sink);
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.error.find("PGMC"), std::string::npos);
}

TEST(GeneratedContentTest, SameBytesWhicheverWayTheyAreRead) {
  const SavedObject object{"KV2207C", "*PGM", "CLP", 1001};
  GeneratedContent content(object);
  std::vector<std::uint8_t> whole(1001), pieces(1001);
  ASSERT_TRUE(content.ReadAt(0, whole.data(), whole.size()));
  for (std::size_t offset = 0; offset < pieces.size(); offset += 7) {
    const std::size_t size = std::min<std::size_t>(7, pieces.size() - offset);
    ASSERT_TRUE(content.ReadAt(offset, pieces.data() + offset, size));
  }
  EXPECT_EQ(whole, pieces);
  EXPECT_FALSE(content.ReadAt(1000, pieces.data(), 2));
  GeneratedContent other(SavedObject{"KV2207R1", "*PGM", "RPGLE", 1001});
  std::vector<std::uint8_t> otherBytes(1001);
  ASSERT_TRUE(other.ReadAt(0, otherBytes.data(), otherBytes.size()));
  EXPECT_NE(whole, otherBytes);
}

}  // namespace
}  // namespace savf
