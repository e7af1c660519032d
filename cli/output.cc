#include "cli/output.h"

#include <algorithm>
#include <cstdio>

namespace custor::cli {
namespace {

void AppendQuoted(std::string &out, std::string_view text) {
  out += '"';
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    switch (ch) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", c);
          out += escape;
        } else {
          out += ch;
        }
    }
  }
  out += '"';
}

void AppendLine(std::string &out, std::string line) {
  line.erase(line.find_last_not_of(' ') + 1);
  out += line;
  out += '\n';
}

}  // namespace

Json::Json(const char *text) {
  if (text != nullptr) value_ = std::string(text);
}

std::string Json::Dump() const {
  std::string out;
  DumpTo(out);
  return out;
}

void Json::DumpTo(std::string &out) const {
  if (std::holds_alternative<std::nullptr_t>(value_)) {
    out += "null";
  } else if (const auto *number = std::get_if<int64_t>(&value_)) {
    out += std::to_string(*number);
  } else if (const auto *text = std::get_if<std::string>(&value_)) {
    AppendQuoted(out, *text);
  } else if (const auto *array = std::get_if<Array>(&value_)) {
    out += '[';
    for (std::size_t i = 0; i < array->size(); ++i) {
      if (i > 0) out += ',';
      (*array)[i].DumpTo(out);
    }
    out += ']';
  } else {
    const Object &object = std::get<Object>(value_);
    out += '{';
    for (std::size_t i = 0; i < object.size(); ++i) {
      if (i > 0) out += ',';
      AppendQuoted(out, object[i].first);
      out += ':';
      object[i].second.DumpTo(out);
    }
    out += '}';
  }
}

Json TextArray(const std::vector<std::string> &texts) {
  Json::Array array;
  for (const std::string &text : texts) array.emplace_back(text);
  return array;
}

std::string Visible(std::string_view text) {
  std::string out;
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (ch == '\n') {
      out += "\\n";
    } else if (ch == '\t') {
      out += "\\t";
    } else if (ch == '\r') {
      out += "\\r";
    } else if (c < 0x20 || c == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", c);
      out += escape;
    } else {
      out += ch;
    }
  }
  return out;
}

std::string Table(const std::vector<std::string> &header, const std::vector<std::vector<std::string>> &rows) {
  std::vector<std::size_t> widths(header.size(), 0);
  auto measure = [&](const std::vector<std::string> &row) {
    for (std::size_t i = 0; i < row.size() && i < widths.size(); ++i)
      widths[i] = std::max(widths[i], row[i].size());
  };
  measure(header);
  for (const auto &row : rows) measure(row);
  std::string out;
  auto render = [&](const std::vector<std::string> &row) {
    std::string line;
    for (std::size_t i = 0; i < widths.size(); ++i) {
      const std::string cell = i < row.size() ? row[i] : std::string();
      line += cell;
      if (i + 1 < widths.size()) line += std::string(widths[i] - cell.size() + 2, ' ');
    }
    AppendLine(out, std::move(line));
  };
  render(header);
  for (const auto &row : rows) render(row);
  return out;
}

std::string Fields(const std::vector<std::pair<std::string, std::string>> &fields) {
  std::size_t width = 0;
  for (const auto &[label, value] : fields) width = std::max(width, label.size() + 1);
  std::string out;
  for (const auto &[label, value] : fields) {
    std::string line = label;
    line.append(":").append(width - label.size() + 1, ' ').append(value);
    AppendLine(out, line);
  }
  return out;
}

}  // namespace custor::cli
