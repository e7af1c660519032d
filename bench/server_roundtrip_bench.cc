// Round trips over loopback with one keep-alive client that sends its access key: a sessionless query,
// and a query in a session (key rotation included: every request carries the key of the reply before it).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http.hpp>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "http_server.h"
#include "key_table.h"
#include "service.h"

namespace corvane {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

// corvaned in-process on 127.0.0.1:0 with database "db", and one kept-alive client connection.
class Loopback {
 public:
  Loopback() {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvane-bench-XXXXXX").string();
    dir_ = ::mkdtemp(pattern.data());
    ServiceOptions options;
    options.data_dir = dir_;
    options.create_databases = {"db"};
    service_ = std::make_unique<Service>(options);
    std::string error;
    service_->Start(&error);
    bool created = false;
    keys_ = std::make_unique<AccessKeys>(dir_);
    EnsureKeyTable(dir_, &created, &error);
    keys_->Load(&error);
    std::ifstream key_file(dir_ + "/" + kAdminKeyName);
    std::getline(key_file, key_);
    HttpOptions http_options;
    http_options.port = 0;
    server_ = std::make_unique<HttpServer>(service_.get(), keys_.get(), http_options);
    server_->Start(&error);
    socket_.connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), server_->port()));
  }
  ~Loopback() {
    socket_.close();
    server_->Stop();
    service_->Stop();
    std::filesystem::remove_all(dir_);
  }

  std::string Get(const std::string& target) {
    http::request<http::empty_body> request(http::verb::get, target, 11);
    request.set(http::field::host, "localhost");
    request.set(http::field::authorization, "Bearer " + key_);
    http::write(socket_, request);
    http::response<http::string_body> response;
    http::read(socket_, buffer_, response);
    return std::move(response.body());
  }

 private:
  std::string dir_;
  std::unique_ptr<Service> service_;
  std::unique_ptr<AccessKeys> keys_;
  std::string key_;
  std::unique_ptr<HttpServer> server_;
  asio::io_context io_;
  tcp::socket socket_{io_};
  beast::flat_buffer buffer_;
};

// The value of attribute `name` in a reply.
std::string AttributeOf(const std::string& reply, const std::string& name) {
  size_t start = reply.find(name + "=\"");
  if (start == std::string::npos) return {};
  start += name.size() + 2;
  return reply.substr(start, reply.find('"', start) - start);
}

const char* const kStore =
    "/corvane/db/kiv:security?_process=%3Ckiv%3Agroup%20kiv%3Agroupname%3D%22g%22%3E%3Ckiv%3Auserref%3Eu"
    "%3C%2Fkiv%3Auserref%3E%3C%2Fkiv%3Agroup%3E";
const char* const kQuery = "%2Fkiv%3Agroup%20%5B%40kiv%3Agroupname%3D%22g%22%5D";

void BM_SessionlessQuery(benchmark::State& state) {
  Loopback loopback;
  loopback.Get(kStore);
  std::string target = std::string("/corvane/db/kiv:security?_XQL=") + kQuery;
  for (auto _ : state) benchmark::DoNotOptimize(loopback.Get(target));
  state.counters["requests/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_SessionQuery(benchmark::State& state) {
  Loopback loopback;
  loopback.Get(kStore);
  std::string reply = loopback.Get("/corvane/db/kiv:security?_connect=*");
  std::string id = AttributeOf(reply, "kiv:sessionid");
  std::string key = AttributeOf(reply, "kiv:sessionkey");
  std::string prefix =
      std::string("/corvane/db/kiv:security?_XQL=") + kQuery + "&_sessionid=" + id + "&_sessionkey=";
  for (auto _ : state) {
    reply = loopback.Get(prefix + key);
    key = AttributeOf(reply, "kiv:sessionkey");
  }
  if (key.empty()) state.SkipWithError("session lost");
  state.counters["requests/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_SessionlessQuery)->UseRealTime();
BENCHMARK(BM_SessionQuery)->UseRealTime();

}  // namespace
}  // namespace corvane
