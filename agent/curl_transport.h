// The transport with libcurl (Linux): one easy handle, whose connection libcurl keeps alive.
#ifndef CUSTOR_AGENT_CURL_TRANSPORT_H_
#define CUSTOR_AGENT_CURL_TRANSPORT_H_

#include <curl/curl.h>

#include <optional>
#include <string>

#include "agent/transport.h"

namespace custor::agent {

class CurlTransport : public Transport {
 public:
  CurlTransport() = default;
  ~CurlTransport() override;
  CurlTransport(const CurlTransport &) = delete;
  CurlTransport &operator=(const CurlTransport &) = delete;

  std::optional<std::string> Get(const Request &request, const Limits &limits) override;

 private:
  static size_t OnBody(char *data, size_t size, size_t count, void *self);
  static int OnPrerequest(void *self, char *, char *, int, int);

  CURL *curl_ = nullptr;
  curl_slist *fields_ = nullptr;  // the extra header field, as libcurl takes it
  std::string field_;             // its text
  std::string body_;
  bool request_attempted_ = false;  // the current request has been handed to a connection once
};

}  // namespace custor::agent

#endif  // CUSTOR_AGENT_CURL_TRANSPORT_H_
