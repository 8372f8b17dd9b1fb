#include "ftpclient/core/command_line.h"

#include <vector>

#include "ftpclient/core/script_text.h"

namespace ftpclient {

const char kUsageText[] =
    "\n"
    "Transfers files to and from a computer running an FTP server service.\n"
    "\n"
    "FTP [-v] [-d] [-i] [-n] [-g] [-s:filename] [host]\n"
    "\n"
    "  -n             Suppresses auto-login upon initial connection.\n"
    "  -d             Enables debugging.\n"
    "  -s:filename    Specifies a text file containing FTP commands; the\n"
    "                 commands will automatically run after FTP starts.\n"
    "  -v, -i, -g     Accepted and ignored.\n"
    "  host           Specifies the host name or IP address of the remote\n"
    "                 host to connect to.\n"
    "\n"
    "The server's port is 21 unless KESTRALON_FTP_PORT names another. A connection\n"
    "is waited for without limit unless KESTRALON_FTP_TIMEOUT sets the seconds\n"
    "without progress after which it is abandoned. KESTRALON_FTP_LANGUAGE=en|ja\n"
    "chooses the client's language instead of the user interface language.\n";

namespace {

bool StartsWithOption(const std::string& word, const char* option) {
  std::string_view prefix(option);
  if (word.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = word[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

void ApplyWord(const std::string& word, ClientOptions& options) {
  if (word.size() < 2 || (word[0] != '-' && word[0] != '/')) {
    if (!options.host.empty()) options.error = "more than one host named";
    options.host = word;
    return;
  }
  std::string option = word.substr(1);
  if (StartsWithOption(option, "s:")) {
    options.scriptPath = option.substr(2);
    if (options.scriptPath.empty()) options.error = "-s: names no file";
  } else if (StartsWithOption(option, "d") && option.size() == 1) {
    options.debug = true;
  } else if (StartsWithOption(option, "n") && option.size() == 1) {
    options.autoLogin = false;
  } else if (option.size() == 1 &&
             (option == "v" || option == "i" || option == "g" || option == "V" || option == "I" || option == "G")) {
    // Verbosity, prompting and globbing do not change what a script run does here.
  } else {
    options.error = "unknown option " + word;
  }
}

}  // namespace

ClientOptions ParseCommandLine(std::string_view commandLine) {
  ClientOptions options;
  std::vector<std::string> words = SplitWords(commandLine);
  for (std::size_t i = 1; i < words.size(); ++i) ApplyWord(words[i], options);
  return options;
}

}  // namespace ftpclient
