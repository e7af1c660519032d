#include "cli/user_data.h"

#include <expat.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <vector>

namespace custor::cli {
namespace {

struct ParserFree {
  void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

// The texts of a content as corvaned keeps them: the character data between two tags, one text each,
// whatever references, CDATA sections and comments it was written with.
struct Texts {
  std::vector<std::string> runs;
  bool in_run = false;
};

void XMLCALL OnTag(void *user_data, const XML_Char *, const XML_Char **) {
  static_cast<Texts *>(user_data)->in_run = false;
}
void XMLCALL OnEndTag(void *user_data, const XML_Char *) { static_cast<Texts *>(user_data)->in_run = false; }
void XMLCALL OnText(void *user_data, const XML_Char *text, int length) {
  auto *texts = static_cast<Texts *>(user_data);
  if (!texts->in_run) texts->runs.emplace_back();
  texts->in_run = true;
  texts->runs.back().append(text, static_cast<std::size_t>(length));
}

// Parses `content` inside an element of its own; the error text, or "" when it is well-formed.
std::string Parse(std::string_view content, Texts *texts) {
  const std::string document = "<u>" + std::string(content) + "</u>";
  if (document.size() > INT_MAX) return "too long";
  const std::unique_ptr<XML_ParserStruct, ParserFree> parser(XML_ParserCreate("UTF-8"));
  if (parser == nullptr) throw std::bad_alloc();
  XML_SetUserData(parser.get(), texts);
  XML_SetElementHandler(parser.get(), OnTag, OnEndTag);
  XML_SetCharacterDataHandler(parser.get(), OnText);
  if (XML_Parse(parser.get(), document.data(), static_cast<int>(document.size()), XML_TRUE) ==
      XML_STATUS_OK) {
    return "";
  }
  // The opening tag put before the content shifts every byte index by three.
  const std::string error = XML_ErrorString(XML_GetErrorCode(parser.get()));
  const XML_Index index = XML_GetCurrentByteIndex(parser.get()) - 3;
  if (index < 0 || static_cast<std::size_t>(index) >= content.size())
    return error + " at the end of the content";
  const std::string_view before = content.substr(0, static_cast<std::size_t>(index));
  const std::size_t line_start = before.rfind('\n') == std::string_view::npos ? 0 : before.rfind('\n') + 1;
  return error + " at line " + std::to_string(std::count(before.begin(), before.end(), '\n') + 1) +
         ", column " + std::to_string(index - line_start + 1) + " of the content";
}

// Whether a written byte of a text comes back as a piece of its own.
bool Alone(std::string_view text, std::size_t i) {
  const char c = text[i];
  return c == '&' || c == '<' || c == '\n' || c == '\r' ||
         (c == '>' && i >= 2 && text.substr(i - 2, 2) == "]]");
}

bool Qualifies(std::string_view piece) { return !piece.empty() && static_cast<signed char>(piece[0]) > 32; }

}  // namespace

std::optional<std::string> ContentProblem(std::string_view content) {
  Texts texts;
  std::string problem = Parse(content, &texts);
  if (problem.empty()) return std::nullopt;
  return problem;
}

std::string UserDataOf(std::string_view content) {
  Texts texts;
  if (!Parse(content, &texts).empty()) return "";
  for (const std::string_view run : texts.runs) {
    std::size_t start = 0;
    for (std::size_t i = 0; i <= run.size(); ++i) {
      if (i < run.size() && !Alone(run, i)) continue;
      if (Qualifies(run.substr(start, i - start))) return std::string(run.substr(start, i - start));
      if (i < run.size() && Qualifies(run.substr(i, 1))) return std::string(run.substr(i, 1));
      start = i + 1;
    }
  }
  return "";
}

bool ReadAsWritten(std::string_view text) { return !text.empty() && UserDataOf(ContentFor(text)) == text; }

std::string ContentFor(std::string_view data) {
  std::string content;
  for (const char c : data) {
    if (c == '&') {
      content += "&amp;";
    } else if (c == '<') {
      content += "&lt;";
    } else if (c == '>') {
      content += "&gt;";
    } else {
      content += c;
    }
  }
  return content;
}

}  // namespace custor::cli
