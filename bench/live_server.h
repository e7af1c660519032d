// The live setting of the request benchmarks: one corvaned per benchmark program, started as a child
// process on 127.0.0.1:0, reached by libcustor.so through the request service of libcustor-agent.so,
// and helpers that fill a database through the library itself.
#ifndef CUSTOR_BENCH_LIVE_SERVER_H_
#define CUSTOR_BENCH_LIVE_SERVER_H_

#include <string>
#include <vector>

#include "e2e/corvaned_process.h"

namespace custor::bench {

// The server, started on first use; CUSTOR_PORT then names its port, and CUSTOR_KEY_FILE its key.
e2e::CorvanedProcess &Server();

// The "Authorization" header field that carries the server's key.
std::string AuthorizationHeader();

// The URL the request service sends for `command` on `database` (host "localhost").
std::string RequestUrl(const std::string &database, const std::string &command);

// "<prefix><i>" with i written in five digits, so that names sort as they are numbered.
std::string Name(const char *prefix, int i);

// Stores users, or groups without references, through the library; false when one was refused.
bool CreateUsers(const std::string &database, const std::string &prefix, int count);
bool CreateGroups(const std::string &database, const std::string &prefix, int count);
// Stores user `userid`, referred to by every group in `groups`.
bool CreateUserIn(const std::string &database, const std::string &userid,
                  const std::vector<std::string> &groups);

}  // namespace custor::bench

#endif  // CUSTOR_BENCH_LIVE_SERVER_H_
