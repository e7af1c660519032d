// How a command of the library travels in a request URL: the command becomes the query string, the
// database the percent-encoded middle segment of the path.
#ifndef CUSTOR_AGENT_QUERY_H_
#define CUSTOR_AGENT_QUERY_H_

#include <string>
#include <string_view>

namespace custor::agent {

// Percent-encodes every byte but A-Z a-z 0-9 - . _ ~ (upper-case hex digits).
std::string PercentEncode(std::string_view bytes);

// "_<verb>=<value>[&_sessionid=<id>&_sessionkey=<key>]" becomes
// "_<verb>=<pct(value)>[&_sessionid=<pct(id)>&_sessionkey=<pct(key)>]". The session suffix counts only
// at the very end of the command, with an id and a key that hold no '&'; everything before it is the
// value, whatever it holds. A command without '=' is encoded whole.
std::string EncodeCommand(std::string_view command);

// "/corvane/<database>/kiv:security" with the database encoded as one path segment. Any other path
// keeps its '/' and ':' and has every other byte outside the unreserved set encoded.
std::string EncodePath(std::string_view path);

}  // namespace custor::agent

#endif  // CUSTOR_AGENT_QUERY_H_
