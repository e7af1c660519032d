// Fuzz target: corvaned's document parser and writer.
//
// Beyond not crashing: whatever parses, serialised and parsed again, gives the same tree, and serialising
// that gives the same text (parse(write(parse(x))) == parse(x)); a document accepted for storage, written
// as a reply carries it (kiv:id first), is accepted again with the same id and content.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "document_parser.h"
#include "document_writer.h"
#include "same_element.h"

namespace {

using corvane::Tree;

void Check(bool ok, const char *what) {
  if (ok) return;
  std::fprintf(stderr, "document_fuzz: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string_view xml(reinterpret_cast<const char *>(data), size);

  Tree first;
  const bool parsed = corvane::ParseElement(xml, &first);
  const std::optional<corvane::Submission> submission = corvane::ParseSubmission(xml);
  Check(parsed || !submission, "a stored document is well-formed");
  if (!parsed) return 0;

  std::string written;
  corvane::WriteElement(first.root(), &written);
  Tree second;
  Check(corvane::ParseElement(written, &second), "a written element parses");
  Check(SameElement(first.root(), second.root()), "a written element parses to the same tree");
  std::string rewritten;
  corvane::WriteElement(second.root(), &rewritten);
  Check(rewritten == written, "writing is stable");

  if (submission) {
    std::string reply;
    corvane::WriteElement(submission->tree.root(), &reply, submission->id ? &*submission->id : nullptr);
    const std::optional<corvane::Submission> again = corvane::ParseSubmission(reply);
    Check(again.has_value(), "a stored document, written out, is accepted again");
    Check(again->id == submission->id, "with the same kiv:id");
    Check(SameElement(again->tree.root(), submission->tree.root()), "with the same content");
  }
  return 0;
}
