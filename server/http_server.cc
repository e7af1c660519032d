#include "http_server.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <boost/asio/ip/address.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/http/write.hpp>

namespace corvane {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

HttpServer::HttpServer(Service* service, HttpOptions options)
    : service_(service), options_(std::move(options)), acceptor_(io_) {}

HttpServer::~HttpServer() { Stop(); }

bool HttpServer::Start(std::string* error) {
  boost::system::error_code ec;
  asio::ip::address address = asio::ip::make_address(options_.address, ec);
  if (ec) {
    *error = "bad listen address " + options_.address;
    return false;
  }
  tcp::endpoint endpoint(address, options_.port);
  acceptor_.open(endpoint.protocol(), ec);
  if (!ec) acceptor_.set_option(asio::socket_base::reuse_address(true), ec);
  if (!ec) acceptor_.bind(endpoint, ec);
  if (!ec) acceptor_.listen(asio::socket_base::max_listen_connections, ec);
  if (ec) {
    *error =
        "cannot listen on " + options_.address + ":" + std::to_string(options_.port) + ": " + ec.message();
    return false;
  }
  port_ = acceptor_.local_endpoint().port();
  accept_thread_ = std::thread([this] { AcceptLoop(); });
  return true;
}

void HttpServer::Stop() {
  if (stopping_.exchange(true)) return;
  // shutdown() wakes a thread blocked in accept() or in a read on the socket.
  if (acceptor_.is_open()) ::shutdown(acceptor_.native_handle(), SHUT_RDWR);
  {
    std::lock_guard lock(mu_);
    for (auto& [id, connection] : connections_) ::shutdown(connection.fd, SHUT_RDWR);
  }
  slot_free_.notify_all();
  if (accept_thread_.joinable()) accept_thread_.join();
  {
    std::unique_lock lock(mu_);
    // Connections close themselves once woken; wait for each to leave the table.
    slot_free_.wait(lock, [this] { return connections_.empty(); });
  }
  Reap();
  boost::system::error_code ec;
  acceptor_.close(ec);
}

void HttpServer::Reap() {
  std::vector<std::thread> finished;
  {
    std::lock_guard lock(mu_);
    finished.swap(finished_);
  }
  for (std::thread& thread : finished) thread.join();
}

void HttpServer::AcceptLoop() {
  while (!stopping_) {
    {
      std::unique_lock lock(mu_);
      slot_free_.wait(lock, [this] { return stopping_ || connections_.size() < options_.max_connections; });
    }
    Reap();
    if (stopping_) break;
    tcp::socket socket(io_);
    boost::system::error_code ec;
    acceptor_.accept(socket, ec);
    if (ec) {
      if (stopping_) break;
      continue;
    }
    std::lock_guard lock(mu_);
    if (stopping_) break;
    uint64_t id = ++next_connection_;
    Connection& connection = connections_[id];
    connection.fd = socket.native_handle();
    connection.thread = std::thread(&HttpServer::Serve, this, id, std::move(socket));
  }
}

void HttpServer::Served() {
  uint64_t count = ++served_;
  if (options_.exit_after_requests != 0 && count == options_.exit_after_requests) {
    // The fault to inject: die as in a crash, with no cleanup of any kind.
    ::kill(::getpid(), SIGKILL);
  }
}

void HttpServer::Serve(uint64_t id, tcp::socket socket) {
  boost::system::error_code ec;
  socket.set_option(tcp::no_delay(true), ec);
  beast::flat_buffer buffer;
  while (!stopping_) {
    // Wait for the next request of a kept-alive connection, but not for ever.
    if (buffer.size() == 0) {
      pollfd pfd{socket.native_handle(), POLLIN, 0};
      int ready = ::poll(&pfd, 1, static_cast<int>(options_.idle_timeout.count()));
      if (ready <= 0) break;
    }
    http::request_parser<http::empty_body> parser;
    // The request target may take kMaxTargetBytes; the other header fields and a body get 64 KiB each.
    constexpr std::uint64_t k64KiB = std::uint64_t{64} << 10;
    parser.header_limit(static_cast<std::uint32_t>(kMaxTargetBytes + k64KiB));
    parser.body_limit(k64KiB);
    http::read(socket, buffer, parser, ec);
    if (ec) break;
    const auto& request = parser.get();

    http::response<http::string_body> response;
    response.version(request.version());
    response.keep_alive(request.keep_alive());
    response.set(http::field::content_type, "text/xml; charset=utf-8");
    if (request.method() == http::verb::get) {
      Service::Response answer =
          service_->Handle(std::string_view(request.target().data(), request.target().size()));
      response.result(answer.status);
      response.body() = std::move(answer.body);
    } else {
      response.result(http::status::method_not_allowed);
      response.body() = WriteFailureReply(Code::kInvalidRequest, nullptr);
    }
    response.prepare_payload();
    http::write(socket, response, ec);
    if (ec) break;
    Served();
    if (!response.keep_alive()) break;
  }
  socket.shutdown(tcp::socket::shutdown_send, ec);
  socket.close(ec);

  std::lock_guard lock(mu_);
  auto it = connections_.find(id);
  finished_.push_back(std::move(it->second.thread));
  connections_.erase(it);
  slot_free_.notify_all();
}

}  // namespace corvane
