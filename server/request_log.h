// The request log: one JSON object per line and request, in the order served.
#ifndef CUSTOR_SERVER_REQUEST_LOG_H_
#define CUSTOR_SERVER_REQUEST_LOG_H_

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace corvane {

class RequestLog {
 public:
  RequestLog() = default;
  ~RequestLog();
  RequestLog(const RequestLog&) = delete;
  RequestLog& operator=(const RequestLog&) = delete;

  // Appends to `path`. False when it cannot be opened.
  bool Open(const std::string& path);
  // Writes {"db":"...","command":"...","code":"..."} and flushes it; does nothing when not open. Never
  // fails the request: a line that cannot be made (no memory) is left out, with a word on stderr.
  void Write(std::string_view db, std::string_view command, std::string_view code) noexcept;

  // The line for one request, line feed included.
  static std::string Line(std::string_view db, std::string_view command, std::string_view code);

 private:
  std::mutex mu_;
  FILE* file_ = nullptr;
};

}  // namespace corvane

#endif  // CUSTOR_SERVER_REQUEST_LOG_H_
