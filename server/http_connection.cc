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
    : server_(server), id_(id), socket_(std::move(socket)) {
  error_code ec;
  tcp::endpoint peer = socket_.remote_endpoint(ec);
  if (!ec) address_ = peer.address().to_string();
  socket_.set_option(tcp::no_delay(true), ec);
}

HttpConnection::~HttpConnection() { server_->Forget(id_); }

void HttpConnection::Start() {
  asio::dispatch(socket_.get_executor(), [self = shared_from_this()] { self->ReadNext(); });
}

void HttpConnection::Close() {
  asio::post(socket_.get_executor(), [self = shared_from_this()] { self->Shut(); });
}

void HttpConnection::CloseOverdue() {
  asio::post(socket_.get_executor(), [self = shared_from_this()] {
    if (self->Overdue(Clock::now())) self->Shut();
  });
}

void HttpConnection::Shut() {
  closed_ = true;
  error_code ec;
  socket_.shutdown(tcp::socket::shutdown_both, ec);
  socket_.close(ec);
}

void HttpConnection::Allow(std::chrono::milliseconds time) {
  deadline_.store(time.count() == 0 ? 0 : (Clock::now() + time).time_since_epoch().count(),
                  std::memory_order_relaxed);
}

// An error ends the connection: the handler that saw it returns, and with the last holder the
// connection goes.
void HttpConnection::ReadNext() {
  if (closed_) return;
  if (buffer_.size() != 0) return ReadRequest();  // the next request has begun already
  // Between requests the idle time-out runs; the request time-out begins with the first byte.
  Allow(server_->options_.idle_timeout);
  socket_.async_read_some(buffer_.prepare(4096), [self = shared_from_this()](error_code ec, size_t n) {
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
  Allow(server_->options_.request_timeout);
  http::async_read(socket_, buffer_, *parser_,
                   [self = shared_from_this()](error_code ec, size_t) { self->OnRequest(ec); });
}

void HttpConnection::OnRequest(const error_code& ec) {
  if (ec || closed_ || server_->stopping_) return;
  Allow({});  // the command takes what it takes
  const auto& request = parser_->get();
  response_ = {};
  response_.version(request.version());
  response_.keep_alive(request.keep_alive());
  response_.set(http::field::content_type, "text/xml; charset=utf-8");
  // HEAD is answered like any other method but GET, with the body left out.
  head_ = request.method() == http::verb::head;
  const beast::string_view target = request.target(), authorization = request[http::field::authorization];
  Service::Response response =
      server_->Respond(request.method(), std::string_view(target.data(), target.size()),
                       std::string_view(authorization.data(), authorization.size()), address_);
  parser_.reset();
  Write(std::move(response));
}

void HttpConnection::Write(Service::Response response) {
  response_.result(response.status);
  if (response.status == 401) response_.set(http::field::www_authenticate, "Bearer");
  if (response.status == 405) response_.set(http::field::allow, "GET");
  response_.body() = std::move(response.body);
  response_.prepare_payload();
  if (head_) response_.body().clear();  // the length stays that of the body left out
  Allow(server_->options_.idle_timeout);
  http::async_write(socket_, response_,
                    [self = shared_from_this()](error_code ec, size_t) { self->OnWritten(ec); });
}

void HttpConnection::OnWritten(const error_code& ec) {
  if (ec) return;
  server_->Served();
  if (!response_.keep_alive()) {
    error_code ignored;
    socket_.shutdown(tcp::socket::shutdown_send, ignored);
    socket_.close(ignored);
    return;
  }
  ReadNext();
}

}  // namespace corvane
