// Server replies in the shapes corvaned sends, for scripting the test agent.
#ifndef CUSTOR_TESTS_AGENT_REPLIES_H_
#define CUSTOR_TESTS_AGENT_REPLIES_H_

#include <optional>
#include <string>

namespace custor::testing {

// An identity announced by a reply: kiv:sessionid and kiv:sessionkey on kiv:response.
struct Identity {
  std::string id;
  std::string key;
};
using Announced = std::optional<Identity>;

// <kiv:response ...>BODY</kiv:response> with the XML declaration, and the identity when given.
std::string Response(const std::string &body, const Announced &identity = std::nullopt);
// Success without result: one kiv:message with return value 0 and LINE.
std::string Ok(const std::string &line, const Announced &identity = std::nullopt);
// Success of a query that selected NODES.
std::string Result(const std::string &nodes, const Announced &identity = std::nullopt);
// A query that selected nothing.
std::string NoResult(const Announced &identity = std::nullopt);
// Failure CODE TEXT (return value: CODE's number without leading zeros).
std::string Failure(const std::string &code, const std::string &text,
                    const Announced &identity = std::nullopt);
// A query result holding NODES and, beside it, failure KIVXLE0060 (the database is locked).
std::string LockedResult(const std::string &nodes, const Announced &identity = std::nullopt);
// The reply to "_connect=*" that opens the session.
inline std::string Connected(const Identity &identity) { return Ok("Session opened", identity); }

}  // namespace custor::testing

#endif  // CUSTOR_TESTS_AGENT_REPLIES_H_
