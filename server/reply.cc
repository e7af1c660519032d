#include "reply.h"

#include <algorithm>

#include "document.h"
#include "xml_text.h"

namespace corvane {

namespace {

struct CodeEntry {
  Code code;
  std::string_view name;
  std::string_view text;
};

constexpr CodeEntry kCodes[] = {
    {Code::kOk, "0", ""},
    {Code::kNoMatchingDocument, "KIVXIE8300", "No matching document found"},
    {Code::kUnknownError, "KIVXXE8610", "unknown error"},
    {Code::kInvalidRequest, "KIVXCE0010", "Invalid request"},
    {Code::kDatabaseNotFound, "KIVXBE0020", "Database not found"},
    {Code::kInvalidSession, "KIVXSE0030", "Invalid session"},
    {Code::kTooManySessions, "KIVXSE0031", "Too many sessions"},
    {Code::kInvalidQuery, "KIVXQE0040", "Invalid query"},
    {Code::kInvalidDocument, "KIVXDE0050", "Invalid document"},
    {Code::kLocked, "KIVXLE0060", "Database locked by another session"},
    {Code::kConflict, "KIVXTE0070", "Transaction conflict"},
    {Code::kAccessDenied, "KIVXAE0080", "Access denied"},
};

const CodeEntry& Entry(Code code) { return kCodes[static_cast<int>(code)]; }

void OpenEnvelope(std::string* out, const SessionIdentity* session) {
  out->append("<?xml version=\"1.0\" encoding=\"utf-8\"?><kiv:response xmlns:kiv=\"");
  out->append(kKivNamespace);
  out->append("\" xmlns:xql=\"");
  out->append(kXqlNamespace);
  out->push_back('"');
  if (session != nullptr) {
    out->append(" kiv:sessionid=\"");
    AppendEscapedAttribute(out, session->id);
    out->append("\" kiv:sessionkey=\"");
    AppendEscapedAttribute(out, session->key);
    out->push_back('"');
  }
  out->push_back('>');
}

void AppendMessage(std::string* out, std::string_view line) {
  out->append("<kiv:message kiv:returnvalue=\"0\"><kiv:messageline>");
  AppendEscapedText(out, line);
  out->append("</kiv:messageline></kiv:message></kiv:response>");
}

}  // namespace

std::string_view CodeName(Code code) { return Entry(code).name; }

std::string_view CodeText(Code code) { return Entry(code).text; }

std::string WriteMessageReply(std::string_view line, const SessionIdentity* session) {
  std::string out;
  OpenEnvelope(&out, session);
  AppendMessage(&out, line);
  return out;
}

std::string WriteResultReply(std::string_view nodes, const SessionIdentity* session) {
  std::string out;
  out.reserve(nodes.size() + 320);
  OpenEnvelope(&out, session);
  out.append("<xql:result>");
  out.append(nodes);
  out.append("</xql:result>");
  AppendMessage(&out, "XQL request processed");
  return out;
}

std::string WriteFailureReply(Code code, const SessionIdentity* session, std::string_view detail) {
  std::string_view name = CodeName(code);
  // The return value is the number in the code without its leading zeros.
  std::string_view number = name.substr(name.find_first_of("0123456789"));
  number.remove_prefix(std::min(number.find_first_not_of('0'), number.size() - 1));
  std::string out;
  OpenEnvelope(&out, session);
  out.append("<kiv:message kiv:returnvalue=\"");
  out.append(number);
  out.append("\"><kiv:messagetext kiv:code=\"");
  out.append(name);
  out.append("\">");
  out.append(CodeText(code));
  if (!detail.empty()) {
    out.append(": ");
    AppendEscapedText(&out, detail);
  }
  out.append("</kiv:messagetext></kiv:message></kiv:response>");
  return out;
}

}  // namespace corvane
