#include "agent/messages.h"

#include <cstring>
#include <utility>

#include "core/message_codes.h"
#include "custor/agent.h"

namespace custor::agent {

const TextTable &BuiltinMessages() {
  static const TextTable table = [] {
    const std::pair<MessageCode, const char *> texts[] = {
        {MessageCode::kSessionUnusable, " Server session could not be opened or continued"},
        {MessageCode::kAclNotRead, " ACL does not exist or could not be read"},
        {MessageCode::kGroupToLinkMissing, " Group to be linked does not exist or could not be read"},
        {MessageCode::kDuplicateEntryText, " Duplicate entry text in ACL"},
        {MessageCode::kAclExists, " ACL already exists"},
        {MessageCode::kUserExists, " User already exists"},
        {MessageCode::kUserNotDefined, " User does not exist"},
        {MessageCode::kAclNotDefined, " ACL does not exist"},
        {MessageCode::kGroupNotDefined, " Group does not exist"},
        {MessageCode::kGroupExists, " Group already exists"},
        {MessageCode::kReferencesNotRemoved, " Group references could not be removed"},
        {MessageCode::kAclNotExtended, " ACL to be extended could not be read"},
    };
    TextTable built;
    for (const auto &[code, text] : texts) built.emplace(CodeText(code), text);
    return built;
  }();
  return table;
}

const char *MessageFor(std::string_view code) {
  const TextTable *file = TabFileFromEnv("CUSTOR_MESSAGES");
  const TextTable &table = file != nullptr ? *file : BuiltinMessages();
  const auto it = table.find(code);
  return it != table.end() ? it->second.c_str() : nullptr;
}

}  // namespace custor::agent

extern "C" int32_t NIMBAMfLoadResource(const char *table, const char *code, int32_t selector, char **text) {
  if (table == nullptr || code == nullptr || text == nullptr) return 1;
  if (std::strcmp(table, "kivmsg") != 0 || selector != 0) return 1;
  try {
    const char *found = custor::agent::MessageFor(code);
    if (found == nullptr) return 1;
    // The library only reads the text; the type is the loader interface's.
    *text = const_cast<char *>(found);
    return 0;
  } catch (...) {
    return 1;
  }
}
