#include "agent/replies.h"

#include <cctype>

namespace custor::testing {

std::string Response(const std::string &body, const Identity *identity) {
  std::string reply =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><kiv:response "
      "xmlns:kiv=\"http://namespaces.corvane.example/kiv\" "
      "xmlns:xql=\"http://namespaces.corvane.example/xql\"";
  if (identity != nullptr) {
    reply += " kiv:sessionid=\"" + identity->id + "\" kiv:sessionkey=\"" + identity->key + "\"";
  }
  return reply + ">" + body + "</kiv:response>";
}

std::string Ok(const std::string &line, const Identity *identity) {
  return Response(
      "<kiv:message kiv:returnvalue=\"0\"><kiv:messageline>" + line + "</kiv:messageline></kiv:message>",
      identity);
}

std::string Result(const std::string &nodes, const Identity *identity) {
  return Response("<xql:result>" + nodes +
                      "</xql:result><kiv:message kiv:returnvalue=\"0\"><kiv:messageline>XQL request "
                      "processed</kiv:messageline></kiv:message>",
                  identity);
}

std::string NoResult(const Identity *identity) {
  return Ok("XQL request processed, no object returned", identity);
}

std::string Failure(const std::string &code, const std::string &text, const Identity *identity) {
  std::size_t digits = code.size();
  while (digits > 0 && std::isdigit(static_cast<unsigned char>(code[digits - 1]))) --digits;
  std::string number = code.substr(digits);
  while (number.size() > 1 && number[0] == '0') number.erase(0, 1);
  return Response("<kiv:message kiv:returnvalue=\"" + number + "\"><kiv:messagetext kiv:code=\"" + code +
                      "\">" + text + "</kiv:messagetext></kiv:message>",
                  identity);
}

std::string Connected(const Identity &identity) { return Ok("Session opened", &identity); }

}  // namespace custor::testing
