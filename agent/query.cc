#include "agent/query.h"

#include "core/protocol.h"

namespace custor::agent {
namespace {

using protocol::kPathHead;
using protocol::kPathTail;
constexpr std::string_view kSessionId = protocol::kSessionIdField;
constexpr std::string_view kSessionKey = protocol::kSessionKeyField;

bool Unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

void AppendEncoded(std::string &out, std::string_view bytes, std::string_view keep) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (Unreserved(c) || keep.find(ch) != std::string_view::npos) {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    }
  }
}

}  // namespace

std::string PercentEncode(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  AppendEncoded(out, bytes, {});
  return out;
}

std::string EncodeCommand(std::string_view command) {
  const std::size_t equals = command.find('=');
  if (equals == std::string_view::npos) return PercentEncode(command);
  const std::string_view verb = command.substr(0, equals);
  std::string_view value = command.substr(equals + 1);

  // Session suffix: "&_sessionid=<id>&_sessionkey=<key>" closing the command.
  std::string_view id, key;
  bool in_session = false;
  if (const std::size_t k = value.rfind(kSessionKey); k != std::string_view::npos) {
    key = value.substr(k + kSessionKey.size());
    const std::string_view head = value.substr(0, k);
    if (const std::size_t i = head.rfind(kSessionId);
        i != std::string_view::npos && key.find('&') == std::string_view::npos) {
      id = head.substr(i + kSessionId.size());
      if (id.find('&') == std::string_view::npos) {
        in_session = true;
        value = head.substr(0, i);
      }
    }
  }

  std::string out = PercentEncode(verb);
  out += '=';
  AppendEncoded(out, value, {});
  if (in_session) {
    out += kSessionId;
    AppendEncoded(out, id, {});
    out += kSessionKey;
    AppendEncoded(out, key, {});
  }
  return out;
}

std::string EncodePath(std::string_view path) {
  std::string out;
  if (path.size() >= kPathHead.size() + kPathTail.size() && path.starts_with(kPathHead) &&
      path.ends_with(kPathTail)) {
    out = kPathHead;
    AppendEncoded(out, path.substr(kPathHead.size(), path.size() - kPathHead.size() - kPathTail.size()), {});
    out += kPathTail;
    return out;
  }
  AppendEncoded(out, path, "/:");
  return out;
}

}  // namespace custor::agent
