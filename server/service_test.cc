// The command protocol over HTTP on 127.0.0.1:0: exact replies, sessions and their rotating keys,
// what a transaction shows to whom, the write lock, expiry, limits and the request log.
#include "service.h"

#include <gtest/gtest.h>

#include <regex>

#include "test_support.h"

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

// Sends a command in a session; `expected` is built afterwards, from the identity the reply left.
#define EXPECT_IN(client, session, command, expected)         \
  do {                                                        \
    const std::string reply_ = (client).In(session, command); \
    EXPECT_EQ(reply_, expected) << (command);                 \
  } while (false)

ServiceOptions Limits(std::chrono::milliseconds session, std::chrono::milliseconds lock,
                      size_t max_sessions) {
  ServiceOptions options;
  options.session_timeout = session;
  options.lock_timeout = lock;
  options.max_sessions = max_sessions;
  return options;
}

class ServiceTest : public ::testing::Test {
 protected:
  ServiceTest() : c_(server_.port()) {}
  TestServer server_;
  TestClient c_;
};

// One sessionless command after the other, each with its exact reply.
TEST_F(ServiceTest, SessionlessCommandsAndTheirReplies) {
  const std::string invalid_document = Failure("KIVXDE0050", "Invalid document");
  const std::string invalid_query = Failure("KIVXQE0040", "Invalid query");
  const struct {
    std::string command, reply, db = "db";
  } cases[] = {
      {"_process=<kiv:group kiv:groupname=\"g\"><kiv:userref>u</kiv:userref></kiv:group>", kStored},
      {"_XQL=/kiv:group [kiv:userref=\"u\"]",
       Result("<kiv:group kiv:id=\"1\" kiv:groupname=\"g\"><kiv:userref>u</kiv:userref></kiv:group>")},
      {"_XQL=/kiv:group [kiv:userref=\"v\"]", kNothing},
      {"_delete=kiv:group[@kiv:groupname=\"h\"]", Failure("KIVXIE8300", "No matching document found")},
      {"_delete=kiv:group[@kiv:groupname=\"g\"]", Message("Document deleted")},
      {"_XQL=/kiv:user", kNotFound, "nodb"},
      {"_XQL=kiv:user", invalid_query},
      {"_delete=kiv:user[kiv:userid=\"u\"]", invalid_query},  // a selector names an attribute
      {"_process=<kiv:user>", invalid_document},
      {"_process=<kiv:other kiv:userid=\"u\"/>", invalid_document},
      {"_process=<kiv:user kiv:userid=\"u\"/>", kStored},
      {"_process=<kiv:user kiv:userid=\"u\">other</kiv:user>", Failure("KIVXXE8610", "unknown error")},
      // A kiv:id that names no document is taken as given; later ids come after it.
      {"_process=<kiv:acl kiv:id=\"40\" kiv:aclname=\"a\"/>", kStored},
      {"_process=<kiv:acl kiv:aclname=\"b\"/>", kStored},
      {"_XQL=/kiv:acl",
       Result("<kiv:acl kiv:id=\"40\" kiv:aclname=\"a\"/><kiv:acl kiv:id=\"41\" kiv:aclname=\"b\"/>")},
  };
  for (const auto& c : cases) EXPECT_EQ(c_.Send(c.command, c.db), c.reply) << c.db << ": " << c.command;
}

TEST_F(ServiceTest, KeysRotateAndStaleKeysAreRefused) {
  ClientSession s = c_.Connect();
  EXPECT_TRUE(std::regex_match(s.key, std::regex("[0-9a-f]{16}"))) << s.key;
  const ClientSession first = s;
  EXPECT_IN(c_, &s, "_XQL=/kiv:user", Message(kNoObject, &s));
  EXPECT_EQ(s.id, first.id);
  EXPECT_NE(s.key, first.key);
  // A stale key, an unknown id, an id that is no number: refused without session attributes.
  for (ClientSession other : {first, ClientSession{"999", s.key}, ClientSession{"x1", s.key}})
    EXPECT_EQ(c_.In(&other, "_process=<kiv:user kiv:userid=\"u\"/>"), kInvalidSession) << other.id;

  // A failed command keeps the key, and its reply carries it.
  ClientSession before = s;
  EXPECT_IN(c_, &s, "_XQL=/kiv:user[", Failure("KIVXQE0040", "Invalid query", &before));
  EXPECT_IN(c_, &s, "_process=<kiv:user kiv:userid=\"u\"/>", Message("Document stored", &s));
  EXPECT_NE(s.key, before.key);
  before = s;
  EXPECT_IN(c_, &s, "_process=<kiv:user kiv:userid=\"u\"/>", Failure("KIVXXE8610", "unknown error", &before));
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

  // Rollback and disconnect discard the changes and give the write lock back.
  c_.In(&a, "_process=<kiv:user kiv:userid=\"u1\"/>");
  c_.In(&a, "_rollback=*");
  c_.In(&a, "_process=<kiv:user kiv:userid=\"u2\"/>");
  c_.In(&a, "_disconnect=*");
  EXPECT_EQ(c_.Send("_XQL=/kiv:user"), kNothing);
  EXPECT_IN(other, &b, "_process=<kiv:user kiv:userid=\"u2\"/>", Message("Document stored", &b));
}

