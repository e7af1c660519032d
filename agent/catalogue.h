// The message catalogue: display texts by key. Built in: "yes" and "no" in English; a file named by
// CUSTOR_CATALOGUE ("key<TAB>text" lines) replaces them as a whole.
#ifndef CUSTOR_AGENT_CATALOGUE_H_
#define CUSTOR_AGENT_CATALOGUE_H_

#include <string_view>

namespace custor::agent {

// The catalogue's text for `key`, valid for the life of the process; null when it has none.
const char *CatalogueText(std::string_view key);

}  // namespace custor::agent

#endif  // CUSTOR_AGENT_CATALOGUE_H_
