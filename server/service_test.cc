// The command protocol end to end over HTTP on 127.0.0.1:0: reply bytes, sessions, transactions,
// locking, queries and documents.
#include "service.h"

#include <gtest/gtest.h>

#include <regex>
#include <thread>

#include "test_support.h"

namespace corvane {
namespace {

using testing::ClientSession;
using testing::FailureReply;
using testing::MessageReply;
using testing::ResultReply;
using testing::TestClient;
using testing::TestServer;

const std::string kStored = MessageReply("Document stored");
const std::string kNothing = MessageReply("XQL request processed, no object returned");
const std::string kInvalidSession = FailureReply("KIVXSE0030", "30", "Invalid session");
const std::string kInvalidRequest = FailureReply("KIVXCE0010", "10", "Invalid request");
const std::string kDuplicate = FailureReply("KIVXXE8610", "8610", "unknown error");

ServiceOptions WithTimeouts(int session_ms, int lock_ms, size_t max_sessions = 1024) {
  ServiceOptions options;
  options.session_timeout = std::chrono::milliseconds(session_ms);
  options.lock_timeout = std::chrono::milliseconds(lock_ms);
  options.max_sessions = max_sessions;
  return options;
}

// Sends a command in a session, then compares the reply with `expected`, which is built afterwards from
// the session's identity as the reply left it.
#define EXPECT_IN_VIA(client, session, command, expected) \
  do {                                                    \
    std::string reply_ = In(session, command, client);    \
    EXPECT_EQ(reply_, expected) << command;               \
  } while (false)
#define EXPECT_IN(session, command, expected) EXPECT_IN_VIA(&client_, session, command, expected)

class ServiceTest : public ::testing::Test {
 protected:
  explicit ServiceTest(ServiceOptions options = {}) : server_(std::move(options)), client_(server_.port()) {}

  std::string Send(std::string_view command) { return client_.Send("db", command); }

  ClientSession Connect(TestClient* client = nullptr) {
    std::string reply = (client ? client : &client_)->Send("db", "_connect=*");
    ClientSession session;
    EXPECT_TRUE(testing::ReadSession(reply, &session)) << reply;
    EXPECT_EQ(reply, MessageReply("Session opened", &session));
    return session;
  }

  // Sends a command in a session and follows the identity of the reply.
  std::string In(ClientSession* session, std::string_view command, TestClient* client = nullptr) {
    std::string reply = (client ? client : &client_)->Send("db", std::string(command) + session->Suffix());
    testing::ReadSession(reply, session);
    return reply;
  }

