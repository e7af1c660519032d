// Structural equality of two parsed elements (name, attributes in order, children), for the oracles of
// the document and query fuzz targets.
#ifndef CUSTOR_FUZZ_SAME_ELEMENT_H_
#define CUSTOR_FUZZ_SAME_ELEMENT_H_

#include <cstddef>

#include "document_parser.h"

inline bool SameElement(const corvane::Element &a, const corvane::Element &b) {
  if (a.name != b.name || a.attributes.size() != b.attributes.size() ||
      a.children.size() != b.children.size())
    return false;
  for (std::size_t i = 0; i < a.attributes.size(); ++i) {
    if (a.attributes[i].name != b.attributes[i].name || a.attributes[i].value != b.attributes[i].value)
      return false;
  }
  for (std::size_t i = 0; i < a.children.size(); ++i) {
    const corvane::Node &x = a.children[i], &y = b.children[i];
    if (bool(x.element) != bool(y.element)) return false;
    if (x.element ? !SameElement(*x.element, *y.element) : x.text != y.text) return false;
  }
  return true;
}

#endif  // CUSTOR_FUZZ_SAME_ELEMENT_H_
