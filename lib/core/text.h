// Texts of the library: the fixed texts it answers and compares with, and the heap primitives for
// every text and record that crosses to the agent.
#ifndef CUSTOR_LIB_CORE_TEXT_H_
#define CUSTOR_LIB_CORE_TEXT_H_

#include <cstddef>
#include <string_view>

namespace custor {

// Room of every array of the scan state and of the records.
inline constexpr int kCapacity = 2000;

// The library's fixed texts; status tests compare whole texts with them.
inline constexpr std::string_view kRequestFailed = "VRX@DLL CORVANE_REQUEST_FAILED";
inline constexpr std::string_view kParseErr = "VRX@DLL PARSE_ERR";
inline constexpr std::string_view kTagNotFound = "VRX@DLL PARSER COULD NOT FIND TAG";
inline constexpr std::string_view kInvalidSession = "Invalid Session";
// Server verdicts that some operations recognise, as CheckReply composes them.
inline constexpr std::string_view kNoMatchingDocument = "KIVXIE8300 No matching document found";
inline constexpr std::string_view kUnknownError = "KIVXXE8610 unknown error";
// Namespace URI of the kiv prefix, declared in every document the library writes.
inline constexpr std::string_view kNamespace = "http://namespaces.corvane.example/kiv";

// n+1 uninitialised bytes from the standard heap: room for n bytes of text and the terminating NUL.
char *AllocText(std::size_t n);
// Releases a block from AllocText (or any malloc'd block); null is ignored.
void FreeText(void *block);
// A fresh NUL-terminated heap copy of `text`, owned by the caller (released with free()).
char *CopyText(std::string_view text);

}  // namespace custor

#endif  // CUSTOR_LIB_CORE_TEXT_H_
