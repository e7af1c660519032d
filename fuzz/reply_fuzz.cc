// Fuzz target: the reply scanner and session parsing on arbitrary replies.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/scan.h"
#include "core/session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string_view reply(reinterpret_cast<const char *>(data), size);
  custor::CheckReply(reply);
  custor::CollectAttributeValues(reply, "kiv:group", "kiv:groupname");
  custor::CollectTextValues(custor::ExtractElement(reply, "xql:result"));
  custor::ParseSessionReply(reply);
  return 0;
}
