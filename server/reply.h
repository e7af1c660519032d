// The reply documents of the protocol: the three body forms, compact, in the "kiv:response" envelope.
#ifndef CUSTOR_SERVER_REPLY_H_
#define CUSTOR_SERVER_REPLY_H_

#include <string>
#include <string_view>

namespace corvane {

// Outcome of a command: success or one of the server's failure codes.
enum class Code {
  kOk,
  kNoMatchingDocument,  // KIVXIE8300
  kUnknownError,        // KIVXXE8610
  kInvalidRequest,      // KIVXCE0010
  kDatabaseNotFound,    // KIVXBE0020
  kInvalidSession,      // KIVXSE0030
  kTooManySessions,     // KIVXSE0031
  kInvalidQuery,        // KIVXQE0040
  kInvalidDocument,     // KIVXDE0050
  kLocked,              // KIVXLE0060
  kConflict,            // KIVXTE0070
  kAccessDenied,        // KIVXAE0080
};

// "KIVXIE8300" for kNoMatchingDocument, ...; "0" for kOk.
std::string_view CodeName(Code code);
// "No matching document found" for kNoMatchingDocument, ...
std::string_view CodeText(Code code);

struct SessionIdentity {
  std::string id;
  std::string key;
};

// A success without result: the message line alone.
std::string WriteMessageReply(std::string_view line, const SessionIdentity* session);
// A query that selected at least one node: `nodes` inside "xql:result", then the message.
std::string WriteResultReply(std::string_view nodes, const SessionIdentity* session);
// A failure: the code, its return value and its text; a `detail` follows the text after ": ".
std::string WriteFailureReply(Code code, const SessionIdentity* session, std::string_view detail = {});

}  // namespace corvane

#endif  // CUSTOR_SERVER_REPLY_H_
