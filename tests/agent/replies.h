// Server replies in the shapes corvaned sends, for scripting the test agent.
#ifndef CUSTOR_TESTS_AGENT_REPLIES_H_
#define CUSTOR_TESTS_AGENT_REPLIES_H_

#include <string>

namespace custor::testing {

// An identity announced by a reply: kiv:sessionid and kiv:sessionkey on kiv:response.
struct Identity {
  std::string id;
  std::string key;
};

// <kiv:response ...>BODY</kiv:response> with the XML declaration, and the identity when given.
std::string Response(const std::string &body, const Identity *identity = nullptr);

// Success without result: one kiv:message with return value 0 and LINE.
std::string Ok(const std::string &line, const Identity *identity = nullptr);
inline std::string Ok(const std::string &line, const Identity &identity) { return Ok(line, &identity); }

// Success of a query that selected NODES.
std::string Result(const std::string &nodes, const Identity *identity = nullptr);
inline std::string Result(const std::string &nodes, const Identity &identity) {
  return Result(nodes, &identity);
}

// A query that selected nothing.
std::string NoResult(const Identity *identity = nullptr);
inline std::string NoResult(const Identity &identity) { return NoResult(&identity); }

// Failure CODE TEXT (return value: CODE's number without leading zeros).
std::string Failure(const std::string &code, const std::string &text, const Identity *identity = nullptr);
inline std::string Failure(const std::string &code, const std::string &text, const Identity &identity) {
  return Failure(code, text, &identity);
}

// The reply to "_connect=*" that opens session ID with key KEY.
std::string Connected(const Identity &identity);

}  // namespace custor::testing

#endif  // CUSTOR_TESTS_AGENT_REPLIES_H_
