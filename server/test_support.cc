#include "test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http.hpp>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace corvane::testing {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

std::string Pct(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_' || c == '~') {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

std::string TargetFor(std::string_view db, std::string_view command) {
  static const std::regex kSuffix("&_sessionid=([^&]*)&_sessionkey=([^&]*)$");
  std::string text(command);
  std::string session;
  std::smatch match;
  if (std::regex_search(text, match, kSuffix)) {
    session = "&_sessionid=" + Pct(match[1].str()) + "&_sessionkey=" + Pct(match[2].str());
    text = text.substr(0, match.position(0));
  }
  size_t eq = text.find('=');
  std::string query = eq == std::string::npos ? text : text.substr(0, eq + 1) + Pct(text.substr(eq + 1));
  return "/corvane/" + Pct(db) + "/kiv:security?" + query + session;
}

struct TestClient::Impl {
  uint16_t port;
  asio::io_context io;
  tcp::socket socket{io};
  beast::flat_buffer buffer;
};

TestClient::TestClient(uint16_t port) : impl_(new Impl) { impl_->port = port; }

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
    request.keep_alive(true);
    http::write(impl_->socket, request, ec);
    http::response_parser<http::string_body> parser;
    parser.body_limit(1u << 30);
    if (!ec) http::read(impl_->socket, impl_->buffer, parser, ec);
    if (ec) {
      // A kept-alive connection that the server closed: once more on a new one.
      impl_->socket.close(ec);
      continue;
    }
    answer.status = parser.get().result_int();
    answer.body = parser.get().body();
    answer.keep_alive = parser.get().keep_alive();
    if (!answer.keep_alive) impl_->socket.close(ec);
    return answer;
  }
  return answer;
}

std::string TestClient::Send(std::string_view db, std::string_view command) {
  return Get(TargetFor(db, command)).body;
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

std::string MessageReply(std::string_view line, const ClientSession* session) {
  return Envelope(session) + "<kiv:message kiv:returnvalue=\"0\"><kiv:messageline>" + std::string(line) +
         "</kiv:messageline></kiv:message></kiv:response>";
}

std::string ResultReply(std::string_view nodes, const ClientSession* session) {
  return Envelope(session) + "<xql:result>" + std::string(nodes) +
         "</xql:result><kiv:message kiv:returnvalue=\"0\"><kiv:messageline>XQL request "
         "processed</kiv:messageline></kiv:message></kiv:response>";
}

std::string FailureReply(std::string_view code, std::string_view number, std::string_view text,
                         const ClientSession* session) {
  return Envelope(session) + "<kiv:message kiv:returnvalue=\"" + std::string(number) +
         "\"><kiv:messagetext kiv:code=\"" + std::string(code) + "\">" + std::string(text) +
         "</kiv:messagetext></kiv:message></kiv:response>";
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
  http_ = std::make_unique<HttpServer>(service_.get(), http);
  if (!http_->Start(&error)) ADD_FAILURE() << error;
}

TestServer::~TestServer() {
  http_->Stop();
  service_->Stop();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace corvane::testing
