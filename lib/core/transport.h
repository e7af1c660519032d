// Request transport: one command to the server through the agent's request service.
#ifndef CUSTOR_LIB_CORE_TRANSPORT_H_
#define CUSTOR_LIB_CORE_TRANSPORT_H_

#include <string>
#include <string_view>

#include "core/call.h"
#include "core/text.h"

namespace custor {

// Sends `command` (exactly as built, no encoding) for the security collection of call.database and
// returns a copy of the reply, or kRequestFailed when no reply came. The agent's reply is released
// before this returns, so the copy stays valid across later requests.
std::string ExecuteServerCommand(const Call &call, const std::string &command);

// Whether `reply`, from ExecuteServerCommand, came from the server.
inline bool Answered(std::string_view reply) { return reply != kRequestFailed; }

}  // namespace custor

#endif  // CUSTOR_LIB_CORE_TRANSPORT_H_
