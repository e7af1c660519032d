// Message texts: the library's own message codes turned into texts from the agent's table "kivmsg".
#ifndef CUSTOR_LIB_CORE_MESSAGE_H_
#define CUSTOR_LIB_CORE_MESSAGE_H_

#include <string>

#include "core/message_codes.h"

namespace custor {

// The code immediately followed by its text from "kivmsg" and one blank, or the bare code when the
// table has no text for it.
std::string MessageText(MessageCode code);

}  // namespace custor

#endif  // CUSTOR_LIB_CORE_MESSAGE_H_
