// HTTP/1.1 on a TCP listener with Boost.Beast's asynchronous I/O: one thread serves every connection, so
// that a client that sends slowly, or not at all, holds no thread, and another takes over while a command
// waits for a write lock (IoThreads). Connections that pass their deadline are closed by a sweep.
// Keep-alive, TCP_NODELAY, request targets up to 16 MiB; each request is checked for its access key and
// then goes to the command service.
#ifndef CUSTOR_SERVER_HTTP_SERVER_H_
#define CUSTOR_SERVER_HTTP_SERVER_H_

#include <atomic>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/http/verb.hpp>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "access_keys.h"
#include "io_threads.h"
#include "service.h"

namespace corvane {

class HttpConnection;

struct HttpOptions {
  std::string address = "127.0.0.1";
  uint16_t port = 4730;  // 0 picks a free port
  // Connections beyond this many open ones are closed as soon as they are accepted.
  size_t max_connections = 1024;
  // A request must arrive whole within this time of its first byte.
  std::chrono::milliseconds request_timeout{10'000};
  // A connection that sends nothing for this long after its last reply, or that does not take a reply
  // for this long, is closed.
  std::chrono::milliseconds idle_timeout{60'000};
  // Fault injection: after the reply to this many requests is written, the process dies at once as in
  // a crash. 0: never.
  uint64_t exit_after_requests = 0;
};

// The largest request target accepted.
inline constexpr size_t kMaxTargetBytes = 16u << 20;

class HttpServer {
 public:
  // `keys` checks the access key of every request; null: no check. `service` and `keys` outlive the
  // server.
  HttpServer(Service* service, AccessKeys* keys, HttpOptions options);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Binds and listens, then serves on threads of its own. Once it returns true, requests are served.
  bool Start(std::string* error);
  // The bound port.
  uint16_t port() const { return port_; }
  // Stops accepting, closes every connection, and waits for the commands that run.
  void Stop();

 private:
  friend class HttpConnection;

  void Accept();
  void OnAccept(const boost::system::error_code& ec, boost::asio::ip::tcp::socket socket);
  // Accepting again after a while: it failed for want of descriptors or memory.
  void AcceptLater();
  void Admit(boost::asio::ip::tcp::socket socket);
  // Closes the connections that are overdue, now and every sweep period from now on.
  void Sweep();
  // The connections open now.
  std::vector<std::shared_ptr<HttpConnection>> OpenConnections();

  // Called by the connections: a request's answer, a reply written, and a connection that ends.
  Service::Response Respond(boost::beast::http::verb method, std::string_view target,
                            std::string_view authorization, const std::string& address);
  void Served();
  void Forget(uint64_t id);

  Service* service_;
  AccessKeys* keys_;
  const HttpOptions options_;
  boost::asio::io_context io_;
  IoThreads threads_;
  boost::asio::ip::tcp::acceptor acceptor_;  // and the timers: on a strand of their own
  boost::asio::steady_timer retry_, sweep_;
  std::optional<boost::asio::executor_work_guard<boost::asio::io_context::executor_type>> work_;
  uint16_t port_ = 0;
  std::atomic<uint64_t> served_{0};
  std::atomic<bool> stopping_{false};

  std::mutex mu_;  // guards the fields below
  uint64_t last_connection_ = 0;
  std::map<uint64_t, std::weak_ptr<HttpConnection>> connections_;
};

}  // namespace corvane

#endif  // CUSTOR_SERVER_HTTP_SERVER_H_
