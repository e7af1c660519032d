// Per-request time on Windows: getUsers through custor.dll and custor-agent.dll (WinHTTP) against a bare
// WinHTTP GET of the same URL on a kept-alive connection, in the same process, to the corvaned that
// CUSTOR_PORT names. The two alternate, pair by pair, in changing order, so that a change in the load of
// the shared machine falls on both alike. Wall clock: the server's work is in both.
// usage: windows_request_bench [USERS [PAIRS]]   (defaults 10 and 2000)
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "agent/access_key.h"
#include "agent/query.h"
#include "custor/custor.h"
#include "custor/release.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kDatabase[] = "winbench";
constexpr char kListUsers[] = "_XQL=/kiv:user sortby(@kiv:userid)";

// WinHTTP as a program would use it bare: one session and connection, one request handle per GET.
class BareClient {
 public:
  // `field`: the access key's header field, as the request service sends it ("" for none).
  BareClient(int port, const std::string &field) : field_(field.begin(), field.end()) {
    session_ = WinHttpOpen(L"bench", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                           WINHTTP_NO_PROXY_BYPASS, 0);
    connection_ = WinHttpConnect(session_, L"localhost", static_cast<INTERNET_PORT>(port), 0);
  }
  ~BareClient() {
    WinHttpCloseHandle(connection_);
    WinHttpCloseHandle(session_);
  }
  BareClient(const BareClient &) = delete;
  BareClient &operator=(const BareClient &) = delete;

  // The body of the answer to a GET of `target`, or "" when none came.
  std::string Get(const std::wstring &target) {
    std::string body;
    HINTERNET request = WinHttpOpenRequest(connection_, L"GET", target.c_str(), nullptr, WINHTTP_NO_REFERER,
                                           WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
    if (request != nullptr &&
        WinHttpSendRequest(request, field_.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : field_.c_str(),
                           static_cast<DWORD>(field_.size()), WINHTTP_NO_REQUEST_DATA, 0, 0, 0) &&
        WinHttpReceiveResponse(request, nullptr)) {
      char buffer[16384];
      DWORD read = 0;
      while (WinHttpReadData(request, buffer, sizeof buffer, &read) && read != 0) body.append(buffer, read);
    }
    if (request != nullptr) WinHttpCloseHandle(request);
    return body;
  }

 private:
  std::wstring field_;  // ASCII
  HINTERNET session_;
  HINTERNET connection_;
};

double Median(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char **argv) {
  const int users = argc > 1 ? std::atoi(argv[1]) : 10;
  const int pairs = argc > 2 ? std::atoi(argv[2]) : 2000;
  const char *port = std::getenv("CUSTOR_PORT");
  if (port == nullptr || users < 1 || pairs < 1) {
    std::fprintf(stderr, "usage: CUSTOR_PORT=N windows_request_bench [USERS [PAIRS]]\n");
    return 2;
  }
  for (int i = 0; i < users; ++i) {
    const std::string id = "user" + std::to_string(10000 + i);
    char *result = createUser(0, kDatabase, "<d>bench</d>", id.c_str(), nullptr, 0, 0);
    const bool stored = std::strcmp(result, "0") == 0;
    if (!stored)
      std::fprintf(stderr, "createUser %s: %s (a database of its own is needed)\n", id.c_str(), result);
    custor_free_text(result);
    if (!stored) return 1;
  }

  const std::string target =
      custor::agent::EncodePath(std::string("/corvane/") + kDatabase + "/kiv:security") + "?" +
      custor::agent::EncodeCommand(kListUsers);
  const std::wstring wide_target(target.begin(), target.end());  // ASCII once encoded
  BareClient bare(std::atoi(port), custor::agent::AuthorizationField());
  bool right = true;
  const auto library = [&] {
    NameList *list = getUsers(0, kDatabase, 0, 0);
    right = right && std::strcmp(list->status, "0") == 0 && list->count == users;
    custor_free_name_list(list);
  };
  const auto reference = [&] {
    const std::string body = bare.Get(wide_target);
    right = right && body.find("user" + std::to_string(10000 + users - 1)) != std::string::npos;
  };

  std::vector<double> library_us, bare_us, ratios;
  for (int i = 0; i < pairs + 100; ++i) {  // the first 100 pairs warm up
    const bool library_first = i % 2 == 0;
    const Clock::time_point t0 = Clock::now();
    library_first ? library() : reference();
    const Clock::time_point t1 = Clock::now();
    library_first ? reference() : library();
    const Clock::time_point t2 = Clock::now();
    const double first = std::chrono::duration<double, std::micro>(t1 - t0).count();
    const double second = std::chrono::duration<double, std::micro>(t2 - t1).count();
    if (i < 100) continue;
    library_us.push_back(library_first ? first : second);
    bare_us.push_back(library_first ? second : first);
    ratios.push_back(library_us.back() / bare_us.back());
  }
  if (!right) {
    std::fprintf(stderr, "a library call or a bare GET did not list every user\n");
    return 1;
  }
  std::printf(
      "getUsers of %d users, %d pairs: library %.1f us (median), bare WinHTTP GET %.1f us (median), "
      "median ratio of the pairs %.2f\n",
      users, pairs, Median(library_us), Median(bare_us), Median(ratios));
  return 0;
}
