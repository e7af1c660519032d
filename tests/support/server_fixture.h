// Test helpers: a keep-alive HTTP client that encodes commands with the agent's own request encoding and
// sends an access key, the exact reply documents, and a server on 127.0.0.1:0 over a temporary data
// directory with a key table of its own.
#ifndef CUSTOR_TESTS_SUPPORT_SERVER_FIXTURE_H_
#define CUSTOR_TESTS_SUPPORT_SERVER_FIXTURE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "access_keys.h"
#include "http_server.h"
#include "service.h"

namespace corvane::testing {

// The request target of a command "_verb=value[&_sessionid=ID&_sessionkey=KEY]" on database `db`.
std::string TargetFor(std::string_view db, std::string_view command);

// A session as a client follows it: the id and key of the last reply that carried them.
struct ClientSession {
  std::string id, key;
  std::string Suffix() const { return "&_sessionid=" + id + "&_sessionkey=" + key; }
};

// Reads kiv:sessionid and kiv:sessionkey from a reply; false when it has none.
bool ReadSession(const std::string& reply, ClientSession* session);

struct Answer {
  int status = 0;
  std::string body;
  bool keep_alive = false;
};

// Clients of `port` made from now on send `key` (TestServer and a started corvaned say theirs).
void UseKey(uint16_t port, std::string key);

class TestClient {
 public:
  // Sends the key that UseKey gave for `port`, if any.
  explicit TestClient(uint16_t port);
  // Sends the Authorization field `authorization` ("Bearer KEY"), none when it is empty.
  TestClient(uint16_t port, std::string authorization);
  ~TestClient();
  TestClient(const TestClient&) = delete;
  TestClient& operator=(const TestClient&) = delete;

  // One request on the kept-alive connection (opened again if the server closed it); status 0 when
  // there was no answer. The answer to HEAD has no body.
  Answer Get(std::string_view target, std::string_view method = "GET");
  // Sends a command and returns the reply body.
  std::string Send(std::string_view command, std::string_view db = "db");
  // Sends a command in a session and follows the identity of the reply.
  std::string In(ClientSession* session, std::string_view command, std::string_view db = "db");
  // Opens a session, expecting the exact reply.
  ClientSession Connect(std::string_view db = "db");

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The exact reply documents; the failure's kiv:returnvalue is the number that ends its code.
std::string Message(std::string_view line, const ClientSession* session = nullptr);
std::string Result(std::string_view nodes, const ClientSession* session = nullptr);
std::string Failure(std::string_view code, std::string_view text, const ClientSession* session = nullptr);
inline const std::string kNoObject = "XQL request processed, no object returned";

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
  // Serves database "db" (created) of a fresh data directory on 127.0.0.1:0, logging to log_path(), to
  // clients that send the key "admin" of its first start.
  explicit TestServer(ServiceOptions service = {}, HttpOptions http = {});
  ~TestServer();
  uint16_t port() const { return http_->port(); }
  std::string log_path() const { return dir_.path() + "/requests.log"; }
  const std::string& data_dir() const { return dir_.path(); }
  Service& service() { return *service_; }

 private:
  TempDir dir_;
  std::unique_ptr<Service> service_;
  std::unique_ptr<AccessKeys> keys_;
  std::unique_ptr<HttpServer> http_;
};

// A plain TCP connection to 127.0.0.1:`port` (a descriptor to close), for tests of what clients send
// byte by byte; -1 when it cannot be made.
int ConnectTo(uint16_t port);

// The whole text of a file.
std::string ReadFile(const std::string& path);

// One line of the request log, read back.
struct LogEntry {
  std::string db, command, code = "0";
  bool operator==(const LogEntry&) const = default;
};
// Every line of a request log; a line that is no JSON object of the three strings fails the test.
std::vector<LogEntry> ReadLog(const std::string& path);
void PrintTo(const LogEntry& entry, std::ostream* out);

}  // namespace corvane::testing

#endif  // CUSTOR_TESTS_SUPPORT_SERVER_FIXTURE_H_
