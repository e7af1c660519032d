// The resource loader's message table "kivmsg": the texts that follow the library's message codes.
#ifndef CUSTOR_AGENT_MESSAGES_H_
#define CUSTOR_AGENT_MESSAGES_H_

#include <string_view>

#include "agent/tab_file.h"

namespace custor::agent {

// The built-in English table. Each text begins with a blank, because the library writes it directly
// behind the code: "KIVAAE0390" and " Group does not exist" read "KIVAAE0390 Group does not exist ".
const TextTable &BuiltinMessages();

// The text of `code` in the table in force: the file named by CUSTOR_MESSAGES when it is set and
// readable (it replaces the built-in table as a whole), else the built-in table. Null when there is
// none; otherwise valid for the life of the process.
const char *MessageFor(std::string_view code);

}  // namespace custor::agent

#endif  // CUSTOR_AGENT_MESSAGES_H_
