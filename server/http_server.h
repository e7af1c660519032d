// HTTP/1.1 on a TCP listener with Boost.Beast: one thread per connection up to a bound, keep-alive,
// TCP_NODELAY, request targets up to 16 MiB. Every GET goes to the command service.
#ifndef CUSTOR_SERVER_HTTP_SERVER_H_
#define CUSTOR_SERVER_HTTP_SERVER_H_

#include <atomic>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "service.h"

namespace corvane {

struct HttpOptions {
  std::string address = "127.0.0.1";
  uint16_t port = 4730;  // 0 picks a free port
  size_t max_connections = 64;
  // A kept-alive connection that sends nothing for this long is closed.
  std::chrono::milliseconds idle_timeout{60'000};
  // Fault injection: after the reply to this many requests is written, the process dies at once as in
  // a crash. 0: never.
  uint64_t exit_after_requests = 0;
};

// The largest request target accepted.
inline constexpr size_t kMaxTargetBytes = 16u << 20;

class HttpServer {
 public:
  HttpServer(Service* service, HttpOptions options);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Binds and listens, then accepts on a thread of its own. Once it returns true, requests are served.
  bool Start(std::string* error);
  // The bound port.
  uint16_t port() const { return port_; }
  // Stops accepting, closes every connection and waits for their threads.
  void Stop();

 private:
  struct Connection {
    std::thread thread;
    int fd = -1;
  };

  void AcceptLoop();
  void Serve(uint64_t id, boost::asio::ip::tcp::socket socket);
  void Served();
  // Joins the threads of connections that have ended.
  void Reap();

  Service* service_;
  const HttpOptions options_;
  boost::asio::io_context io_;
  boost::asio::ip::tcp::acceptor acceptor_;
  uint16_t port_ = 0;
  std::thread accept_thread_;
  std::atomic<bool> stopping_{false};
  std::atomic<uint64_t> served_{0};

  std::mutex mu_;  // guards the fields below
  std::condition_variable slot_free_;
  std::map<uint64_t, Connection> connections_;
  std::vector<std::thread> finished_;
  uint64_t next_connection_ = 0;
};

}  // namespace corvane

#endif  // CUSTOR_SERVER_HTTP_SERVER_H_
