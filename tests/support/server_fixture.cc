#include "support/server_fixture.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http.hpp>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "agent/query.h"
#include "key_table.h"

namespace corvane::testing {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

// The same encoding as the agent's request service, so that the server is tested against what it gets.
std::string TargetFor(std::string_view db, std::string_view command) {
  return custor::agent::EncodePath("/corvane/" + std::string(db) + "/kiv:security") + "?" +
         custor::agent::EncodeCommand(command);
}

bool ReadSession(const std::string& reply, ClientSession* session) {
  static const std::regex kIdentity(
      "<kiv:response [^>]*kiv:sessionid=\"([^\"]*)\" kiv:sessionkey=\"([^\"]*)\"");
  std::smatch match;
  if (!std::regex_search(reply, match, kIdentity)) return false;
  session->id = match[1].str();
  session->key = match[2].str();
  return true;
}

namespace {

std::mutex keys_mu;
std::map<uint16_t, std::string> keys_by_port;

}  // namespace

void UseKey(uint16_t port, std::string key) {
  std::lock_guard lock(keys_mu);
  keys_by_port[port] = std::move(key);
}

struct TestClient::Impl {
  uint16_t port;
  std::string authorization;
  asio::io_context io;
  tcp::socket socket{io};
  beast::flat_buffer buffer;
};

TestClient::TestClient(uint16_t port, std::string authorization) : impl_(new Impl) {
  impl_->port = port;
  impl_->authorization = std::move(authorization);
}

TestClient::TestClient(uint16_t port) : TestClient(port, "") {
  std::lock_guard lock(keys_mu);
  auto it = keys_by_port.find(port);
  if (it != keys_by_port.end()) impl_->authorization = "Bearer " + it->second;
}

TestClient::~TestClient() {
  boost::system::error_code ec;
  impl_->socket.close(ec);
}

Answer TestClient::Get(std::string_view target, std::string_view method) {
  Answer answer;
  for (int attempt = 0; attempt < 2; ++attempt) {
    boost::system::error_code ec;
    if (!impl_->socket.is_open()) {
      impl_->socket.connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), impl_->port), ec);
      if (ec) return answer;
      impl_->buffer.clear();
    }
    http::request<http::empty_body> request(
        http::string_to_verb(beast::string_view(method.data(), method.size())), std::string(target), 11);
    request.set(http::field::host, "localhost");
    if (!impl_->authorization.empty()) request.set(http::field::authorization, impl_->authorization);
    request.keep_alive(true);
    http::write(impl_->socket, request, ec);
    http::response_parser<http::string_body> parser;
    parser.body_limit(1u << 30);
    parser.skip(request.method() == http::verb::head);
    // A server that never answers fails the test instead of holding it for ever.
    pollfd ready{impl_->socket.native_handle(), POLLIN, 0};
    if (!ec && impl_->buffer.size() == 0 && ::poll(&ready, 1, 30'000) != 1) {
      impl_->socket.close(ec);
      return answer;
    }
    if (!ec) http::read(impl_->socket, impl_->buffer, parser, ec);
    if (ec) {
      // A kept-alive connection that the server closed: once more on a new one. Anything else is no
      // answer (a body where none belongs, say).
      const bool closed = ec == http::error::end_of_stream || ec == asio::error::eof ||
                          ec == asio::error::connection_reset || ec == asio::error::broken_pipe;
      impl_->socket.close(ec);
      if (!closed) return answer;
      continue;
    }
    answer = {static_cast<int>(parser.get().result_int()), parser.get().body(), parser.get().keep_alive()};
    if (!answer.keep_alive) impl_->socket.close(ec);
    return answer;
  }
  return answer;
}

std::string TestClient::Send(std::string_view command, std::string_view db) {
  return Get(TargetFor(db, command)).body;
}

std::string TestClient::In(ClientSession* session, std::string_view command, std::string_view db) {
  std::string reply = Send(std::string(command) + session->Suffix(), db);
  ReadSession(reply, session);
  return reply;
}

ClientSession TestClient::Connect(std::string_view db) {
  std::string reply = Send("_connect=*", db);
  ClientSession session;
  EXPECT_TRUE(ReadSession(reply, &session)) << reply;
  EXPECT_EQ(reply, Message("Session opened", &session));
  return session;
}

namespace {

std::string Envelope(const ClientSession* session) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><kiv:response "
      "xmlns:kiv=\"http://namespaces.corvane.example/kiv\" "
      "xmlns:xql=\"http://namespaces.corvane.example/xql\"";
  if (session != nullptr)
    out += " kiv:sessionid=\"" + session->id + "\" kiv:sessionkey=\"" + session->key + "\"";
  return out + ">";
}

}  // namespace

std::string Message(std::string_view line, const ClientSession* session) {
  return Envelope(session) + "<kiv:message kiv:returnvalue=\"0\"><kiv:messageline>" + std::string(line) +
         "</kiv:messageline></kiv:message></kiv:response>";
}

std::string Result(std::string_view nodes, const ClientSession* session) {
  return Envelope(session) + "<xql:result>" + std::string(nodes) +
         "</xql:result><kiv:message kiv:returnvalue=\"0\"><kiv:messageline>XQL request "
         "processed</kiv:messageline></kiv:message></kiv:response>";
}

std::string Failure(std::string_view code, std::string_view text, const ClientSession* session) {
  std::string number(code.substr(code.size() - 4));
  number.erase(0, number.find_first_not_of('0'));
  return Envelope(session) + "<kiv:message kiv:returnvalue=\"" + number + "\"><kiv:messagetext kiv:code=\"" +
         std::string(code) + "\">" + std::string(text) + "</kiv:messagetext></kiv:message></kiv:response>";
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "corvane-test-XXXXXX").string();
  path_ = ::mkdtemp(pattern.data());
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

TestServer::TestServer(ServiceOptions service, HttpOptions http) {
  service.data_dir = dir_.path();
  service.create_databases.push_back("db");
  service.request_log = log_path();
  http.address = "127.0.0.1";
  http.port = 0;
  service_ = std::make_unique<Service>(std::move(service));
  std::string error;
  if (!service_->Start(&error)) ADD_FAILURE() << error;
  bool created = false;
  keys_ = std::make_unique<AccessKeys>(dir_.path());
  if (!EnsureKeyTable(dir_.path(), &created, &error) || !keys_->Load(&error)) ADD_FAILURE() << error;
  http_ = std::make_unique<HttpServer>(service_.get(), keys_.get(), http);
  if (!http_->Start(&error)) ADD_FAILURE() << error;
  std::string key = ReadFile(dir_.path() + "/" + kAdminKeyName);
  UseKey(port(), key.substr(0, key.find('\n')));
}

TestServer::~TestServer() {
  http_->Stop();
  service_->Stop();
}

int ConnectTo(uint16_t port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    fd = -1;
  }
  return fd;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<LogEntry> ReadLog(const std::string& path) {
  std::vector<LogEntry> entries;
  std::istringstream lines(ReadFile(path));
  for (std::string line; std::getline(lines, line);) {
    const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
    if (!object.is_object() || object.size() != 3) {
      ADD_FAILURE() << "not a request log line: " << line;
      continue;
    }
    entries.push_back({object.value("db", ""), object.value("command", ""), object.value("code", "")});
  }
  return entries;
}

void PrintTo(const LogEntry& entry, std::ostream* out) {
  *out << "{" << entry.db << " | " << entry.command << " | " << entry.code << "}";
}

}  // namespace corvane::testing
