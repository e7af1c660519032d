// Harness of the library's unit tests: the commands and documents the library sends; scripted
// conversations in which the session key changes with every answered command, as corvaned's does, so a
// command carrying any but the latest key shows as a mismatch; and the fixture, which checks the reply
// contract at the end of every test.
#ifndef CUSTOR_TESTS_SCRIPTED_AGENT_FIXTURE_H_
#define CUSTOR_TESTS_SCRIPTED_AGENT_FIXTURE_H_

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/call.h"
#include "core/check_result.h"
#include "core/message_codes.h"
#include "core/session.h"
#include "custor/custor.h"
#include "scripted_agent/replies.h"
#include "scripted_agent/test_agent.h"

namespace custor::testing {

inline const std::string kXmlns = " xmlns:kiv=\"http://namespaces.corvane.example/kiv\">";
inline const std::string kLost = "VRX@DLL PARSE_ERR";

// The lookup of a "user", "group" or "acl" by name.
inline std::string Lookup(const std::string &kind, const std::string &name) {
  const std::string attribute = kind == "user" ? "userid" : kind + "name";
  return "_XQL=/kiv:" + kind + " [@kiv:" + attribute + "=\"" + name + "\"]";
}
// References of kind "user" or "acl", in order.
inline std::string Refs(const std::string &kind, const std::vector<std::string> &names) {
  const std::string open = "<kiv:" + kind + "ref>", close = "</kiv:" + kind + "ref>";
  std::string refs;
  for (const std::string &name : names) refs.append(open).append(name).append(close);
  return refs;
}
inline std::string Entry(const std::string &access, const std::string &text) {
  return "<kiv:ace kiv:access=\"" + access + "\">" + text + "</kiv:ace>";
}
inline std::string GroupNode(const std::string &id, const std::string &name) {
  return "<kiv:group kiv:id=\"" + id + "\" kiv:groupname=\"" + name + "\"/>";
}

// The "_process=" documents; with an id, the document is rewritten in place under that kiv:id.
inline std::string UserDoc(const std::string &userid, const std::string &content) {
  return "_process=<kiv:user kiv:userid=\"" + userid + "\"" + kXmlns + content + "</kiv:user>";
}
// A "group" or "acl" document.
inline std::string Doc(const std::string &kind, const std::string &name, const std::string &body,
                       const std::string &id = "") {
  const std::string id_attribute = id.empty() ? "" : "kiv:id=\"" + id + "\" ";
  return "_process=<?xml version=\"1.0\" encoding=\"utf-8\" ?><kiv:" + kind + " " + id_attribute +
         "kiv:" + kind + "name=\"" + name + "\"" + kXmlns + body + "</kiv:" + kind + ">";
}

// A reply made for the identity the script gives it: success, a query result, no result, a failure, or
// a result beside failure KIVXLE0060.
using Maker = std::function<Reply(const Announced &)>;
using std::placeholders::_1;
inline Maker Done() { return std::bind(Ok, "Done", _1); }
inline Maker Found(const std::string &nodes) { return std::bind(Result, nodes, _1); }
inline Maker None() { return std::bind(NoResult, _1); }
inline Maker Refused(const std::string &code, const std::string &text) {
  return std::bind(Failure, code, text, _1, std::nullopt);
}
inline Maker Locked() { return std::bind(LockedResult, "", _1); }

// What a reply announces: a new key, the key of the command (the server keeps it on a refusal), or
// no identity at all.
enum class Next { kNewKey, kSameKey, kNoIdentity };
using enum Next;

// The commands a conversation expects and the replies scripted for them, in session 7 (key k0) until a
// step says otherwise.
struct Script {
  std::string Tail() const { return "&_sessionid=" + identity.id + "&_sessionkey=" + identity.key; }
  void Add(std::string command, Reply reply) {
    commands.push_back(std::move(command));
    replies.push_back(std::move(reply));
  }

