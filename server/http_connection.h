// One client connection of the HTTP server, on a strand of its own: waits for a request (no longer than
// the idle time-out), reads it whole (no longer than the request time-out from its first byte), has the
// server answer it, and writes the answer (no longer than the idle time-out). While it waits, it holds no
// thread. Its deadline is a time that the server's sweep compares, so that keeping time costs a request
// no system call. It lives as long as a pending operation or handler holds it, and the last holder
// closes it.
#ifndef CUSTOR_SERVER_HTTP_CONNECTION_H_
#define CUSTOR_SERVER_HTTP_CONNECTION_H_

#include <atomic>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "service.h"

namespace corvane {

class HttpServer;

class HttpConnection : public std::enable_shared_from_this<HttpConnection> {
 public:
  using Clock = std::chrono::steady_clock;

  HttpConnection(HttpServer* server, uint64_t id, boost::asio::ip::tcp::socket socket);
  ~HttpConnection();
  HttpConnection(const HttpConnection&) = delete;
  HttpConnection& operator=(const HttpConnection&) = delete;

  uint64_t id() const { return id_; }
  // The client's address as text.
  const std::string& address() const { return address_; }
  // Whether the connection has passed its deadline at `now` (none while a command runs).
  bool Overdue(Clock::time_point now) const {
    Clock::rep deadline = deadline_.load(std::memory_order_relaxed);
    return deadline != 0 && now.time_since_epoch().count() > deadline;
  }

  // These may be called from any thread; the work is done on the connection's strand.
  void Start();
  // Closes the connection; a command that runs for it ends, and its answer is dropped.
  void Close();
  // Closes it when it is overdue still.
  void CloseOverdue();

 private:
  void ReadNext();
  void ReadRequest();
  void OnRequest(const boost::system::error_code& ec);
  void Write(Service::Response response);
  void OnWritten(const boost::system::error_code& ec);
  void Shut();
  // The deadline from now; none for zero.
  void Allow(std::chrono::milliseconds time);

  HttpServer* const server_;
  const uint64_t id_;
  std::string address_;
  boost::asio::ip::tcp::socket socket_;
  std::atomic<Clock::rep> deadline_{0};
  boost::beast::flat_buffer buffer_;
  std::optional<boost::beast::http::request_parser<boost::beast::http::empty_body>> parser_;
  boost::beast::http::response<boost::beast::http::string_body> response_;
  bool head_ = false;  // the request being answered is a HEAD
  bool closed_ = false;
};

}  // namespace corvane

#endif  // CUSTOR_SERVER_HTTP_CONNECTION_H_
