// The transport with WinHTTP (Windows): one session and one connection handle, whose connection WinHTTP
// keeps alive from one request to the next.
#ifndef CUSTOR_AGENT_WINHTTP_TRANSPORT_H_
#define CUSTOR_AGENT_WINHTTP_TRANSPORT_H_

#include <windows.h>
#include <winhttp.h>

#include <optional>
#include <string>

#include "agent/transport.h"

namespace custor::agent {

class WinHttpTransport : public Transport {
 public:
  WinHttpTransport() = default;
  ~WinHttpTransport() override;
  WinHttpTransport(const WinHttpTransport &) = delete;
  WinHttpTransport &operator=(const WinHttpTransport &) = delete;

  std::optional<std::string> Get(const Request &request, const Limits &limits) override;

 private:
  // The connection handle for host:port, made anew when they change; null when WinHTTP refuses.
  HINTERNET Connect(const std::string &host, long port);

  HINTERNET session_ = nullptr;
  HINTERNET connection_ = nullptr;
  std::string host_;  // of connection_
  long port_ = 0;
};

}  // namespace custor::agent

#endif  // CUSTOR_AGENT_WINHTTP_TRANSPORT_H_
