// One client connection of the HTTP server, on a strand of its own: waits for a request (no longer than
// the idle time-out), reads it whole (no longer than the request time-out from its first byte), hands it
// to the server's workers, and writes the answer that comes back. While it waits, it holds no thread.
// It lives as long as a pending operation or a queued job holds it, and the last holder closes it.
#ifndef CUSTOR_SERVER_HTTP_CONNECTION_H_
#define CUSTOR_SERVER_HTTP_CONNECTION_H_

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "service.h"

namespace corvane {

class HttpServer;

// What the workers need of a request.
struct IncomingRequest {
  boost::beast::http::verb method;
  std::string target;
  std::string authorization;  // the Authorization field's value
};

class HttpConnection : public std::enable_shared_from_this<HttpConnection> {
 public:
  HttpConnection(HttpServer* server, uint64_t id, boost::asio::ip::tcp::socket socket);
  ~HttpConnection();
  HttpConnection(const HttpConnection&) = delete;
  HttpConnection& operator=(const HttpConnection&) = delete;

  uint64_t id() const { return id_; }
  // The client's address as text.
  const std::string& address() const { return address_; }

  // These may be called from any thread; the work is done on the connection's strand.
  void Start();
  // Writes the answer to the request handed to the workers.
  void Answer(Service::Response response);
  // Closes the connection; an answer that comes later is dropped.
  void Close();

 private:
  void ReadNext();
  void ReadRequest();
  void OnRequest(const boost::system::error_code& ec);
  void Write(Service::Response response);
  void OnWritten(const boost::system::error_code& ec);

  HttpServer* const server_;
  const uint64_t id_;
  std::string address_;
  boost::beast::tcp_stream stream_;
  boost::beast::flat_buffer buffer_;
  std::optional<boost::beast::http::request_parser<boost::beast::http::empty_body>> parser_;
  boost::beast::http::response<boost::beast::http::string_body> response_;
  bool head_ = false;  // the request being answered is a HEAD
  bool closed_ = false;
};

}  // namespace corvane

#endif  // CUSTOR_SERVER_HTTP_CONNECTION_H_
