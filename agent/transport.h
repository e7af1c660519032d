// How the request service reaches the server: HTTP GETs over one connection kept alive across requests.
// Every system has one transport (libcurl on Linux, WinHTTP on Windows); what is sent and how a reply is
// handed back is decided above it, in the request service.
//
// A request is sent at most once: once any of it may have reached the server, no other connection gets
// it again, whatever happens to the first one (a replayed command would run twice, or be refused for
// its stale session key). Only a kept-alive connection found closed before writing is replaced.
#ifndef CUSTOR_AGENT_TRANSPORT_H_
#define CUSTOR_AGENT_TRANSPORT_H_

#include <memory>
#include <optional>
#include <string>

namespace custor::agent {

class Transport {
 public:
  struct Limits {
    long connect_ms = 2000;  // to set up a connection
    long total_ms = 30000;   // for the whole request, connecting included
  };
  // One GET: `target` (the path and query, encoded already) from `host`:`port`. `field`, when not
  // empty, is one more header field ("Name: value").
  struct Request {
    std::string host;
    long port = 0;
    std::string target;
    std::string field;

    std::string Url() const { return "http://" + host + ':' + std::to_string(port) + target; }
  };

  virtual ~Transport() = default;

  // The body of the answer, whatever its HTTP status; nothing when no answer came (refused, reset,
  // timed out) or the body is empty.
  virtual std::optional<std::string> Get(const Request &request, const Limits &limits) = 0;
};

// The transport of this system.
std::unique_ptr<Transport> NewTransport();

}  // namespace custor::agent

#endif  // CUSTOR_AGENT_TRANSPORT_H_
