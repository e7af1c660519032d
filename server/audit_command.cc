#include "audit_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "audit.h"
#include "catalog.h"
#include "store.h"

namespace corvane {

namespace {

std::string ChangeOf(const AuditRow& row) {
  if (!row.before) return "create";
  return row.after ? "modify" : "delete";
}

// One JSON object: the documents are left out where there is none. Texts that are no valid UTF-8
// (none that corvaned writes) are written with U+FFFD in place of each bad byte sequence.
std::string JsonLine(const AuditRow& row) {
  nlohmann::ordered_json line = {{"time", FormatTime(row.time_ms)},
                                 {"session", row.session},
                                 {"key", row.key_name},
                                 {"client", row.client},
                                 {"kind", row.kind},
                                 {"name", row.name},
                                 {"change", ChangeOf(row)}};
  if (row.before) line["before"] = *row.before;
  if (row.after) line["after"] = *row.after;
  return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// A table: the short fields in aligned columns, then the documents before and after ("-" for none),
// with line breaks and tabs written as \n, \r and \t so that each row stays one line.
void PrintTable(const std::vector<AuditRow>& rows, std::FILE* out) {
  auto flat = [](const std::optional<std::string>& document) {
    if (!document) return std::string("-");
    std::string text;
    for (char c : *document)
      text += c == '\n' ? "\\n" : c == '\r' ? "\\r" : c == '\t' ? "\\t" : std::string(1, c);
    return text;
  };
  std::vector<std::vector<std::string>> cells = {
      {"TIME", "SESSION", "KEY", "CLIENT", "KIND", "NAME", "CHANGE", "BEFORE", "AFTER"}};
  for (const AuditRow& row : rows) {
    cells.push_back({FormatTime(row.time_ms), row.session.empty() ? "-" : row.session,
                     row.key_name.empty() ? "-" : row.key_name, row.client.empty() ? "-" : row.client,
                     row.kind, row.name, ChangeOf(row), flat(row.before), flat(row.after)});
  }
  std::vector<size_t> widths(cells[0].size(), 0);
  for (const auto& line : cells) {
    for (size_t i = 0; i + 2 < line.size(); ++i) widths[i] = std::max(widths[i], line[i].size());
  }
  for (const auto& line : cells) {
    std::string text;
    for (size_t i = 0; i < line.size(); ++i) {
      text += line[i];
      if (i + 1 < line.size())
        text += std::string(widths[i] > line[i].size() ? widths[i] - line[i].size() : 0, ' ') + "  ";
    }
    std::fprintf(out, "%s\n", text.c_str());
  }
}

}  // namespace

int RunAuditCommand(int argc, char** argv, std::FILE* out) {
  CLI::App app{
      "Prints the audit trail of a database, oldest first: one row per committed change of a "
      "document, with its time (UTC), session, access key, client, kind, name, and the "
      "document before and after.",
      "corvaned audit"};
  std::string data_dir = ".", database, since;
  bool json = false;
  app.add_option("--data", data_dir, "Data directory")->capture_default_str();
  app.add_option("--database", database, "Database name")->required();
  app.add_option("--since", since,
                 "Only changes from this UTC time on: YYYY-MM-DD or YYYY-MM-DDTHH:MM:SS[.mmm][Z]");
  app.add_flag("--json", json, "One JSON object per line instead of a table");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  std::optional<int64_t> since_ms = since.empty() ? std::optional<int64_t>(0) : ParseTime(since);
  if (!since_ms) {
    std::fprintf(stderr, "corvaned audit: --since wants YYYY-MM-DD[THH:MM:SS[.mmm][Z]], got \"%s\"\n",
                 since.c_str());
    return 2;
  }
  if (!Catalog::ValidName(database)) {
    std::fprintf(stderr, "corvaned audit: invalid database name \"%s\"\n", database.c_str());
    return 2;
  }
  std::vector<AuditRow> rows;
  std::string error;
  const std::string path = Catalog::PathIn(data_dir, database);
  if (!Store::ReadAudit(
          path, *since_ms, [&](const AuditRow& row) { rows.push_back(row); }, &error)) {
    std::fprintf(stderr, "corvaned audit: cannot read %s: %s\n", path.c_str(), error.c_str());
    return 1;
  }
  if (json) {
    for (const AuditRow& row : rows) std::fprintf(out, "%s\n", JsonLine(row).c_str());
  } else {
    PrintTable(rows, out);
  }
  return 0;
}

}  // namespace corvane
