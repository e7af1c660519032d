// Base of the end-to-end tests: one corvaned per test program, the library and the agent services
// linked as a real agent links them, a database of its own for every test, and the helpers the tests
// share (documents to seed, input records, the request log read back).
#ifndef CUSTOR_TESTS_E2E_E2E_TEST_H_
#define CUSTOR_TESTS_E2E_E2E_TEST_H_

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "cli/results.h"
#include "custor/custor.h"
#include "e2e/corvaned_process.h"

namespace custor::e2e {

using Entries = std::vector<std::pair<std::string, std::string>>;  // access, text

// Documents of the security collection as a test seeds them with _process.
constexpr char kNs[] = " xmlns:kiv=\"http://namespaces.corvane.example/kiv\"";
std::string UserDoc(const std::string &id, const std::string &content = "<name>x</name>");
std::string Refs(const std::vector<std::string> &users, const std::vector<std::string> &acls);
std::string GroupDoc(const std::string &name, const std::vector<std::string> &users = {},
                     const std::vector<std::string> &acls = {});
std::string AceTexts(const Entries &entries);
std::string AclDoc(const std::string &name, const Entries &entries = {{"read", "all"}});

// An input text where the records want a mutable one; the library only reads it.
inline char *Mut(const char *text) { return const_cast<char *>(text); }
// A text result, released; "(null)" for null.
std::string Take(char *text);
// The status of a returned record, released with it.
template <typename Record>
std::string StatusOf(Record *record) {
  cli::Owned<Record> owned(record);
  return record != nullptr && record->status != nullptr ? record->status : "(null)";
}
using cli::Texts;

// Input records: a group list, a group and an ACL of one entry, all valid, for a test to spoil.
struct Inputs {
  Inputs();
  NameList groups{};
  GroupRecord group{};
  AceRecord ace{};
  AclRecord acl{};
};
NameList Names(std::initializer_list<const char *> names);

// One command to `db` through the agent's request service, as the library sends it; "" without reply.
std::string SendTo(const std::string &db, const std::string &command);
// Every document of `db`, read without a session.
std::string Collection(const std::string &db);
// The first group of the first match of `pattern` in `text`, or "".
std::string Find(const std::string &text, const std::string &pattern);
// Takes the session id and key that `reply` announces; false when it announces none.
bool FollowSession(const std::string &reply, std::string *id, std::string *key);

class EndToEndTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;

  static CorvanedProcess &server() { return *server_; }
  // Starts the server again with these options on the same data, and points the agent at it.
  static void Restart(const std::vector<std::string> &args);
  const char *db() const { return db_.c_str(); }
  // Moves on to another database of this test's own, named by `suffix`, and marks the log.
  void UseDatabase(const std::string &suffix);

  // The commands sent to this test's database since SetUp or the last Mark(), each as "<command>", or
  // "S <command>" without its session tail, and " -> <code>" where the server did not answer "0"; every
  // session tail must name the one session.
  void Mark() { mark_ = server_->LogSize(); }
  std::vector<std::string> Steps() const;

  std::string Send(const std::string &command) const { return SendTo(db_, command); }
  void Seed(const std::vector<std::string> &documents) const;
  // The content of the xql:result of a sessionless query, or ""; the kiv:id in such a document.
  std::string Stored(const std::string &query) const;
  std::string StoredGroup(const std::string &name) const;
  static std::string Id(const std::string &stored) { return Find(stored, "kiv:id=\"([0-9]+)\""); }

 private:
  static std::unique_ptr<CorvanedProcess> server_;
  std::string base_, db_;
  std::size_t mark_ = 0;
};

}  // namespace custor::e2e

#endif  // CUSTOR_TESTS_E2E_E2E_TEST_H_
