#include "http_server.h"

#include <signal.h>
#include <unistd.h>

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

// Network threads: reading and writing never block, so a few serve any number of connections.
constexpr int kIoThreads = 2;
// Workers kept when idle; more are started while every one of them is busy (a command waiting for a
// write lock keeps its worker), and end after a while without work.
constexpr size_t kIdleWorkers = 2;
constexpr std::chrono::seconds kWorkerIdleTime{10};
// How long accepting pauses when it failed for want of descriptors or memory.
constexpr std::chrono::milliseconds kAcceptPause{100};

}  // namespace

HttpServer::HttpServer(Service* service, AccessKeys* keys, HttpOptions options)
    : service_(service),
      keys_(keys),
      options_(std::move(options)),
      workers_(kIdleWorkers, options_.max_connections, kWorkerIdleTime),
      acceptor_(asio::make_strand(io_)),
      retry_(acceptor_.get_executor()) {}

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
  if (!workers_.Start(error)) return false;
  work_.emplace(io_.get_executor());
  Accept();
  try {
    for (int i = 0; i < kIoThreads; ++i) io_threads_.emplace_back([this] { RunIo(); });
  } catch (const std::system_error& e) {
    if (io_threads_.empty()) {
      *error = std::string("cannot start a network thread: ") + e.what();
      return false;
    }
  }
  return true;
}

void HttpServer::RunIo() {
  for (;;) {
    try {
      io_.run();
      return;
    } catch (...) {
      // A handler failed (no memory, say): what it held is gone, its connection with it; the others go on.
    }
  }
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

void HttpServer::Forget(uint64_t id) {
  std::lock_guard lock(mu_);
  connections_.erase(id);
}

void HttpServer::Stop() {
  std::vector<std::shared_ptr<HttpConnection>> open;
  {
    std::lock_guard lock(mu_);
    if (stopping_) return;
    stopping_ = true;
    for (auto& [id, connection] : connections_) {
      if (auto held = connection.lock()) open.push_back(std::move(held));
    }
  }
  asio::post(acceptor_.get_executor(), [this] {
    error_code ec;
    acceptor_.close(ec);
    retry_.cancel();
  });
  // Each connection closes its own socket on its own strand: no descriptor is touched by number.
  for (const auto& connection : open) connection->Close();
  open.clear();
  workers_.Stop();
  work_.reset();
  for (std::thread& thread : io_threads_) thread.join();
  io_threads_.clear();
}

bool HttpServer::Dispatch(std::shared_ptr<HttpConnection> connection, IncomingRequest request) {
  return workers_.Post([this, connection = std::move(connection), request = std::move(request)] {
    connection->Answer(Respond(request, connection->address()));
  });
}

Service::Response HttpServer::Respond(const IncomingRequest& request, const std::string& address) {
  Caller caller{{}, address};
  if (keys_ != nullptr) {
    std::optional<std::string> name = keys_->NameOf(request.authorization);
    if (!name) return service_->Refuse(request.target);
    caller.key_name = std::move(*name);
  }
  if (request.method != http::verb::get) return {405, WriteFailureReply(Code::kInvalidRequest, nullptr)};
  return service_->Handle(request.target, caller);
}

void HttpServer::Served() {
  uint64_t count = ++served_;
  if (options_.exit_after_requests != 0 && count == options_.exit_after_requests) {
    // The fault to inject: die as in a crash, with no cleanup of any kind.
    ::kill(::getpid(), SIGKILL);
  }
}

}  // namespace corvane
