#pragma once
// The layout of our save-file images. A real save file can only be made on an IBM i, so the
// substitute host and the tools share this format of their own. It keeps the one property the
// installer depends on, records of 528 bytes, and says what a save file holds: the save command,
// the library saved, the target release and the objects.
//
// Record 0 is the header; the object list follows (eight 64-byte entries a record), then the
// objects' contents one after the other, then zero bytes up to the last whole record. Integers are
// big-endian; names are ASCII, upper case, padded with blanks. Two CRC-32 values make a damaged or
// truncated image recognisable: one over the header, one over everything after it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace savf {

constexpr std::size_t kRecordLength = 528;
constexpr std::size_t kEntryLength = 64;
constexpr std::size_t kEntriesPerRecord = kRecordLength / kEntryLength;
constexpr char kMagic[8] = {'K', 'S', 'A', 'V', 'F', 'I', 'M', 'G'};
constexpr std::uint16_t kFormatVersion = 1;
constexpr std::size_t kTextLength = 50;

// Header field offsets within record 0.
namespace header {
constexpr std::size_t kMagic = 0;
constexpr std::size_t kVersion = 8;
constexpr std::size_t kRecordLength = 10;
constexpr std::size_t kCommand = 12;
constexpr std::size_t kLibrary = 22;
constexpr std::size_t kRelease = 32;
constexpr std::size_t kObjectCount = 40;
constexpr std::size_t kListRecords = 44;
constexpr std::size_t kPayloadSize = 48;
constexpr std::size_t kTotalRecords = 56;
constexpr std::size_t kBodyCrc = 64;
constexpr std::size_t kText = 68;
constexpr std::size_t kHeaderCrc = 524;
}  // namespace header

// Entry field offsets within one 64-byte object entry.
namespace entry {
constexpr std::size_t kName = 0;
constexpr std::size_t kType = 10;
constexpr std::size_t kAttribute = 20;
constexpr std::size_t kSize = 32;
constexpr std::size_t kOffset = 40;
}  // namespace entry

constexpr std::size_t kNameLength = 10;
constexpr std::size_t kReleaseLength = 6;

struct SavedObject {
  std::string name;       // e.g. KV2207C
  std::string type;       // e.g. *PGM, *FILE
  std::string attribute;  // e.g. CLP, RPGLE, PF; may be empty
  std::uint64_t size = 0;
};

// What an image says about itself, apart from the objects' contents.
struct ImageDescription {
  std::string command;  // SAVLIB or SAVOBJ
  std::string library;  // the library the objects were saved from
  std::string release;  // target release, e.g. V4R4M0
  std::string text;     // free description, at most 50 characters
  std::vector<SavedObject> objects;
};

// An IBM i name: 1 to 10 of A-Z 0-9 $ # @ _ ., not starting with a digit, underscore or period.
// Names become file names on the substitute host, so nothing else may pass.
bool IsValidObjectName(const std::string& name);
// An object type: an asterisk and 1 to 9 letters, e.g. *PGM.
bool IsValidObjectType(const std::string& type);
// An attribute: empty or up to 10 letters and digits.
bool IsValidAttribute(const std::string& attribute);
// A release: V, digit, R, digit, M, digit.
bool IsValidRelease(const std::string& release);
bool IsValidSaveCommand(const std::string& command);
// Printable ASCII only, at most 50 characters.
bool IsValidText(const std::string& text);

// Number of whole records needed for size bytes.
std::uint64_t RecordsFor(std::uint64_t size);
std::uint64_t ListRecordsFor(std::size_t objectCount);

// Big-endian integers and blank-padded text fields inside a record.
void PutUint16(std::uint8_t* at, std::uint16_t value);
void PutUint32(std::uint8_t* at, std::uint32_t value);
void PutUint64(std::uint8_t* at, std::uint64_t value);
std::uint16_t GetUint16(const std::uint8_t* at);
std::uint32_t GetUint32(const std::uint8_t* at);
std::uint64_t GetUint64(const std::uint8_t* at);
void PutText(std::uint8_t* at, std::size_t width, const std::string& text);
// The field with trailing blanks removed.
std::string GetText(const std::uint8_t* at, std::size_t width);

}  // namespace savf
