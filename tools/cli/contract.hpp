// The files that restate the export table: the export list the ABI tests compare
// with the library's symbols (tests/abi/exports.txt) and the argument tables of the
// docs.  Both are generated from entry::procedures(), so that neither can drift from
// the table; `xv55 contract` writes them and `xv55 contract --check` compares.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "entry/unpack.hpp"

namespace xv55::tools {

// A procedure's argument shape as host models rely on it: "<inputs>/<outputs>",
// then the arrays among them, "i<k>:<extents>" or "o<k>:<extents>", joined by ",".
std::string argumentShape(const entry::ProcedureInfo& procedure);

// The export list: the lines of `current` that name no procedure (the library's
// other exports, kept as they are) and one line "NAME SHAPE" per procedure of the
// table, all sorted by name.
std::string exportList(std::string_view current);

// `page` with what lies between each "<!-- arguments NAME ... -->" line and the next
// "<!-- end arguments -->" line replaced by the argument tables of the procedures
// named (the "XV55IF_" prefix may be left out).  Throws UsageError, naming `source`
// and the line, for an unknown procedure or a marker without its end.
std::string withArgumentTables(std::string_view page, const std::string& source);

// One generated file: where it is, what it holds and what the table gives.
struct ContractFile {
  std::filesystem::path path;
  std::string current, generated;
  bool upToDate() const { return current == generated; }
};

// The export list and every Markdown page of `docs` (pages without markers come out
// unchanged).  Throws UsageError for an unreadable file.
std::vector<ContractFile> contractFiles(const std::filesystem::path& exports,
                                        const std::filesystem::path& docs);

}  // namespace xv55::tools
