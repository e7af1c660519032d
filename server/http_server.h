// HTTP/1.1 on a TCP listener with Boost.Beast's asynchronous I/O: a few threads do the network work of
// every connection, and a pool of workers runs the commands, so that a client that sends slowly, or
// not at all, holds no thread, and a command that waits for a write lock holds up nobody else.
// Keep-alive, TCP_NODELAY, request targets up to 16 MiB; each request is checked for its access key
// and then goes to the command service.
#ifndef CUSTOR_SERVER_HTTP_SERVER_H_
#define CUSTOR_SERVER_HTTP_SERVER_H_

#include <atomic>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "access_keys.h"
#include "service.h"
#include "worker_pool.h"

namespace corvane {

class HttpConnection;
struct IncomingRequest;

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
  // Stops accepting, closes every connection, drops the requests not yet begun and waits for the
  // commands that run.
  void Stop();

 private:
  friend class HttpConnection;

  void RunIo();
  void Accept();
  void OnAccept(const boost::system::error_code& ec, boost::asio::ip::tcp::socket socket);
  // Accepting again after a while: it failed for want of descriptors or memory.
  void AcceptLater();
  void Admit(boost::asio::ip::tcp::socket socket);

  // Called by the connections: queues a request for the workers (false when it is dropped), counts a
  // reply written, and takes a connection that ends out of the table.
  bool Dispatch(std::shared_ptr<HttpConnection> connection, IncomingRequest request);
  void Served();
  void Forget(uint64_t id);
  // A request's answer, on a worker.
  Service::Response Respond(const IncomingRequest& request, const std::string& address);

  Service* service_;
  AccessKeys* keys_;
  const HttpOptions options_;
  WorkerPool workers_;
  boost::asio::io_context io_;
  boost::asio::ip::tcp::acceptor acceptor_;  // and retry_: on a strand of their own
  boost::asio::steady_timer retry_;
  std::optional<boost::asio::executor_work_guard<boost::asio::io_context::executor_type>> work_;
  std::vector<std::thread> io_threads_;
  uint16_t port_ = 0;
  std::atomic<uint64_t> served_{0};

  std::mutex mu_;  // guards the fields below
  bool stopping_ = false;
  uint64_t last_connection_ = 0;
  std::map<uint64_t, std::weak_ptr<HttpConnection>> connections_;
};

}  // namespace corvane

#endif  // CUSTOR_SERVER_HTTP_SERVER_H_
