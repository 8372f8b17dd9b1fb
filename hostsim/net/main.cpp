// hostsim: the substitute IBM i host.
//   hostsim serve --address A --port P --state DIR --users FILE [options]   (see README.md)
//   hostsim list --state DIR [LIB]
#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "hostsim/core/object_names.h"
#include "hostsim/core/text.h"
#include "hostsim/core/users.h"
#include "hostsim/net/event_log.h"
#include "hostsim/net/file_storage.h"
#include "hostsim/net/serve_options.h"
#include "hostsim/net/server.h"
#include "savf/file_io.h"

#if defined(__SANITIZE_ADDRESS__)
#define HOSTSIM_WITH_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HOSTSIM_WITH_ASAN 1
#endif
#endif

#ifdef HOSTSIM_WITH_ASAN
// The default native build, which the demo and the tests run, has AddressSanitizer. It keeps
// freed memory in quarantine to catch a use after free, 256 MiB by default, and a client that
// streams commands fills it: the server would grow far beyond what it holds for its clients. A
// recent use after free is still caught with a smaller quarantine. ASAN_OPTIONS overrides this.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=8"; }
#endif

namespace {

namespace fs = std::filesystem;
using hostsim::FileLibraries;

int Usage() {
  std::cerr
      << "usage: hostsim serve --address A --port P --state DIR --users FILE [--log FILE] [--ready-file FILE]\n"
         "                     [--drop-upload-after BYTES] [--fail-command NAME]... [--lose-object NAME]\n"
         "                     [--refuse-data] [--block-active] [--faults-from-connection N]\n"
         "                     [--japanese] [--long-reply NAME=SIZE]... [--object-in-use NAME]\n"
         "                     [--delay-ms N] [--restore-pause-ms N] [--idle-timeout SECONDS] [--host-name NAME]\n"
         "                     [--max-connections N] [--max-rate BYTES_PER_S]\n"
         "       hostsim list --state DIR [LIB]\n";
  return 2;
}

int Fail(const std::string& message) {
  std::cerr << "hostsim: " << message << "\n";
  return 1;
}

// One server per state folder: two would replace each other's libraries.
bool LockState(const std::string& directory) {
  const int fd = ::open((directory + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  return fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;  // held until the process ends
}

bool WriteReadyFile(const std::string& path, const std::string& address, std::uint16_t port) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary);
    out << "ready " << address << " " << port << "\n";
    if (!out.flush()) return false;
  }
  return std::rename(temporary.c_str(), path.c_str()) == 0;
}

int Serve(const std::vector<std::string>& args) {
  std::string error;
  const std::optional<hostsim::ServeOptions> options = hostsim::ParseServeOptions(args, error);
  if (!options) {
    std::cerr << "hostsim: " << error << "\n";
    return Usage();
  }
  std::string usersText;
  if (!savf::ReadWholeFile(options->usersFile, usersText)) return Fail("cannot read " + options->usersFile);
  const hostsim::UsersResult users = hostsim::ParseUsers(usersText);
  if (!users.ok) return Fail(options->usersFile + ": " + users.error);

  const std::string state = options->stateDirectory;
  std::error_code fsError;
  fs::create_directories(state + "/libraries", fsError);
  if (fsError) return Fail("cannot create " + state + "/libraries: " + fsError.message());
  if (!LockState(state)) return Fail(state + " is in use by another hostsim");
  fs::remove_all(state + "/qtemp", fsError);  // QTEMPs of connections a killed server left
  fs::create_directories(state + "/qtemp", fsError);
  FileLibraries libraries(state + "/libraries", options->restorePauseMs);
  libraries.RemoveLeftovers();

  hostsim::EventLog log;
  if (!log.Open(options->logFile) && !options->logFile.empty()) return Fail("cannot open " + options->logFile);
  hostsim::FaultSwitches faults{options->failCommands, options->loseObject, options->longReplies, options->objectInUse};
  hostsim::HostServices services{
      users.users, libraries, faults, options->hostName.empty() ? options->address : options->hostName,
      options->japanese ? hostsim::reply::Style::kJapanese : hostsim::reply::Style::kMixedCase};
  hostsim::ConnectionContext context{services, *options, log, state + "/qtemp", nullptr};
  asio::ssl::context tls(asio::ssl::context::tls_server);
  if (!options->tlsCertificate.empty()) {
    asio::error_code tlsError;
    tls.set_options(asio::ssl::context::default_workarounds | asio::ssl::context::no_sslv2 |
                        asio::ssl::context::no_sslv3 | asio::ssl::context::no_tlsv1 | asio::ssl::context::no_tlsv1_1,
                    tlsError);
    if (!tlsError) tls.use_certificate_chain_file(options->tlsCertificate, tlsError);
    if (!tlsError) tls.use_private_key_file(options->tlsKey, asio::ssl::context::pem, tlsError);
    if (tlsError) return Fail("TLS certificate or key not usable: " + tlsError.message());
    context.tls = &tls;
  }
  asio::io_context io;
  hostsim::Server server(io, context);
  if (!server.Listen(options->address, options->port, error)) return Fail(error);
  log.Write(0, "listening on " + options->address + ":" + std::to_string(server.port()));
  if (!options->readyFile.empty() && !WriteReadyFile(options->readyFile, options->address, server.port())) {
    return Fail("cannot write " + options->readyFile);
  }
  std::cout << "ready" << std::endl;
  server.Run();
  log.Write(0, "stopped");
  return 0;
}

std::string Column(const std::string& text, std::size_t width) {
  return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

int List(const std::vector<std::string>& args) {
  if ((args.size() != 2 && args.size() != 3) || args[0] != "--state") return Usage();
  FileLibraries libraries(args[1] + "/libraries");
  if (args.size() == 2) {
    for (const std::string& name : libraries.Libraries()) {
      const auto objects = libraries.Objects(name);
      std::cout << Column(name, 11) << (objects ? std::to_string(objects->size()) + " objects" : "damaged") << "\n";
    }
    return 0;
  }
  const std::string library = hostsim::ToUpper(args[2]);
  if (!hostsim::IsValidName(library) || !libraries.Exists(library)) return Fail("library " + library + " not found");
  const auto objects = libraries.Objects(library);
  if (!objects) return Fail("library " + library + " is damaged");
  std::cout << "Library " << library << ": " << objects->size() << " objects\n";
  for (const savf::SavedObject& object : *objects) {
    std::cout << Column(object.name, 11) << Column(object.type, 11) << Column(object.attribute, 11) << object.size
              << "\n";
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "serve") return Serve(args);
  if (command == "list") return List(args);
  return Usage();
}
