#include "bench/live_server.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

#include "agent/query.h"
#include "custor/custor.h"

namespace custor::bench {
namespace {

// "0" from a text result of the library, which is released.
bool Succeeded(char *result) {
  const bool ok = result != nullptr && std::strcmp(result, "0") == 0;
  std::free(result);
  return ok;
}

}  // namespace

e2e::CorvanedProcess &Server() {
  static std::unique_ptr<e2e::CorvanedProcess> server = [] {
    auto process = std::make_unique<e2e::CorvanedProcess>();
    setenv("CUSTOR_PORT", std::to_string(process->port()).c_str(), 1);
    return process;
  }();
  return *server;
}

std::string AuthorizationHeader() {
  std::ifstream in(Server().key_file());
  std::string key;
  std::getline(in, key);
  return "Authorization: Bearer " + key;
}

std::string RequestUrl(const std::string &database, const std::string &command) {
  return "http://localhost:" + std::to_string(Server().port()) +
         agent::EncodePath("/corvane/" + database + "/kiv:security") + "?" + agent::EncodeCommand(command);
}

std::string Name(const char *prefix, int i) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%05d", i);
  return prefix + std::string(digits);
}

bool CreateUsers(const std::string &database, const std::string &prefix, int count) {
  for (int i = 0; i < count; ++i) {
    const std::string id = Name(prefix.c_str(), i);
    const std::string content = "<d>Data of " + id + "</d>";
    if (!Succeeded(createUser(0, database.c_str(), content.c_str(), id.c_str(), nullptr, 0, 0))) return false;
  }
  return true;
}

bool CreateGroups(const std::string &database, const std::string &prefix, int count) {
  auto group = std::make_unique<GroupRecord>();
  for (int i = 0; i < count; ++i) {
    std::string name = Name(prefix.c_str(), i);
    group->nameOrId = name.data();
    if (!Succeeded(createGroup(0, database.c_str(), group.get(), 0, 0))) return false;
  }
  return true;
}

bool CreateUserIn(const std::string &database, const std::string &userid,
                  const std::vector<std::string> &groups) {
  auto list = std::make_unique<NameList>();
  list->status = nullptr;
  list->count = static_cast<int32_t>(groups.size());
  for (std::size_t i = 0; i < groups.size(); ++i) list->names[i] = const_cast<char *>(groups[i].c_str());
  const std::string content = "<d>Data of " + userid + "</d>";
  return Succeeded(createUser(0, database.c_str(), content.c_str(), userid.c_str(), list.get(), 0, 0));
}

}  // namespace custor::bench
