#include "agent/catalogue.h"

#include "agent/tab_file.h"
#include "custor/agent.h"

namespace custor::agent {

const char *CatalogueText(std::string_view key) {
  static const TextTable builtin = {{"yes", "yes"}, {"no", "no"}};
  const TextTable *file = TabFileFromEnv("CUSTOR_CATALOGUE");
  const TextTable &table = file != nullptr ? *file : builtin;
  const auto it = table.find(key);
  return it != table.end() ? it->second.c_str() : nullptr;
}

}  // namespace custor::agent

extern "C" void get_i18n_msg(char **text, const char *key) {
  if (text == nullptr) return;
  *text = nullptr;
  if (key == nullptr) return;
  try {
    // The caller only reads the text; the type is the catalogue interface's.
    *text = const_cast<char *>(custor::agent::CatalogueText(key));
  } catch (...) {
    *text = nullptr;
  }
}
