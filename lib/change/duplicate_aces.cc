#include <string_view>
#include <unordered_set>

#include "change/modify.h"
#include "core/message.h"

namespace custor {

std::string CheckDuplicateAces(const std::vector<Ace> &aces) {
  // Only the entry texts count: equal texts are duplicates whatever their access or omit.
  std::unordered_set<std::string_view> seen;
  for (const Ace &ace : aces) {
    if (!seen.insert(ace.text).second) return MessageText("KIVAAE0377");
  }
  return "0";
}

}  // namespace custor
