// The request-execution service: each ServerRequest becomes one GET to the server on this machine,
// over a connection kept alive for the life of the process. What is sent is decided here, for every
// system alike; the transport of the system (agent/transport.h) carries it.
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "agent/access_key.h"
#include "agent/env.h"
#include "agent/query.h"
#include "agent/transport.h"
#include "custor/agent.h"

namespace custor::agent {
namespace {

constexpr long kDefaultPort = 4730;
constexpr long kConnectTimeoutMs = 2000;
constexpr long kDefaultTimeoutMs = 30000;
// The longest URL sent: what libcurl takes, on every system, so that a command too long for one is
// refused by all alike.
constexpr std::size_t kMaxUrlBytes = 8'000'000;

Transport &Connection() {
  static const std::unique_ptr<Transport> transport = NewTransport();
  return *transport;
}

Transport::Request HttpRequest(const ServerRequest &request) {
  Transport::Request http;
  http.host = request.host != nullptr && *request.host != '\0' ? request.host : "localhost";
  http.port = EnvNumber("CUSTOR_PORT", kDefaultPort, 1, 65535);
  http.target = EncodePath(request.path != nullptr ? request.path : "/");
  if (request.command != nullptr) http.target += '?' + EncodeCommand(request.command);
  http.field = AuthorizationField();
  return http;
}

}  // namespace
}  // namespace custor::agent

extern "C" {

int32_t adm_executeRequest(ServerRequest *request) {
  using namespace custor::agent;
  if (request == nullptr) return -1;
  request->reply = nullptr;
  request->replyLength = 0;
  // Only GET is spoken here; the library asks for nothing else.
  if (request->method != nullptr && std::strcmp(request->method, "GET") != 0) return -1;
  try {
    const Transport::Limits limits{kConnectTimeoutMs,
                                   EnvNumber("CUSTOR_TIMEOUT_MS", kDefaultTimeoutMs, 1, 24L * 3600 * 1000)};
    const Transport::Request http = HttpRequest(*request);
    if (http.Url().size() > kMaxUrlBytes) return -1;
    const std::optional<std::string> body = Connection().Get(http, limits);
    if (!body || body->size() > std::numeric_limits<uint32_t>::max()) return -1;
    const std::string &text = *body;
    auto *reply = static_cast<char *>(std::malloc(text.size() + 1));
    if (reply == nullptr) return -1;
    std::memcpy(reply, text.c_str(), text.size() + 1);
    request->reply = reply;
    request->replyLength = static_cast<uint32_t>(text.size());
    return 0;
  } catch (...) {
    return -1;
  }
}

void adm_freeResponse(ServerRequest *request) {
  if (request == nullptr) return;
  std::free(request->reply);
  request->reply = nullptr;
  request->replyLength = 0;
}

}  // extern "C"
