// Structural equality of two parsed elements (name, attributes in order, children), for the oracles of
// the document and query fuzz targets.
#ifndef CUSTOR_FUZZ_SAME_ELEMENT_H_
#define CUSTOR_FUZZ_SAME_ELEMENT_H_

#include <cstddef>

#include "document_parser.h"

// `a` without its first `skip` attributes against `b`.
inline bool SameElement(const corvane::Element &a, const corvane::Element &b, std::size_t skip = 0) {
  const corvane::AttributeList x = a.attributes(), y = b.attributes();
  if (a.name() != b.name() || x.size() < skip || x.size() - skip != y.size()) return false;
  for (std::size_t i = 0; i < y.size(); ++i) {
    if (x[i + skip].name != y[i].name || x[i + skip].value != y[i].value) return false;
  }
  const corvane::NodeList m = a.children(), n = b.children();
  auto i = m.begin(), j = n.begin();
  for (; i != m.end() && j != n.end(); ++i, ++j) {
    const corvane::Node p = *i, q = *j;
    if (p.is_element() != q.is_element()) return false;
    if (p.is_element() ? !SameElement(p.element(), q.element()) : p.text() != q.text()) return false;
  }
  return i == m.end() && j == n.end();
}

#endif  // CUSTOR_FUZZ_SAME_ELEMENT_H_
