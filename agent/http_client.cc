#include "agent/http_client.h"

namespace custor::agent {

HttpClient::~HttpClient() {
  if (curl_ != nullptr) curl_easy_cleanup(curl_);
}

size_t HttpClient::OnBody(char *data, size_t size, size_t count, void *self) {
  static_cast<HttpClient *>(self)->body_.append(data, size * count);
  return size * count;
}

// libcurl reports every piece of request head that it has written to a socket; from then on the
// server may have the request.
int HttpClient::OnDebug(CURL *, curl_infotype type, char *, size_t size, void *self) {
  if (type == CURLINFO_HEADER_OUT && size > 0) static_cast<HttpClient *>(self)->request_written_ = true;
  return 0;
}

// Called on a connected socket right before each attempt to send. libcurl makes a second attempt by
// itself when a reused connection dies without an answer; if the first attempt wrote anything, the
// server may be working on it, so the second one is refused.
int HttpClient::OnPrerequest(void *self, char *, char *, int, int) {
  return static_cast<HttpClient *>(self)->request_written_ ? CURL_PREREQFUNC_ABORT : CURL_PREREQFUNC_OK;
}

std::optional<std::string> HttpClient::Get(const std::string &url, const Limits &limits) {
  if (curl_ == nullptr) {
    curl_ = curl_easy_init();
    if (curl_ == nullptr) return std::nullopt;
    curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl_, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(curl_, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(curl_, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(curl_, CURLOPT_TCP_NODELAY, 1L);
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &HttpClient::OnBody);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl_, CURLOPT_PREREQFUNCTION, &HttpClient::OnPrerequest);
    curl_easy_setopt(curl_, CURLOPT_PREREQDATA, this);
    // The debug callback only runs in verbose mode; it prints nothing, it only watches the writes.
    curl_easy_setopt(curl_, CURLOPT_DEBUGFUNCTION, &HttpClient::OnDebug);
    curl_easy_setopt(curl_, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(curl_, CURLOPT_VERBOSE, 1L);
  }
  // A URL that libcurl refuses (longer than it takes) must not leave the previous one in place.
  if (curl_easy_setopt(curl_, CURLOPT_URL, url.c_str()) != CURLE_OK) {
    curl_easy_setopt(curl_, CURLOPT_URL, nullptr);
    return std::nullopt;
  }
  curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT_MS, limits.connect_ms);
  curl_easy_setopt(curl_, CURLOPT_TIMEOUT_MS, limits.total_ms);

  body_.clear();
  request_written_ = false;
  const CURLcode result = curl_easy_perform(curl_);
  long opened = 0;
  if (curl_easy_getinfo(curl_, CURLINFO_NUM_CONNECTS, &opened) == CURLE_OK) connections_opened_ += opened;
  if (result != CURLE_OK || body_.empty()) {
    body_.clear();
    return std::nullopt;
  }
  return std::move(body_);
}

}  // namespace custor::agent
