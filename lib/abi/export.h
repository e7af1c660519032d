// The one way in which every exported function is written:
//
//   NameList *getUsers(uint32_t context, const char *database, uint32_t connection, uint32_t extra) {
//     return Export<NameList *>([&](Arguments &in) {
//       const Call call = in.CallTo(context, database, connection, extra);
//       return in.Then([&] { return ListNames(call, Kind::kUser); });
//     });
//   }
//
// `in` checks and converts each argument; Then runs the internal operation only when every argument
// passed, so that nothing is sent for a refused one. Export hands the result back as a new text or
// record that the caller owns (Returned), a refusal as a result of the same kind that names it, and an
// exception as "VRX@DLL OUT_OF_MEMORY": no exception crosses the interface.
#ifndef CUSTOR_LIB_ABI_EXPORT_H_
#define CUSTOR_LIB_ABI_EXPORT_H_

#include "abi/answers.h"
#include "abi/arguments.h"

namespace custor {

template <typename R, typename Work>
R Export(Work work) noexcept {
  Arguments in;
  try {
    auto result = work(in);
    return result ? Returned<R>::Of(*result) : Returned<R>::Refused(in.refusal());
  } catch (...) {
    return Returned<R>::Refused(kOutOfMemory);
  }
}

}  // namespace custor

#endif  // CUSTOR_LIB_ABI_EXPORT_H_
