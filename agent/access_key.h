// The access key that every request carries to corvaned, from the file that CUSTOR_KEY_FILE names.
#ifndef CUSTOR_AGENT_ACCESS_KEY_H_
#define CUSTOR_AGENT_ACCESS_KEY_H_

#include <string>

namespace custor::agent {

// The "Authorization" header field for the key ("Authorization: Bearer <key>"), or "" when
// CUSTOR_KEY_FILE is unset, or its file cannot be read or holds no key: the request then goes
// without one, and the server refuses it with its access-denied reply. The key is the file's text
// without trailing white space; one with other bytes than visible ASCII is no key. The file is read
// when a request first needs it, and again only when CUSTOR_KEY_FILE names another file.
const std::string &AuthorizationField();

// The header field for the key text `file_text` as read from a key file; "" when it holds no key.
std::string AuthorizationFieldFor(const std::string &file_text);

}  // namespace custor::agent

#endif  // CUSTOR_AGENT_ACCESS_KEY_H_
