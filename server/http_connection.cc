#include "http_connection.h"

#include <boost/asio/dispatch.hpp>
#include <boost/asio/post.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>

#include "http_server.h"

namespace corvane {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using boost::system::error_code;

HttpConnection::HttpConnection(HttpServer* server, uint64_t id, tcp::socket socket)
    : server_(server), id_(id), stream_(std::move(socket)) {
  error_code ec;
  tcp::endpoint peer = stream_.socket().remote_endpoint(ec);
  if (!ec) address_ = peer.address().to_string();
  stream_.socket().set_option(tcp::no_delay(true), ec);
}

HttpConnection::~HttpConnection() { server_->Forget(id_); }

void HttpConnection::Start() {
  asio::dispatch(stream_.get_executor(), [self = shared_from_this()] { self->ReadNext(); });
}

void HttpConnection::Close() {
  asio::post(stream_.get_executor(), [self = shared_from_this()] {
    self->closed_ = true;
    error_code ec;
    self->stream_.socket().shutdown(tcp::socket::shutdown_both, ec);
    self->stream_.close();
  });
}

void HttpConnection::Answer(Service::Response response) {
  asio::post(stream_.get_executor(), [self = shared_from_this(), response = std::move(response)]() mutable {
    self->Write(std::move(response));
  });
}

// An error or a time-out ends the connection: the handler that saw it returns, and with the last
// holder the connection goes.
void HttpConnection::ReadNext() {
  if (closed_) return;
  if (buffer_.size() != 0) return ReadRequest();  // the next request has begun already
  // Between requests the idle time-out runs; the request time-out begins with the first byte.
  stream_.expires_after(server_->options_.idle_timeout);
  stream_.async_read_some(buffer_.prepare(4096), [self = shared_from_this()](error_code ec, size_t n) {
    if (ec) return;
    self->buffer_.commit(n);
    self->ReadRequest();
  });
}

void HttpConnection::ReadRequest() {
  if (closed_) return;
  parser_.emplace();
  // The request target may take kMaxTargetBytes; the other header fields and a body get 64 KiB each.
  constexpr std::uint64_t k64KiB = std::uint64_t{64} << 10;
  parser_->header_limit(static_cast<std::uint32_t>(kMaxTargetBytes + k64KiB));
  parser_->body_limit(k64KiB);
  stream_.expires_after(server_->options_.request_timeout);
  http::async_read(stream_, buffer_, *parser_,
                   [self = shared_from_this()](error_code ec, size_t) { self->OnRequest(ec); });
}

void HttpConnection::OnRequest(const error_code& ec) {
  if (ec || closed_) return;
  stream_.expires_never();  // the command takes what it takes
  const auto& request = parser_->get();
  response_ = {};
  response_.version(request.version());
  response_.keep_alive(request.keep_alive());
  response_.set(http::field::content_type, "text/xml; charset=utf-8");
  // HEAD is answered like any other method but GET, with the body left out.
  head_ = request.method() == http::verb::head;
  IncomingRequest incoming{request.method(), std::string(request.target()),
                           std::string(request[http::field::authorization])};
  parser_.reset();
  server_->Dispatch(shared_from_this(), std::move(incoming));
}

void HttpConnection::Write(Service::Response response) {
  if (closed_) return;
  response_.result(response.status);
  if (response.status == 401) response_.set(http::field::www_authenticate, "Bearer");
  if (response.status == 405) response_.set(http::field::allow, "GET");
  response_.body() = std::move(response.body);
  response_.prepare_payload();
  if (head_) response_.body().clear();  // the length stays that of the body left out
  stream_.expires_after(server_->options_.idle_timeout);
  http::async_write(stream_, response_,
                    [self = shared_from_this()](error_code ec, size_t) { self->OnWritten(ec); });
}

void HttpConnection::OnWritten(const error_code& ec) {
  if (ec) return;
  server_->Served();
  if (!response_.keep_alive()) {
    error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
    stream_.close();
    return;
  }
  ReadNext();
}

}  // namespace corvane
