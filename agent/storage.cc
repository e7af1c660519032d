// The storage service: working blocks from the standard heap, zeroed.
#include <cstdlib>

#include "custor/agent.h"

extern "C" {

uint16_t uxa_get_storage(uint32_t size, int32_t /*kind*/, void **block, const char * /*file*/,
                         int32_t /*line*/) {
  if (block == nullptr) return 1;
  *block = std::calloc(1, size != 0 ? size : 1);
  return *block != nullptr ? 0 : 1;
}

void uxa_free_storage(void *block, int32_t /*kind*/, const char * /*file*/, int32_t /*line*/) {
  std::free(block);
}

}  // extern "C"
