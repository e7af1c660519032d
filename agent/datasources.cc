#include "agent/datasources.h"

#include <strings.h>

#include <cstring>

#include "agent/env.h"
#include "custor/agent.h"

namespace custor::agent {

ParameterStatus ReadOnlySetting(const IniFile &sources, std::string_view database, uint32_t *setting) {
  if (!sources.HasSection(database)) return kUnknownDatabase;
  const std::optional<std::string> value = sources.Value(database, "readonly");
  if (!value) return kUnknownParameter;
  if (strcasecmp(value->c_str(), "yes") == 0) {
    *setting = 1;
  } else if (strcasecmp(value->c_str(), "no") == 0) {
    *setting = 0;
  } else {
    return kBadParameterValue;
  }
  return kParameterRead;
}

}  // namespace custor::agent

extern "C" uint16_t dsif_get_parameter(const char *database, int32_t /*index*/, const char *name,
                                       int32_t /*kind*/, void *block, void ** /*blockRef*/) {
  using namespace custor::agent;
  if (database == nullptr || name == nullptr || block == nullptr) return kBadArguments;
  if (std::strcmp(name, "readonly") != 0) return kUnknownParameter;
  try {
    const std::optional<std::string> path = EnvText("CUSTOR_DATASOURCES");
    if (!path) return kNoDataSourceFile;
    // Read at every call: the file is small, and an edit takes effect without a restart.
    const std::optional<IniFile> sources = IniFile::Read(*path);
    if (!sources) return kNoDataSourceFile;
    uint32_t setting = 0;
    const ParameterStatus status = ReadOnlySetting(*sources, database, &setting);
    if (status == kParameterRead)
      std::memcpy(static_cast<char *>(block) + kSettingOffset, &setting, sizeof setting);
    return status;
  } catch (...) {
    return kNoDataSourceFile;
  }
}
