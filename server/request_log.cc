#include "request_log.h"

namespace corvane {

namespace {

void AppendJsonString(std::string* out, std::string_view text) {
  out->push_back('"');
  for (char c : text) {
    switch (c) {
      case '"':
        out->append("\\\"");
        break;
      case '\\':
        out->append("\\\\");
        break;
      case '\n':
        out->append("\\n");
        break;
      case '\r':
        out->append("\\r");
        break;
      case '\t':
        out->append("\\t");
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
          out->append(escape);
        } else {
          out->push_back(c);
        }
    }
  }
  out->push_back('"');
}

}  // namespace

RequestLog::~RequestLog() {
  if (file_ != nullptr) std::fclose(file_);
}

bool RequestLog::Open(const std::string& path) {
  file_ = std::fopen(path.c_str(), "a");
  return file_ != nullptr;
}

std::string RequestLog::Line(std::string_view db, std::string_view command, std::string_view code) {
  std::string line = "{\"db\":";
  AppendJsonString(&line, db);
  line += ",\"command\":";
  AppendJsonString(&line, command);
  line += ",\"code\":";
  AppendJsonString(&line, code);
  line += "}\n";
  return line;
}

void RequestLog::Write(std::string_view db, std::string_view command, std::string_view code) {
  if (file_ == nullptr) return;
  std::string line = Line(db, command, code);
  std::lock_guard lock(mu_);
  std::fwrite(line.data(), 1, line.size(), file_);
  std::fflush(file_);
}

}  // namespace corvane
