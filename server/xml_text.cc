#include "xml_text.h"

#include <cstdint>

namespace corvane {

namespace {

bool IsXmlChar(uint32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

// Decodes the reference that starts at raw[0] == '&'. Returns its length, or 0 when it is no valid
// reference.
size_t DecodeReference(std::string_view raw, std::string* out) {
  size_t semicolon = raw.find(';');
  if (semicolon == std::string_view::npos || semicolon < 2) return 0;
  std::string_view body = raw.substr(1, semicolon - 1);
  static constexpr struct {
    std::string_view name;
    char value;
  } kPredefined[] = {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
  for (const auto& entity : kPredefined) {
    if (body == entity.name) {
      out->push_back(entity.value);
      return semicolon + 1;
    }
  }
  if (body[0] != '#' || body.size() < 2) return 0;
  bool hex = body[1] == 'x';
  std::string_view digits = body.substr(hex ? 2 : 1);
  if (digits.empty() || digits.size() > 8) return 0;
  uint32_t code = 0;
  for (char c : digits) {
    uint32_t digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return 0;
    }
    code = code * (hex ? 16 : 10) + digit;
  }
  if (!IsXmlChar(code)) return 0;
  AppendUtf8(out, code);
  return semicolon + 1;
}

// Character data escapes '&', '<', the '>' that closes "]]>", and CR (which a parser would turn into LF).
// A double-quoted attribute value escapes '&', '<', '"', and the TAB, LF and CR that attribute-value
// normalisation would turn into blanks; '>' stays plain there.
void AppendEscaped(std::string* out, std::string_view text, bool attribute) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    switch (c) {
      case '&':
        out->append("&amp;");
        break;
      case '<':
        out->append("&lt;");
        break;
      case '\r':
        out->append("&#13;");
        break;
      case '>':
        out->append(!attribute && i >= 2 && text.substr(i - 2, 2) == "]]" ? "&gt;" : ">");
        break;
      case '"':
        out->append(attribute ? "&quot;" : "\"");
        break;
      case '\t':
        out->append(attribute ? "&#9;" : "\t");
        break;
      case '\n':
        out->append(attribute ? "&#10;" : "\n");
        break;
      default:
        out->push_back(c);
    }
  }
}

}  // namespace

void AppendUtf8(std::string* out, char32_t c) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

void AppendEscapedText(std::string* out, std::string_view text) { AppendEscaped(out, text, false); }

void AppendEscapedAttribute(std::string* out, std::string_view value) { AppendEscaped(out, value, true); }

std::string DecodeLiteral(std::string_view raw, bool normalize_whitespace) {
  std::string out;
  out.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    char c = raw[i];
    if (c == '&') {
      size_t used = DecodeReference(raw.substr(i), &out);
      if (used > 0) {
        i += used - 1;
        continue;
      }
      out.push_back('&');
    } else if (normalize_whitespace && (c == '\t' || c == '\n' || c == '\r')) {
      if (c == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
      out.push_back(' ');
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace corvane
