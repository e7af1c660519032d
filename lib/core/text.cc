#include "core/text.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace custor {

char *AllocText(std::size_t n) {
  auto *block = static_cast<char *>(std::malloc(n + 1));
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void FreeText(void *block) { std::free(block); }

char *CopyText(std::string_view text) {
  char *copy = AllocText(text.size());
  if (!text.empty()) std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

}  // namespace custor
