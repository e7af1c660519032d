// One HTTP connection kept alive across requests, with libcurl. A request is sent at most once: once
// any of it has been written to a connection, no other connection gets it again, whatever happens
// to the first one. Only a kept-alive connection found closed before writing is replaced.
#ifndef CUSTOR_AGENT_HTTP_CLIENT_H_
#define CUSTOR_AGENT_HTTP_CLIENT_H_

#include <curl/curl.h>

#include <optional>
#include <string>

namespace custor::agent {

class HttpClient {
 public:
  struct Limits {
    long connect_ms = 2000;  // to set up a connection
    long total_ms = 30000;   // for the whole request, connecting included
  };

  HttpClient() = default;
  ~HttpClient();
  HttpClient(const HttpClient &) = delete;
  HttpClient &operator=(const HttpClient &) = delete;

  // The body of the answer to a GET of `url`, whatever its HTTP status; nothing when no answer came
  // (refused, reset, timed out) or the body is empty. `url` must be encoded already. `field`, when
  // not empty, is one more header field ("Name: value") of the request.
  std::optional<std::string> Get(const std::string &url, const Limits &limits, const std::string &field = "");

  // How many connections were opened so far (for tests of the keep-alive).
  long connections_opened() const { return connections_opened_; }

 private:
  static size_t OnBody(char *data, size_t size, size_t count, void *self);
  static int OnPrerequest(void *self, char *, char *, int, int);

  CURL *curl_ = nullptr;
  curl_slist *fields_ = nullptr;  // the extra header field, as libcurl takes it
  std::string field_;             // its text
  std::string body_;
  bool request_attempted_ = false;  // the current request has been handed to a connection once
  long connections_opened_ = 0;
};

}  // namespace custor::agent

#endif  // CUSTOR_AGENT_HTTP_CLIENT_H_
