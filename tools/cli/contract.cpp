#include "contract.hpp"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <utility>

#include "metadata.hpp"

namespace xv55::tools {

namespace {

constexpr std::string_view kProcedurePrefix = "XV55IF_";
constexpr std::string_view kBegin = "<!-- arguments ";
constexpr std::string_view kBeginClose = "-->";
constexpr std::string_view kEnd = "<!-- end arguments -->";

std::string readAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw UsageError("cannot read " + path.string());
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

std::vector<std::string> linesOf(std::string_view text) {
  std::vector<std::string> lines;
  std::istringstream in{std::string(text)};
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string firstWord(const std::string& line) {
  return line.substr(0, line.find(' '));
}

std::string shortName(const entry::ProcedureInfo& procedure) {
  return std::string(procedure.name).substr(kProcedurePrefix.size());
}

std::string cell(const entry::ArgumentInfo& a) {
  return std::string("`") + (a.name ? a.name : "?") + "`";
}

std::string unitOf(const entry::ArgumentInfo& a) {
  return unitText(a);
}

std::vector<const entry::ArgumentInfo*> argumentsOf(const entry::ProcedureInfo& procedure,
                                                    bool inputs) {
  std::vector<const entry::ArgumentInfo*> list;
  for (const entry::ArgumentInfo& a : procedure.arguments) {
    if (entry::isInput(a.kind) == inputs) list.push_back(&a);
  }
  return list;
}

// One procedure: its inputs, then its outputs, by position, name, kind and unit.
std::string singleTable(const entry::ProcedureInfo& procedure) {
  std::string out;
  for (const bool inputs : {true, false}) {
    if (!out.empty()) out += "\n";
    out += std::string("| # | ") + (inputs ? "input" : "output") + " | kind | unit |\n";
    out += "|---|---|---|---|\n";
    int k = 0;
    for (const entry::ArgumentInfo* a : argumentsOf(procedure, inputs)) {
      out += "| " + std::to_string(++k) + " | " + cell(*a) + " | " +
             std::string(kindName(a->kind)) + " | " + unitOf(*a) + " |\n";
    }
  }
  return out;
}

// Several procedures side by side: a column per procedure, a row per position.
std::string sideBySide(const std::vector<const entry::ProcedureInfo*>& procedures, bool inputs) {
  std::vector<std::vector<const entry::ArgumentInfo*>> columns;
  std::string header = std::string("| ") + (inputs ? "input" : "output") + " |";
  std::string separator = "|---|";
  std::size_t rows = 0;
  for (const entry::ProcedureInfo* p : procedures) {
    columns.push_back(argumentsOf(*p, inputs));
    rows = std::max(rows, columns.back().size());
    header += " `" + shortName(*p) + "` |";
    separator += "---|";
  }
  std::string out = header + "\n" + separator + "\n";
  for (std::size_t r = 0; r < rows; ++r) {
    out += "| " + std::to_string(r + 1) + " |";
    for (const auto& column : columns) {
      if (r >= column.size()) {
        out += " |";
        continue;
      }
      const std::string unit = unitOf(*column[r]);
      out.append(" ").append(cell(*column[r]));
      if (!unit.empty()) out.append(" (").append(unit).append(")");
      out += " |";
    }
    out += "\n";
  }
  return out;
}

std::string tablesFor(const std::vector<const entry::ProcedureInfo*>& procedures) {
  if (procedures.size() == 1) return singleTable(*procedures.front());
  return sideBySide(procedures, true) + "\n" + sideBySide(procedures, false);
}

// The procedures a begin marker names; `where` names the line for a message.
std::vector<const entry::ProcedureInfo*> namedIn(const std::string& marker,
                                                 const std::string& where) {
  const std::size_t close = marker.find(kBeginClose, kBegin.size());
  if (close == std::string::npos) throw UsageError(where + ": the marker is not closed by -->");
  std::istringstream names(marker.substr(kBegin.size(), close - kBegin.size()));
  std::vector<const entry::ProcedureInfo*> procedures;
  for (std::string name; names >> name;) {
    try {
      procedures.push_back(&findProcedure(name));
    } catch (const UsageError& e) {
      throw UsageError(where + ": " + e.what());
    }
  }
  if (procedures.empty()) throw UsageError(where + ": the marker names no procedure");
  return procedures;
}

}  // namespace

std::string argumentShape(const entry::ProcedureInfo& procedure) {
  int in = 0, out = 0;
  std::string arrays;
  for (const entry::ArgumentInfo& a : procedure.arguments) {
    const bool input = entry::isInput(a.kind);
    const int index = input ? ++in : ++out;
    if (entry::extentsOf(a.kind) == 0) continue;
    arrays += std::string(arrays.empty() ? "" : ",") + (input ? "i" : "o") + std::to_string(index) +
              ":" + std::to_string(entry::extentsOf(a.kind));
  }
  return std::to_string(in) + "/" + std::to_string(out) + (arrays.empty() ? "" : " " + arrays);
}

std::string exportList(std::string_view current) {
  std::vector<std::pair<std::string, std::string>> lines;
  for (const std::string& line : linesOf(current)) {
    const std::string name = firstWord(line);
    if (!name.empty() && !name.starts_with(kProcedurePrefix)) lines.emplace_back(name, line);
  }
  for (const entry::ProcedureInfo& p : entry::procedures()) {
    lines.emplace_back(p.name, std::string(p.name) + " " + argumentShape(p));
  }
  std::sort(lines.begin(), lines.end());
  std::string out;
  for (const auto& line : lines) out += line.second + "\n";
  return out;
}

std::string withArgumentTables(std::string_view page, const std::string& source) {
  const std::vector<std::string> lines = linesOf(page);
  std::string out;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    out += lines[k] + "\n";
    if (!lines[k].starts_with(kBegin)) continue;
    const std::string where = source + " line " + std::to_string(k + 1);
    const auto procedures = namedIn(lines[k], where);
    std::size_t end = k + 1;
    while (end < lines.size() && lines[end] != kEnd) ++end;
    if (end == lines.size()) throw UsageError(where + ": no " + std::string(kEnd) + " follows");
    out += "\n" + tablesFor(procedures) + "\n" + lines[end] + "\n";
    k = end;
  }
  return out;
}

std::vector<ContractFile> contractFiles(const std::filesystem::path& exports,
                                        const std::filesystem::path& docs) {
  std::vector<ContractFile> files;
  if (!exports.empty()) {
    std::string current = readAll(exports);
    std::string generated = exportList(current);
    files.push_back({exports, std::move(current), std::move(generated)});
  }
  if (docs.empty()) return files;
  std::vector<std::filesystem::path> pages;
  std::error_code failed;
  for (const auto& entry : std::filesystem::directory_iterator(docs, failed)) {
    if (entry.path().extension() == ".md") pages.push_back(entry.path());
  }
  if (failed) throw UsageError("cannot read the folder " + docs.string());
  std::sort(pages.begin(), pages.end());
  for (const auto& page : pages) {
    std::string current = readAll(page);
    std::string generated = withArgumentTables(current, page.filename().string());
    files.push_back({page, std::move(current), std::move(generated)});
  }
  return files;
}

}  // namespace xv55::tools
