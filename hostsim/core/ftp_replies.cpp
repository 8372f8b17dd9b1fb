#include "hostsim/core/ftp_replies.h"

#include "hostsim/core/cl_simulator.h"
#include "hostsim/core/text.h"

namespace hostsim::reply {

std::string Printable(const std::string& text) {
  std::string shown = text;
  for (char& c : shown) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = '?';
  }
  return shown;
}

Lines Greeting(const std::string& hostName) {
  return {"220-QTCP at " + hostName + ".", "220 Connection will close if idle more than 5 minutes."};
}

Lines EnterPassword() { return {"331 Enter password."}; }
Lines LoggedOn(const std::string& user) { return {"230 " + user + " logged on."}; }
Lines LogOnRejected(const std::string& user) {
  return {"530 Log on attempt by user " + Printable(user) + " rejected."};
}
Lines LogOnRequired() { return {"530 Log on required."}; }
Lines UserFirst() { return {"503 Send USER first."}; }
Lines Quit() { return {"221 QUIT subcommand received."}; }

Lines RepresentationType(char type) {
  if (type == 'I') return {"200 Representation type is binary IMAGE."};
  if (type == 'E') return {"200 Representation type is EBCDIC nonprint."};
  return {"200 Representation type is ASCII nonprint."};
}

Lines PortAccepted() { return {"200 PORT subcommand request successful."}; }

Lines Passive(const std::string& address, std::uint16_t port) {
  std::string numbers = address;
  for (char& c : numbers) {
    if (c == '.') c = ',';
  }
  return {"227 Entering Passive Mode (" + numbers + "," + std::to_string(port >> 8) + "," +
          std::to_string(port & 0xFF) + ")."};
}

Lines CurrentLibrary(const std::string& library) { return {"250 \"" + library + "\" is current library."}; }
Lines CurrentDirectoryRoot() { return {"250 \"/QSYS.LIB\" is current directory."}; }

Lines DirectoryNotChanged() {
  return {"550-Specified directory does not exist or cannot be accessed.", "550 Working directory not changed."};
}

Lines CommandSuccessful(const std::string& command) { return {"250 Command " + Printable(command) + " successful."}; }

Lines CommandFailed(const std::string& command, const std::vector<HostMessage>& messages) {
  std::string shown = Printable(command);
  if (shown.size() > kMaxClCommandLength) shown = shown.substr(0, kMaxClCommandLength) + "...";
  Lines lines{"550-Error occurred on command " + shown};
  for (std::size_t i = 0; i < messages.size(); ++i) {
    lines.push_back((i + 1 < messages.size() ? "550-" : "550 ") + messages[i].id + ": " + messages[i].text);
  }
  if (messages.empty()) lines.push_back("550 Command ended in error.");
  return lines;
}

Lines Styled(Lines lines, Style style) {
  if (style == Style::kJapanese) {
    for (std::string& line : lines) line = ToUpper(std::move(line));
  }
  return lines;
}

namespace {
const char kPadding[] = "Job log line ";
}

bool IsPadding(const std::string& line) { return line.size() > 4 && StartsWithIgnoringCase(line.substr(4), kPadding); }

Lines Lengthened(Lines lines, std::uint64_t bytes) {
  if (lines.empty() || bytes == 0) return lines;
  std::uint64_t size = 0;
  for (const std::string& line : lines) size += line.size() + 2;
  const std::string code = lines.back().substr(0, 3);
  Lines padding;
  for (std::uint64_t n = 1; size < bytes; ++n) {
    padding.push_back(code + "-" + kPadding + std::to_string(n) + " of a host that tells everything it did.");
    size += padding.back().size() + 2;
  }
  lines.insert(lines.end() - 1, std::make_move_iterator(padding.begin()), std::make_move_iterator(padding.end()));
  return lines;
}

Lines OptsNotValid(Style style) {
  if (style == Style::kJapanese) return {"501 OPTS UNSUCCESSFUL; SPECIFIED SUBCOMMAND NOT RECOGNIZED."};
  return {"501 OPTS subcommand not valid."};
}

// Releases differ in the code (226 or 250); a 7.x host in Japanese answers 226.
Lines TransferCompleted(Style style, bool upload) {
  if (style == Style::kJapanese) return {"226 File transfer completed successfully."};
  return {upload ? "250 File transfer completed successfully." : "250 Transfer completed successfully."};
}

Lines NotValid(const std::string& verb) {
  return {verb.empty() ? "500 Subcommand not valid." : "500 Subcommand " + Printable(verb) + " not valid."};
}

Lines NotSupported(const std::string& verb) { return {"502 Subcommand " + verb + " not supported by this host."}; }
Lines InjectedFailure(const std::string& verb) { return {"550 Subcommand " + verb + " failed (fault injected)."}; }
Lines LineTooLong(std::size_t limit) {
  return {"500 Subcommand line longer than " + std::to_string(limit) + " characters ignored."};
}

}  // namespace hostsim::reply