  Identity identity{"7", "k0"};
  int keys = 0;
  std::vector<std::string> commands;
  std::vector<Reply> replies;
};

// The steps of a conversation, in the order given; Steps makes several steps one.
using Step = std::function<void(Script &)>;
template <typename... Each>
Script Talk(const Each &...steps) {
  Script script;
  (steps(script), ...);
  return script;
}
template <typename... Each>
Step Steps(const Each &...steps) {
  return [=](Script &script) { (steps(script), ...); };
}
// A command without session parameters.
inline Step Plain(const std::string &command, const Reply &reply) {
  return std::bind(&Script::Add, _1, command, reply);
}
// `command` with the current session tail, answered by `maker` with the identity that `next` says.
inline Step Send(const std::string &command, const Maker &maker = Done(), Next next = kNewKey) {
  return [=](Script &s) {
    const std::string sent = command + s.Tail();
    if (next == kNewKey) s.identity.key = "k" + std::to_string(++s.keys);
    s.Add(sent, maker(next == kNoIdentity ? Announced() : Announced(s.identity)));
    if (next == kNoIdentity) s.identity = Identity{kLost, kLost};
  };
}
// "_connect=*" opening session 7 with the next key.
inline Step Connect() {
  return [](Script &s) {
    s.identity = Identity{"7", "k" + std::to_string(++s.keys)};
    s.Add("_connect=*", Connected(s.identity));
  };
}
// The connects that open no usable session: refused (id and key "0" follow), or without a session id.
inline Step ConnectRefused() { return Plain("_connect=*", Failure("KIVXSE0031", "Too many sessions")); }
inline Step ConnectWithoutId() { return Plain("_connect=*", Ok("x")); }
// `command` refused: no such document (the server keeps the key), or the session is gone.
inline Step NotFound(const std::string &command) {
  return Send(command, Refused("KIVXIE8300", "No matching document found"), kSameKey);
}
inline Step SessionGone(const std::string &command) {
  return Send(command, Refused("KIVXSE0030", "Invalid session"), kNoIdentity);
}
// Goes on in a session that the caller holds.
inline Step Given(const std::string &id, const std::string &key) {
  return [=](Script &s) { s.identity = Identity{id, key}; };
}
// `command` with the session tail that gets no reply at all.
inline Step Unanswered(const std::string &command) {
  return Send(
      command, [](const Announced &) { return Reply{}; }, kSameKey);
}
// The three queries of a group read in the session; an empty id: the group has no document.
inline Step ReadGroup(const std::string &name, const std::string &id, const std::vector<std::string> &users,
                      const std::vector<std::string> &acls, Next last = kNewKey) {
  const auto refs = [](const std::string &kind, const std::vector<std::string> &names) {
    return names.empty() ? None() : Found(Refs(kind, names));
  };
  return Steps(Send(Lookup("group", name) + " /kiv:userref sortby(.)", refs("user", users)),
               Send(Lookup("group", name) + " /kiv:aclref sortby(.)", refs("acl", acls)),
               Send(Lookup("group", name), id.empty() ? None() : Found(GroupNode(id, name)), last));
}
// Commit or rollback, then the disconnect with the identity that its reply announced.
inline Step End(const std::string &verb, Next next) {
  return Steps(Send(verb, Done(), next),
               [](Script &s) { s.Add("_disconnect=*" + s.Tail(), Ok("Session closed")); });
}
inline Step Commit(Next next = kNewKey) { return End("_commit=*", next); }
inline Step Rollback(Next next = kNewKey) { return End("_rollback=*", next); }

// The sessions a reader is handed, usable and not, and the connect that the server refuses (the reader
// then gives up and rolls back with the identity "0"/"0").
inline const Session kCaller{"30", "c0", "0"}, kUnusable{"31", "c9", kLost};
inline Script RefusedConnect() { return Talk(ConnectRefused(), Given("0", "0"), Rollback(kNoIdentity)); }

// The answer text of an exported function, released.
inline std::string Take(char *text) {
  std::string copy = text != nullptr ? text : "(null)";
  std::free(text);
  return copy;
}

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

class AgentTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { CheckContract(); }
  static void CheckContract() {
    EXPECT_THAT(agent().violations(), IsEmpty());
    EXPECT_FALSE(agent().reply_outstanding());
    EXPECT_EQ(agent().unused_replies(), 0u) << "scripted replies left unused";
  }
  // A fresh agent whose message table gives every message code of the library the text " text".
  static void Reset() {
    agent().Reset();
    for (const MessageCodeText &code : kMessageCodes) agent().SetMessage(std::string(code.text), " text");
  }
  static TestAgent &agent() { return TestAgent::Get(); }
  static Call db1() { return Call{7, "db1", 42, 9}; }
  // Runs `run` against the script's replies: it must answer `result` after sending the script's commands.
  template <typename Run>
  static void Expect(const Script &script, const std::string &result, Run run) {
    Reset();
    for (const Reply &reply : script.replies) agent().Queue(reply);
    EXPECT_EQ(run(), result);
    EXPECT_THAT(agent().commands(), ElementsAreArray(script.commands)) << result;
    // Every request goes to the security collection of db1 over connection word 42.
    for (const Request &request : agent().requests()) {
      EXPECT_EQ(request.path + " " + std::to_string(request.connection), "/corvane/db1/kiv:security 42");
    }
    CheckContract();
  }
};

// A session as "id/key/status", "-" for none; texts joined by blanks.
inline std::string Describe(const std::optional<Session> &s) {
  return s ? s->sessionId + "/" + s->sessionKey + "/" + s->status : "-";
}
inline std::string Describe(const CheckResult &result) {
  return result.status.Text() + "|" + Describe(result.session);
}
// A lookup's verdict as its text was: "1" when found.
inline std::string Describe(const LookupResult &result) {
  return (result.verdict.found() ? "1" : result.verdict.ToStatus().Text()) + "|" + Describe(result.session);
}
inline std::string Joined(const std::vector<std::string> &texts) {
  std::string joined;
  for (const std::string &text : texts) joined += (joined.empty() ? "" : " ") + text;
  return joined;
}

}  // namespace custor::testing

#endif  // CUSTOR_TESTS_SCRIPTED_AGENT_FIXTURE_H_
