// Test helper: a scripted server conversation. Each step names the command the library must send and
// the reply it gets; the session's key changes with every successful command, as corvaned does, so a
// command that carries any but the latest key shows up as a mismatch in the expected commands.
#ifndef CUSTOR_LIB_CHANGE_TRANSACTION_SCRIPT_H_
#define CUSTOR_LIB_CHANGE_TRANSACTION_SCRIPT_H_

#include <functional>
#include <string>
#include <vector>

#include "agent/replies.h"
#include "agent/test_agent.h"
#include "core/text.h"

namespace custor::testing {

// How a reply announces the session: a new key, the key of the command (a refused command), or nothing.
enum class Next { kNewKey, kSameKey, kNoIdentity };

class TransactionScript {
 public:
  using Maker = std::function<std::string(const Identity *)>;

  explicit TransactionScript(std::string id = "77") : identity_{std::move(id), "k0"} {}

  // "_connect=*" answered with the session id and key k1.
  TransactionScript &Connect() {
    Advance();
    commands_.push_back("_connect=*");
    replies_.push_back(Connected(identity_));
    return *this;
  }
  // Starts from a session that the caller holds.
  TransactionScript &Given(const std::string &id, const std::string &key) {
    identity_ = Identity{id, key};
    return *this;
  }
  const Identity &identity() const { return identity_; }

  // `command` with the current session tail; the reply made by `maker` with the identity `next` says.
  TransactionScript &Send(const std::string &command, const Maker &maker, Next next = Next::kNewKey) {
    commands_.push_back(command + Tail());
    if (next == Next::kNewKey) Advance();
    if (next == Next::kNoIdentity) {
      replies_.push_back(maker(nullptr));
      identity_ = Identity{std::string(kParseErr), std::string(kParseErr)};
    } else {
      replies_.push_back(maker(&identity_));
    }
    return *this;
  }
  // A command without session parameters.
  TransactionScript &Sessionless(const std::string &command, Reply reply) {
    commands_.push_back(command);
    replies_.push_back(std::move(reply));
    return *this;
  }
  // A command that gets no reply at all.
  TransactionScript &Unanswered(const std::string &command) {
    commands_.push_back(command + Tail());
    replies_.push_back(Reply{});
    return *this;
  }

  // The three queries of a group read in the session.
  TransactionScript &ReadGroup(const std::string &name, const std::string &id,
                               const std::vector<std::string> &users, const std::vector<std::string> &acls,
                               Next last = Next::kNewKey) {
    const std::string group = "_XQL=/kiv:group [@kiv:groupname=\"" + name + "\"]";
    Send(group + " /kiv:userref sortby(.)", Nodes("kiv:userref", users));
    Send(group + " /kiv:aclref sortby(.)", Nodes("kiv:aclref", acls));
    return Send(group, ResultWith("<kiv:group kiv:id=\"" + id + "\" kiv:groupname=\"" + name + "\"/>"), last);
  }

  TransactionScript &Commit() { return End("_commit=*", "Transaction committed"); }
  TransactionScript &Rollback() { return End("_rollback=*", "Transaction rolled back"); }

  void QueueInto(TestAgent &agent) const {
    for (const Reply &reply : replies_) agent.Queue(reply);
  }
  const std::vector<std::string> &commands() const { return commands_; }

  static Maker OkWith(const std::string &line) {
    return [line](const Identity *identity) { return Ok(line, identity); };
  }
  static Maker ResultWith(const std::string &nodes) {
    return [nodes](const Identity *identity) { return Result(nodes, identity); };
  }
  static Maker NoResultWith() {
    return [](const Identity *identity) { return NoResult(identity); };
  }
  static Maker FailureWith(const std::string &code, const std::string &text) {
    return [code, text](const Identity *identity) { return Failure(code, text, identity); };
  }
  // A query result of `element` elements with the given texts, or no result at all for none.
  static Maker Nodes(const std::string &element, const std::vector<std::string> &texts) {
    if (texts.empty()) return NoResultWith();
    std::string nodes;
    for (const std::string &text : texts) nodes += "<" + element + ">" + text + "</" + element + ">";
    return ResultWith(nodes);
  }

 private:
  std::string Tail() const { return "&_sessionid=" + identity_.id + "&_sessionkey=" + identity_.key; }
  void Advance() { identity_.key = "k" + std::to_string(++keys_); }
  TransactionScript &End(const std::string &verb, const std::string &line) {
    Send(verb, OkWith(line));
    commands_.push_back("_disconnect=*" + Tail());
    replies_.push_back(Ok("Session closed"));
    return *this;
  }

  Identity identity_;
  int keys_ = 0;
  std::vector<std::string> commands_;
  std::vector<Reply> replies_;
};

}  // namespace custor::testing

#endif  // CUSTOR_LIB_CHANGE_TRANSACTION_SCRIPT_H_
