// Test helper of the create tests: a server conversation as a list of steps, each the command that the
// library must send and the reply scripted for it, in session 7 whose key kN changes with every reply.
#ifndef CUSTOR_LIB_CREATE_TEST_STEPS_H_
#define CUSTOR_LIB_CREATE_TEST_STEPS_H_

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "agent/replies.h"
#include "agent/test_agent.h"
#include "core/session.h"

namespace custor::testing {

// The session a result carries, as "id/key/status", or "none".
inline std::string Describe(const std::optional<Session> &session) {
  if (!session) return "none";
  return session->sessionId + "/" + session->sessionKey + "/" + session->status;
}

// Session 7 with key kN, as a reply announces it and as a command carries it.
inline Identity K(int n) { return Identity{"7", "k" + std::to_string(n)}; }
inline std::string Tail(int n) { return "&_sessionid=7&_sessionkey=k" + std::to_string(n); }

struct Step {
  std::string command;
  Reply reply;
};
using Steps = std::vector<Step>;

inline Steps Join(std::initializer_list<Steps> parts) {
  Steps all;
  for (const Steps &part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// Queues the replies of `steps` and returns the commands they expect, in order.
inline std::vector<std::string> Play(TestAgent &agent, const Steps &steps) {
  std::vector<std::string> commands;
  for (const Step &step : steps) {
    agent.Queue(step.reply);
    commands.push_back(step.command);
  }
  return commands;
}

inline std::string Refs(const char *element, const std::vector<std::string> &names) {
  std::string nodes;
  for (const std::string &name : names)
    nodes += std::string("<") + element + ">" + name + "</" + element + ">";
  return nodes;
}

// The three queries that read group `name` in the session, starting with key n; the replies announce
// keys n+1 to n+3. An empty kivid stands for a group without a document.
inline Steps ReadOf(const std::string &name, const std::vector<std::string> &users,
                    const std::vector<std::string> &acls, const std::string &kivid, int n) {
  const std::string selector = "_XQL=/kiv:group [@kiv:groupname=\"" + name + "\"]";
  auto answer = [](const std::string &nodes, int key) {
    return nodes.empty() ? NoResult(K(key)) : Result(nodes, K(key));
  };
  const std::string document = kivid.empty() ? ""
                                             : "<kiv:group kiv:id=\"" + kivid + "\" kiv:groupname=\"" + name +
                                                   "\">" + Refs("kiv:userref", users) +
                                                   Refs("kiv:aclref", acls) + "</kiv:group>";
  return {{selector + " /kiv:userref sortby(.)" + Tail(n), answer(Refs("kiv:userref", users), n + 1)},
          {selector + " /kiv:aclref sortby(.)" + Tail(n + 1), answer(Refs("kiv:aclref", acls), n + 2)},
          {selector + Tail(n + 2), answer(document, n + 3)}};
}

// "_connect=*" opening session 7 with key k1.
inline Steps Connect() { return {{"_connect=*", Connected(K(1))}}; }

// Commit or rollback with key kN, then the disconnect with the key that its reply announces.
inline Steps End(const char *verb, int n) {
  return {{std::string(verb) + "=*" + Tail(n), Ok("Transaction", K(n + 1))},
          {"_disconnect=*" + Tail(n + 1), Ok("Session closed")}};
}

inline const std::string kNs = "xmlns:kiv=\"http://namespaces.corvane.example/kiv\"";
inline const std::string kDecl = "_process=<?xml version=\"1.0\" encoding=\"utf-8\" ?>";

}  // namespace custor::testing

#endif  // CUSTOR_LIB_CREATE_TEST_STEPS_H_
