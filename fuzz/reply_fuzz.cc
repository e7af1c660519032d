// Fuzz target: the reply scanner and session parsing on arbitrary replies. One pass over several
// targets must collect for each what a pass of its own collects (the passes share this thread's
// parser, so a reset that left state behind shows up here too).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/scan.h"
#include "core/session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string_view reply(reinterpret_cast<const char *>(data), size);
  custor::CheckReply(reply);
  custor::CollectTextValues(custor::ExtractElement(reply, "xql:result"));
  custor::ParseSessionReply(reply);
  const custor::AttributeTarget targets[] = {
      {"kiv:group", "kiv:groupname"}, custor::kReturnValues, {"kiv:response", "kiv:sessionid"}};
  const auto together = custor::CollectAttributeValues(reply, targets);
  for (std::size_t t = 0; t < std::size(targets); ++t) {
    const custor::ScanValues alone =
        custor::CollectAttributeValues(reply, targets[t].element, targets[t].attribute);
    if (together[t].values() != alone.values()) std::abort();
  }
  return 0;
}
