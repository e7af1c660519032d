#include "agent/curl_transport.h"

namespace custor::agent {

std::unique_ptr<Transport> NewTransport() { return std::make_unique<CurlTransport>(); }

CurlTransport::~CurlTransport() {
  if (curl_ != nullptr) curl_easy_cleanup(curl_);
  curl_slist_free_all(fields_);
}

size_t CurlTransport::OnBody(char *data, size_t size, size_t count, void *self) {
  static_cast<CurlTransport *>(self)->body_.append(data, size * count);
  return size * count;
}

// Called on a connected socket right before each attempt to send. A kept-alive connection that the
// server had closed is found and replaced before this point, so a second call within one request is
// libcurl retrying after the first attempt went out: the server may be working on it, and the second
// attempt is refused.
int CurlTransport::OnPrerequest(void *self, char *, char *, int, int) {
  auto *transport = static_cast<CurlTransport *>(self);
  if (transport->request_attempted_) return CURL_PREREQFUNC_ABORT;
  transport->request_attempted_ = true;
  return CURL_PREREQFUNC_OK;
}

std::optional<std::string> CurlTransport::Get(const Request &request, const Limits &limits) {
  if (curl_ == nullptr) {
    curl_ = curl_easy_init();
    if (curl_ == nullptr) return std::nullopt;
    curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl_, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(curl_, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(curl_, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(curl_, CURLOPT_TCP_NODELAY, 1L);
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &CurlTransport::OnBody);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl_, CURLOPT_PREREQFUNCTION, &CurlTransport::OnPrerequest);
    curl_easy_setopt(curl_, CURLOPT_PREREQDATA, this);
  }
  const std::string url = request.Url();
  // A URL that libcurl refuses (longer than it takes) must not leave the previous one in place.
  if (curl_easy_setopt(curl_, CURLOPT_URL, url.c_str()) != CURLE_OK) {
    curl_easy_setopt(curl_, CURLOPT_URL, nullptr);
    return std::nullopt;
  }
  if (request.field != field_) {
    curl_slist *fields = request.field.empty() ? nullptr : curl_slist_append(nullptr, request.field.c_str());
    if (!request.field.empty() && fields == nullptr) return std::nullopt;
    curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, fields);
    curl_slist_free_all(fields_);
    fields_ = fields;
    field_ = request.field;
  }
  curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT_MS, limits.connect_ms);
  curl_easy_setopt(curl_, CURLOPT_TIMEOUT_MS, limits.total_ms);

  body_.clear();
  request_attempted_ = false;
  const CURLcode result = curl_easy_perform(curl_);
  if (result != CURLE_OK || body_.empty()) {
    body_.clear();
    return std::nullopt;
  }
  return std::move(body_);
}

}  // namespace custor::agent
