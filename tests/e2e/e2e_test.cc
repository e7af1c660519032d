#include "e2e/e2e_test.h"

#include <cstdlib>
#include <regex>

#include "custor/agent.h"

namespace custor::e2e {

std::string UserDoc(const std::string &id, const std::string &content) {
  return "<kiv:user kiv:userid=\"" + id + "\"" + kNs + ">" + content + "</kiv:user>";
}

std::string Refs(const std::vector<std::string> &users, const std::vector<std::string> &acls) {
  std::string refs;
  for (const std::string &user : users) refs += "<kiv:userref>" + user + "</kiv:userref>";
  for (const std::string &acl : acls) refs += "<kiv:aclref>" + acl + "</kiv:aclref>";
  return refs;
}

std::string GroupDoc(const std::string &name, const std::vector<std::string> &users,
                     const std::vector<std::string> &acls) {
  return "<kiv:group kiv:groupname=\"" + name + "\"" + kNs + ">" + Refs(users, acls) + "</kiv:group>";
}

std::string AceTexts(const Entries &entries) {
  std::string text;
  for (const auto &[access, entry] : entries)
    text += "<kiv:ace kiv:access=\"" + access + "\">" + entry + "</kiv:ace>";
  return text;
}

std::string AclDoc(const std::string &name, const Entries &entries) {
  return "<kiv:acl kiv:aclname=\"" + name + "\"" + kNs + ">" + AceTexts(entries) + "</kiv:acl>";
}

std::string Take(char *text) {
  cli::Owned<char> owned(text);
  return text != nullptr ? text : "(null)";
}

Inputs::Inputs() {
  groups = Names({"G1"});
  group.nameOrId = Mut("G9");
  group.userCount = group.aclCount = 1;
  group.users[0] = Mut("ann");
  group.acls[0] = Mut("docs");
  ace = {Mut("read"), Mut("all"), nullptr};
  acl.aceCount = 1;
  acl.aces[0] = &ace;
}

NameList Names(std::initializer_list<const char *> names) {
  NameList list{};
  for (const char *name : names) list.names[list.count++] = Mut(name);
  return list;
}

std::string SendTo(const std::string &db, const std::string &command) {
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

std::string Collection(const std::string &db) {
  return SendTo(db, "_XQL=/kiv:user sortby(@kiv:userid)") +
         SendTo(db, "_XQL=/kiv:group sortby(@kiv:groupname)") +
         SendTo(db, "_XQL=/kiv:acl sortby(@kiv:aclname)");
}

std::string Find(const std::string &text, const std::string &pattern) {
  std::smatch match;
  return std::regex_search(text, match, std::regex(pattern)) ? match[1].str() : "";
}

bool FollowSession(const std::string &reply, std::string *id, std::string *key) {
  *id = Find(reply, "kiv:sessionid=\"([0-9]+)\"");
  *key = Find(reply, "kiv:sessionkey=\"([0-9a-f]+)\"");
  return !id->empty() && !key->empty();
}

std::unique_ptr<CorvanedProcess> EndToEndTest::server_;

void EndToEndTest::SetUpTestSuite() {
  server_ = std::make_unique<CorvanedProcess>();
  setenv("CUSTOR_PORT", std::to_string(server_->port()).c_str(), 1);
}

void EndToEndTest::TearDownTestSuite() { server_.reset(); }

void EndToEndTest::Restart(const std::vector<std::string> &args) {
  server_->Start(args);
  setenv("CUSTOR_PORT", std::to_string(server_->port()).c_str(), 1);
}

void EndToEndTest::SetUp() {
  static int serial = 0;
  base_ =
      "t" + std::to_string(++serial) + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
  base_.resize(std::min<std::size_t>(base_.size(), 40));
  for (char &c : base_) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  db_ = base_;
  Mark();
}

void EndToEndTest::UseDatabase(const std::string &suffix) {
  db_ = base_ + "_" + suffix;
  Mark();
}

std::vector<std::string> EndToEndTest::Steps() const {
  static const std::regex tail("&_sessionid=([0-9]+)&_sessionkey=[0-9a-f]{16}$");
  std::vector<std::string> steps;
  std::string session;
  const std::vector<LoggedRequest> log = server_->Log();
  for (std::size_t i = mark_; i < log.size(); ++i) {
    if (log[i].db != db_) continue;
    std::smatch match;
    std::string step = log[i].command;
    if (std::regex_search(log[i].command, match, tail)) {
      if (session.empty()) session = match[1];
      EXPECT_EQ(match[1], session) << log[i].command;
      step = "S " + log[i].command.substr(0, match.position(0));
    }
    steps.push_back(log[i].code == "0" ? step : step + " -> " + log[i].code);
  }
  return steps;
}

void EndToEndTest::Seed(const std::vector<std::string> &documents) const {
  for (const std::string &document : documents) {
    ASSERT_THAT(Send("_process=" + document), ::testing::HasSubstr("Document stored")) << document;
  }
}

std::string EndToEndTest::Stored(const std::string &query) const {
  return Find(Send("_XQL=" + query), "<xql:result>(.*)</xql:result>");
}

std::string EndToEndTest::StoredGroup(const std::string &name) const {
  return Stored("/kiv:group [@kiv:groupname=\"" + name + "\"]");
}

}  // namespace custor::e2e
