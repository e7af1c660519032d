#include "support/test_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

namespace custor::agent::testing {
namespace {

int BoundSocket(int *port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) throw std::runtime_error("socket");
  int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
    close(fd);
    throw std::runtime_error("bind");
  }
  *port = ntohs(address.sin_port);
  return fd;
}

// Waits up to 50 ms for `fd` to become readable.
bool Readable(int fd) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, 50) > 0;
}

void WriteAll(int fd, const std::string &data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
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
  close(listener_);
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
    const int fd = accept(listener_, nullptr, nullptr);
    if (fd < 0) continue;
    ++accepted_;
    ServeConnection(fd);
    close(fd);
  }
}

void TestHttpServer::ServeConnection(int fd) {
  std::string pending;
  while (!stop_) {
    const std::size_t end = pending.find("\r\n\r\n");
    if (end == std::string::npos) {
      if (!Readable(fd)) continue;
      char buffer[4096];
      const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
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
  close(BoundSocket(&port));
  return port;
}

}  // namespace custor::agent::testing
