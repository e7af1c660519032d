#include "support/test_http_server.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <stdexcept>

namespace custor::agent::testing {
namespace {

using Socket = TestHttpServer::Socket;

#ifdef _WIN32
constexpr Socket kNoSocket = INVALID_SOCKET;
constexpr int kNoSignal = 0;  // Winsock raises no signal on a closed connection
void Close(Socket fd) { closesocket(fd); }
int Poll(pollfd *p, int timeout_ms) { return WSAPoll(p, 1, timeout_ms); }
#else
constexpr Socket kNoSocket = -1;
constexpr int kNoSignal = MSG_NOSIGNAL;
void Close(Socket fd) { close(fd); }
int Poll(pollfd *p, int timeout_ms) { return poll(p, 1, timeout_ms); }
#endif

Socket BoundSocket(int *port) {
#ifdef _WIN32
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  if (!started) throw std::runtime_error("WSAStartup");
#endif
  const Socket fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd == kNoSocket) throw std::runtime_error("socket");
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char *>(&on), sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
    Close(fd);
    throw std::runtime_error("bind");
  }
  *port = ntohs(address.sin_port);
  return fd;
}

// Waits up to 50 ms for `fd` to become readable.
bool Readable(Socket fd) {
  pollfd p{fd, POLLIN, 0};
  return Poll(&p, 50) > 0;
}

void WriteAll(Socket fd, const std::string &data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const auto n = send(fd, data.data() + done, static_cast<int>(data.size() - done), kNoSignal);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace

TestHttpServer::TestHttpServer(std::vector<Step> script) : script_(std::move(script)) {
  listener_ = BoundSocket(&port_);
  listen(listener_, 8);
  thread_ = std::thread([this] { Serve(); });
}

TestHttpServer::~TestHttpServer() {
  stop_ = true;
  thread_.join();
  Close(listener_);
}

std::vector<std::string> TestHttpServer::request_heads() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return heads_;
}

std::vector<std::string> TestHttpServer::request_lines() const {
  std::vector<std::string> lines;
  for (const std::string &head : request_heads()) lines.push_back(head.substr(0, head.find("\r\n")));
  return lines;
}

void TestHttpServer::Serve() {
  while (!stop_) {
    if (!Readable(listener_)) continue;
    const Socket fd = accept(listener_, nullptr, nullptr);
    if (fd == kNoSocket) continue;
    ++accepted_;
    ServeConnection(fd);
    Close(fd);
  }
}

void TestHttpServer::ServeConnection(Socket fd) {
  std::string pending;
  while (!stop_) {
    const std::size_t end = pending.find("\r\n\r\n");
    if (end == std::string::npos) {
      if (!Readable(fd)) continue;
      char buffer[4096];
      const auto n = recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) return;  // the client closed
      pending.append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      heads_.push_back(pending.substr(0, end + 4));
    }
    pending.erase(0, end + 4);
    const Step step = next_ < script_.size() ? script_[next_++] : Step{Action::kCloseWithoutAnswer, "", 0};
    switch (step.action) {
      case Action::kCloseWithoutAnswer:
        return;
      case Action::kStall:
        while (!stop_) Readable(fd);
        return;
      case Action::kAnswer:
      case Action::kAnswerAndClose: {
        char head[160];
        std::snprintf(head, sizeof head,
                      "HTTP/1.1 %d X\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: %zu\r\n\r\n",
                      step.status, step.body.size());
        WriteAll(fd, head + step.body);
        if (step.action == Action::kAnswerAndClose) return;
        break;
      }
    }
  }
}

int UnusedPort() {
  int port = 0;
  Close(BoundSocket(&port));
  return port;
}

}  // namespace custor::agent::testing
