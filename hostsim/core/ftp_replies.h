#pragma once
// The texts of the substitute host's FTP replies. Those the installer's log scan reads ("logged
// on.", "is current library.", "Error occurred on command") are the IBM i server's; no other
// reply may contain them.
#include <cstdint>
#include <string>
#include <vector>

#include "hostsim/core/host_messages.h"

namespace hostsim::reply {

using Lines = std::vector<std::string>;

// How the host words its replies: mixed case, or in upper case as a host whose job runs in a
// Japanese CCSID (5026) answers, with 226 after a transfer.
enum class Style { kMixedCase, kJapanese };
// The lines as a host of that style sends them.
Lines Styled(Lines lines, Style style);

Lines Greeting(const std::string& hostName);
Lines EnterPassword();
Lines LoggedOn(const std::string& user);
Lines LogOnRejected(const std::string& user);
Lines LogOnRequired();
Lines UserFirst();
Lines Quit();
Lines RepresentationType(char type);
Lines PortAccepted();
Lines Passive(const std::string& address, std::uint16_t port);
Lines CurrentLibrary(const std::string& library);
Lines CurrentDirectoryRoot();
Lines DirectoryNotChanged();
Lines CommandSuccessful(const std::string& command);
Lines CommandFailed(const std::string& command, const std::vector<HostMessage>& messages);
Lines OptsNotValid(Style style);
Lines TransferCompleted(Style style, bool upload);
Lines NotValid(const std::string& verb);
Lines NotSupported(const std::string& verb);
Lines InjectedFailure(const std::string& verb);
Lines LineTooLong(std::size_t limit);

// The reply with lines of padding before its last line, `bytes` long at least in all: the
// padding says nothing the installer looks for.
Lines Lengthened(Lines lines, std::uint64_t bytes);
// Whether a reply line is such padding (in either style).
bool IsPadding(const std::string& line);

// Text from a client shown in a reply: control bytes become '?', so a reply stays one line.
std::string Printable(const std::string& text);

}  // namespace hostsim::reply
