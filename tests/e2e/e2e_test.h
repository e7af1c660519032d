// Base of the end-to-end tests: one corvaned per test program, the library and the agent services
// linked as a real agent links them, a database of its own for every test, and the helpers the tests
// share (documents to seed, input records, the request log read back).
#ifndef CUSTOR_TESTS_E2E_E2E_TEST_H_
#define CUSTOR_TESTS_E2E_E2E_TEST_H_

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "cli/results.h"
#include "custor/agent.h"
#include "custor/custor.h"
#include "e2e/corvaned_process.h"

namespace custor::e2e {

// Documents of the security collection as a test seeds them with _process.
constexpr char kNs[] = " xmlns:kiv=\"http://namespaces.corvane.example/kiv\"";
inline std::string UserDoc(const std::string &id, const std::string &content = "<name>x</name>") {
  return "<kiv:user kiv:userid=\"" + id + "\"" + kNs + ">" + content + "</kiv:user>";
}
inline std::string Refs(const std::vector<std::string> &users, const std::vector<std::string> &acls) {
  std::string refs;
  for (const std::string &user : users) refs += "<kiv:userref>" + user + "</kiv:userref>";
  for (const std::string &acl : acls) refs += "<kiv:aclref>" + acl + "</kiv:aclref>";
  return refs;
}
inline std::string GroupDoc(const std::string &name, const std::vector<std::string> &users = {},
                            const std::vector<std::string> &acls = {}) {
  return "<kiv:group kiv:groupname=\"" + name + "\"" + kNs + ">" + Refs(users, acls) + "</kiv:group>";
}
// ACL entries as access:text pairs, in order.
inline std::string AceTexts(const std::vector<std::pair<std::string, std::string>> &entries) {
  std::string text;
  for (const auto &[access, entry] : entries)
    text.append("<kiv:ace kiv:access=\"").append(access).append("\">").append(entry).append("</kiv:ace>");
  return text;
}
inline std::string AclDoc(const std::string &name,
                          const std::vector<std::pair<std::string, std::string>> &entries = {
                              {"read", "all"}}) {
  return "<kiv:acl kiv:aclname=\"" + name + "\"" + kNs + ">" + AceTexts(entries) + "</kiv:acl>";
}

// An input text where the records want a mutable one; the library only reads it.
inline char *Mut(const char *text) { return const_cast<char *>(text); }
// A text result, or the status of a returned record, released; "(null)" for null.
inline std::string Take(char *text) { return cli::Owned<char>(text) ? text : "(null)"; }
template <typename Record>
std::string StatusOf(Record *record) {
  return cli::Owned<Record>(record) && record->status != nullptr ? record->status : "(null)";
}
using cli::Texts;

inline NameList Names(std::initializer_list<const char *> names) {
  NameList list{};
  for (const char *name : names) list.names[list.count++] = Mut(name);
  return list;
}
// Valid input records for a test to spoil: group list G1, group G9 of ann and ACL docs, an ACL of one
// entry (acl points at ace: not to be copied).
struct Inputs {
  NameList groups = Names({"G1"});
  GroupRecord group{Mut("G9"), nullptr, 1, 1, nullptr, {Mut("ann")}, {Mut("docs")}};
  AceRecord ace{Mut("read"), Mut("all"), nullptr};
  AclRecord acl{nullptr, 1, nullptr, nullptr, 0, {&ace}, {}};
};

// One command to `db` through the agent's request service, as the library sends it; "" without reply.
inline std::string SendTo(const std::string &db, const std::string &command) {
  uint32_t block[4] = {0, 0, 0, 0};
  std::string path = "/corvane/" + db + "/kiv:security";
  ServerRequest request = {
      -1, 0, block, "GET", path.data(), command.c_str(), 0, 0, "localhost", 0, 0, 0, 0, nullptr, 0, 0, 0};
  adm_executeRequest(&request);
  if (request.replyLength == 0) return "";
  std::string reply(request.reply, request.replyLength);
  adm_freeResponse(&request);
  return reply;
}
// Stores `document` in `db` without a session; true when the server took it.
inline bool Seeded(const std::string &db, const std::string &document) {
  return SendTo(db, "_process=" + document).find("Document stored") != std::string::npos;
}
// Every document of `db`, read without a session.
inline std::string Collection(const std::string &db) {
  std::string all;
  for (const char *query : {"/kiv:user sortby(@kiv:userid)", "/kiv:group sortby(@kiv:groupname)",
                            "/kiv:acl sortby(@kiv:aclname)"})
    all += SendTo(db, std::string("_XQL=") + query);
  return all;
}
// The first group of `pattern` in `text`, or ""; kSessionId and kSessionKey find a reply's session.
constexpr char kSessionId[] = "kiv:sessionid=\"([0-9]+)\"", kSessionKey[] = "kiv:sessionkey=\"([0-9a-f]+)\"";
inline std::string Find(const std::string &text, const std::string &pattern) {
  std::smatch match;
  return std::regex_search(text, match, std::regex(pattern)) ? match[1].str() : "";
}

class EndToEndTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { Restart({}); }
  static void TearDownTestSuite() { server_.reset(); }
  // Starts the server (again, on the same data, ending it with `signal`) and points the agent at it.
  static void Restart(const std::vector<std::string> &args, int signal = SIGTERM) {
    if (server_ == nullptr) {
      server_ = std::make_unique<CorvanedProcess>(args);
    } else {
      server_->Start(args, signal);
    }
    setenv("CUSTOR_PORT", std::to_string(server_->port()).c_str(), 1);
  }
  static CorvanedProcess &server() { return *server_; }

  void SetUp() override {
    static int serial = 0;
    UseDatabase("t" + std::to_string(++serial));
  }
  const char *db() const { return db_.c_str(); }
  // Moves on to another database, `name`, and marks the log.
  void UseDatabase(const std::string &name) {
    db_ = name;
    Mark();
  }

  // The commands sent to this test's database since the last Mark(), without their session tail, and
  // " -> <code>" after each that the server did not answer with "0".
  void Mark() { mark_ = server_->Log().size(); }
  std::vector<std::string> Steps() const {
    static const std::regex tail("&_sessionid=[0-9]+&_sessionkey=[0-9a-f]{16}$");
    std::vector<std::string> steps;
    const std::vector<LoggedRequest> log = server_->Log();
    for (std::size_t i = mark_; i < log.size(); ++i) {
      if (log[i].db != db_) continue;
      steps.push_back(std::regex_replace(log[i].command, tail, "") +
                      (log[i].code == "0" ? "" : " -> " + log[i].code));
    }
    return steps;
  }

  std::string Send(const std::string &command) const { return SendTo(db_, command); }
  void Seed(const std::vector<std::string> &documents) const {
    for (const std::string &document : documents) ASSERT_TRUE(Seeded(db_, document)) << document;
  }
  // The content of the xql:result of a sessionless query, or ""; the kiv:id in such a document.
  std::string Stored(const std::string &query) const {
    return Find(Send("_XQL=" + query), "<xql:result>(.*)</xql:result>");
  }
  std::string StoredGroup(const std::string &name) const {
    return Stored("/kiv:group [@kiv:groupname=\"" + name + "\"]");
  }
  static std::string Id(const std::string &stored) { return Find(stored, "kiv:id=\"([0-9]+)\""); }

 private:
  static inline std::unique_ptr<CorvanedProcess> server_;
  std::string db_;
  std::size_t mark_ = 0;
};

}  // namespace custor::e2e

#endif  // CUSTOR_TESTS_E2E_E2E_TEST_H_
