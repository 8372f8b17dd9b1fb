#include "hostsim/net/serve_options.h"

#include <climits>
#include <cstdlib>

#include "hostsim/core/text.h"
#include "savf/manifest.h"

namespace hostsim {
namespace {

bool ParseNumber(const std::string& text, long long maximum, long long& value) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  value = std::strtoll(text.c_str(), nullptr, 10);
  return value <= maximum;
}

// The switch about objects in use during a restore, kept apart from the others: the name of an
// object that another job holds whenever a restore would replace it.
bool ParseInUseSwitch(const std::vector<std::string>& args, std::size_t& i, ServeOptions& options) {
  if (args[i] != "--object-in-use" || i + 1 >= args.size()) return false;
  options.objectInUse = ToUpper(args[++i]);
  return true;
}

}  // namespace

std::optional<ServeOptions> ParseServeOptions(const std::vector<std::string>& args, std::string& error) {
  ServeOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& name = args[i];
    if (ParseInUseSwitch(args, i, options)) continue;
    if (name == "--refuse-data") {
      options.refuseData = true;
      continue;
    }
    if (name == "--block-active") {
      options.blockActive = true;
      continue;
    }
    if (name == "--japanese") {
      options.japanese = true;
      continue;
    }
    if (name == "--tls-required") {
      options.tlsRequired = true;
      continue;
    }
    if (i + 1 >= args.size()) {
      error = name + " needs a value";
      return std::nullopt;
    }
    const std::string& value = args[++i];
    long long number = 0;
    bool valid = true;
    if (name == "--address") {
      options.address = value;
    } else if (name == "--port") {
      valid = ParseNumber(value, 65535, number);
      options.port = static_cast<std::uint16_t>(number);
    } else if (name == "--state") {
      options.stateDirectory = value;
    } else if (name == "--users") {
      options.usersFile = value;
    } else if (name == "--log") {
      options.logFile = value;
    } else if (name == "--ready-file") {
      options.readyFile = value;
    } else if (name == "--tls") {
      const std::size_t comma = value.find(',');
      valid = comma != std::string::npos && comma > 0 && comma + 1 < value.size();
      if (valid) {
        options.tlsCertificate = value.substr(0, comma);
        options.tlsKey = value.substr(comma + 1);
      }
    } else if (name == "--host-name") {
      options.hostName = value;
    } else if (name == "--idle-timeout") {
      valid = ParseNumber(value, INT_MAX, number) && number > 0;
      options.idleSeconds = static_cast<int>(number);
    } else if (name == "--max-connections") {
      valid = ParseNumber(value, 100000, number) && number > 0;
      options.maxConnections = static_cast<std::size_t>(number);
    } else if (name == "--max-rate") {
      valid = savf::ParseSize(value, options.maxRate) && options.maxRate > 0;
    } else if (name == "--drop-upload-after") {
      std::uint64_t bytes = 0;
      valid = savf::ParseSize(value, bytes);
      options.dropUploadAfter = bytes;
    } else if (name == "--fail-command") {
      options.failCommands.push_back(ToUpper(value));
    } else if (name == "--faults-from-connection") {
      valid = ParseNumber(value, INT_MAX, number) && number > 0;
      options.faultsFromConnection = static_cast<unsigned long>(number);
    } else if (name == "--long-reply") {
      const std::size_t equals = value.find('=');
      LongReply reply{ToUpper(value.substr(0, equals)), 0};
      valid = equals != std::string::npos && equals > 0 && savf::ParseSize(value.substr(equals + 1), reply.bytes) &&
              reply.bytes > 0;
      options.longReplies.push_back(reply);
    } else if (name == "--lose-object") {
      options.loseObject = ToUpper(value);
    } else if (name == "--delay-ms") {
      valid = ParseNumber(value, 600000, number);
      options.delayMs = static_cast<int>(number);
    } else if (name == "--restore-pause-ms") {
      valid = ParseNumber(value, 600000, number);
      options.restorePauseMs = static_cast<int>(number);
    } else {
      error = "unknown option " + name;
      return std::nullopt;
    }
    if (!valid) {
      error = "value of " + name + " is not valid: " + value;
      return std::nullopt;
    }
  }
  if (options.tlsRequired && options.tlsCertificate.empty()) {
    error = "--tls-required needs --tls";
    return std::nullopt;
  }
  if (options.stateDirectory.empty() || options.usersFile.empty()) {
    error = "--state and --users are required";
    return std::nullopt;
  }
  return options;
}

}  // namespace hostsim
