#include "installer/command_line.h"

#include <cstdlib>

#include "fileutil/cp932.h"
#include "installer/messages.h"
#include "installer/text_rules.h"
#include "tlstrust/fingerprint.h"

namespace {

constexpr std::size_t kFormTextLimit = 10;

std::string LowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// Letters upper-cased as the form's edits do it; trail bytes of double-byte characters untouched.
std::string UpperAsTyped(std::string text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (cp932::IsLeadByte(static_cast<unsigned char>(text[i]))) {
      ++i;
    } else if (text[i] >= 'a' && text[i] <= 'z') {
      text[i] = static_cast<char>(text[i] - 'a' + 'A');
    }
  }
  return text;
}

std::optional<HostAddress> ParseAddress(const std::string& text) {
  HostAddress address;
  std::size_t at = 0;
  for (int part = 0; part < 4; ++part) {
    std::size_t digits = 0;
    unsigned value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 3) {
      value = value * 10 + static_cast<unsigned>(text[at++] - '0');
      ++digits;
    }
    if (digits == 0 || value > 255) return std::nullopt;
    address.value[part] = static_cast<std::uint8_t>(value);
    if (part < 3) {
      if (at >= text.size() || text[at] != '.') return std::nullopt;
      ++at;
    }
  }
  if (at != text.size()) return std::nullopt;
  return address;
}

std::string Refused(const std::string& detail) { return FormatText(msg::kBadCommandLine, detail); }

// Applies one switch; an empty result: taken.
std::string TakeSwitch(const std::string& argument, CommandLine& line, std::vector<std::string>& seen) {
  // A word that is no switch may be a password typed in the wrong place: it is not repeated.
  if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-')) return Refused(msg::kNotASwitch);
  const std::size_t separator = argument.find_first_of("=:", 1);
  const std::string name =
      LowerAscii(argument.substr(1, separator == std::string::npos ? std::string::npos : separator - 1));
  const bool hasValue = separator != std::string::npos;
  const std::string value = hasValue ? argument.substr(separator + 1) : std::string();
  if (name == "password" || name == "pass" || name == "pwd" || name == "p")
    return Refused(msg::kPasswordNotOnCommandLine);
  // Several pins may be given one a switch (a certificate about to be renewed, and its successor).
  const bool repeatable = name == "certificate-sha256";
  for (const std::string& earlier : seen) {
    if (earlier == name && !repeatable) return Refused(FormatText(msg::kSwitchTwice, argument));
  }
  const bool flag = name == "silent" || name == "?";
  const bool valued = name == "host" || name == "user" || name == "library" || name == "overwrite" || name == "log" ||
                      name == "tls" || repeatable;
  // Only the switch's name is repeated: its value may be a password under a misspelt name.
  const std::string spelt = argument.substr(0, separator);
  if (!flag && !valued) return Refused(FormatText(msg::kUnknownSwitch, spelt));
  if (flag && hasValue) return Refused(FormatText(msg::kUnknownSwitch, spelt));
  if (valued && value.empty()) return Refused(FormatText(msg::kSwitchWithoutValue, argument));
  seen.push_back(name);
  if (name == "silent") {
    line.silent = true;
  } else if (name == "?") {
    line.help = true;
  } else if (name == "host") {
    line.host = ParseAddress(value);
    if (!line.host) return Refused(FormatText(msg::kInvalidHostSwitch, argument));
  } else if (name == "user") {
    line.userId = UpperAsTyped(value);
    // The same rule as the form's: the user ID goes into a CL command on the host.
    if (!IsValidIbmiName(line.userId)) return Refused(msg::kInvalidUserId);
  } else if (name == "library") {
    line.library = UpperAsTyped(value);
    if (!IsValidIbmiName(line.library)) return Refused(msg::kInvalidLibrary);
  } else if (name == "overwrite") {
    const std::string answer = LowerAscii(value);
    if (answer != "yes" && answer != "no") return Refused(FormatText(msg::kInvalidOverwriteSwitch, argument));
    line.overwrite = answer == "yes";
  } else if (name == "tls") {
    line.tls = tlstrust::ParseTlsMode(value);
    if (!line.tls) return Refused(FormatText(msg::kInvalidTlsSwitch, argument));
  } else if (repeatable) {
    if (!line.pins) line.pins.emplace();
    std::string bad;
    if (!tlstrust::ParseFingerprints(value, *line.pins, bad)) {
      return Refused(FormatText(msg::kInvalidCertificateSwitch, bad));
    }
  } else {
    line.logPath = value;
  }
  return std::string();
}

}  // namespace

std::vector<std::string> SplitArguments(const std::string& commandLine) {
  std::vector<std::string> arguments;
  std::string current;
  bool inArgument = false;
  bool quoted = false;
  for (std::size_t i = 0; i < commandLine.size(); ++i) {
    const char c = commandLine[i];
    if (cp932::IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < commandLine.size()) {
      current += c;
      current += commandLine[++i];
      inArgument = true;
    } else if (c == '\\') {
      std::size_t count = 0;
      while (i < commandLine.size() && commandLine[i] == '\\') {
        ++count;
        ++i;
      }
      if (i < commandLine.size() && commandLine[i] == '"') {
        current.append(count / 2, '\\');
        if (count % 2 == 1) {
          current += '"';
        } else {
          quoted = !quoted;
        }
      } else {
        current.append(count, '\\');
        --i;
      }
      inArgument = true;
    } else if (c == '"') {
      if (quoted && i + 1 < commandLine.size() && commandLine[i + 1] == '"') {
        current += '"';  // "" inside quotes stands for one quote
        ++i;
      } else {
        quoted = !quoted;
      }
      inArgument = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inArgument) arguments.push_back(current);
      current.clear();
      inArgument = false;
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (inArgument) arguments.push_back(current);
  return arguments;
}

CommandLine ParseCommandLine(const std::string& arguments) {
  CommandLine line;
  std::vector<std::string> seen;
  const std::vector<std::string> split = SplitArguments(arguments);
  // Known before anything else is judged: a refused command line with /silent shows no window.
  for (const std::string& argument : split) {
    if (LowerAscii(argument) == "/silent" || LowerAscii(argument) == "-silent") line.silent = true;
  }
  for (const std::string& argument : split) {
    line.error = TakeSwitch(argument, line, seen);
    if (!line.error.empty()) return line;
  }
  if (line.help) return line;
  if (line.silent && !line.host)
    line.error = Refused(msg::kSilentNeedsHost);
  else if (line.silent && line.userId.empty())
    line.error = Refused(msg::kSilentNeedsUser);
  return line;
}

tlstrust::TlsPolicy WithTlsSwitches(tlstrust::TlsPolicy policy, const CommandLine& line) {
  if (line.tls) policy.mode = *line.tls;
  if (line.pins) policy.pins = *line.pins;
  return policy;
}

std::optional<std::string> PasswordAsTyped(const std::string& given) {
  const std::string password = UpperAsTyped(TrimWhiteSpace(given));
  if (password.size() > kFormTextLimit) return std::nullopt;
  return password;
}

std::string FirstLine(const std::string& input) {
  const std::size_t end = input.find_first_of("\r\n");
  return end == std::string::npos ? input : input.substr(0, end);
}