  TestServer server_;
  TestClient client_;
};

TEST_F(ServiceTest, ReplyFormsByteForByte) {
  EXPECT_EQ(
      Send("_process=<kiv:group kiv:groupname=\"g\" xmlns:kiv=\"http://namespaces.corvane.example/kiv\">"
           "<kiv:userref>u</kiv:userref></kiv:group>"),
      kStored);
  EXPECT_EQ(
      Send("_XQL=/kiv:group [kiv:userref=\"u\"]"),
      ResultReply("<kiv:group kiv:id=\"1\" kiv:groupname=\"g\"><kiv:userref>u</kiv:userref></kiv:group>"));
  EXPECT_EQ(Send("_XQL=/kiv:group [kiv:userref=\"v\"]"), kNothing);
  EXPECT_EQ(Send("_delete=kiv:group[@kiv:groupname=\"h\"]"),
            FailureReply("KIVXIE8300", "8300", "No matching document found"));
  EXPECT_EQ(Send("_delete=kiv:group[@kiv:groupname=\"g\"]"), MessageReply("Document deleted"));
  EXPECT_EQ(client_.Send("nodb", "_XQL=/kiv:user"), FailureReply("KIVXBE0020", "20", "Database not found"));
  EXPECT_EQ(client_.Send("bad.name", "_XQL=/kiv:user"),
            FailureReply("KIVXBE0020", "20", "Database not found"));
  EXPECT_EQ(Send("_XQL=kiv:user"), FailureReply("KIVXQE0040", "40", "Invalid query"));
  EXPECT_EQ(Send("_process=<kiv:user>"), FailureReply("KIVXDE0050", "50", "Invalid document"));
}

TEST_F(ServiceTest, MalformedRequests) {
  for (const char* query : {"", "?", "?_XQL=", "?_XQL=%zz", "?_select=/a", "?_XQL=/a&_XQL=/b", "?_commit=*",
                            "?_connect=*&_sessionid=1&_sessionkey=0", "?_XQL=/a&_sessionid=1"}) {
    testing::Answer answer = client_.Get(std::string("/corvane/db/kiv:security") + query);
    EXPECT_EQ(answer.status, 200) << query;
    EXPECT_EQ(answer.body, kInvalidRequest) << query;
  }
  EXPECT_EQ(Send("_process=<kiv:user kiv:userid=\"u\"/><x/>"),
            FailureReply("KIVXDE0050", "50", "Invalid document"));
  EXPECT_EQ(Send("_process=<kiv:other kiv:userid=\"u\"/>"),
            FailureReply("KIVXDE0050", "50", "Invalid document"));
  EXPECT_EQ(Send("_process=<kiv:user name=\"u\"/>"), FailureReply("KIVXDE0050", "50", "Invalid document"));
  EXPECT_EQ(Send("_delete=kiv:user[kiv:userid=\"u\"]"), FailureReply("KIVXQE0040", "40", "Invalid query"));
}

TEST_F(ServiceTest, KeysRotateAndStaleKeysAreRefused) {
  ClientSession s = Connect();
  EXPECT_TRUE(std::regex_match(s.key, std::regex("[0-9a-f]{16}"))) << s.key;
  ClientSession first = s;
  EXPECT_IN(&s, "_XQL=/kiv:user", MessageReply("XQL request processed, no object returned", &s));
  EXPECT_EQ(s.id, first.id);
  EXPECT_NE(s.key, first.key);

  // A stale key: refused without session attributes, and the session goes on with its current key.
  ClientSession stale = first;
  EXPECT_IN(&stale, "_process=<kiv:user kiv:userid=\"u\"/>", kInvalidSession);
  ClientSession wrong_id{"999", s.key};
  EXPECT_IN(&wrong_id, "_XQL=/kiv:user", kInvalidSession);
  ClientSession not_a_number{"x1", s.key};
  EXPECT_IN(&not_a_number, "_XQL=/kiv:user", kInvalidSession);

  // A failed command keeps the key, and its reply carries it.
  ClientSession before = s;
  EXPECT_IN(&s, "_XQL=/kiv:user[", FailureReply("KIVXQE0040", "40", "Invalid query", &before));
  EXPECT_EQ(s.key, before.key);
  EXPECT_IN(&s, "_process=<kiv:user kiv:userid=\"u\"/>", MessageReply("Document stored", &s));
  EXPECT_NE(s.key, before.key);
  before = s;
  EXPECT_IN(&s, "_process=<kiv:user kiv:userid=\"u\"/>",
            FailureReply("KIVXXE8610", "8610", "unknown error", &s));
  EXPECT_EQ(s.key, before.key);
  // A client that rolls back with the key of the failed command is right.
  EXPECT_IN(&s, "_rollback=*", MessageReply("Transaction rolled back", &s));
  EXPECT_IN(&s, "_commit=*", MessageReply("Transaction committed", &s));
  ClientSession last = s;
  EXPECT_IN(&s, "_disconnect=*", MessageReply("Session closed"));
  EXPECT_IN(&last, "_XQL=/kiv:user", kInvalidSession);
  EXPECT_EQ(Send("_XQL=/kiv:user"), kNothing);  // the rolled back store never became visible
}

TEST_F(ServiceTest, ChangesAreSeenOnlyByTheirSessionUntilCommit) {
  TestClient other_client(server_.port());
  ClientSession a = Connect();
  ClientSession b = Connect(&other_client);
  EXPECT_IN(&a, "_process=<kiv:group kiv:groupname=\"g\"/>", MessageReply("Document stored", &a));
  const std::string group = "<kiv:group kiv:id=\"1\" kiv:groupname=\"g\"/>";
  EXPECT_IN(&a, "_XQL=/kiv:group [@kiv:groupname=\"g\"]", ResultReply(group, &a));
  EXPECT_IN_VIA(&other_client, &b, "_XQL=/kiv:group [@kiv:groupname=\"g\"]",
                MessageReply("XQL request processed, no object returned", &b));
  EXPECT_EQ(Send("_XQL=/kiv:group sortby(@kiv:groupname)"), kNothing);
  EXPECT_IN(&a, "_commit=*", MessageReply("Transaction committed", &a));
  EXPECT_IN_VIA(&other_client, &b, "_XQL=/kiv:group [@kiv:groupname=\"g\"]", ResultReply(group, &b));
  EXPECT_EQ(Send("_XQL=/kiv:group sortby(@kiv:groupname)"), ResultReply(group));
  // A commit without changes is harmless.
  EXPECT_IN_VIA(&other_client, &b, "_commit=*", MessageReply("Transaction committed", &b));
}

TEST_F(ServiceTest, RollbackAndDisconnectDiscardChanges) {
  ClientSession s = Connect();
  In(&s, "_process=<kiv:user kiv:userid=\"u1\"/>");
  EXPECT_IN(&s, "_rollback=*", MessageReply("Transaction rolled back", &s));
  EXPECT_IN(&s, "_XQL=/kiv:user", MessageReply("XQL request processed, no object returned", &s));
  In(&s, "_process=<kiv:user kiv:userid=\"u2\"/>");
  EXPECT_IN(&s, "_disconnect=*", MessageReply("Session closed"));
  EXPECT_EQ(Send("_XQL=/kiv:user"), kNothing);
  // The write lock went with them: a sessionless write goes through.
  EXPECT_EQ(Send("_process=<kiv:user kiv:userid=\"u3\"/>"), kStored);
}

TEST_F(ServiceTest, FailedCommandInsideATransactionChangesNothing) {
  ClientSession s = Connect();
  In(&s, "_process=<kiv:group kiv:groupname=\"g1\"/>");
  EXPECT_IN(&s, "_process=<kiv:group kiv:groupname=\"g1\"><kiv:userref>x</kiv:userref></kiv:group>",
            FailureReply("KIVXXE8610", "8610", "unknown error", &s));
  EXPECT_IN(&s, "_delete=kiv:group[@kiv:groupname=\"nope\"]",
            FailureReply("KIVXIE8300", "8300", "No matching document found", &s));
  In(&s, "_process=<kiv:group kiv:groupname=\"g2\"/>");
  EXPECT_IN(&s, "_commit=*", MessageReply("Transaction committed", &s));
  EXPECT_EQ(
      Send("_XQL=/kiv:group sortby(@kiv:groupname)"),
      ResultReply(
          "<kiv:group kiv:id=\"1\" kiv:groupname=\"g1\"/><kiv:group kiv:id=\"2\" kiv:groupname=\"g2\"/>"));
}

TEST_F(ServiceTest, UniquenessAsTheStoringSessionSeesIt) {
  ASSERT_EQ(Send("_process=<kiv:user kiv:userid=\"u\"/>"), kStored);
  ASSERT_EQ(Send("_process=<kiv:group kiv:groupname=\"g\"><kiv:userref>u</kiv:userref></kiv:group>"),
            kStored);
  EXPECT_EQ(Send("_process=<kiv:user kiv:userid=\"u\">other</kiv:user>"), kDuplicate);
  EXPECT_EQ(Send("_process=<kiv:group kiv:id=\"1\" kiv:groupname=\"g2\"/>"), kDuplicate);  // 1 is a user
  EXPECT_EQ(Send("_process=<kiv:group kiv:groupname=\"u\"/>"), kStored);                   // other kind

  ClientSession s = Connect();
  // Rewriting a document under its own kiv:id, then delete and store of the same name.
  EXPECT_IN(&s,
            "_process=<?xml version=\"1.0\" encoding=\"utf-8\" ?><kiv:group kiv:id=\"2\" "
            "kiv:groupname=\"g\"/>",
            MessageReply("Document stored", &s));
  EXPECT_IN(&s, "_delete=kiv:user[@kiv:userid=\"u\"]", MessageReply("Document deleted", &s));
  EXPECT_IN(&s, "_process=<kiv:user kiv:userid=\"u\">new</kiv:user>", MessageReply("Document stored", &s));
  EXPECT_IN(&s, "_commit=*", MessageReply("Transaction committed", &s));
  EXPECT_EQ(Send("_XQL=/kiv:user"), ResultReply("<kiv:user kiv:id=\"4\" kiv:userid=\"u\">new</kiv:user>"));
  EXPECT_EQ(Send("_XQL=/kiv:group [@kiv:groupname=\"g\"]"),
            ResultReply("<kiv:group kiv:id=\"2\" kiv:groupname=\"g\"/>"));
  // A kiv:id that names no document stores a new one under that id; later ids come after it.
  EXPECT_EQ(Send("_process=<kiv:acl kiv:id=\"40\" kiv:aclname=\"a\"/>"), kStored);
  EXPECT_EQ(Send("_process=<kiv:acl kiv:aclname=\"b\"/>"), kStored);
  EXPECT_EQ(
      Send("_XQL=/kiv:acl"),
      ResultReply("<kiv:acl kiv:id=\"40\" kiv:aclname=\"a\"/><kiv:acl kiv:id=\"41\" kiv:aclname=\"b\"/>"));
}

TEST_F(ServiceTest, EveryQueryOfTheLibrary) {
  const char* documents[] = {
      "<kiv:user kiv:userid=\"u2\">data of u2</kiv:user>",
      "<kiv:user kiv:userid=\"u1\"/>",
      "<kiv:group kiv:groupname=\"gB\"><kiv:userref>u2</kiv:userref><kiv:userref>u1</kiv:userref>"
      "<kiv:aclref>a1</kiv:aclref></kiv:group>",
      "<kiv:group kiv:groupname=\"gA\"><kiv:userref>u1</kiv:userref><kiv:aclref>a1</kiv:aclref></kiv:group>",
      "<?xml version=\"1.0\" encoding=\"utf-8\" ?><kiv:acl kiv:aclname=\"a1\"><kiv:ace "
      "kiv:access=\"R\">x</kiv:ace>"
      "<kiv:ace kiv:access=\"W\">y</kiv:ace></kiv:acl>",
      "<kiv:acl kiv:aclname=\"a0\"/>",
  };
  for (const char* document : documents) ASSERT_EQ(Send(std::string("_process=") + document), kStored);
  const std::string u1 = "<kiv:user kiv:id=\"2\" kiv:userid=\"u1\"/>";
  const std::string u2 = "<kiv:user kiv:id=\"1\" kiv:userid=\"u2\">data of u2</kiv:user>";
  const std::string gB =
      "<kiv:group kiv:id=\"3\" "
      "kiv:groupname=\"gB\"><kiv:userref>u2</kiv:userref><kiv:userref>u1</kiv:userref>"
      "<kiv:aclref>a1</kiv:aclref></kiv:group>";
  const std::string gA =
      "<kiv:group kiv:id=\"4\" "
      "kiv:groupname=\"gA\"><kiv:userref>u1</kiv:userref><kiv:aclref>a1</kiv:aclref></kiv:group>";
  const std::string a1 =
      "<kiv:acl kiv:id=\"5\" kiv:aclname=\"a1\"><kiv:ace kiv:access=\"R\">x</kiv:ace><kiv:ace "
      "kiv:access=\"W\">y</kiv:ace></kiv:acl>";
  const std::string a0 = "<kiv:acl kiv:id=\"6\" kiv:aclname=\"a0\"/>";
  struct Case {
    std::string query, nodes;
  } cases[] = {
      {"/kiv:user sortby(@kiv:userid)", u1 + u2},
      {"/kiv:group sortby(@kiv:groupname)", gA + gB},
      {"/kiv:acl sortby(@kiv:aclname)", a0 + a1},
      {"/kiv:user [@kiv:userid=\"u2\"]", u2},
      {"/kiv:group [@kiv:groupname=\"gB\"]", gB},
      {"/kiv:acl [@kiv:aclname=\"a1\"]", a1},
      {"/kiv:group [kiv:userref=\"u1\"]", gB + gA},
      {"/kiv:group [kiv:aclref=\"a1\"]", gB + gA},
      {"/kiv:group [kiv:userref=\"u1\"]sortby(@kiv:groupname)", gA + gB},
      {"/kiv:group [kiv:aclref=\"a1\"]sortby(@kiv:groupname asc)", gA + gB},
      {"/kiv:group [kiv:aclref=\"a1\"]sortby(@kiv:groupname desc)", gB + gA},
      {"/kiv:group [@kiv:groupname=\"gB\"] /kiv:userref sortby(.)",
       "<kiv:userref>u1</kiv:userref><kiv:userref>u2</kiv:userref>"},
      {"/kiv:group [@kiv:groupname=\"gB\"] /kiv:aclref sortby(.)", "<kiv:aclref>a1</kiv:aclref>"},
      {"/kiv:acl [@kiv:aclname=\"a1\"] /kiv:ace [. = \"y\"]", "<kiv:ace kiv:access=\"W\">y</kiv:ace>"},
      {"/kiv:acl [@kiv:aclname=\"a1\"] /kiv:ace [. = \"X\"]", ""},
      {"/kiv:user [@kiv:userid=\"nobody\"]", ""},
      {"/kiv:group [@kiv:groupname=\"gA\"] /kiv:userref sortby(.)", "<kiv:userref>u1</kiv:userref>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Send("_XQL=" + c.query), c.nodes.empty() ? kNothing : ResultReply(c.nodes)) << c.query;
  }
  for (const char* refused : {"/kiv:user sortby(@kiv:userid", "/kiv:user[@kiv:userid='u1']", "kiv:user",
                              "/kiv:user/", "/kiv:user [@kiv:userid=\"u1\"] or 1", "/a/b/c"}) {
    EXPECT_EQ(Send(std::string("_XQL=") + refused), FailureReply("KIVXQE0040", "40", "Invalid query"))
        << refused;
  }
}

TEST_F(ServiceTest, EscapingLeavesGreaterThanAndQuotesInTextPlain) {
  ASSERT_EQ(Send("_process=<kiv:user kiv:userid=\"a&quot;b&lt;c&amp;d>e\">1 > 0 \"q\" &amp; 0 &lt; 1 ]]&gt; "
                 "'s'</kiv:user>"),
            kStored);
  EXPECT_EQ(Send("_XQL=/kiv:user"),
            ResultReply("<kiv:user kiv:id=\"1\" kiv:userid=\"a&quot;b&lt;c&amp;d>e\">1 > 0 "
                        "\"q\" &amp; 0 &lt; 1 ]]&gt; 's'</kiv:user>"));
  // Entity and character references in literals are decoded before comparing; a bare & stays.
  const std::string user =
      "<kiv:user kiv:id=\"1\" kiv:userid=\"a&quot;b&lt;c&amp;d>e\">1 > 0 \"q\" &amp; 0 &lt; 1 "
      "]]&gt; 's'</kiv:user>";
  EXPECT_EQ(Send("_XQL=/kiv:user [@kiv:userid=\"a&quot;b&lt;c&amp;d&gt;e\"]"), ResultReply(user));
  EXPECT_EQ(Send("_XQL=/kiv:user [@kiv:userid=\"a&#34;b&#x3C;c&d>e\"]"), ResultReply(user));
  EXPECT_EQ(Send("_delete=kiv:user[@kiv:userid=\"a&quot;b&lt;c&amp;d>e\"]"),
            MessageReply("Document deleted"));
}

TEST_F(ServiceTest, ValuesArriveUnchanged) {
  // Every byte that the request encoding must carry: & = % + # " < > line breaks and UTF-8.
  // In the document the "&" of the name is escaped; in the query literal it stands bare.
  const std::string id = "a&b=c%d+e#f\xC3\xBC";
  const std::string stored_id = "a&amp;b=c%d+e#f\xC3\xBC";
  const std::string text = "x &amp; = % + # \" &lt; > \r\nline2\n\xE2\x82\xAC &#x1F600;";
  const std::string command = "_process=<kiv:user kiv:userid=\"" + stored_id + "\">" + text + "</kiv:user>";
  ASSERT_EQ(Send(command), kStored);
  EXPECT_EQ(
      Send("_XQL=/kiv:user [@kiv:userid=\"" + id + "\"]"),
      ResultReply("<kiv:user kiv:id=\"1\" kiv:userid=\"a&amp;b=c%d+e#f\xC3\xBC\">x &amp; = % + # \" &lt; > "
                  "\nline2\n\xE2\x82\xAC \xF0\x9F\x98\x80</kiv:user>"));
  std::string log = testing::ReadFile(server_.log_path());
  EXPECT_NE(log.find("{\"db\":\"db\",\"command\":\"_process=<kiv:user "
                     "kiv:userid=\\\"a&amp;b=c%d+e#f\xC3\xBC\\\">x &amp; = % "
                     "+ # \\\" &lt; > \\r\\nline2\\n\xE2\x82\xAC &#x1F600;</kiv:user>\",\"code\":\"0\"}\n"),
            std::string::npos)
      << log;
}

TEST_F(ServiceTest, RequestLogHoldsEveryCommandInOrder) {
  ClientSession s = Connect();
  ClientSession first = s;
  In(&s, "_XQL=/kiv:user");
  Send("_XQL=/kiv:user[");
  client_.Send("nodb", "_connect=*");
  ClientSession last = s;
  In(&s, "_disconnect=*");
  std::string expected =
      "{\"db\":\"db\",\"command\":\"_connect=*\",\"code\":\"0\"}\n"
      "{\"db\":\"db\",\"command\":\"_XQL=/kiv:user&_sessionid=" +
      first.id + "&_sessionkey=" + first.key +
      "\",\"code\":\"0\"}\n"
      "{\"db\":\"db\",\"command\":\"_XQL=/kiv:user[\",\"code\":\"KIVXQE0040\"}\n"
      "{\"db\":\"nodb\",\"command\":\"_connect=*\",\"code\":\"KIVXBE0020\"}\n"
      "{\"db\":\"db\",\"command\":\"_disconnect=*&_sessionid=" +
      last.id + "&_sessionkey=" + last.key + "\",\"code\":\"0\"}\n";
  EXPECT_EQ(testing::ReadFile(server_.log_path()), expected);
}

class LockingTest : public ServiceTest {
 protected:
  LockingTest() : ServiceTest(WithTimeouts(120'000, 200)) {}
};

TEST_F(LockingTest, WritersWaitThenTimeOut) {
  TestClient other_client(server_.port());
  ClientSession a = Connect();
  ClientSession b = Connect(&other_client);
  In(&a, "_process=<kiv:user kiv:userid=\"a\"/>");
  const std::string locked = FailureReply("KIVXLE0060", "60", "Database locked by another session");
  EXPECT_EQ(Send("_process=<kiv:user kiv:userid=\"x\"/>"), locked);
  ClientSession b_before = b;
  EXPECT_IN_VIA(&other_client, &b, "_delete=kiv:user[@kiv:userid=\"a\"]",
                FailureReply("KIVXLE0060", "60", "Database locked by another session", &b_before));
  // Reads never wait.
  EXPECT_IN_VIA(&other_client, &b, "_XQL=/kiv:user",
                MessageReply("XQL request processed, no object returned", &b));
  In(&a, "_commit=*");
  EXPECT_IN_VIA(&other_client, &b, "_process=<kiv:user kiv:userid=\"b\"/>",
                MessageReply("Document stored", &b));
  // The lock stays with b until its transaction ends.
  EXPECT_IN(&a, "_process=<kiv:user kiv:userid=\"c\"/>",
            FailureReply("KIVXLE0060", "60", "Database locked by another session", &a));
  In(&b, "_commit=*", &other_client);
  EXPECT_EQ(Send("_process=<kiv:user kiv:userid=\"x\"/>"), kStored);
}

TEST(ServiceLockWaitTest, SessionlessWriteWaitsForTheCommit) {
  TestServer server(WithTimeouts(120'000, 30'000));
  TestClient client(server.port());
  ClientSession a;
  testing::ReadSession(client.Send("db", "_connect=*"), &a);
  testing::ReadSession(client.Send("db", "_process=<kiv:user kiv:userid=\"a\"/>" + a.Suffix()), &a);
  std::string waited;
  std::thread writer([&] {
    TestClient second(server.port());
    waited = second.Send("db", "_process=<kiv:user kiv:userid=\"a\"/>");
  });
  while (server.service().WaitingWriters("db") == 0) std::this_thread::yield();
  // The writer is refused once a's user is committed: it went on only after the commit.
  client.Send("db", "_commit=*" + a.Suffix());
  writer.join();
  EXPECT_TRUE(waited == kDuplicate) << waited;
}

TEST(ServiceExpiryTest, IdleSessionsAreRolledBackAndClosed) {
  TestServer server(WithTimeouts(300, 30'000));
  TestClient client(server.port());
  ClientSession a;
  ASSERT_TRUE(testing::ReadSession(client.Send("db", "_connect=*"), &a));
  ASSERT_TRUE(
      testing::ReadSession(client.Send("db", "_process=<kiv:user kiv:userid=\"a\"/>" + a.Suffix()), &a));
  // This write waits for a's lock, which expiry releases.
  EXPECT_EQ(client.Send("db", "_process=<kiv:user kiv:userid=\"b\"/>"), kStored);
  EXPECT_EQ(client.Send("db", "_XQL=/kiv:user"), ResultReply("<kiv:user kiv:id=\"2\" kiv:userid=\"b\"/>"));
  EXPECT_EQ(client.Send("db", "_XQL=/kiv:user" + a.Suffix()), kInvalidSession);
}

TEST(ServiceLimitTest, SessionLimit) {
  TestServer server(WithTimeouts(120'000, 1000, 2));
  TestClient client(server.port());
  ClientSession a, b;
  ASSERT_TRUE(testing::ReadSession(client.Send("db", "_connect=*"), &a));
  ASSERT_TRUE(testing::ReadSession(client.Send("db", "_connect=*"), &b));
  EXPECT_NE(a.id, b.id);
  EXPECT_EQ(client.Send("db", "_connect=*"), FailureReply("KIVXSE0031", "31", "Too many sessions"));
  EXPECT_EQ(client.Send("db", "_disconnect=*" + a.Suffix()), MessageReply("Session closed"));
  ClientSession c;
  EXPECT_TRUE(testing::ReadSession(client.Send("db", "_connect=*"), &c));
  EXPECT_NE(c.id, a.id);  // ids are never given twice
}

TEST(ServiceAutoCreateTest, DatabasesAreCreatedOnFirstUseOnlyWhenAsked) {
  ServiceOptions options;
  options.auto_create = true;
  TestServer server(options);
  TestClient client(server.port());
  EXPECT_EQ(client.Send("fresh_db-1", "_XQL=/kiv:user"), kNothing);
  EXPECT_EQ(client.Send("bad name", "_XQL=/kiv:user"),
            FailureReply("KIVXBE0020", "20", "Database not found"));
  EXPECT_EQ(client.Send(std::string(65, 'x'), "_XQL=/kiv:user"),
            FailureReply("KIVXBE0020", "20", "Database not found"));
}

}  // namespace
}  // namespace corvane
