#include "hostsim/core/ftp_session.h"

#include <algorithm>

#include "hostsim/core/object_names.h"
#include "hostsim/core/text.h"

namespace hostsim {
namespace {

struct CommandLine {
  std::string verb;  // upper case; empty when the line does not start with a verb
  std::string argument;
};

CommandLine SplitCommand(const std::string& line) {
  const std::size_t space = line.find(' ');
  std::string verb = ToUpper(line.substr(0, space));
  const bool letters = !verb.empty() && verb.size() <= 8 &&
                       std::all_of(verb.begin(), verb.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
  if (!letters) return {};
  return {verb, space == std::string::npos ? std::string() : line.substr(space + 1)};
}

bool AllowedBeforeLogOn(const std::string& verb) {
  for (const char* allowed : {"USER", "PASS", "QUIT", "NOOP", "SYST", "HELP", "OPTS", "FEAT"}) {
    if (verb == allowed) return true;
  }
  return false;
}

std::string WithoutQuotes(const std::string& text) {
  std::string trimmed = Trim(text);
  if (trimmed.size() >= 2 && trimmed.front() == '"' && trimmed.back() == '"') {
    trimmed = Trim(trimmed.substr(1, trimmed.size() - 2));
  }
  return trimmed;
}

// Masks the value of every PASSWORD(...) or ...PWD(...) keyword of a CL command.
std::string MaskPasswordKeywords(std::string text) {
  const std::string upper = ToUpper(text);
  std::string masked;
  std::size_t copied = 0;
  for (std::size_t open = upper.find('('); open != std::string::npos; open = upper.find('(', open + 1)) {
    const std::string before = upper.substr(0, open);
    const bool secret = (before.size() >= 8 && before.compare(before.size() - 8, 8, "PASSWORD") == 0) ||
                        (before.size() >= 3 && before.compare(before.size() - 3, 3, "PWD") == 0);
    if (!secret) continue;
    const std::size_t close = upper.find(')', open);
    masked += text.substr(copied, open + 1 - copied) + "****";
    copied = close == std::string::npos ? text.size() : close;
    if (close == std::string::npos) break;
    open = close;
  }
  return masked + text.substr(std::min(copied, text.size()));
}

std::string EscapeForLog(const std::string& text) {
  static const char digits[] = "0123456789ABCDEF";
  std::string escaped;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
      escaped += c;
    } else {
      escaped += "\\x";
      escaped += digits[byte >> 4];
      escaped += digits[byte & 0xF];
    }
  }
  return escaped;
}

// What a long-reply switch names the reply to a line by: the CL command's name for a remote
// command, CWD for a change of directory, else the verb.
std::string LongReplyName(const std::string& line) {
  CommandLine command = SplitCommand(line);
  if (command.verb == "SITE" && StartsWithIgnoringCase(Trim(command.argument), "RCMD ")) {
    command = {"RCMD", Trim(command.argument).substr(5)};
  }
  if (command.verb == "RCMD") return SplitCommand(WithoutQuotes(command.argument)).verb;
  if (command.verb == "XCWD") return "CWD";
  return command.verb;
}

SessionStep Reply(reply::Lines lines) {
  SessionStep step;
  step.replies = std::move(lines);
  return step;
}

}  // namespace

FtpSession::FtpSession(HostServices& services, std::string peerAddress, SaveFileStore& temp)
    : services_(services),
      peerAddress_(std::move(peerAddress)),
      temp_(temp),
      simulator_(services.libraries, services.faults) {}

FtpSession::~FtpSession() { EndJob(); }

void FtpSession::EndJob() {
  if (job_) services_.libraries.locks().ReleaseAll(job_->number());
  job_.reset();
  temp_.DeleteAll();
  atRoot_ = false;
}

std::string FtpSession::LoggedForm(const std::string& line) {
  const CommandLine command = SplitCommand(line);
  if (command.verb == "PASS") return "PASS ****";
  return EscapeForLog(MaskPasswordKeywords(line));
}

SessionStep FtpSession::Handle(const std::string& line) {
  SessionStep step = Dispatch(line);
  // Replies echo client text; a control byte in it must not split or end a reply line.
  for (std::string& reply : step.replies) reply = reply::Printable(reply);
  if (!services_.faults.longReplies.empty()) {
    step.replies = reply::Lengthened(std::move(step.replies), services_.faults.LongReplyBytes(LongReplyName(line)));
  }
  step.replies = Styled(std::move(step.replies));
  return step;
}

SessionStep FtpSession::Dispatch(const std::string& line) {
  const CommandLine command = SplitCommand(line);
  const std::string& verb = command.verb;
  if (verb.empty()) return Reply(reply::NotValid(""));
  if (services_.faults.Fails(verb)) {
    if (verb == "USER" || verb == "PASS") return Reply(reply::LogOnRejected(pendingUser_));
    if (verb == "CWD") return Reply(reply::DirectoryNotChanged());
    return Reply(reply::InjectedFailure(verb));
  }
  if (AllowedBeforeLogOn(verb)) return LogOn(verb, command.argument);
  if (!job_) return Reply(reply::LogOnRequired());
  return Command(verb, command.argument);
}

