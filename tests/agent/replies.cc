#include "agent/replies.h"

#include <cctype>

namespace custor::testing {
namespace {

std::string FailureMessage(const std::string &code, const std::string &text) {
  std::size_t digits = code.size();
  while (digits > 0 && std::isdigit(static_cast<unsigned char>(code[digits - 1]))) --digits;
  std::string number = code.substr(digits);
  while (number.size() > 1 && number[0] == '0') number.erase(0, 1);
  return "<kiv:message kiv:returnvalue=\"" + number + "\"><kiv:messagetext kiv:code=\"" + code + "\">" +
         text + "</kiv:messagetext></kiv:message>";
}

}  // namespace

std::string Response(const std::string &body, const Announced &identity) {
  std::string reply =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><kiv:response "
      "xmlns:kiv=\"http://namespaces.corvane.example/kiv\" "
      "xmlns:xql=\"http://namespaces.corvane.example/xql\"";
  if (identity) reply += " kiv:sessionid=\"" + identity->id + "\" kiv:sessionkey=\"" + identity->key + "\"";
  return reply + ">" + body + "</kiv:response>";
}

std::string Ok(const std::string &line, const Announced &identity) {
  return Response(
      "<kiv:message kiv:returnvalue=\"0\"><kiv:messageline>" + line + "</kiv:messageline></kiv:message>",
      identity);
}

std::string Result(const std::string &nodes, const Announced &identity) {
  return Response("<xql:result>" + nodes +
                      "</xql:result><kiv:message kiv:returnvalue=\"0\"><kiv:messageline>XQL request "
                      "processed</kiv:messageline></kiv:message>",
                  identity);
}

std::string NoResult(const Announced &identity) {
  return Ok("XQL request processed, no object returned", identity);
}

std::string Failure(const std::string &code, const std::string &text, const Announced &identity) {
  return Response(FailureMessage(code, text), identity);
}

std::string LockedResult(const std::string &nodes, const Announced &identity) {
  return Response("<xql:result>" + nodes + "</xql:result>" +
                      FailureMessage("KIVXLE0060", "Database locked by another session"),
                  identity);
}

}  // namespace custor::testing
