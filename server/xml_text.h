// Escaping of texts and attribute values on output, and decoding of the entity and character references
// in query literals and selector values.
#ifndef CUSTOR_SERVER_XML_TEXT_H_
#define CUSTOR_SERVER_XML_TEXT_H_

#include <string>
#include <string_view>

namespace corvane {

// Appends character data: only "&" and "<" are escaped, and ">" where it follows "]]" (where it would
// close a CDATA marker). A carriage return becomes "&#13;" so that a reader's line-end handling keeps it.
// Everything else, ">" and '"' included, stays a plain character.
void AppendEscapedText(std::string* out, std::string_view text);

// Appends an attribute value for a value quoted with '"': "&", "<" and '"' are escaped, and tab, line feed
// and carriage return become character references so that attribute normalisation keeps them.
void AppendEscapedAttribute(std::string* out, std::string_view value);

// Reads a literal as an XML attribute value is read: the predefined entity references and character
// references are decoded; an "&" that begins no valid reference stays as it is. With
// `normalize_whitespace`, tabs and line breaks written as such (not as references) become blanks, one
// blank for a CR LF pair, as the XML parser did with a stored attribute value.
std::string DecodeLiteral(std::string_view raw, bool normalize_whitespace);

// Appends the UTF-8 encoding of a code point.
void AppendUtf8(std::string* out, char32_t code_point);

}  // namespace corvane

#endif  // CUSTOR_SERVER_XML_TEXT_H_
