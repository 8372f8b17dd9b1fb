// Reading the command script and splitting its lines into words, as the Windows client does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ftpclient/core/transport.h"

namespace ftpclient {

// Where the client's commands (and the answers to its log-on prompts) come from.
class LineSource {
 public:
  virtual ~LineSource() = default;
  // Takes the next line without its line end; false at the end.
  virtual bool Next(std::string& line) = 0;
};

// The lines of a script file, in order, without their CR LF or LF.
class ScriptLines : public LineSource {
 public:
  explicit ScriptLines(std::string text) : text_(std::move(text)) {}
  bool Next(std::string& line) override;

 private:
  std::string text_;
  std::size_t position_ = 0;
};

// Words separated by blanks; a double quote starts and ends a quoted stretch in which blanks do
// not separate, and the quotes themselves are dropped. Code page 932 needs no care here: neither
// the quote nor the blank can be the second byte of a double-byte character.
std::vector<std::string> SplitWords(std::string_view line);

// What follows the first word and the blanks after it, byte for byte (the text "quote" sends).
std::string_view TextAfterFirstWord(std::string_view line);

enum class CommandKind {
  kNone,  // blank line
  kInvalid,
  kAmbiguous,
  kOpen,
  kBinary,
  kAscii,
  kDebug,
  kHash,
  kQuote,
  kPut,
  kCd,
  kPwd,
  kClose,
  kQuit,
  kPassive,  // this client's own: written out in full, unknown to the Windows client
  kTls,      // this client's own too, written out in full
};

// Looks a command word up the way the Windows client does: letters in any case, and any prefix
// that names exactly one of its commands. Commands it has that this client lacks are kInvalid.
// "passive" and "tls", which the Windows client lacks, count only written out in full, so that
// every abbreviation still means what it means there.
CommandKind LookUpCommand(std::string_view word);

// "a.b.c.d" with four decimal values 0..255 and nothing else.
std::optional<Ipv4Address> ParseDottedAddress(std::string_view text);
// A TCP port 1..65535 written in decimal.
std::optional<std::uint16_t> ParsePortNumber(std::string_view text);
// A time limit in whole seconds, 1..86400.
std::optional<unsigned> ParseTimeoutSeconds(std::string_view text);

std::string FormatAddress(const Ipv4Address& address);
// "h1,h2,h3,h4,p1,p2", the argument of PORT.
std::string FormatPortArgument(const Endpoint& endpoint);

// A local file name of the script, which is UTF-8 (as the Windows client reads its scripts since
// Windows 8), in UTF-16 for the wide file API. Nullopt when the bytes are not valid UTF-8
// (an ANSI code page 932 name, for one): such a file cannot be opened, as with that client.
std::optional<std::u16string> Utf16FromUtf8(std::string_view text);

// The transcript as stored: each "\n" becomes CR LF, as a Windows console program's text output.
std::string WithCrLf(std::string_view text);

}  // namespace ftpclient