SessionStep FtpSession::LogOn(const std::string& verb, const std::string& argument) {
  if (verb == "USER") {
    EndJob();  // a new log-on starts a new job with an empty QTEMP
    pendingUser_ = ToUpper(Trim(argument));
    return Reply(reply::EnterPassword());
  }
  if (verb == "PASS") {
    if (pendingUser_.empty() || job_) return Reply(reply::UserFirst());
    std::optional<UserProfile> user = Authenticate(services_.users, pendingUser_, argument);
    const std::string name = pendingUser_;
    pendingUser_.clear();
    if (!user) return Reply(reply::LogOnRejected(name));
    job_.emplace(*user, temp_);
    return Reply(reply::LoggedOn(user->name));
  }
  if (verb == "QUIT") {
    SessionStep step = Reply(reply::Quit());
    step.next = SessionStep::Next::kClose;
    return step;
  }
  if (verb == "NOOP") return Reply({"250 NOOP subcommand successful."});
  if (verb == "SYST") {
    return Reply(
        {std::string("215  OS/400 is the remote operating system.  The TCP/IP version is \"") + kHostRelease + "\"."});
  }
  if (verb == "HELP") return Reply({"214 Substitute IBM i FTP server; see hostsim/README.md."});
  if (verb == "OPTS") return Reply(reply::OptsNotValid(services_.style));
  return Reply(reply::NotValid(verb));  // FEAT: the host has no feature list
}

SessionStep FtpSession::Command(const std::string& verb, const std::string& argument) {
  if (verb == "RCMD") return RemoteCommand(argument);
  if (verb == "SITE") return Site(argument);
  if (verb == "CWD" || verb == "XCWD") return ChangeDirectory(argument);
  if (verb == "CDUP" || verb == "XCUP") return ChangeDirectory("..");
  if (verb == "PWD" || verb == "XPWD") return PrintDirectory();
  if (verb == "TYPE") return Type(argument);
  if (verb == "MODE")
    return Reply({ToUpper(Trim(argument)) == "S" ? "200 Data transfer mode is stream." : "504 Mode not supported."});
  if (verb == "STRU")
    return Reply({ToUpper(Trim(argument)) == "F" ? "200 Data structure is file." : "504 Structure not supported."});
  if (verb == "PORT") return Port(argument);
  if (verb == "PASV") {
    SessionStep step;
    step.next = SessionStep::Next::kOpenPassive;
    return step;
  }
  if (verb == "STOR") return Store(argument);
  if (verb == "RETR") return Retrieve(argument);
  if (verb == "LIST") return List(argument, false);
  if (verb == "NLST") return List(argument, true);
  if (verb == "ABOR") return Reply({"225 ABOR subcommand successful."});
  if (verb == "REIN") {
    EndJob();
    return Reply({"220 REIN subcommand successful."});
  }
  for (const char* unsupported :
       {"APPE", "STOU", "DELE", "MKD", "XMKD", "RMD", "XRMD", "RNFR", "RNTO", "SIZE", "MDTM", "REST", "ACCT"}) {
    if (verb == unsupported) return Reply(reply::NotSupported(verb));
  }
  return Reply(reply::NotValid(verb));
}

SessionStep FtpSession::RemoteCommand(const std::string& text) {
  const std::string command = WithoutQuotes(text);
  if (command.empty()) return Reply({"501 RCMD needs a CL command."});
  const ClOutcome outcome = simulator_.Run(*job_, command);
  return Reply(outcome.ok ? reply::CommandSuccessful(command) : reply::CommandFailed(command, outcome.messages));
}

SessionStep FtpSession::Site(const std::string& argument) {
  const std::string trimmed = Trim(argument);
  if (StartsWithIgnoringCase(trimmed, "RCMD ") || EqualsIgnoringCase(trimmed, "RCMD")) {
    return RemoteCommand(trimmed.substr(4));
  }
  if (StartsWithIgnoringCase(trimmed, "NAMEFMT ")) {
    const std::string format = Trim(trimmed.substr(8));
    if (format == "0" || format == "1") return Reply({"250 Now using naming format \"" + format + "\"."});
    return Reply({"501 NAMEFMT must be 0 or 1."});
  }
  return Reply({"202 SITE subcommand not needed."});
}

SessionStep FtpSession::ChangeDirectory(const std::string& argument) {
  const std::optional<FtpPath> path = ParseFtpDirectoryPath(argument);
  if (!path) return Reply(reply::DirectoryNotChanged());
  if (path->kind == FtpPath::Kind::kRoot) {
    atRoot_ = true;
    return Reply(reply::CurrentDirectoryRoot());
  }
  if (path->library != kTempLibrary && !services_.libraries.Exists(path->library)) {
    return Reply(reply::DirectoryNotChanged());
  }
  job_->SetCurrentLibrary(path->library);
  atRoot_ = false;
  return Reply(reply::CurrentLibrary(path->library));
}

SessionStep FtpSession::PrintDirectory() const {
  if (atRoot_) return Reply({"257 \"/QSYS.LIB\" is current directory."});
  return Reply({"257 \"" + job_->currentLibrary() + "\" is current library."});
}

SessionStep FtpSession::Type(const std::string& argument) {
  const std::string type = ToUpper(Trim(argument));
  if (type == "I" || type == "L 8" || type == "L8") {
    binary_ = true;
    return Reply(reply::RepresentationType('I'));
  }
  if (type == "A" || type == "A N") {
    binary_ = false;
    return Reply(reply::RepresentationType('A'));
  }
  if (type == "E" || type == "E N") {
    binary_ = false;
    return Reply(reply::RepresentationType('E'));
  }
  return Reply({"504 Representation type not supported."});
}

}  // namespace hostsim
