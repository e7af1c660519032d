// The fixed parts of the server's HTTP command protocol that the library, the agent's request service
// and corvaned share: where a database's security collection is, how a command names its session, and
// the namespace of the kiv prefix.
#ifndef CUSTOR_LIB_CORE_PROTOCOL_H_
#define CUSTOR_LIB_CORE_PROTOCOL_H_

#include <string_view>

namespace custor::protocol {

// The path of database D's security collection: kPathHead, D, kPathTail.
inline constexpr std::string_view kPathHead = "/corvane/";
inline constexpr std::string_view kPathTail = "/kiv:security";

// A command sent inside a session ends with kSessionIdField, the session id, kSessionKeyField and the
// session key.
inline constexpr std::string_view kSessionIdField = "&_sessionid=";
inline constexpr std::string_view kSessionKeyField = "&_sessionkey=";
// The parameter names in them: "_sessionid" and "_sessionkey".
inline constexpr std::string_view kSessionIdName = kSessionIdField.substr(1, kSessionIdField.size() - 2);
inline constexpr std::string_view kSessionKeyName = kSessionKeyField.substr(1, kSessionKeyField.size() - 2);

// The namespace URI of the kiv prefix, which every document declares.
inline constexpr std::string_view kKivNamespace = "http://namespaces.corvane.example/kiv";

}  // namespace custor::protocol

#endif  // CUSTOR_LIB_CORE_PROTOCOL_H_
