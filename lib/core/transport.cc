#include "core/transport.h"

#include <cstring>

#include "core/protocol.h"
#include "custor/agent.h"

namespace custor {
namespace {

// Process-wide, initialised at load: the request record handed to the service and its connection
// block. Only path, command, the connection word and the reply words ever change.
uint32_t connection_block[4] = {0, 0, 0, 0};
ServerRequest server_request = {-1, 0, connection_block, "GET", nullptr, nullptr, 0, 0, "localhost", 0, 0,
                                0,  0, nullptr,          0,     0,       0};

// Hands the agent's reply back when it goes out of scope: after the copy, or when making the copy fails.
struct ReplyRelease {
  ReplyRelease() = default;
  ReplyRelease(const ReplyRelease &) = delete;
  ReplyRelease &operator=(const ReplyRelease &) = delete;
  ~ReplyRelease() { adm_freeResponse(&server_request); }
};

}  // namespace

std::string ExecuteServerCommand(const Call &call, const std::string &command) {
  std::string path(protocol::kPathHead);
  path.append(call.database).append(protocol::kPathTail);
  server_request.path = path.data();
  server_request.command = command.c_str();
  connection_block[1] = call.connection;
  server_request.reply = nullptr;
  server_request.replyLength = 0;
  adm_executeRequest(&server_request);
  server_request.path = nullptr;
  server_request.command = nullptr;
  if (server_request.replyLength == 0) return std::string(kRequestFailed);
  const ReplyRelease release;
  const char *body = server_request.reply;
  return body != nullptr ? std::string(body, strnlen(body, server_request.replyLength))
                         : std::string(kRequestFailed);
}

}  // namespace custor
