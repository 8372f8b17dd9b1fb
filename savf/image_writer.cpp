#include "savf/image_writer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <set>
#include <utility>

#include "savf/crc32.h"

namespace savf {
namespace {

using Record = std::array<std::uint8_t, kRecordLength>;

// An image is a file, so its size must be a file offset (below 2^63).
constexpr std::uint64_t kMaxImageRecords = static_cast<std::uint64_t>(INT64_MAX) / kRecordLength;
const std::string kMaxImageText = std::to_string(kMaxImageRecords * kRecordLength) + " bytes";

// The sum of the object sizes; false when it does not fit in 64 bits.
bool SumPayload(const ImageDescription& description, std::uint64_t& total) {
  total = 0;
  for (const SavedObject& object : description.objects) {
    if (object.size > UINT64_MAX - total) return false;
    total += object.size;
  }
  return true;
}

// Only for a description that CheckDescription accepted.
std::uint64_t PayloadSize(const ImageDescription& description) {
  std::uint64_t total = 0;
  SumPayload(description, total);
  return total;
}

std::uint64_t MinimumRecords(const ImageDescription& description) {
  return 1 + ListRecordsFor(description.objects.size()) + RecordsFor(PayloadSize(description));
}

std::string CheckObject(const SavedObject& object) {
  if (!IsValidObjectName(object.name)) return "object name '" + object.name + "' is not a valid IBM i name";
  if (!IsValidObjectType(object.type)) return "object " + object.name + ": type '" + object.type + "' is not valid";
  if (!IsValidAttribute(object.attribute)) {
    return "object " + object.name + ": attribute '" + object.attribute + "' is not valid";
  }
  return {};
}

// The body is everything after the header: its checksum goes into the header, so the body is
// written first and the header last.
class BodyWriter {
 public:
  explicit BodyWriter(ByteSink& out) : out_(out) {}
  bool Write(const void* data, std::size_t size) {
    crc_.Update(data, size);
    written_ += size;
    return out_.Write(data, size);
  }
  bool WriteZeros(std::uint64_t count) {
    static const Record zeros{};
    while (count > 0) {
      const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(count, zeros.size()));
      if (!Write(zeros.data(), piece)) return false;
      count -= piece;
    }
    return true;
  }
  std::uint64_t written() const { return written_; }
  std::uint32_t crc() const { return crc_.Value(); }

 private:
  ByteSink& out_;
  Crc32 crc_;
  std::uint64_t written_ = 0;
};

bool WriteObjectList(const ImageDescription& description, BodyWriter& body) {
  const std::uint64_t records = ListRecordsFor(description.objects.size());
  std::vector<std::uint8_t> list(static_cast<std::size_t>(records * kRecordLength), 0);
  std::uint64_t offset = 0;
  for (std::size_t i = 0; i < description.objects.size(); ++i) {
    const SavedObject& object = description.objects[i];
    std::uint8_t* at = list.data() + i * kEntryLength;
    PutText(at + entry::kName, kNameLength, object.name);
    PutText(at + entry::kType, kNameLength, object.type);
    PutText(at + entry::kAttribute, kNameLength, object.attribute);
    PutUint64(at + entry::kSize, object.size);
    PutUint64(at + entry::kOffset, offset);
    offset += object.size;
  }
  return body.Write(list.data(), list.size());
}

bool CopyContent(ByteSource& content, std::uint64_t size, BodyWriter& body) {
  std::vector<std::uint8_t> buffer(64 * 1024);
  for (std::uint64_t done = 0; done < size;) {
    const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(size - done, buffer.size()));
    if (!content.ReadAt(done, buffer.data(), piece) || !body.Write(buffer.data(), piece)) return false;
    done += piece;
  }
  return true;
}

