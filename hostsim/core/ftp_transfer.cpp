// Data connections and transfers of FtpSession: PORT, PASV, STOR into a save file, RETR of a
// save file, LIST and NLST of a library.
#include <sstream>

#include "hostsim/core/ftp_session.h"
#include "hostsim/core/object_names.h"
#include "hostsim/core/text.h"
#include "savf/image_reader.h"

namespace hostsim {
namespace {

SessionStep Reply(reply::Lines lines) {
  SessionStep step;
  step.replies = std::move(lines);
  return step;
}

// h1,h2,h3,h4,p1,p2 with every number 0 to 255.
bool ParseHostPort(const std::string& text, DataEndpoint& endpoint) {
  std::istringstream in(Trim(text));
  int numbers[6];
  for (int i = 0; i < 6; ++i) {
    std::string field;
    if (!std::getline(in, field, ',') || field.empty() || field.size() > 3) return false;
    for (char c : field) {
      if (c < '0' || c > '9') return false;
    }
    numbers[i] = std::stoi(field);
    if (numbers[i] > 255) return false;
  }
  if (in.peek() != std::char_traits<char>::eof()) return false;
  endpoint.address = std::to_string(numbers[0]) + "." + std::to_string(numbers[1]) + "." + std::to_string(numbers[2]) +
                     "." + std::to_string(numbers[3]);
  endpoint.port = static_cast<std::uint16_t>(numbers[4] * 256 + numbers[5]);
  return endpoint.port != 0;
}

// The Windows client's "put local remote (replace" may reach the server with the option.
std::string WithoutReplaceOption(const std::string& argument) {
  std::string name = Trim(argument);
  const std::string option = "(REPLACE";
  if (name.size() > option.size() && EqualsIgnoringCase(name.substr(name.size() - option.size()), option)) {
    name = Trim(name.substr(0, name.size() - option.size()));
  }
  return name;
}

std::string TypeExtension(const std::string& type) { return type.size() > 1 ? type.substr(1) : type; }

}  // namespace

std::optional<reply::Lines> FtpSession::CheckDataReady() const {
  if (mode_ == DataMode::kNone) return reply::Lines{"425 Send PORT or PASV before a transfer."};
  return std::nullopt;
}

SessionStep FtpSession::Port(const std::string& argument) {
  DataEndpoint endpoint;
  if (!ParseHostPort(argument, endpoint)) return Reply({"501 PORT subcommand parameters not valid."});
  // Data goes only to the client itself: anything else would let a client aim the host at a third party.
  if (endpoint.address != peerAddress_) return Reply({"501 PORT address must be the client's own address."});
  activeEndpoint_ = endpoint;
  mode_ = DataMode::kActive;
  return Reply(reply::PortAccepted());
}

reply::Lines FtpSession::PassiveOpened(const std::string& address, std::uint16_t port) {
  mode_ = DataMode::kPassive;
  return Styled(reply::Passive(address, port));
}

reply::Lines FtpSession::PassiveFailed() {
  mode_ = DataMode::kNone;
  return Styled({"425 Cannot open a passive data connection."});
}

reply::Lines FtpSession::ActiveConnectionFailed() {
  mode_ = DataMode::kNone;
  transferTarget_.clear();
  return Styled({"425 Cannot open data connection."});
}

reply::Lines FtpSession::DataConnectionFailed() {
  mode_ = DataMode::kNone;
  transferTarget_.clear();
  return Styled({"425 Cannot open data connection; nothing transferred."});
}

SessionStep FtpSession::Store(const std::string& argument) {
  const std::string name = WithoutReplaceOption(argument);
  const std::optional<FtpPath> path = ParseFtpObjectPath(name);
  if (!path || (!path->type.empty() && path->type != "*FILE")) {
    return Reply({"550 " + reply::Printable(name) +
                  ": uploads go only into a save file (LIB/FILE or /QSYS.LIB/LIB.LIB/FILE.FILE)."});
  }
  const std::string library = path->library.empty() ? std::string(kTempLibrary) : path->library;
  if (library != kTempLibrary || !temp_.Exists(path->object)) {
    return Reply({"550 Save file " + path->object + " in library " + library + " not found."});
  }
  if (!binary_) return Reply({"550 Save files are transferred in binary only: send TYPE I first."});
  if (std::optional<reply::Lines> notReady = CheckDataReady()) return Reply(*notReady);
  SessionStep step;
  step.transfer.upload = temp_.BeginUpload(path->object);
  if (!step.transfer.upload) return Reply({"451 Cannot receive into save file " + path->object + "."});
  transferTarget_ = path->object;
  step.replies = {"150 Sending file to member " + path->object + " in file " + path->object + " in library " + library +
                  "."};
  step.next = SessionStep::Next::kTransfer;
  return step;
}

reply::Lines FtpSession::UploadEnded(std::unique_ptr<UploadSink> upload, UploadEnd how) {
  return Styled(FinalUploadReply(std::move(upload), how));
}

reply::Lines FtpSession::FinalUploadReply(std::unique_ptr<UploadSink> upload, UploadEnd how) {
  const std::string file = transferTarget_;
  const std::string unchanged = "save file " + file + " in QTEMP not changed.";
  mode_ = DataMode::kNone;
  transferTarget_.clear();
  if (how == UploadEnd::kAborted) return {"426 Data connection closed before the end; " + unchanged};
  if (how == UploadEnd::kWriteFailed) return {"451 Local write error (" + upload->problem() + "); " + unchanged};
  // A real host refuses data that is not a save file; the check also catches a transfer that
  // ended early, whose size no longer matches the header.
  std::unique_ptr<savf::ByteSource> received = upload->ReadBack();
  const savf::ReadResult read = received ? savf::ReadImage(*received) : savf::ReadResult{false, "cannot be read", {}};
  if (!read.ok) return {"550 Data received is not a valid save file (" + read.error + "); " + unchanged};
  if (!upload->Commit()) return {"451 Local write error (" + upload->problem() + "); " + unchanged};
  return reply::TransferCompleted(services_.style, true);
}

SessionStep FtpSession::Retrieve(const std::string& argument) {
  const std::optional<FtpPath> path = ParseFtpObjectPath(Trim(argument));
  const std::string library = path && !path->library.empty() ? path->library : std::string(kTempLibrary);
  if (!path || library != kTempLibrary || !temp_.Exists(path->object)) {
    return Reply({"550 " + reply::Printable(Trim(argument)) + ": only save files in QTEMP can be retrieved."});
  }
  if (!binary_) return Reply({"550 Save files are transferred in binary only: send TYPE I first."});
  if (std::optional<reply::Lines> notReady = CheckDataReady()) return Reply(*notReady);
  SessionStep step;
  step.transfer.download = temp_.Open(path->object);  // null: an empty save file sends nothing
  step.replies = {"150 Retrieving member " + path->object + " in file " + path->object + " in library QTEMP."};
  step.next = SessionStep::Next::kTransfer;
  return step;
}

SessionStep FtpSession::List(const std::string& argument, bool namesOnly) {
  std::string library = job_->currentLibrary();
  const std::string target = Trim(argument);
  if (!target.empty() && target[0] != '-') {
    const std::optional<FtpPath> path = ParseFtpDirectoryPath(target);
    if (!path || path->kind != FtpPath::Kind::kLibrary)
      return Reply({"550 " + reply::Printable(target) + " is not a library."});
    library = path->library;
  }
  const std::optional<std::vector<savf::SavedObject>> objects =
      library == kTempLibrary ? job_->TempLibraryObjects() : services_.libraries.Objects(library);
  if (!objects) return Reply({"550 Library " + library + " not found."});
  if (std::optional<reply::Lines> notReady = CheckDataReady()) return Reply(*notReady);
  SessionStep step;
  for (const savf::SavedObject& object : *objects) {
    const std::string name = object.name + "." + TypeExtension(object.type);
    step.transfer.listing += namesOnly ? name + "\r\n"
                                       : job_->user().name + " " + std::to_string(object.size) + " " + object.type +
                                             " " + library + "/" + name + "\r\n";
  }
  step.replies = {"125 List started."};
  step.next = SessionStep::Next::kTransfer;
  return step;
}

reply::Lines FtpSession::SendEnded(bool complete) {
  mode_ = DataMode::kNone;
  if (!complete) return Styled({"426 Data connection closed; transfer aborted."});
  return Styled(reply::TransferCompleted(services_.style, false));
}

}  // namespace hostsim
