#include "audit.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "document_writer.h"

namespace corvane {

namespace {

std::string Stored(const Document& document) {
  std::string xml;
  WriteElement(document.root(), &xml);
  return xml;
}

AuditRow Row(const Author& author, int64_t time_ms, const Document& document) {
  AuditRow row;
  row.time_ms = time_ms;
  row.session = author.session;
  row.key_name = author.caller.key_name;
  row.client = author.caller.address;
  std::string_view kind = document.kind();
  row.kind = kind.substr(kind.find(':') + 1);
  row.name = document.name();
  return row;
}

}  // namespace

std::vector<AuditRow> AuditRows(const Changes& changes, const Collection& committed, const Author& author,
                                int64_t time_ms) {
  std::vector<AuditRow> rows;
  for (const auto& [id, document] : changes) {
    DocumentPtr before = committed.Find(id);
    std::optional<std::string> old_xml, new_xml;
    if (before) old_xml = Stored(*before);
    if (document) new_xml = Stored(*document);
    if (old_xml == new_xml) continue;  // unchanged, or made and deleted within the transaction
    if (before && document && before->name() == document->name()) {
      AuditRow& row = rows.emplace_back(Row(author, time_ms, *document));
      row.before = std::move(old_xml);
      row.after = std::move(new_xml);
      continue;
    }
    if (before) rows.emplace_back(Row(author, time_ms, *before)).before = std::move(old_xml);
    if (document) rows.emplace_back(Row(author, time_ms, *document)).after = std::move(new_xml);
  }
  return rows;
}

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string FormatTime(int64_t time_ms) {
  std::time_t seconds = static_cast<std::time_t>(time_ms / 1000);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[80];  // room for any int fields, which gmtime_r keeps far smaller
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(time_ms % 1000));
  return text;
}

std::optional<int64_t> ParseTime(const std::string& text) {
  std::tm utc{};
  int ms = 0, used = 0;
  char separator = 'T';
  int fields = std::sscanf(text.c_str(), "%4d-%2d-%2d%n%c%2d:%2d:%2d%n", &utc.tm_year, &utc.tm_mon,
                           &utc.tm_mday, &used, &separator, &utc.tm_hour, &utc.tm_min, &utc.tm_sec, &used);
  if (fields != 3 && fields != 7) return std::nullopt;
  if (fields == 7 && separator != 'T' && separator != ' ') return std::nullopt;
  std::string_view rest = std::string_view(text).substr(static_cast<size_t>(used));
  if (fields == 7 && rest.size() >= 4 && rest[0] == '.') {
    for (char c : rest.substr(1, 3)) {
      if (c < '0' || c > '9') return std::nullopt;
      ms = ms * 10 + (c - '0');
    }
    rest.remove_prefix(4);
  }
  if (fields == 7 && rest == "Z") rest.remove_prefix(1);
  if (!rest.empty() || utc.tm_mon < 1 || utc.tm_mon > 12 || utc.tm_mday < 1 || utc.tm_mday > 31 ||
      utc.tm_hour > 23 || utc.tm_min > 59 || utc.tm_sec > 60) {
    return std::nullopt;
  }
  utc.tm_year -= 1900;
  utc.tm_mon -= 1;
  return static_cast<int64_t>(timegm(&utc)) * 1000 + ms;
}

}  // namespace corvane