Record MakeHeader(const ImageDescription& description, std::uint64_t totalRecords, std::uint32_t bodyCrc) {
  Record record{};
  std::copy(std::begin(kMagic), std::end(kMagic), record.begin() + header::kMagic);
  PutUint16(&record[header::kVersion], kFormatVersion);
  PutUint16(&record[header::kRecordLength], static_cast<std::uint16_t>(kRecordLength));
  PutText(&record[header::kCommand], kNameLength, description.command);
  PutText(&record[header::kLibrary], kNameLength, description.library);
  PutText(&record[header::kRelease], kReleaseLength, description.release);
  PutUint32(&record[header::kObjectCount], static_cast<std::uint32_t>(description.objects.size()));
  PutUint32(&record[header::kListRecords], static_cast<std::uint32_t>(ListRecordsFor(description.objects.size())));
  PutUint64(&record[header::kPayloadSize], PayloadSize(description));
  PutUint64(&record[header::kTotalRecords], totalRecords);
  PutUint32(&record[header::kBodyCrc], bodyCrc);
  PutText(&record[header::kText], kTextLength, description.text);
  PutUint32(&record[header::kHeaderCrc], ComputeCrc32(record.data(), header::kHeaderCrc));
  return record;
}

WriteResult Failure(std::string error) { return WriteResult{false, std::move(error), 0}; }

}  // namespace

std::string CheckDescription(const ImageDescription& description) {
  if (!IsValidSaveCommand(description.command)) return "save command must be SAVLIB or SAVOBJ";
  if (!IsValidObjectName(description.library)) return "library '" + description.library + "' is not a valid name";
  if (!IsValidRelease(description.release)) return "release '" + description.release + "' is not of the form VxRyMz";
  if (!IsValidText(description.text)) return "text must be at most 50 printable ASCII characters";
  if (description.objects.size() > 0xFFFFu) return "too many objects";
  std::set<std::pair<std::string, std::string>> seen;
  for (const SavedObject& object : description.objects) {
    std::string problem = CheckObject(object);
    if (!problem.empty()) return problem;
    if (!seen.insert({object.name, object.type}).second) return "object " + object.name + " " + object.type + " twice";
  }
  std::uint64_t payload = 0;
  if (!SumPayload(description, payload) || MinimumRecords(description) > kMaxImageRecords) {
    return "the objects are too large together: an image holds at most " + kMaxImageText;
  }
  return {};
}

std::uint64_t MinimumImageSize(const ImageDescription& description) {
  return MinimumRecords(description) * kRecordLength;
}

WriteResult WriteImage(const ImageDescription& description, const std::vector<ByteSource*>& contents,
                       std::uint64_t minimumSize, ByteSink& out) {
  std::string problem = CheckDescription(description);
  if (!problem.empty()) return Failure(problem);
  if (contents.size() != description.objects.size()) return Failure("one content source per object is needed");
  for (std::size_t i = 0; i < contents.size(); ++i) {
    if (contents[i] == nullptr || contents[i]->Size() != description.objects[i].size) {
      return Failure("content of " + description.objects[i].name + " does not have the size of the object");
    }
  }
  if (RecordsFor(minimumSize) > kMaxImageRecords) {
    return Failure("image size " + std::to_string(minimumSize) + " is too large: at most " + kMaxImageText);
  }
  const std::uint64_t imageSize = std::max(MinimumImageSize(description), RecordsFor(minimumSize) * kRecordLength);
  const Record placeholder{};
  if (!out.Write(placeholder.data(), placeholder.size())) return Failure("cannot write the image");
  BodyWriter body(out);
  if (!WriteObjectList(description, body)) return Failure("cannot write the image");
  for (std::size_t i = 0; i < contents.size(); ++i) {
    if (!CopyContent(*contents[i], description.objects[i].size, body)) {
      return Failure("cannot copy the content of " + description.objects[i].name);
    }
  }
  if (!body.WriteZeros(imageSize - kRecordLength - body.written())) return Failure("cannot write the image");
  const Record head = MakeHeader(description, imageSize / kRecordLength, body.crc());
  if (!out.Rewrite(0, head.data(), head.size())) return Failure("cannot write the image header");
  return WriteResult{true, {}, imageSize};
}

}  // namespace savf
