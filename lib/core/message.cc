#include "core/message.h"

#include "custor/agent.h"

namespace custor {

std::string MessageText(std::string_view code) {
  std::string key(code);
  char *text = nullptr;
  NIMBAMfLoadResource("kivmsg", key.c_str(), 0, &text);
  if (text == nullptr) return key;
  return key + text + " ";
}

}  // namespace custor
