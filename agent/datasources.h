// The data-source parameter service: per-database settings from the INI file named by
// CUSTOR_DATASOURCES, one section per database, e.g.
//   [payroll]
//   readonly = yes
#ifndef CUSTOR_AGENT_DATASOURCES_H_
#define CUSTOR_AGENT_DATASOURCES_H_

#include <cstdint>
#include <string_view>

#include "agent/ini.h"

namespace custor::agent {

// Status words of dsif_get_parameter.
enum ParameterStatus : uint16_t {
  kParameterRead = 0,
  kNoDataSourceFile = 1,   // CUSTOR_DATASOURCES unset, or its file unreadable
  kUnknownDatabase = 2,    // no section for the database
  kUnknownParameter = 3,   // not a parameter of this service, or not set for the database
  kBadParameterValue = 4,  // neither yes nor no
  kBadArguments = 5,       // a null database, name or block
};

// Offset in the caller's block of the 32-bit word that receives a yes/no setting.
inline constexpr std::size_t kSettingOffset = 40;

// The "readonly" setting of `database` in `sources`: 1 for yes, 0 for no (case ignored).
ParameterStatus ReadOnlySetting(const IniFile &sources, std::string_view database, uint32_t *setting);

}  // namespace custor::agent

#endif  // CUSTOR_AGENT_DATASOURCES_H_
