// Text tables kept in files of "KEY<TAB>text" lines: the message table and the catalogue.
#ifndef CUSTOR_AGENT_TAB_FILE_H_
#define CUSTOR_AGENT_TAB_FILE_H_

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace custor::agent {

using TextTable = std::map<std::string, std::string, std::less<>>;

// One entry per line: the key up to the first tab, the text every byte after it (leading blanks
// included) up to the line end; a CR before the LF is dropped. Empty lines, lines beginning with '#'
// and lines without a tab are skipped; a later line replaces an earlier one of the same key.
TextTable ParseTabText(std::string_view text);

// The table in the file at `path`; nothing when it cannot be read.
std::optional<TextTable> ReadTabFile(const std::string &path);

// The table of the file named by the environment variable `variable`, read on first use of each file
// name and kept for the life of the process; null when the variable is unset or the file unreadable.
const TextTable *TabFileFromEnv(const char *variable);

}  // namespace custor::agent

#endif  // CUSTOR_AGENT_TAB_FILE_H_
