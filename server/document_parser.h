// Reading documents with expat: stored documents on load, submitted documents of "_process".
#ifndef CUSTOR_SERVER_DOCUMENT_PARSER_H_
#define CUSTOR_SERVER_DOCUMENT_PARSER_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "document.h"

namespace corvane {

// What one document may cost to parse and hold. The memory is reckoned as the parsed tree holds it
// (Tree::bytes, with its arrays' room to grow, and the table of its names while it is built).
struct DocumentLimits {
  size_t max_elements = 200'000;
  size_t max_memory = size_t{64} << 20;
  std::string_view elements_option = "--max-document-elements";  // named in a refusal
  std::string_view memory_option = "--max-document-memory";
};
// No limit: for documents that were accepted when they were stored.
inline constexpr DocumentLimits kNoDocumentLimits{SIZE_MAX, SIZE_MAX};

// Parses a well-formed XML document into `tree`. Comments and processing instructions are dropped, CDATA
// sections are read as text. Returns false, with an empty tree, when the text is not well-formed, nests
// elements more than 1000 deep, would pass a limit, or would not parse again once written as UTF-8 (a
// name that the document's own encoding allows but UTF-8 does not); in the last two cases `refusal`, if
// given, says why. An allocation that fails throws std::bad_alloc.
bool ParseElement(std::string_view xml, Tree* tree, const DocumentLimits& limits = kNoDocumentLimits,
                  std::string* refusal = nullptr);

// A document submitted for storage.
struct Submission {
  Tree tree;                  // its root without namespace declarations and "kiv:id"
  std::optional<int64_t> id;  // the "kiv:id" that names the document to replace
};

// Parses a submitted document and checks that its root is one of the three kinds with its name
// attribute and that a "kiv:id", if any, is a decimal number. Returns nothing when it is not acceptable;
// `refusal` as for ParseElement.
std::optional<Submission> ParseSubmission(std::string_view xml, const DocumentLimits& limits = {},
                                          std::string* refusal = nullptr);

}  // namespace corvane

#endif  // CUSTOR_SERVER_DOCUMENT_PARSER_H_
