#include "http_server.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <boost/asio/ip/address.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/strand.hpp>
#include <cerrno>

#include "http_connection.h"

namespace corvane {

namespace asio = boost::asio;
namespace http = boost::beast::http;
using tcp = asio::ip::tcp;
using boost::system::error_code;

namespace {

// How long accepting pauses when it failed for want of descriptors or memory.
constexpr std::chrono::milliseconds kAcceptPause{100};

}  // namespace

HttpServer::HttpServer(Service* service, AccessKeys* keys, HttpOptions options)
    : service_(service),
      keys_(keys),
      options_(std::move(options)),
      threads_(&io_, options_.max_connections + 1),
      acceptor_(asio::make_strand(io_)),
      retry_(acceptor_.get_executor()),
      sweep_(acceptor_.get_executor()) {}

HttpServer::~HttpServer() { Stop(); }

bool HttpServer::Start(std::string* error) {
  error_code ec;
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
  work_.emplace(io_.get_executor());
  Accept();
  Sweep();
  return threads_.Start(error);
}

void HttpServer::Accept() {
  try {
    acceptor_.async_accept(asio::make_strand(io_), [this](const error_code& ec, tcp::socket socket) {
      OnAccept(ec, std::move(socket));
    });
  } catch (const std::bad_alloc&) {
    AcceptLater();
  }
}

void HttpServer::AcceptLater() {
  retry_.expires_after(kAcceptPause);
  retry_.async_wait([this](const error_code& ec) {
    if (!ec) Accept();
  });
}

void HttpServer::OnAccept(const error_code& ec, tcp::socket socket) {
  if (!acceptor_.is_open()) return;  // stopped
  const int shortage = ec.category() == boost::system::system_category() ? ec.value() : 0;
  if (shortage == EMFILE || shortage == ENFILE || shortage == ENOBUFS || shortage == ENOMEM) {
    // Accepting at once would fail at once, for as long as the shortage lasts.
    return AcceptLater();
  }
  if (!ec) {
    try {
      Admit(std::move(socket));
    } catch (const std::exception&) {
      // This connection could not be set up; it is closed as it goes.
    }
  }
  Accept();
}

void HttpServer::Admit(tcp::socket socket) {
  std::shared_ptr<HttpConnection> connection;
  {
    std::lock_guard lock(mu_);
    if (stopping_ || connections_.size() >= options_.max_connections) return;  // closed at once
    connection = std::make_shared<HttpConnection>(this, ++last_connection_, std::move(socket));
    connections_.emplace(connection->id(), connection);
  }
  connection->Start();
}

std::vector<std::shared_ptr<HttpConnection>> HttpServer::OpenConnections() {
  std::vector<std::shared_ptr<HttpConnection>> open;
  std::lock_guard lock(mu_);
  open.reserve(connections_.size());
  // Each goes into the vector at once: its last holder takes it out of the table, under mu_.
  for (auto& [id, connection] : connections_) {
    if (auto held = connection.lock()) open.push_back(std::move(held));
  }
  return open;
}

void HttpServer::Sweep() {
  try {
    const HttpConnection::Clock::time_point now = HttpConnection::Clock::now();
    for (const auto& connection : OpenConnections()) {
      if (connection->Overdue(now)) connection->CloseOverdue();
    }
  } catch (const std::bad_alloc&) {
    // They wait for the next sweep.
  }
  // A deadline is kept to within a quarter of the shorter time-out.
  auto period = std::clamp(std::min(options_.request_timeout, options_.idle_timeout) / 4,
                           std::chrono::milliseconds(10), std::chrono::milliseconds(1000));
  sweep_.expires_after(period);
  sweep_.async_wait([this](const error_code& ec) {
    if (!ec && !stopping_) Sweep();  // a sweep already due when Stop cancelled the timer ends here
  });
}

void HttpServer::Forget(uint64_t id) {
  std::lock_guard lock(mu_);
  connections_.erase(id);
}

void HttpServer::Stop() {
  {
    std::lock_guard lock(mu_);
    if (stopping_.exchange(true)) return;
  }
  asio::post(acceptor_.get_executor(), [this] {
    error_code ec;
    acceptor_.close(ec);
    retry_.cancel();
    sweep_.cancel();
  });
  // Each connection closes its own socket on its own strand: no descriptor is touched by number.
  for (const auto& connection : OpenConnections()) connection->Close();
  // The threads end once the commands that run have ended and every connection is gone.
  work_.reset();
  threads_.Join();
}

Service::Response HttpServer::Respond(http::verb method, std::string_view target,
                                      std::string_view authorization, const std::string& address) {
  IoThreads::Command command(&threads_);
  Caller caller{{}, address};
  if (keys_ != nullptr) {
    std::optional<std::string> name = keys_->NameOf(authorization);
    if (!name) return service_->Refuse(target);
    caller.key_name = std::move(*name);
  }
  if (method != http::verb::get) return {405, WriteFailureReply(Code::kInvalidRequest, nullptr)};
  return service_->Handle(target, caller);
}

void HttpServer::Served() {
  uint64_t count = ++served_;
  if (options_.exit_after_requests != 0 && count == options_.exit_after_requests) {
    // The fault to inject: die as in a crash, with no cleanup of any kind.
    ::kill(::getpid(), SIGKILL);
  }
}

}  // namespace corvane
