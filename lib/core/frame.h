// The library frame: build identification and the read-only flag of a database, which comes from the
// agent's data-source parameters rather than from the server.
#ifndef CUSTOR_LIB_CORE_FRAME_H_
#define CUSTOR_LIB_CORE_FRAME_H_

#include <cstdint>
#include <string>

namespace custor {

// "CustorDLL Build: " and the build number, which the project version gives (core/version.h).
std::string BuildBanner();

// Reads parameter `name` of `database` into `block` (560 bytes of working storage) and leaves in
// *answer the catalogue's text for "yes" or "no", or "-" when the parameter cannot be read. Returns
// the parameter service's status, 0 for success.
uint16_t ReadYesNoParameter(const char *database, const char **answer, void *block, const char *name);

// 1 read-only, 0 not or unknown, -1 no working storage.
int32_t IsReadOnly(const char *database);

}  // namespace custor

#endif  // CUSTOR_LIB_CORE_FRAME_H_
