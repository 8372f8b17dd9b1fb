#include "fileutil/path_text.h"

#include "fileutil/cp932.h"

namespace {

enum class ByteClass { Ordinary, Separator, Colon, Rejected };

ByteClass Classify(unsigned char b) {
  switch (b) {
    case '\\':
      return ByteClass::Separator;
    case ':':
      return ByteClass::Colon;
    case '"':
    case ',':
    case '/':
    case ';':
    case '<':
    case '>':
    case '|':
      return ByteClass::Rejected;
    default:
      break;
  }
  if (b >= 0x20 && b <= 0x7E) return ByteClass::Ordinary;
  if (b >= 0xA1 && b <= 0xDF) return ByteClass::Ordinary;  // single-byte katakana
  return ByteClass::Rejected;                              // control bytes, 0x7F, 0x80, 0xA0, 0xFD-0xFF
}

bool IsAsciiLetter(unsigned char b) { return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'); }

// The join state that carries over from the first component into the second.
class Joiner {
 public:
  bool Append(const std::string& component) {
    std::size_t segment = 0;
    if (separatorPending_) {
      if (!Put('\\')) return false;
      separatorPending_ = false;
    }
    for (std::size_t i = 0; i < component.size() && component[i] != '\0'; ++i) {
      const auto b = static_cast<unsigned char>(component[i]);
      if (cp932::IsLeadByte(b)) {
        if (i + 1 >= component.size() || component[i + 1] == '\0') return false;  // half a character
        if (!cp932::IsTrailByte(static_cast<unsigned char>(component[i + 1]))) return false;
        if (budget_ < 2) return false;
        result_ += component[i];
        result_ += component[++i];  // a trail byte may look like a separator or a forbidden byte
        budget_ -= 2;
        segment += 2;
        continue;
      }
      switch (Classify(b)) {
        case ByteClass::Rejected:
          return false;
        case ByteClass::Colon:
          // Only a drive colon: the second byte of the result, after a letter.
          if (result_.size() != 1 || !IsAsciiLetter(static_cast<unsigned char>(result_[0]))) return false;
          segment = 0;
          break;
        case ByteClass::Separator:
          // Two backslashes in a row only as the "\\" that opens a network path.
          if (segment == 0 && !result_.empty() && result_.back() == '\\' && result_.size() != 1) return false;
          segment = 0;
          break;
        case ByteClass::Ordinary:
          ++segment;
          break;
      }
      if (!Put(component[i])) return false;
    }
    if (segment > 0) separatorPending_ = true;
    return true;
  }

  const std::string& result() const { return result_; }

 private:
  bool Put(char c) {
    if (budget_ < 1) return false;
    result_ += c;
    --budget_;
    return true;
  }

  std::string result_;
  std::size_t budget_ = kMaxPathBytes;
  bool separatorPending_ = false;
};

}  // namespace

std::string JoinPath(const std::string& first, const std::string& second) {
  Joiner joiner;
  if (!joiner.Append(first) || !joiner.Append(second)) return std::string();
  return joiner.result();  // a separator still pending after the second component is dropped
}

std::size_t FindLastBackslash(const std::string& path) {
  std::size_t last = std::string::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto b = static_cast<unsigned char>(path[i]);
    if (cp932::IsLeadByte(b)) {
      ++i;  // step over the trail byte
    } else if (b == '\\') {
      last = i;
    }
  }
  return last;
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t last = FindLastBackslash(path);
  return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

namespace {

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsIgnoringCase(const std::string& text, const char* upper) {
  std::size_t i = 0;
  for (; i < text.size() && upper[i] != '\0'; ++i) {
    if (UpperAscii(text[i]) != upper[i]) return false;
  }
  return i == text.size() && upper[i] == '\0';
}

}  // namespace

bool IsWorkDirectoryName(const std::string& name) {
  if (name.size() != 8 || !EqualsIgnoringCase(name.substr(0, 4), "ZEMO")) return false;
  for (std::size_t i = 4; i < 8; ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return true;
}

bool IsJobFileName(const std::string& name) {
  for (const char* job : {"DOSCMD.BAT", "FTPCMD.BAT", "FTPLOG.LOG", "QSAVF.DAT", "PRODUCT.DAT", "FTPPASV.EXE"}) {
    if (EqualsIgnoringCase(name, job)) return true;
  }
  return false;
}
