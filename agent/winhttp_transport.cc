#include "agent/winhttp_transport.h"

#include <algorithm>
#include <chrono>
#include <memory>

namespace custor::agent {
namespace {

using Clock = std::chrono::steady_clock;

struct HandleCloser {
  void operator()(void *handle) const { WinHttpCloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// WinHTTP takes its texts as UTF-16.
std::wstring Wide(const std::string &text) {
  if (text.empty()) return {};
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

// Milliseconds left until `deadline`; 0 when it has passed (for WinHTTP, 0 would mean "no limit").
int Left(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(std::min<long long>(left, 0x7FFFFFFF)) : 0;
}

// Lets the next wait for the server (for the answer's head, or for more of its body) take at most
// `left` ms; false when no time is left. The head has a limit of its own, 90 s unless set.
bool LimitWait(HINTERNET request, int left) {
  DWORD ms = static_cast<DWORD>(left);
  return left > 0 && WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms) != FALSE &&
         WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &ms, sizeof ms) != FALSE;
}

}  // namespace

std::unique_ptr<Transport> NewTransport() { return std::make_unique<WinHttpTransport>(); }

WinHttpTransport::~WinHttpTransport() {
  if (connection_ != nullptr) WinHttpCloseHandle(connection_);
  if (session_ != nullptr) WinHttpCloseHandle(session_);
}

HINTERNET WinHttpTransport::Connect(const std::string &host, long port) {
  if (connection_ != nullptr && host == host_ && port == port_) return connection_;
  if (connection_ != nullptr) WinHttpCloseHandle(connection_);
  connection_ = WinHttpConnect(session_, Wide(host).c_str(), static_cast<INTERNET_PORT>(port), 0);
  host_ = host;
  port_ = port;
  return connection_;
}

std::optional<std::string> WinHttpTransport::Get(const Request &request, const Limits &limits) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limits.total_ms);
  if (session_ == nullptr) {
    session_ = WinHttpOpen(L"custor-agent", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                           WINHTTP_NO_PROXY_BYPASS, 0);
    if (session_ == nullptr) return std::nullopt;
  }
  if (Connect(request.host, request.port) == nullptr) return std::nullopt;
  // The target is encoded already: WinHTTP sends it as it stands.
  const Handle http(WinHttpOpenRequest(connection_, L"GET", Wide(request.target).c_str(), nullptr,
                                       WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                       WINHTTP_FLAG_ESCAPE_DISABLE | WINHTTP_FLAG_ESCAPE_DISABLE_QUERY));
  if (http == nullptr) return std::nullopt;
  // Every answer is the server's reply as it came: no cookies kept, no redirect or log-in followed.
  DWORD features = WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_AUTHENTICATION;
  WinHttpSetOption(http.get(), WINHTTP_OPTION_DISABLE_FEATURE, &features, sizeof features);

  // WinHTTP limits each step of a request; every step gets what is left of the whole request's time.
  const int left = Left(deadline);
  const int connect = static_cast<int>(std::min<long>(limits.connect_ms, left));
  if (!LimitWait(http.get(), left) || !WinHttpSetTimeouts(http.get(), left, connect, left, left)) {
    return std::nullopt;
  }
  const std::wstring field = Wide(request.field);
  if (!WinHttpSendRequest(http.get(), field.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : field.c_str(),
                          static_cast<DWORD>(field.size()), WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
      !LimitWait(http.get(), Left(deadline)) || !WinHttpReceiveResponse(http.get(), nullptr)) {
    return std::nullopt;
  }
  std::string body;
  char buffer[16384];
  DWORD read = 0;
  do {
    if (!LimitWait(http.get(), Left(deadline)) ||
        !WinHttpReadData(http.get(), buffer, sizeof buffer, &read)) {
      return std::nullopt;
    }
    body.append(buffer, read);
  } while (read != 0);
  if (body.empty()) return std::nullopt;
  return body;
}

}  // namespace custor::agent
