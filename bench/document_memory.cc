// What one stored document costs corvaned in memory, against the document's size. For each shape and
// size a fresh corvaned (a child process, the end-to-end fixture's) stores one document sent with
// _process, encoded as the request service encodes it; /proc/<pid>/status then gives the peak resident
// set (VmHWM), and the resident set (VmRSS) right after the reply and three seconds later (the server
// gives the memory of a large request back within two). The server is then started again on the
// same data: its resident set with the document loaded is what the stored document keeps. The request
// goes out on a plain socket: libcurl, and so the request service, sends no request above 1 MB.
//
// usage: document_memory [MB...]   sizes of the document in MB (10^6 bytes); default 1 2 4 6. A
// document of 6 MB of empty elements makes a request of about 15 MiB, near the server's 16 MiB limit.
// Exits non-zero when a document is not stored.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "agent/query.h"
#include "e2e/corvaned_process.h"

namespace custor::bench {
namespace {

// A user document of about `bytes` bytes: empty elements side by side ("wide"), or chains of elements
// nested 500 deep ("deep").
std::string Document(const std::string &shape, size_t bytes, size_t *elements) {
  std::string xml = "<kiv:user kiv:userid=\"" + shape + "\">";
  *elements = 1;
  while (xml.size() < bytes) {
    if (shape == "wide") {
      xml += "<a/>";
      ++*elements;
    } else {
      for (int i = 0; i < 500; ++i) xml += "<a>";
      for (int i = 0; i < 500; ++i) xml += "</a>";
      *elements += 500;
    }
  }
  return xml + "</kiv:user>";
}

// The body of the reply to GET `target` on 127.0.0.1:`port`, with the access key of CUSTOR_KEY_FILE if
// it names one; "" when there is none.
std::string Get(int port, const std::string &target) {
  std::string request = "GET " + target + " HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n";
  if (const char *key_file = std::getenv("CUSTOR_KEY_FILE")) {
    std::ifstream in(key_file);
    std::string key;
    in >> key;
    request += "Authorization: Bearer " + key + "\r\n";
  }
  request += "\r\n";
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string reply;
  if (connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0) {
    for (size_t sent = 0; sent < request.size();) {
      const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<size_t>(n);
    }
    char block[65536];
    for (ssize_t n; (n = recv(fd, block, sizeof block, 0)) > 0;) reply.append(block, static_cast<size_t>(n));
  }
  close(fd);
  const size_t body = reply.find("\r\n\r\n");
  return body == std::string::npos ? "" : reply.substr(body + 4);
}

std::string Target(const std::string &command) {
  return "/corvane/memory/kiv:security?" + agent::EncodeCommand(command);
}

// A field of /proc/PID/status in MB ("VmHWM", "VmRSS"), or -1.
double StatusMb(pid_t pid, const std::string &field) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(field + ":", 0) == 0) return std::atof(line.c_str() + field.size() + 1) / 1024.0;
  }
  return -1;
}

}  // namespace
}  // namespace custor::bench

int main(int argc, char **argv) {
  using namespace custor;
  std::vector<double> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atof(argv[i]));
  if (sizes.empty()) sizes = {1, 2, 4, 6};
  // No limit of elements or memory: what is measured is the cost of a document that is stored.
  const std::vector<std::string> unlimited = {"--max-document-elements", "1000000000",
                                              "--max-document-memory", "1000000"};
  std::printf("%-5s %6s %9s %10s %8s %8s %8s %8s %8s %9s\n", "shape", "MB", "elements", "request MB",
              "start MB", "peak MB", "reply MB", "3 s MB", "peak/doc", "loaded MB");
  int status = 0;
  for (const char *shape : {"wide", "deep"}) {
    for (double mb : sizes) {
      size_t elements = 0;
      const std::string document = bench::Document(shape, static_cast<size_t>(mb * 1e6), &elements);
      e2e::CorvanedProcess server(unlimited);
      const std::string target = bench::Target("_process=" + document);
      const double start = bench::StatusMb(server.pid(), "VmRSS");
      const std::string reply = bench::Get(server.port(), target);
      const double peak = bench::StatusMb(server.pid(), "VmHWM"),
                   replied = bench::StatusMb(server.pid(), "VmRSS");
      const timespec three_seconds{3, 0};
      nanosleep(&three_seconds, nullptr);
      const double settled = bench::StatusMb(server.pid(), "VmRSS");
      if (reply.find("Document stored") == std::string::npos) {
        std::fprintf(stderr, "%s %.1f MB: not stored: %.200s\n", shape, mb, reply.c_str());
        status = 1;
        continue;
      }
      server.Start(unlimited);
      const bool loaded = bench::Get(server.port(), bench::Target("_XQL=/kiv:user [@kiv:userid=\"nobody\"]"))
                              .find("no object returned") != std::string::npos;
      const double size = static_cast<double>(document.size()) / 1e6;
      std::printf("%-5s %6.2f %9zu %10.2f %8.1f %8.1f %8.1f %8.1f %8.1f %9.1f\n", shape, size, elements,
                  static_cast<double>(target.size()) / 1e6, start, peak, replied, settled,
                  (peak - start) / size, loaded ? bench::StatusMb(server.pid(), "VmRSS") : -1.0);
    }
  }
  return status;
}
