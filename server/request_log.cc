#include "request_log.h"

#include <nlohmann/json.hpp>

namespace corvane {

RequestLog::~RequestLog() {
  if (file_ != nullptr) std::fclose(file_);
}

bool RequestLog::Open(const std::string& path) {
  file_ = std::fopen(path.c_str(), "a");
  return file_ != nullptr;
}

std::string RequestLog::Line(std::string_view db, std::string_view command, std::string_view code) {
  nlohmann::ordered_json line = {{"db", db}, {"command", command}, {"code", code}};
  // A command may hold any bytes: bytes that are no UTF-8 become U+FFFD ("replace"), so that the line
  // stays valid JSON and shows where they were; valid UTF-8 is written as it is.
  return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

void RequestLog::Write(std::string_view db, std::string_view command, std::string_view code) noexcept {
  if (file_ == nullptr) return;
  try {
    std::string line = Line(db, command, code);
    std::lock_guard lock(mu_);
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fflush(file_);
  } catch (...) {
    // No memory for the line: the request was served all the same; the log misses it, and says so.
    std::fputs("corvaned: a request log line was lost: out of memory\n", stderr);
  }
}

}  // namespace corvane