// Every byte that the request encoding must carry arrives; the log keeps each command as decoded, in order.
TEST_F(ServiceTest, ValuesArriveUnchangedAndTheLogKeepsEveryCommand) {
  ClientSession s = c_.Connect();
  const std::string first = s.Suffix();
  c_.In(&s, "_XQL=/kiv:user");
  const std::string id = "a&amp;b=c%d+e#f\xC3\xBC";
  ASSERT_EQ(c_.Send("_process=<kiv:user kiv:userid=\"" + id +
                    "\">x &amp; = % + # \" &lt; > \r\nline2\n\xE2\x82\xAC &#x1F600;</kiv:user>"),
            kStored);
  // In the query literal the "&" stands bare.
  EXPECT_EQ(c_.Send("_XQL=/kiv:user [@kiv:userid=\"a&b=c%d+e#f\xC3\xBC\"]"),
            Result("<kiv:user kiv:id=\"1\" kiv:userid=\"" + id +
                   "\">x &amp; = % + # \" &lt; > \nline2\n\xE2\x82\xAC \xF0\x9F\x98\x80</kiv:user>"));
  c_.Send("_XQL=/kiv:user[");
  c_.Send("_connect=*", "nodb");
  const std::string last = s.Suffix();
  c_.In(&s, "_disconnect=*");
  const std::string head = "{\"db\":\"db\",\"command\":\"", ok = "\",\"code\":\"0\"}\n";
  EXPECT_EQ(testing::ReadFile(server_.log_path()),
            head + "_connect=*" + ok + head + "_XQL=/kiv:user" + first + ok + head +
                "_process=<kiv:user kiv:userid=\\\"" + id +
                "\\\">x &amp; = % + # \\\" &lt; > \\r\\nline2\\n\xE2\x82\xAC &#x1F600;</kiv:user>" + ok +
                head + "_XQL=/kiv:user [@kiv:userid=\\\"a&b=c%d+e#f\xC3\xBC\\\"]" + ok + head +
                "_XQL=/kiv:user[\",\"code\":\"KIVXQE0040\"}\n"
                "{\"db\":\"nodb\",\"command\":\"_connect=*\",\"code\":\"KIVXBE0020\"}\n" +
                head + "_disconnect=*" + last + ok);
}

TEST(ServiceOptionsTest, WritersWaitThenTimeOutAndReadsNeverWait) {
  TestServer server(Limits(120s, 200ms, 1024));
  TestClient c(server.port()), other(server.port());
  ClientSession a = c.Connect(), b = other.Connect();
  c.In(&a, "_process=<kiv:user kiv:userid=\"a\"/>");
  const std::string locked = "Database locked by another session";
  EXPECT_EQ(c.Send("_process=<kiv:user kiv:userid=\"x\"/>"), Failure("KIVXLE0060", locked));
  const ClientSession b_before = b;
  EXPECT_IN(other, &b, "_delete=kiv:user[@kiv:userid=\"a\"]", Failure("KIVXLE0060", locked, &b_before));
  EXPECT_IN(other, &b, "_XQL=/kiv:user", Message(kNoObject, &b));
  c.In(&a, "_commit=*");
  EXPECT_IN(other, &b, "_process=<kiv:user kiv:userid=\"b\"/>", Message("Document stored", &b));
  // The lock stays with b until its transaction ends.
  EXPECT_IN(c, &a, "_process=<kiv:user kiv:userid=\"c\"/>", Failure("KIVXLE0060", locked, &a));
  other.In(&b, "_commit=*");
  EXPECT_EQ(c.Send("_process=<kiv:user kiv:userid=\"x\"/>"), kStored);
}

TEST(ServiceOptionsTest, IdleSessionsAreRolledBackAndClosed) {
  TestServer server(Limits(300ms, 30s, 1024));
  TestClient c(server.port());
  ClientSession a = c.Connect();
  c.In(&a, "_process=<kiv:user kiv:userid=\"a\"/>");
  // This write waits for a's lock, which expiry releases.
  EXPECT_EQ(c.Send("_process=<kiv:user kiv:userid=\"b\"/>"), kStored);
  EXPECT_EQ(c.Send("_XQL=/kiv:user"), Result("<kiv:user kiv:id=\"2\" kiv:userid=\"b\"/>"));
  EXPECT_EQ(c.In(&a, "_XQL=/kiv:user"), kInvalidSession);
}

TEST(ServiceOptionsTest, SessionLimitAndIdsNeverGivenTwice) {
  TestServer server(Limits(120s, 1s, 2));
  TestClient c(server.port());
  ClientSession a = c.Connect(), b = c.Connect();
  EXPECT_NE(a.id, b.id);
  EXPECT_EQ(c.Send("_connect=*"), Failure("KIVXSE0031", "Too many sessions"));
  c.In(&a, "_disconnect=*");
  EXPECT_NE(c.Connect().id, a.id);
}

TEST(ServiceOptionsTest, DatabasesAreCreatedOnFirstUseOnlyWhenAsked) {
  ServiceOptions options;
  options.auto_create = true;
  TestServer server(options);
  TestClient c(server.port());
  EXPECT_EQ(c.Send("_XQL=/kiv:user", "fresh_db-1"), kNothing);
  EXPECT_EQ(c.Send("_XQL=/kiv:user", "bad name"), kNotFound);
  EXPECT_EQ(c.Send("_XQL=/kiv:user", std::string(65, 'x')), kNotFound);
}

}  // namespace
}  // namespace corvane
