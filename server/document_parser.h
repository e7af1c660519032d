// Reading documents with expat: stored documents on load, submitted documents of "_process".
#ifndef CUSTOR_SERVER_DOCUMENT_PARSER_H_
#define CUSTOR_SERVER_DOCUMENT_PARSER_H_

#include <cstdint>
#include <optional>
#include <string_view>

#include "document.h"

namespace corvane {

// Parses a well-formed XML document into `root`. Comments and processing instructions are dropped, CDATA
// sections are read as text. Returns false when the text is not well-formed or nests elements more than
// 1000 deep.
bool ParseElement(std::string_view xml, Element* root);

// A document submitted for storage.
struct Submission {
  Element root;               // namespace declarations and "kiv:id" removed
  std::optional<int64_t> id;  // the "kiv:id" that names the document to replace
};

// Parses a submitted document and checks that its root is one of the three kinds with its name
// attribute and that a "kiv:id", if any, is a decimal number. Returns nothing when it is not acceptable.
std::optional<Submission> ParseSubmission(std::string_view xml);

}  // namespace corvane

#endif  // CUSTOR_SERVER_DOCUMENT_PARSER_H_
