#include "request.h"

#include <optional>

#include "core/protocol.h"

namespace corvane {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<Verb> VerbNamed(std::string_view name) {
  static constexpr struct {
    std::string_view name;
    Verb verb;
  } kVerbs[] = {{"_connect", Verb::kConnect},   {"_commit", Verb::kCommit},
                {"_rollback", Verb::kRollback}, {"_disconnect", Verb::kDisconnect},
                {"_XQL", Verb::kXql},           {"_process", Verb::kProcess},
                {"_delete", Verb::kDelete}};
  for (const auto& entry : kVerbs) {
    if (entry.name == name) return entry.verb;
  }
  return std::nullopt;
}

constexpr std::string_view kPathPrefix = custor::protocol::kPathHead;
constexpr std::string_view kCollection = custor::protocol::kPathTail;

// Decodes the query string into the request's parameters; false when it is no valid command.
bool DecodeParameters(std::string_view query, Request* request) {
  bool has_verb = false, has_id = false, has_key = false, ok = true;
  while (true) {
    size_t amp = query.find('&');
    std::string_view part = query.substr(0, amp);
    size_t eq = part.find('=');
    std::string name, value;
    bool decoded = PercentDecode(part.substr(0, eq), &name);
    if (eq != std::string_view::npos) decoded = PercentDecode(part.substr(eq + 1), &value) && decoded;
    if (!request->command.empty()) request->command.push_back('&');
    if (decoded) {
      request->command += name;
      if (eq != std::string_view::npos) request->command += "=" + value;
    } else {
      request->command.append(part);
      ok = false;
    }
    if (name == custor::protocol::kSessionIdName && !has_id) {
      has_id = true;
      request->session_id = value;
    } else if (name == custor::protocol::kSessionKeyName && !has_key) {
      has_key = true;
      request->session_key = value;
    } else if (std::optional<Verb> verb = VerbNamed(name); verb && !has_verb && !value.empty()) {
      has_verb = true;
      request->verb = *verb;
      request->value = std::move(value);
    } else {
      ok = false;
    }
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
  if (!ok || !has_verb || has_id != has_key) return false;
  request->has_session = has_id;
  switch (request->verb) {
    case Verb::kConnect:
      return request->value == "*" && !has_id;
    case Verb::kCommit:
    case Verb::kRollback:
    case Verb::kDisconnect:
      return request->value == "*" && has_id;
    default:
      return true;
  }
}

}  // namespace

bool PercentDecode(std::string_view in, std::string* out) {
  out->clear();
  out->reserve(in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '%') {
      out->push_back(in[i]);
      continue;
    }
    int high = i + 1 < in.size() ? HexValue(in[i + 1]) : -1;
    int low = i + 2 < in.size() ? HexValue(in[i + 2]) : -1;
    if (high < 0 || low < 0) return false;
    out->push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  return true;
}

Request DecodeRequest(std::string_view target) {
  Request request;
  size_t question = target.find('?');
  std::string_view path = target.substr(0, question);
  std::string_view query =
      question == std::string_view::npos ? std::string_view() : target.substr(question + 1);

  if (path.substr(0, kPathPrefix.size()) == kPathPrefix) {
    std::string_view rest = path.substr(kPathPrefix.size());
    size_t slash = rest.find('/');
    std::string collection;
    if (slash != std::string_view::npos && PercentDecode(rest.substr(0, slash), &request.database) &&
        PercentDecode(rest.substr(slash), &collection) && collection == kCollection) {
      request.collection = true;
    }
  }
  if (!query.empty()) request.valid = DecodeParameters(query, &request);
  return request;
}

Code ParseOperand(const Request& request, const DocumentLimits& limits, Operand* operand,
                  std::string* detail) {
  switch (request.verb) {
    case Verb::kXql:
      operand->query = ParseQuery(request.value);
      return operand->query ? Code::kOk : Code::kInvalidQuery;
    case Verb::kDelete:
      operand->query = ParseSelector(request.value);
      return operand->query ? Code::kOk : Code::kInvalidQuery;
    case Verb::kProcess:
      operand->document = ParseSubmission(request.value, limits, detail);
      return operand->document ? Code::kOk : Code::kInvalidDocument;
    default:
      return Code::kOk;
  }
}

}  // namespace corvane
