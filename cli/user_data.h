// A user's data as the library reads it: the first piece of character data of the user's document, as
// the XML parser delivers the document that corvaned sends back, skipping pieces that begin with a
// blank, a control character or a byte of 0x80 and above. corvaned keeps a document's texts as it
// parsed them and writes them back with "&" and "<" (and a ">" after "]]") escaped and a carriage return
// as a character reference; the parser delivers every such reference and every line feed as a piece of
// its own. So a content's data can be told before it is stored, and apply and export compare and keep
// users by it.
#ifndef CUSTOR_CLI_USER_DATA_H_
#define CUSTOR_CLI_USER_DATA_H_

#include <optional>
#include <string>
#include <string_view>

namespace custor::cli {

// What makes `content` unfit as the content of a user element (not well-formed XML), or nullopt.
std::optional<std::string> ContentProblem(std::string_view content);

// The data that the library will read for a user stored with `content` (well-formed, see
// ContentProblem); "" when no piece qualifies.
std::string UserDataOf(std::string_view content);

// Whether the library reads `text` back as it is when it is the whole text of an element, as an entry's
// text and a group's reference are: only a text that comes back as one qualifying piece is (not empty,
// beginning with a byte above the blank and below 0x80, without "]]>").
bool ReadAsWritten(std::string_view text);

// A content whose data is `data` (itself a piece as the library reads one): the data as XML text.
std::string ContentFor(std::string_view data);

}  // namespace custor::cli

#endif  // CUSTOR_CLI_USER_DATA_H_
