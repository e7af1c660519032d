// Decoding of request targets: "/corvane/<database>/kiv:security?_<verb>=<value>[&_sessionid=<id>
// &_sessionkey=<key>]", each part percent-encoded.
#ifndef CUSTOR_SERVER_REQUEST_H_
#define CUSTOR_SERVER_REQUEST_H_

#include <optional>
#include <string>
#include <string_view>

#include "document_parser.h"
#include "query.h"
#include "reply.h"

namespace corvane {

enum class Verb { kConnect, kCommit, kRollback, kDisconnect, kXql, kProcess, kDelete };

struct Request {
  bool collection = false;  // the path names a security collection
  std::string database;     // decoded
  std::string command;      // the command text rebuilt from the decoded parameters
  bool valid = false;       // a verb with its value, and session parameters as the verb requires
  Verb verb = Verb::kXql;
  std::string value;
  bool has_session = false;
  std::string session_id;
  std::string session_key;
};

// Decodes "%XX" escapes; every other byte stands for itself. False on a malformed escape.
bool PercentDecode(std::string_view in, std::string* out);

Request DecodeRequest(std::string_view target);

// The value of a command, parsed.
struct Operand {
  std::optional<Query> query;          // "_XQL"; "_delete" as the query of the documents it deletes
  std::optional<Submission> document;  // "_process"
};

// Parses the value of a valid request of "_XQL", "_delete" or "_process" (the other verbs have none).
// On failure returns the code to answer (KIVXQE0040, KIVXDE0050) and, where there is more to say than the
// code's text, what was wrong in `detail`.
Code ParseOperand(const Request& request, const DocumentLimits& limits, Operand* operand,
                  std::string* detail);

}  // namespace corvane

#endif  // CUSTOR_SERVER_REQUEST_H_
