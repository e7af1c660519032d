// Test helpers: a keep-alive HTTP client that encodes commands as the agent's request service does, and
// a server on 127.0.0.1:0 over a temporary data directory.
#ifndef CUSTOR_SERVER_TEST_SUPPORT_H_
#define CUSTOR_SERVER_TEST_SUPPORT_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "http_server.h"
#include "service.h"

namespace corvane::testing {

// Percent-encodes every byte but A-Z a-z 0-9 - . _ ~.
std::string Pct(std::string_view text);

// The request target for a command text "_verb=value[&_sessionid=ID&_sessionkey=KEY]".
std::string TargetFor(std::string_view db, std::string_view command);

struct Answer {
  int status = 0;
  std::string body;
  bool keep_alive = false;
};

class TestClient {
 public:
  explicit TestClient(uint16_t port);
  ~TestClient();
  TestClient(const TestClient&) = delete;
  TestClient& operator=(const TestClient&) = delete;

  // One GET on the kept-alive connection (opened again if the server closed it).
  Answer Get(std::string_view target, std::string_view method = "GET");
  // Sends a command text and returns the reply body.
  std::string Send(std::string_view db, std::string_view command);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A session as a client follows it: the id and key of the last reply that carried them.
struct ClientSession {
  std::string id;
  std::string key;
  std::string Suffix() const { return "&_sessionid=" + id + "&_sessionkey=" + key; }
};

// Reads kiv:sessionid and kiv:sessionkey from a reply; false when it has none.
bool ReadSession(const std::string& reply, ClientSession* session);

// The exact reply documents.
std::string MessageReply(std::string_view line, const ClientSession* session = nullptr);
std::string ResultReply(std::string_view nodes, const ClientSession* session = nullptr);
std::string FailureReply(std::string_view code, std::string_view number, std::string_view text,
                         const ClientSession* session = nullptr);

// A temporary directory, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

class TestServer {
 public:
  // Serves database "db" (created) of a fresh data directory on 127.0.0.1:0.
  explicit TestServer(ServiceOptions service = {}, HttpOptions http = {});
  ~TestServer();
  uint16_t port() const { return http_->port(); }
  const std::string& data_dir() const { return dir_.path(); }
  std::string log_path() const { return dir_.path() + "/requests.log"; }
  Service& service() { return *service_; }

 private:
  TempDir dir_;
  std::unique_ptr<Service> service_;
  std::unique_ptr<HttpServer> http_;
};

// The whole text of a file.
std::string ReadFile(const std::string& path);

}  // namespace corvane::testing

#endif  // CUSTOR_SERVER_TEST_SUPPORT_H_
