// Fuzz target: corvaned's decoding of request targets into database, verb, value and session.
//
// Beyond not crashing: a request that decodes as valid, encoded again the way the agent's request service
// encodes a command, decodes to the same database, verb, value and session, and its command text is the
// one the client built. Every text survives percent-encoding and decoding unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "agent/query.h"
#include "request.h"

namespace {

void Check(bool ok, const char *what) {
  if (ok) return;
  std::fprintf(stderr, "request_fuzz: %s\n", what);
  std::abort();
}

// The request service's own encoding, so that agent and server are checked against each other.
std::string Encode(std::string_view text) { return custor::agent::PercentEncode(text); }

std::string_view VerbName(corvane::Verb verb) {
  switch (verb) {
    case corvane::Verb::kConnect:
      return "_connect";
    case corvane::Verb::kCommit:
      return "_commit";
    case corvane::Verb::kRollback:
      return "_rollback";
    case corvane::Verb::kDisconnect:
      return "_disconnect";
    case corvane::Verb::kXql:
      return "_XQL";
    case corvane::Verb::kProcess:
      return "_process";
    case corvane::Verb::kDelete:
      return "_delete";
  }
  return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string_view input(reinterpret_cast<const char *>(data), size);

  std::string decoded;
  Check(corvane::PercentDecode(Encode(input), &decoded) && decoded == input,
        "encoded text decodes unchanged");

  const corvane::Request request = corvane::DecodeRequest(input);
  if (!request.valid) return 0;
  Check(!request.value.empty(), "a valid request has a value");
  Check(request.has_session || (request.session_id.empty() && request.session_key.empty()),
        "no session id or key without a session");

  std::string command = std::string(VerbName(request.verb)) + "=" + request.value;
  std::string target = "/corvane/" + Encode(request.database) + "/kiv:security?" +
                       Encode(VerbName(request.verb)) + "=" + Encode(request.value);
  if (request.has_session) {
    command += "&_sessionid=" + request.session_id + "&_sessionkey=" + request.session_key;
    target += "&_sessionid=" + Encode(request.session_id) + "&_sessionkey=" + Encode(request.session_key);
  }
  const corvane::Request again = corvane::DecodeRequest(target);
  Check(again.valid, "re-encoded request is valid");
  Check(again.collection, "re-encoded request names the security collection");
  Check(again.database == request.database, "same database");
  Check(again.verb == request.verb && again.value == request.value, "same verb and value");
  Check(again.has_session == request.has_session && again.session_id == request.session_id &&
            again.session_key == request.session_key,
        "same session");
  Check(again.command == command, "command text as the client built it");
  return 0;
}
