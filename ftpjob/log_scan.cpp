#include "ftpjob/log_scan.h"

#include <string>

#include "fileutil/cp932.h"

namespace logscan {
namespace {

constexpr std::string_view kLoggedOn = "LOGGED ON";

bool IsLead(char byte) { return cp932::IsLeadByte(static_cast<unsigned char>(byte)); }

// Upper-cases the single-byte letters. A trail byte may have the value of a letter, so a
// double-byte character is stepped over whole.
std::string UpperCased(std::string_view line) {
  std::string upper(line);
  for (std::size_t i = 0; i < upper.size(); ++i) {
    if (IsLead(upper[i])) {
      ++i;
    } else if (upper[i] >= 'a' && upper[i] <= 'z') {
      upper[i] = static_cast<char>(upper[i] - 'a' + 'A');
    }
  }
  return upper;
}

// Looks for the first occurrence of text that begins on a character boundary, and only that one
// is judged. The server's replies start with their reply code, so a text at the very start of a
// line is not a reply, and such a line does not count even if the text comes again later.
bool FirstOccurrenceAfterLineStart(std::string_view line, std::string_view text) {
  for (std::size_t i = 0; i < line.size(); i += IsLead(line[i]) ? 2 : 1) {
    if (line.substr(i, text.size()) == text) return i > 0;
  }
  return false;
}

struct Findings {
  bool loggedOn = false;
  bool errorFound = false;
};

void EvaluateLine(std::string_view line, std::string_view errorText, Findings& findings) {
  const std::string upper = UpperCased(line);
  if (FirstOccurrenceAfterLineStart(upper, kLoggedOn)) findings.loggedOn = true;
  if (!errorText.empty() && FirstOccurrenceAfterLineStart(upper, errorText)) findings.errorFound = true;
}

}  // namespace

LogVerdict ScanLog(std::string_view log, std::string_view errorText) {
  Findings findings;
  std::string line;
  for (std::size_t i = 0; i < log.size(); ++i) {
    const char byte = log[i];
    if (IsLead(byte)) {
      // The trail byte belongs to the character whatever its value, a line feed included. A log
      // that ends after a lead byte ends in an unfinished line, which is never evaluated.
      if (i + 1 == log.size()) break;
      line += byte;
      line += log[++i];
    } else if (byte == '\n') {
      EvaluateLine(line, errorText, findings);
      line.clear();
    } else {
      line += byte;  // a CR too: it only ever follows the texts looked for
    }
  }
  if (!findings.loggedOn) return LOG_NOT_LOGGED_ON;
  return findings.errorFound ? LOG_ERROR_FOUND : LOG_OK;
}

}  // namespace logscan
