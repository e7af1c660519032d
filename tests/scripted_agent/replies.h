// Server replies in the shapes corvaned sends, for scripting the test agent.
#ifndef CUSTOR_TESTS_SCRIPTED_AGENT_REPLIES_H_
#define CUSTOR_TESTS_SCRIPTED_AGENT_REPLIES_H_

#include <algorithm>
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
inline std::string Response(const std::string &body, const Announced &identity = std::nullopt) {
  std::string reply =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><kiv:response "
      "xmlns:kiv=\"http://namespaces.corvane.example/kiv\" "
      "xmlns:xql=\"http://namespaces.corvane.example/xql\"";
  if (identity) reply += " kiv:sessionid=\"" + identity->id + "\" kiv:sessionkey=\"" + identity->key + "\"";
  return reply + ">" + body + "</kiv:response>";
}
// Success without result: one kiv:message with return value 0 and LINE.
inline std::string Ok(const std::string &line, const Announced &identity = std::nullopt) {
  return Response(
      "<kiv:message kiv:returnvalue=\"0\"><kiv:messageline>" + line + "</kiv:messageline></kiv:message>",
      identity);
}
// Success of a query that selected NODES, or of one that selected nothing.
inline std::string Result(const std::string &nodes, const Announced &identity = std::nullopt) {
  return Response("<xql:result>" + nodes +
                      "</xql:result><kiv:message kiv:returnvalue=\"0\"><kiv:messageline>XQL request "
                      "processed</kiv:messageline></kiv:message>",
                  identity);
}
inline std::string NoResult(const Announced &identity = std::nullopt) {
  return Ok("XQL request processed, no object returned", identity);
}
// Failure CODE TEXT (return value: CODE's number without leading zeros), after the query result
// NODES when given.
inline std::string Failure(const std::string &code, const std::string &text,
                           const Announced &identity = std::nullopt,
                           const std::optional<std::string> &nodes = std::nullopt) {
  std::string number = code.substr(code.find_first_of("0123456789"));
  number.erase(0, std::min(number.find_first_not_of('0'), number.size() - 1));
  return Response((nodes ? "<xql:result>" + *nodes + "</xql:result>" : "") +
                      "<kiv:message kiv:returnvalue=\"" + number + "\"><kiv:messagetext kiv:code=\"" + code +
                      "\">" + text + "</kiv:messagetext></kiv:message>",
                  identity);
}
// A query result holding NODES and, beside it, failure KIVXLE0060 (the database is locked).
inline std::string LockedResult(const std::string &nodes, const Announced &identity = std::nullopt) {
  return Failure("KIVXLE0060", "Database locked by another session", identity, nodes);
}
// The reply to "_connect=*" that opens the session.
inline std::string Connected(const Identity &identity) { return Ok("Session opened", identity); }

}  // namespace custor::testing

#endif  // CUSTOR_TESTS_SCRIPTED_AGENT_REPLIES_H_
