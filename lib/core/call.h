// The four connection parameters that every server-talking operation takes and hands on unchanged.
#ifndef CUSTOR_LIB_CORE_CALL_H_
#define CUSTOR_LIB_CORE_CALL_H_

#include <cstdint>
#include <string>

namespace custor {

struct Call {
  uint32_t context = 0;     // passed along, never read
  std::string database;     // middle segment of the request path
  uint32_t connection = 0;  // second word of the connection block
  uint32_t extra = 0;       // passed along, never read
};

}  // namespace custor

#endif  // CUSTOR_LIB_CORE_CALL_H_
