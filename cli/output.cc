#include "cli/output.h"

#include <algorithm>
#include <cstdio>

namespace custor::cli {
namespace {

void AppendLine(std::string &out, std::string line) {
  line.erase(line.find_last_not_of(' ') + 1);
  out += line;
  out += '\n';
}

}  // namespace

Json Nullable(const char *text) { return text != nullptr ? Json(text) : Json(nullptr); }

Json TextArray(const std::vector<std::string> &texts) { return Json(texts); }

std::string Dump(const Json &value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

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
