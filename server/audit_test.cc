// The audit trail of a scripted sequence of changes, as "corvaned audit" prints it: a row exactly for
// each committed change of a document, with who made it; and the times it reads and writes.
#include "audit.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include <regex>
#include <vector>

#include "audit_command.h"
#include "support/server_fixture.h"

namespace corvane {
namespace {

using testing::ClientSession;
using testing::TargetFor;

// The output of "corvaned audit ARGS".
std::string Audit(std::vector<std::string> args) {
  args.insert(args.begin(), "audit");
  std::vector<char*> argv;
  argv.reserve(args.size());
  for (std::string& arg : args) argv.push_back(arg.data());
  char* text = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&text, &size);
  EXPECT_EQ(RunAuditCommand(static_cast<int>(argv.size()), argv.data(), out), 0);
  std::fclose(out);
  std::string printed(text, size);
  std::free(text);
  return printed;
}

TEST(AuditTest, OneRowPerCommittedChangeOfADocument) {
  testing::TestServer server;
  Service& service = server.service();
  const Caller ops{"ops", "192.0.2.7"}, admin{"admin", "127.0.0.1"};
  // Runs a command as `caller`, in `session` unless it is null, following the session's key.
  auto run = [&](const Caller& caller, ClientSession* session, const std::string& command) {
    std::string reply =
        service.Handle(TargetFor("db", session ? command + session->Suffix() : command), caller).body;
    if (session != nullptr) testing::ReadSession(reply, session);
    EXPECT_TRUE(reply.find("kiv:returnvalue=\"0\"") != std::string::npos) << command << ": " << reply;
  };
  auto open = [&] {
    ClientSession session;
    testing::ReadSession(service.Handle(TargetFor("db", "_connect=*"), admin).body, &session);
    return session;
  };
  run(ops, nullptr, "_process=<kiv:user kiv:userid=\"ann\"/>");
  ClientSession s = open();
  run(admin, &s, "_process=<kiv:group kiv:groupname=\"g\"><kiv:userref>ann</kiv:userref></kiv:group>");
  run(admin, &s, "_process=<kiv:user kiv:id=\"1\" kiv:userid=\"ann\"><n>Ann</n></kiv:user>");
  run(admin, &s, "_process=<kiv:user kiv:userid=\"tmp\"/>");  // made and gone within the transaction
  run(admin, &s, "_delete=kiv:user[@kiv:userid=\"tmp\"]");
  run(ops, &s, "_commit=*");
  run(admin, &s, "_process=<kiv:acl kiv:aclname=\"never\"/>");
  run(admin, &s, "_rollback=*");
  run(admin, &s, "_process=<kiv:user kiv:id=\"1\" kiv:userid=\"anna\"><n>Ann</n></kiv:user>");  // a rename
  run(admin, &s, "_commit=*");
  run(ops, nullptr,
      "_process=<kiv:group kiv:id=\"2\" kiv:groupname=\"g\"><kiv:userref>ann</kiv:userref></kiv:group>");
  run(ops, nullptr, "_delete=kiv:group[@kiv:groupname=\"g\"]");

  const std::string dir = server.log_path().substr(0, server.log_path().rfind('/'));
  const std::string group = "<kiv:group kiv:groupname=\\\"g\\\"><kiv:userref>ann</kiv:userref></kiv:group>";
  const std::string who_s = "\"session\":\"" + s.id + "\",\"key\":\"";
  const std::string expected[] = {
      R"("session":"","key":"ops","client":"192.0.2.7","kind":"user","name":"ann","change":"create","after":"<kiv:user kiv:userid=\"ann\"/>"})",
      who_s +
          R"(ops","client":"192.0.2.7","kind":"user","name":"ann","change":"modify","before":"<kiv:user kiv:userid=\"ann\"/>","after":"<kiv:user kiv:userid=\"ann\"><n>Ann</n></kiv:user>"})",
      who_s + R"(ops","client":"192.0.2.7","kind":"group","name":"g","change":"create","after":")" + group +
          "\"}",
      who_s +
          R"(admin","client":"127.0.0.1","kind":"user","name":"ann","change":"delete","before":"<kiv:user kiv:userid=\"ann\"><n>Ann</n></kiv:user>"})",
      who_s +
          R"(admin","client":"127.0.0.1","kind":"user","name":"anna","change":"create","after":"<kiv:user kiv:userid=\"anna\"><n>Ann</n></kiv:user>"})",
      R"("session":"","key":"ops","client":"192.0.2.7","kind":"group","name":"g","change":"delete","before":")" +
          group + "\"}",
  };
  std::vector<std::string> rows;
  std::istringstream lines(Audit({"--data", dir, "--database", "db", "--json"}));
  const std::regex time(R"(\{"time":"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z",(.*))");
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    rows.push_back(std::regex_match(line, match, time) ? match[1].str() : "no time: " + line);
  }
  EXPECT_EQ(rows, std::vector<std::string>(std::begin(expected), std::end(expected)));

  EXPECT_EQ(Audit({"--data", dir, "--database", "db", "--json", "--since", "2999-01-01"}), "");
  const std::string table = Audit({"--data", dir, "--database", "db", "--since", "2000-01-01T00:00:00Z"});
  EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 7) << table;
  EXPECT_EQ(table.substr(0, 5), "TIME ") << table;
}

TEST(AuditTest, Times) {
  EXPECT_EQ(FormatTime(0), "1970-01-01T00:00:00.000Z");
  EXPECT_EQ(FormatTime(1709210096789), "2024-02-29T12:34:56.789Z");
  const struct {
    const char* text;
    std::optional<int64_t> ms;
  } cases[] = {{"2024-02-29T12:34:56.789Z", 1709210096789},
               {"2024-02-29 12:34:56", 1709210096000},
               {"2024-02-29", 1709164800000},
               {"2024-02-29T12:34", std::nullopt},
               {"2024-13-01", std::nullopt},
               {"2024-02-29T12:34:56.7", std::nullopt},
               {"yesterday", std::nullopt},
               {"2024-02-29T12:34:56Zx", std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(ParseTime(c.text), c.ms) << c.text;
}

}  // namespace
}  // namespace corvane
