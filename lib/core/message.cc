#include "core/message.h"

#include "custor/agent.h"

namespace custor {

std::string MessageText(MessageCode code) {
  std::string text(CodeText(code));
  char *loaded = nullptr;
  NIMBAMfLoadResource("kivmsg", text.c_str(), 0, &loaded);
  if (loaded == nullptr) return text;
  return text.append(loaded).append(" ");
}

}  // namespace custor
