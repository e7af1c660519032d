#include "core/frame.h"

#include <cstring>

#include "core/version.h"
#include "custor/agent.h"

namespace custor {
namespace {

constexpr uint32_t kWorkingBlockSize = 560;
constexpr std::size_t kSettingOffset = 40;  // the 32-bit word that says whether the parameter is set

}  // namespace

std::string BuildBanner() { return std::string("CustorDLL Build: ") + kBuild; }

uint16_t ReadYesNoParameter(const char *database, const char **answer, void *block, const char *name) {
  void *block_ref = block;
  const uint16_t status = dsif_get_parameter(database, 0, name, 2, block, &block_ref);
  if (status != 0) {
    *answer = "-";
    return status;
  }
  uint32_t setting = 0;
  std::memcpy(&setting, static_cast<const char *>(block) + kSettingOffset, sizeof setting);
  char *text = nullptr;
  get_i18n_msg(&text, setting != 0 ? "yes" : "no");
  *answer = text;
  return 0;
}

int32_t IsReadOnly(const char *database) {
  void *block = nullptr;
  if (uxa_get_storage(kWorkingBlockSize, 2, &block, "custor", __LINE__) != 0 || block == nullptr) return -1;
  const char *answer = nullptr;
  int32_t result = 0;
  if (ReadYesNoParameter(database, &answer, block, "readonly") == 0 && answer != nullptr &&
      std::strcmp(answer, "yes") == 0) {
    result = 1;
  }
  uxa_free_storage(block, 0, "custor", __LINE__);
  return result;
}

}  // namespace custor
