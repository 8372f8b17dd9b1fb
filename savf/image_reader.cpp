#include "savf/image_reader.h"

#include <algorithm>
#include <array>
#include <set>
#include <utility>

#include "savf/crc32.h"

namespace savf {
namespace {

constexpr std::uint32_t kMaxObjects = 0xFFFFu;

ReadResult Failure(std::string error) {
  ReadResult result;
  result.error = std::move(error);
  return result;
}

struct Header {
  std::uint32_t objectCount = 0;
  std::uint32_t listRecords = 0;
  std::uint64_t totalRecords = 0;
  std::uint32_t bodyCrc = 0;
};

std::string CheckHeaderRecord(const std::uint8_t* record) {
  if (!std::equal(std::begin(kMagic), std::end(kMagic), record + header::kMagic)) return "not a save-file image";
  if (GetUint32(record + header::kHeaderCrc) != ComputeCrc32(record, header::kHeaderCrc)) return "header is damaged";
  if (GetUint16(record + header::kVersion) != kFormatVersion) return "unsupported image version";
  if (GetUint16(record + header::kRecordLength) != kRecordLength) return "record length is not 528";
  return {};
}

std::string DecodeHeader(const std::uint8_t* record, ImageInfo& info, Header& head) {
  info.command = GetText(record + header::kCommand, kNameLength);
  info.library = GetText(record + header::kLibrary, kNameLength);
  info.release = GetText(record + header::kRelease, kReleaseLength);
  info.text = GetText(record + header::kText, kTextLength);
  info.payloadSize = GetUint64(record + header::kPayloadSize);
  head.objectCount = GetUint32(record + header::kObjectCount);
  head.listRecords = GetUint32(record + header::kListRecords);
  head.totalRecords = GetUint64(record + header::kTotalRecords);
  head.bodyCrc = GetUint32(record + header::kBodyCrc);
  if (!IsValidSaveCommand(info.command)) return "unknown save command";
  if (!IsValidObjectName(info.library)) return "saved library name is not valid";
  if (!IsValidRelease(info.release)) return "target release is not valid";
  if (!IsValidText(info.text)) return "description is not valid";
  if (head.objectCount > kMaxObjects || head.listRecords != ListRecordsFor(head.objectCount)) {
    return "object list size is not valid";
  }
  return {};
}

// The records the header claims must be exactly the records there are, and must hold the list and
// the payload. Compared in records so that no sum can overflow.
std::string CheckSizes(const ImageInfo& info, const Header& head) {
  if (head.totalRecords != info.imageSize / kRecordLength) return "image is truncated or has extra data";
  const std::uint64_t available =
      head.totalRecords - 1 - std::min<std::uint64_t>(head.listRecords, head.totalRecords - 1);
  if (head.listRecords >= head.totalRecords || RecordsFor(info.payloadSize) > available) {
    return "contents do not fit in the image";
  }
  return {};
}

std::string DecodeEntries(const std::vector<std::uint8_t>& list, std::uint32_t count, ImageInfo& info) {
  const std::uint64_t payloadStart = (1 + ListRecordsFor(count)) * kRecordLength;
  std::uint64_t expectedOffset = 0;
  std::set<std::pair<std::string, std::string>> seen;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* at = list.data() + static_cast<std::size_t>(i) * kEntryLength;
    ImageObject item;
    item.object.name = GetText(at + entry::kName, kNameLength);
    item.object.type = GetText(at + entry::kType, kNameLength);
    item.object.attribute = GetText(at + entry::kAttribute, kNameLength);
    item.object.size = GetUint64(at + entry::kSize);
    const std::uint64_t offset = GetUint64(at + entry::kOffset);
    if (!IsValidObjectName(item.object.name) || !IsValidObjectType(item.object.type) ||
        !IsValidAttribute(item.object.attribute)) {
      return "object entry " + std::to_string(i + 1) + " is not valid";
    }
    if (!seen.insert({item.object.name, item.object.type}).second) return "object listed twice";
    if (offset != expectedOffset || item.object.size > info.payloadSize - expectedOffset) {
      return "object entry " + std::to_string(i + 1) + " points outside the contents";
    }
    expectedOffset += item.object.size;
    item.contentOffset = payloadStart + offset;
    info.objects.push_back(std::move(item));
  }
  if (expectedOffset != info.payloadSize) return "object sizes do not add up to the contents";
  return {};
}

std::uint32_t BodyChecksum(ByteSource& source, std::uint64_t size, bool& readable) {
  std::vector<std::uint8_t> buffer(256 * 1024);
  Crc32 crc;
  for (std::uint64_t offset = kRecordLength; offset < size;) {
    const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(size - offset, buffer.size()));
    if (!source.ReadAt(offset, buffer.data(), piece)) {
      readable = false;
      return 0;
    }
    crc.Update(buffer.data(), piece);
    offset += piece;
  }
  readable = true;
  return crc.Value();
}

ReadResult ReadWithHeader(ByteSource& source, Header& head) {
  ReadResult result;
  result.info.imageSize = source.Size();
  if (result.info.imageSize < kRecordLength) return Failure("image is empty or shorter than one record");
  if (result.info.imageSize % kRecordLength != 0) return Failure("image is not made of whole 528-byte records");
  std::array<std::uint8_t, kRecordLength> record{};
  if (!source.ReadAt(0, record.data(), record.size())) return Failure("image cannot be read");
  std::string problem = CheckHeaderRecord(record.data());
  if (problem.empty()) problem = DecodeHeader(record.data(), result.info, head);
  if (problem.empty()) problem = CheckSizes(result.info, head);
  if (!problem.empty()) return Failure(problem);
  std::vector<std::uint8_t> list(static_cast<std::size_t>(head.listRecords) * kRecordLength);
  if (!list.empty() && !source.ReadAt(kRecordLength, list.data(), list.size())) return Failure("image cannot be read");
  problem = DecodeEntries(list, head.objectCount, result.info);
  if (!problem.empty()) return Failure(problem);
  result.ok = true;
  return result;
}

}  // namespace

ReadResult ReadImage(ByteSource& source) {
  Header head;
  return ReadWithHeader(source, head);
}

ReadResult VerifyImage(ByteSource& source) {
  Header head;
  ReadResult result = ReadWithHeader(source, head);
  if (!result.ok) return result;
  bool readable = false;
  const std::uint32_t crc = BodyChecksum(source, result.info.imageSize, readable);
  if (!readable) return Failure("image cannot be read");
  if (crc != head.bodyCrc) return Failure("image is damaged (checksum mismatch)");
  return result;
}

}  // namespace savf
