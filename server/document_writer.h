// Compact serialisation of elements, as replies carry them and as the store keeps them.
#ifndef CUSTOR_SERVER_DOCUMENT_WRITER_H_
#define CUSTOR_SERVER_DOCUMENT_WRITER_H_

#include <cstdint>
#include <string>

#include "document.h"

namespace corvane {

// Appends `element` without indentation. With `id`, a "kiv:id" attribute comes first (the root of a
// whole document in a reply).
void WriteElement(const Element& element, std::string* out, const int64_t* id = nullptr);

}  // namespace corvane

#endif  // CUSTOR_SERVER_DOCUMENT_WRITER_H_
