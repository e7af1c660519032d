#include "agent/messages.h"

#include <cstring>

#include "custor/agent.h"

namespace custor::agent {

const TextTable &BuiltinMessages() {
  static const TextTable table = {
      {"KIVAAE0370", " Server session could not be opened or continued"},
      {"KIVAAE0372", " ACL does not exist or could not be read"},
      {"KIVAAE0373", " Group to be linked does not exist or could not be read"},
      {"KIVAAE0377", " Duplicate entry text in ACL"},
      {"KIVAAE0386", " ACL already exists"},
      {"KIVAAE0387", " User already exists"},
      {"KIVAAE0388", " User does not exist"},
      {"KIVAAE0389", " ACL does not exist"},
      {"KIVAAE0390", " Group does not exist"},
      {"KIVAAE0400", " Group already exists"},
      {"KIVAAF0369", " Group references could not be removed"},
      {"KIVXHE8201", " ACL to be extended could not be read"},
  };
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
