#include "options.h"

#include <CLI/CLI.hpp>
#include <cmath>

namespace corvane {

namespace {

std::chrono::milliseconds Seconds(double seconds) {
  return std::chrono::milliseconds(static_cast<int64_t>(std::llround(seconds * 1000)));
}

// "ADDRESS:PORT"; the address may be an IPv6 address in brackets.
bool SplitListen(const std::string& text, HttpOptions* http) {
  size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) return false;
  std::string address = text.substr(0, colon);
  if (address.size() > 2 && address.front() == '[' && address.back() == ']') {
    address = address.substr(1, address.size() - 2);
  }
  unsigned long port = 0;
  for (char c : text.substr(colon + 1)) {
    if (c < '0' || c > '9') return false;
    port = port * 10 + static_cast<unsigned long>(c - '0');
    if (port > 65535) return false;
  }
  http->address = address;
  http->port = static_cast<uint16_t>(port);
  return true;
}

}  // namespace

int ParseOptions(int argc, char** argv, Options* options) {
  CLI::App app{
      "corvaned: the Corvane XML database server. Serves the command protocol over HTTP, one SQLite file "
      "per database in the data directory.",
      "corvaned"};
  app.footer(
      "Access keys: every request carries one as \"Authorization: Bearer KEY\". The first start makes the "
      "key \"admin\" in DIR/corvaned.key; \"corvaned key add|list|revoke\" manages the others (corvaned "
      "key --help).");
  std::string listen = "127.0.0.1:4730";
  double session_timeout = 120, lock_timeout = 10, request_timeout = 10, idle_timeout = 60;
  ServiceOptions& service = options->service;
  HttpOptions& http = options->http;

  app.add_option("--listen", listen, "Address and port to listen on; port 0 picks a free port")
      ->capture_default_str();
  app.add_option("--data", service.data_dir, "Data directory: one SQLite file NAME.db per database")
      ->capture_default_str();
  app.add_option(
         "--create-database", service.create_databases,
         "Create database NAME at start unless it exists (repeatable). Names: 1 to 64 of A-Z a-z 0-9 _ -")
      ->type_name("NAME");
  app.add_flag("--auto-create", service.auto_create, "Create a database on its first use");
  app.add_option("--session-timeout", session_timeout,
                 "Seconds without a request after which a session is rolled back and closed")
      ->capture_default_str()
      ->check(CLI::PositiveNumber);
  app.add_option("--lock-timeout", lock_timeout,
                 "Seconds a write waits for a database's write lock before it fails")
      ->capture_default_str()
      ->check(CLI::NonNegativeNumber);
  app.add_option("--max-sessions", service.max_sessions, "Most sessions open at once")
      ->capture_default_str()
      ->check(CLI::PositiveNumber);
  app.add_option("--request-log", service.request_log, "Append one JSON line per request to FILE")
      ->type_name("FILE");
  app.add_option("--ready-file", options->ready_file,
                 "Write the bound port to FILE once requests are accepted")
      ->type_name("FILE");
  app.add_option("--max-connections", http.max_connections,
                 "Most connections open at once; one more is closed as soon as it is accepted")
      ->capture_default_str()
      ->check(CLI::PositiveNumber);
  app.add_option("--request-timeout", request_timeout,
                 "Seconds within which a request must arrive whole, from its first byte")
      ->capture_default_str()
      ->check(CLI::PositiveNumber);
  app.add_option("--idle-timeout", idle_timeout,
                 "Seconds after which a connection that sends no request, or takes no reply, is closed")
      ->capture_default_str()
      ->check(CLI::PositiveNumber);
  bool no_access_key = false;
  app.add_flag("--no-access-key", no_access_key,
               "Serve every request without checking its access key: anyone who can connect may do "
               "anything");
  size_t document_memory_mib = service.document_limits.max_memory >> 20;
  app.add_option("--max-document-elements", service.document_limits.max_elements,
                 "Most elements in one submitted document; more are refused with KIVXDE0050")
      ->capture_default_str()
      ->check(CLI::PositiveNumber);
  app.add_option("--max-document-memory", document_memory_mib,
                 "Most memory in MiB that one submitted document may take parsed; more is refused with "
                 "KIVXDE0050")
      ->capture_default_str()
      ->check(CLI::PositiveNumber);
  bool unchecked_reads = false;
  app.add_flag("--bench-unchecked-reads", unchecked_reads,
               "Benchmark switch: do not check a transaction's reads at its first write (changes are then "
               "no longer serializable); only to measure what the check costs");
  app.add_option("--exit-after-requests", http.exit_after_requests,
                 "Fault injection: die at once, as in a crash (SIGKILL), right after the reply to the "
                 "N-th request is written; 0 never")
      ->type_name("N")
      ->capture_default_str();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  if (!SplitListen(listen, &http)) {
    std::fprintf(stderr, "corvaned: --listen wants ADDRESS:PORT, got \"%s\"\n", listen.c_str());
    return 2;
  }
  service.session_timeout = Seconds(session_timeout);
  service.lock_timeout = Seconds(lock_timeout);
  http.request_timeout = Seconds(request_timeout);
  http.idle_timeout = Seconds(idle_timeout);
  options->check_access_key = !no_access_key;
  service.document_limits.max_memory = document_memory_mib << 20;
  service.check_reads = !unchecked_reads;
  return -1;
}

}  // namespace corvane
