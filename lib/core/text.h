// The library's fixed texts, which it answers and which stand for missing values, and the room of
// every array of the scan state and of the records.
#ifndef CUSTOR_LIB_CORE_TEXT_H_
#define CUSTOR_LIB_CORE_TEXT_H_

#include <string_view>

#include "custor/custor.h"

namespace custor {

inline constexpr int kCapacity = CUSTOR_CAPACITY;

// No reply came for a request.
inline constexpr std::string_view kRequestFailed = "VRX@DLL CORVANE_REQUEST_FAILED";
// A value that a reply did not hold, such as the session id of a reply without one.
inline constexpr std::string_view kParseErr = "VRX@DLL PARSE_ERR";
// An element that a reply did not hold.
inline constexpr std::string_view kTagNotFound = "VRX@DLL PARSER COULD NOT FIND TAG";

}  // namespace custor

#endif  // CUSTOR_LIB_CORE_TEXT_H_
