// A scripted HTTP/1.1 server on 127.0.0.1 for the request service's tests: it serves one connection
// at a time and treats each request as the next step of its script, recording every request head.
#ifndef CUSTOR_TESTS_SUPPORT_TEST_HTTP_SERVER_H_
#define CUSTOR_TESTS_SUPPORT_TEST_HTTP_SERVER_H_

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace custor::agent::testing {

class TestHttpServer {
 public:
#ifdef _WIN32
  using Socket = std::uintptr_t;  // SOCKET
#else
  using Socket = int;
#endif

  enum class Action {
    kAnswer,              // answer with `body`, keep the connection
    kAnswerAndClose,      // answer with `body`, then close the connection
    kCloseWithoutAnswer,  // read the request, close without a byte of answer
    kStall,               // read the request, never answer
  };
  struct Step {
    Action action = Action::kAnswer;
    std::string body;
    int status = 200;
  };

  // Listens on a free port of 127.0.0.1; requests beyond the script are closed without answer.
  explicit TestHttpServer(std::vector<Step> script);
  ~TestHttpServer();
  TestHttpServer(const TestHttpServer &) = delete;
  TestHttpServer &operator=(const TestHttpServer &) = delete;

  int port() const { return port_; }
  std::vector<std::string> request_heads() const;
  // The request lines only ("GET /... HTTP/1.1").
  std::vector<std::string> request_lines() const;
  int connections_accepted() const { return accepted_; }

 private:
  void Serve();
  void ServeConnection(Socket fd);

  std::vector<Step> script_;
  std::size_t next_ = 0;
  Socket listener_ = 0;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> accepted_{0};
  mutable std::mutex mutex_;
  std::vector<std::string> heads_;
  std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens.
int UnusedPort();

}  // namespace custor::agent::testing

#endif  // CUSTOR_TESTS_SUPPORT_TEST_HTTP_SERVER_H_
