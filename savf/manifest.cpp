#include "savf/manifest.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace savf {
namespace {

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// The rest of the line after its first word, without surrounding blanks.
std::string RestAfterKeyword(const std::string& line) {
  const std::size_t keyStart = line.find_first_not_of(" \t");
  const std::size_t keyEnd = line.find_first_of(" \t", keyStart);
  if (keyEnd == std::string::npos) return {};
  const std::size_t start = line.find_first_not_of(" \t", keyEnd);
  const std::size_t end = line.find_last_not_of(" \t\r");
  return start == std::string::npos ? std::string() : line.substr(start, end - start + 1);
}

class Parser {
 public:
  bool Statement(const std::string& line) {
    const std::vector<std::string> words = Words(line);
    if (words.empty() || words[0][0] == '#') return true;
    const std::string keyword = Upper(words[0]);
    if (keyword == "OBJECT") return Object(words);
    if (keyword == "TEXT") return Text(RestAfterKeyword(line));
    if (words.size() != 2) return Fail("'" + words[0] + "' takes one value");
    if (keyword == "COMMAND") return Set(manifest_.description.command, Upper(words[1]), seenCommand_);
    if (keyword == "LIBRARY") return Set(manifest_.description.library, Upper(words[1]), seenLibrary_);
    if (keyword == "RELEASE") return Set(manifest_.description.release, Upper(words[1]), seenRelease_);
    if (keyword == "SIZE") {
      return ParseSize(words[1], manifest_.minimumSize) || Fail("size '" + words[1] + "' is not a number of bytes");
    }
    return Fail("unknown statement '" + words[0] + "'");
  }

  bool Finish() {
    if (!seenCommand_) return Fail("no 'command' statement");
    if (!seenLibrary_) return Fail("no 'library' statement");
    if (!seenRelease_) return Fail("no 'release' statement");
    return true;
  }

  const Manifest& manifest() const { return manifest_; }
  const std::string& error() const { return error_; }

 private:
  bool Fail(std::string message) {
    error_ = std::move(message);
    return false;
  }

  bool Set(std::string& field, const std::string& value, bool& seen) {
    if (seen) return Fail("statement given twice");
    field = value;
    seen = true;
    return true;
  }

  bool Text(const std::string& text) {
    manifest_.description.text =
        text.size() >= 2 && text.front() == '"' && text.back() == '"' ? text.substr(1, text.size() - 2) : text;
    return true;
  }

  // object NAME TYPE ATTRIBUTE SIZE|file=PATH ; an attribute of "-" stands for none.
  bool Object(const std::vector<std::string>& words) {
    if (words.size() != 5) return Fail("object needs a name, a type, an attribute and a size or file=PATH");
    SavedObject object{Upper(words[1]), Upper(words[2]), words[3] == "-" ? std::string() : Upper(words[3]), 0};
    std::string file;
    if (words[4].rfind("file=", 0) == 0) {
      file = words[4].substr(5);
      if (file.empty()) return Fail("file= needs a path");
    } else if (!ParseSize(words[4], object.size)) {
      return Fail("object size '" + words[4] + "' is not a number of bytes");
    }
    manifest_.description.objects.push_back(object);
    manifest_.contentFiles.push_back(file);
    return true;
  }

  Manifest manifest_;
  std::string error_;
  bool seenCommand_ = false;
  bool seenLibrary_ = false;
  bool seenRelease_ = false;
};

}  // namespace

bool ParseSize(const std::string& text, std::uint64_t& size) {
  if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) return false;
  std::uint64_t value = 0;
  std::size_t i = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    const unsigned digit = static_cast<unsigned>(text[i] - '0');
    if (value > (UINT64_MAX - digit) / 10) return false;
    value = value * 10 + digit;
  }
  unsigned shift = 0;
  if (i + 1 == text.size()) {
    const char unit = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    shift = unit == 'K' ? 10 : unit == 'M' ? 20 : unit == 'G' ? 30 : 64;
    if (shift == 64) return false;
  } else if (i != text.size()) {
    return false;
  }
  if (shift > 0 && value > (UINT64_MAX >> shift)) return false;
  size = value << shift;
  return true;
}

ManifestResult ParseManifest(const std::string& text) {
  Parser parser;
  std::istringstream in(text);
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (!parser.Statement(line))
      return ManifestResult{false, "line " + std::to_string(number) + ": " + parser.error(), {}};
  }
  if (!parser.Finish()) return ManifestResult{false, parser.error(), {}};
  return ManifestResult{true, {}, parser.manifest()};
}

}  // namespace savf
