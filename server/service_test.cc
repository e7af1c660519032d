// The command protocol over HTTP on 127.0.0.1:0: exact replies, sessions and their rotating keys,
// what a transaction shows to whom, the write lock, expiry, limits and the request log.
#include "service.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <thread>

#include "support/server_fixture.h"

namespace corvane {
namespace {

using testing::ClientSession;
using testing::Failure;
using testing::kNoObject;
using testing::Message;
using testing::Result;
using testing::TestClient;
using testing::TestServer;

using namespace std::chrono_literals;

const std::string kStored = Message("Document stored");
const std::string kNothing = Message(kNoObject);
const std::string kInvalidSession = Failure("KIVXSE0030", "Invalid session");
const std::string kNotFound = Failure("KIVXBE0020", "Database not found");
const std::string kDuplicate = Failure("KIVXXE8610", "unknown error");
std::string kConflict(const ClientSession* s) { return Failure("KIVXTE0070", "Transaction conflict", s); }

// Sends a command in a session; `expected` is built afterwards, from the identity the reply left.
#define EXPECT_IN(client, session, command, expected)         \
  do {                                                        \
    const std::string reply_ = (client).In(session, command); \
    EXPECT_EQ(reply_, expected) << (command);                 \
  } while (false)

class ServiceTest : public ::testing::Test {
 protected:
  ServiceTest() : c_(server_.port()) {}
  TestServer server_;
  TestClient c_;
};

// One sessionless command after the other, each with its exact reply.
TEST_F(ServiceTest, SessionlessCommandsAndTheirReplies) {
  const struct {
    std::string command, reply, db = "db";
  } cases[] = {
      {"_process=<kiv:group kiv:groupname=\"g\"><kiv:userref>u</kiv:userref></kiv:group>", kStored},
      {"_XQL=/kiv:group [kiv:userref=\"u\"]",
       Result("<kiv:group kiv:id=\"1\" kiv:groupname=\"g\"><kiv:userref>u</kiv:userref></kiv:group>")},
      {"_delete=kiv:group[@kiv:groupname=\"h\"]", Failure("KIVXIE8300", "No matching document found")},
      {"_delete=kiv:group[@kiv:groupname=\"g\"]", Message("Document deleted")},
      {"_XQL=/kiv:user", kNotFound, "nodb"},
      {"_delete=kiv:user[kiv:userid=\"u\"]", Failure("KIVXQE0040", "Invalid query")},  // not an attribute
      {"_process=<kiv:other kiv:userid=\"u\"/>", Failure("KIVXDE0050", "Invalid document")},
      // Stored as UTF-8, the name would no longer parse: refused, saying so.
      {"_process=<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><kiv:user kiv:userid=\"m\" "
       "kiv:\xBAuserid=\"\xE9\" "
       "xmlns:kiv=\"http://namespaces.corvane.example/kiv\"/>",
       Failure("KIVXDE0050",
               "Invalid document: the name \"kiv:\xC2\xBAuserid\" is no XML name in UTF-8, in which replies "
               "carry it")},
      {"_process=<kiv:user kiv:userid=\"u\"/>", kStored},
      {"_process=<kiv:user kiv:userid=\"u\">other</kiv:user>", kDuplicate},
      // A kiv:id that names no document is taken as given; later ids come after it.
      {"_process=<kiv:acl kiv:id=\"40\" kiv:aclname=\"a\"/>", kStored},
      {"_process=<kiv:acl kiv:aclname=\"b\"/>", kStored},
      // Names are unique per kind, as the storing transaction sees them; a kiv:id names what is replaced.
      {"_process=<kiv:group kiv:id=\"2\" kiv:groupname=\"h\"/>", kDuplicate},  // 2 is a user
      {"_process=<kiv:acl kiv:id=\"40\" kiv:aclname=\"b\"/>", kDuplicate},
      {"_process=<kiv:acl kiv:id=\"40\" kiv:aclname=\"c\"/>", kStored},
      {"_process=<kiv:group kiv:groupname=\"u\"/>", kStored},
      {"_XQL=/kiv:acl",
       Result("<kiv:acl kiv:id=\"40\" kiv:aclname=\"c\"/><kiv:acl kiv:id=\"41\" kiv:aclname=\"b\"/>")},
  };
  for (const auto& c : cases) EXPECT_EQ(c_.Send(c.command, c.db), c.reply) << c.db << ": " << c.command;
}

TEST_F(ServiceTest, KeysRotateAndStaleKeysAreRefused) {
  ClientSession s = c_.Connect();
  EXPECT_TRUE(std::regex_match(s.key, std::regex("[0-9a-f]{16}"))) << s.key;
  const ClientSession first = s;
  EXPECT_IN(c_, &s, "_XQL=/kiv:user", Message(kNoObject, &s));
  EXPECT_TRUE(s.id == first.id && s.key != first.key);
  // A stale key, an unknown id, an id that is no number: refused without session attributes.
  for (ClientSession other : {first, ClientSession{"999", s.key}, ClientSession{"x1", s.key}})
    EXPECT_EQ(c_.In(&other, "_process=<kiv:user kiv:userid=\"u\"/>"), kInvalidSession) << other.id;

  // A failed command keeps the key, and its reply carries it.
  ClientSession before = s;
  EXPECT_IN(c_, &s, "_XQL=/kiv:user[", Failure("KIVXQE0040", "Invalid query", &before));
  EXPECT_IN(c_, &s, "_process=<kiv:user kiv:userid=\"u\"/>", Message("Document stored", &s));
  before = s;
  EXPECT_IN(c_, &s, "_process=<kiv:user kiv:userid=\"u\"/>", Failure("KIVXXE8610", "unknown error", &before));
  EXPECT_IN(c_, &s, "_XQL=/kiv:user", Result("<kiv:user kiv:id=\"1\" kiv:userid=\"u\"/>", &s));  // kept
  EXPECT_IN(c_, &s, "_rollback=*", Message("Transaction rolled back", &s));
  EXPECT_IN(c_, &s, "_commit=*", Message("Transaction committed", &s));
  EXPECT_IN(c_, &s, "_disconnect=*", Message("Session closed"));
  EXPECT_EQ(c_.In(&s, "_XQL=/kiv:user"), kInvalidSession);
  EXPECT_EQ(c_.Send("_XQL=/kiv:user"), kNothing);  // the rolled back store never became visible
}

TEST_F(ServiceTest, ChangesAreSeenOnlyByTheirSessionUntilCommit) {
  TestClient other(server_.port());
  ClientSession a = c_.Connect(), b = other.Connect();
  const std::string query = "_XQL=/kiv:group [@kiv:groupname=\"g\"]";
  const std::string group = "<kiv:group kiv:id=\"1\" kiv:groupname=\"g\"/>";
  c_.In(&a, "_process=<kiv:group kiv:groupname=\"g\"/>");
  EXPECT_IN(c_, &a, query, Result(group, &a));
  EXPECT_IN(other, &b, query, Message(kNoObject, &b));
  EXPECT_EQ(c_.Send(query), kNothing);
  EXPECT_IN(c_, &a, "_commit=*", Message("Transaction committed", &a));
  EXPECT_IN(other, &b, query, Result(group, &b));
  EXPECT_EQ(c_.Send(query), Result(group));

  // Within a transaction a deleted name is free again.
  EXPECT_IN(c_, &a, "_delete=kiv:group[@kiv:groupname=\"g\"]", Message("Document deleted", &a));
  EXPECT_IN(c_, &a, "_process=<kiv:group kiv:groupname=\"g\"/>", Message("Document stored", &a));
  // A disconnect discards the changes and gives the write lock back.
  c_.In(&a, "_process=<kiv:user kiv:userid=\"u2\"/>");
  c_.In(&a, "_disconnect=*");
  EXPECT_EQ(c_.Send("_XQL=/kiv:user"), kNothing);
  // b read g before and after a's commit: both reads cannot hold now, so b's writes fail until it ends.
  const ClientSession b_before = b;
  EXPECT_IN(other, &b, "_process=<kiv:user kiv:userid=\"u2\"/>", kConflict(&b_before));
  other.In(&b, "_rollback=*");
  EXPECT_IN(other, &b, "_process=<kiv:user kiv:userid=\"u2\"/>", Message("Document stored", &b));
}

// A session reads, another commits, the session writes: the write fails with KIVXTE0070 exactly when a
// query that the session ran before it held the write lock would now select other nodes.
TEST(ServiceConflictTest, FirstWriteChecksTheReadsBeforeIt) {
  const std::string acl = "<kiv:acl kiv:aclname=\"a\"><kiv:ace kiv:access=\"R\">x</kiv:ace></kiv:acl>";
  const std::string group = "<kiv:group kiv:groupname=\"g\"><kiv:userref>u</kiv:userref></kiv:group>";
  const struct {
    std::string read, commit;  // `commit` runs sessionless between the read and the write
    bool conflict;
    bool check = true;
  } cases[] = {
      {"_XQL=/kiv:acl [@kiv:aclname=\"a\"]", "_process=<kiv:acl kiv:id=\"1\" kiv:aclname=\"a\"/>", true},
      {"_XQL=/kiv:acl [@kiv:aclname=\"a\"]", "_process=" + acl.substr(0, 8) + " kiv:id=\"1\"" + acl.substr(8),
       false},  // rewritten as it was
      {"_XQL=/kiv:acl [@kiv:aclname=\"a\"]", "_process=<kiv:user kiv:userid=\"v\"/>", false},
      {"_XQL=/kiv:acl [@kiv:aclname=\"a\"] /kiv:ace [. = \"x\"]",
       "_process=<kiv:acl kiv:id=\"1\" kiv:aclname=\"a\"><kiv:ace kiv:access=\"W\">x</kiv:ace></kiv:acl>",
       true},
      {"_XQL=/kiv:user [@kiv:userid=\"v\"]", "_process=<kiv:user kiv:userid=\"v\"/>", true},
      {"_XQL=/kiv:group [kiv:userref=\"u\"]", "_delete=kiv:group[@kiv:groupname=\"g\"]", true},
      {"_XQL=/kiv:group sortby(@kiv:groupname)", "_process=<kiv:group kiv:groupname=\"h\"/>", true},
      {"_XQL=/kiv:group sortby(@kiv:groupname)", "_XQL=/kiv:user", false},
      // A delete that matched nothing gave the lock back: that nothing matched is a read too.
      {"_delete=kiv:user[@kiv:userid=\"v\"]", "_process=<kiv:user kiv:userid=\"v\"/>", true},
      {"_XQL=/kiv:acl [@kiv:aclname=\"a\"]", "_process=<kiv:acl kiv:id=\"1\" kiv:aclname=\"a\"/>", false,
       false},  // the benchmark switch turns the check off
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.read + " | " + c.commit);
    ServiceOptions options;
    options.check_reads = c.check;
    TestServer server(options);
    TestClient client(server.port()), other(server.port());
    ASSERT_EQ(other.Send("_process=" + acl), kStored);
    ASSERT_EQ(other.Send("_process=" + group), kStored);
    ClientSession s = client.Connect();
    client.In(&s, c.read);
    other.Send(c.commit);
    const ClientSession before = s;
    const std::string write = "_process=<kiv:user kiv:userid=\"w\"/>";
    EXPECT_IN(client, &s, write, c.conflict ? kConflict(&before) : Message("Document stored", &s));
    if (!c.conflict) continue;
    // Every later write fails alike and takes no lock; the commit commits nothing; the next
    // transaction starts afresh.
    EXPECT_IN(client, &s, "_delete=kiv:acl[@kiv:aclname=\"a\"]", kConflict(&before));
    EXPECT_EQ(other.Send("_process=<kiv:user kiv:userid=\"x\"/>"), kStored);
    EXPECT_IN(client, &s, "_commit=*", Message("Transaction committed", &s));
    EXPECT_EQ(other.Send("_XQL=/kiv:user [@kiv:userid=\"w\"]"), kNothing);
    EXPECT_IN(client, &s, write, Message("Document stored", &s));
  }
}

// Every byte that the request encoding must carry arrives; the log keeps each command as decoded, in order.
TEST_F(ServiceTest, ValuesArriveUnchangedAndTheLogKeepsEveryCommand) {
  ClientSession s = c_.Connect();
  const std::string first = s.Suffix();
  c_.In(&s, "_XQL=/kiv:user");
  const std::string id = "a&amp;b=c%d+e#f\xC3\xBC";
  ASSERT_EQ(c_.Send("_process=<kiv:user kiv:userid=\"" + id +
                    "\">x &amp; = % + # \" &lt; > \r\n\xE2\x82\xAC</kiv:user>"),
            kStored);
  EXPECT_EQ(c_.Send("_XQL=/kiv:user"), Result("<kiv:user kiv:id=\"1\" kiv:userid=\"" + id +
                                              "\">x &amp; = % + # \" &lt; > \n\xE2\x82\xAC</kiv:user>"));
  c_.Send("_XQL=/kiv:user[");
  c_.Send("_connect=*", "nodb");
  const std::string last = s.Suffix();
  c_.In(&s, "_disconnect=*");
  // A byte that is no UTF-8 is logged as U+FFFD, and the line stays JSON.
  c_.Send("_XQL=/kiv:user [@kiv:userid=\"\xFF\"]");
  using Entry = testing::LogEntry;
  EXPECT_EQ(testing::ReadLog(server_.log_path()),
            (std::vector<Entry>{{"db", "_connect=*"},
                                {"db", "_XQL=/kiv:user" + first},
                                {"db", "_process=<kiv:user kiv:userid=\"" + id +
                                           "\">x &amp; = % + # \" &lt; > \r\n\xE2\x82\xAC</kiv:user>"},
                                {"db", "_XQL=/kiv:user"},
                                {"db", "_XQL=/kiv:user[", "KIVXQE0040"},
                                {"nodb", "_connect=*", "KIVXBE0020"},
                                {"db", "_disconnect=*" + last},
                                {"db", "_XQL=/kiv:user [@kiv:userid=\"\xEF\xBF\xBD\"]"}}));
}

TEST(ServiceOptionsTest, WritersWaitThenTimeOutAndReadsNeverWait) {
  ServiceOptions options;
  options.lock_timeout = 200ms;
  TestServer server(options);
  TestClient c(server.port()), other(server.port());
  EXPECT_EQ(c.Send("_process=<kiv:user kiv:userid=\"x\"/>"), kStored);
  ClientSession a = c.Connect(), b = other.Connect();
  // Writes that fail take no lock: b's refused delete, document and duplicate leave a free to write.
  const ClientSession b_first = b;
  EXPECT_IN(other, &b, "_delete=kiv:user[@kiv:userid=\"none\"]",
            Failure("KIVXIE8300", "No matching document found", &b_first));
  EXPECT_IN(other, &b, "_process=<kiv:user/>", Failure("KIVXDE0050", "Invalid document", &b_first));
  EXPECT_IN(other, &b, "_process=<kiv:user kiv:userid=\"x\"/>",
            Failure("KIVXXE8610", "unknown error", &b_first));
  EXPECT_IN(c, &a, "_process=<kiv:user kiv:userid=\"a\"/>", Message("Document stored", &a));
  const std::string locked = "Database locked by another session";
  EXPECT_EQ(c.Send("_process=<kiv:user kiv:userid=\"x\"/>"), Failure("KIVXLE0060", locked));
  const ClientSession b_before = b;
  EXPECT_IN(other, &b, "_delete=kiv:user[@kiv:userid=\"a\"]", Failure("KIVXLE0060", locked, &b_before));
  EXPECT_IN(other, &b, "_XQL=/kiv:user", Result("<kiv:user kiv:id=\"1\" kiv:userid=\"x\"/>", &b));
  c.In(&a, "_commit=*");
  other.In(&b, "_rollback=*");  // a's commit made b's read stale
  EXPECT_IN(other, &b, "_process=<kiv:user kiv:userid=\"b\"/>", Message("Document stored", &b));
  // The lock stays with b until its transaction ends.
  EXPECT_IN(c, &a, "_process=<kiv:user kiv:userid=\"c\"/>", Failure("KIVXLE0060", locked, &a));
  other.In(&b, "_commit=*");
  EXPECT_EQ(c.Send("_process=<kiv:user kiv:userid=\"y\"/>"), kStored);
}

// A write waits for the write lock until the session that holds it commits, and goes on against what
// was committed; or until the session expires idle, which rolls it back.
TEST(ServiceOptionsTest, WaitsExpiryLimitsAndDatabasesCreatedOnFirstUse) {
  ServiceOptions options;
  options.session_timeout = 1s;
  options.max_sessions = 2;
  options.auto_create = true;
  TestServer server(options);
  TestClient c(server.port());
  EXPECT_EQ(c.Send("_XQL=/kiv:user", "fresh_db-1"), kNothing);
  EXPECT_EQ(c.Send("_XQL=/kiv:user", "bad name"), kNotFound);
  EXPECT_EQ(c.Send("_XQL=/kiv:user", std::string(65, 'x')), kNotFound);
  // A database whose file cannot be opened, or not be made where it is to be made, says so, and nothing
  // is left behind.
  std::filesystem::create_directory(server.data_dir() + "/dir.db");
  std::filesystem::create_symlink("/nonexistent/made.db", server.data_dir() + "/made.db");
  const std::string unopenable = "unknown error: cannot open database ";
  EXPECT_EQ(c.Send("_XQL=/kiv:user", "dir"),
            Failure("KIVXXE8610", unopenable + "dir: unable to open database file"));
  EXPECT_EQ(c.Send("_connect=*", "made"),
            Failure("KIVXXE8610", unopenable + "made: unable to open database file"));
  EXPECT_TRUE(std::filesystem::is_empty(server.data_dir() + "/dir.db"));
  ClientSession a = c.Connect(), b = c.Connect();
  EXPECT_EQ(c.Send("_connect=*"), Failure("KIVXSE0031", "Too many sessions"));

  c.In(&a, "_process=<kiv:user kiv:userid=\"a\"/>");
  std::string waited;
  std::thread writer(
      [&] { waited = TestClient(server.port()).Send("_process=<kiv:user kiv:userid=\"a\"/>"); });
  while (server.service().WaitingWriters("db") == 0) std::this_thread::yield();
  c.In(&a, "_commit=*");
  writer.join();
  EXPECT_EQ(waited, kDuplicate);

  c.In(&a, "_process=<kiv:user kiv:userid=\"b\"/>");
  EXPECT_EQ(c.Send("_process=<kiv:user kiv:userid=\"c\"/>"), kStored);  // after a's expiry
  EXPECT_EQ(c.Send("_XQL=/kiv:user"),
            Result("<kiv:user kiv:id=\"1\" kiv:userid=\"a\"/><kiv:user kiv:id=\"3\" kiv:userid=\"c\"/>"));
  EXPECT_EQ(c.In(&a, "_XQL=/kiv:user"), kInvalidSession);
  const ClientSession d = c.Connect();  // room again, and ids are never given twice
  EXPECT_TRUE(d.id != a.id && d.id != b.id) << d.id;
}

// At shutdown a write waiting for the lock is answered at once: it does not wait out its time-out nor
// take the lock that a rolled back session gives up.
TEST(ServiceOptionsTest, StoppingFailsWaitingWritersAtOnce) {
  ServiceOptions options;
  options.lock_timeout = 600s;
  TestServer server(options);
  TestClient c(server.port());
  ClientSession a = c.Connect();
  c.In(&a, "_process=<kiv:user kiv:userid=\"a\"/>");
  std::string waited;
  std::thread writer(
      [&] { waited = TestClient(server.port()).Send("_process=<kiv:user kiv:userid=\"w\"/>"); });
  while (server.service().WaitingWriters("db") == 0) std::this_thread::yield();
  server.service().BeginStop();
  c.In(&a, "_rollback=*");
  writer.join();
  EXPECT_EQ(waited, Failure("KIVXLE0060", "Database locked by another session"));
}

}  // namespace
}  // namespace corvane
