// What the command-line host knows about the procedures: the export table's
// metadata (entry::procedures()), looked up by name and shown as text or JSON.
#pragma once

#include <nlohmann/json.hpp>

#include <stdexcept>
#include <string>
#include <string_view>

#include "entry/unpack.hpp"

namespace xv55::tools {

// JSON with the members in the order they were written.
using Json = nlohmann::ordered_json;

// JSON as the tools print it: indented objects, lists of numbers or texts on one line.
std::string pretty(const Json& value);

// A mistake in what the user asked for (unknown name, wrong type, bad extent):
// reported on one line, exit status 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Deepest nesting of lists and objects the tools read.  Call sites, steps, sweeps and
// matrices need six levels; the bound keeps copying and printing a hostile document
// within the stack.
inline constexpr int kMaxJsonDepth = 64;

// Parses JSON text from `source` (a file name or "standard input" for messages).
// Throws UsageError naming the source for malformed JSON, a number beyond the range
// of reals and nesting deeper than kMaxJsonDepth.
Json parseJson(std::string_view text, const std::string& source);
// Throws UsageError when `value` is nested deeper than kMaxJsonDepth.
void requireDepth(const Json& value, const std::string& what);

// The procedure with that entry point name; the "XV55IF_" prefix may be left out
// and case does not matter.  Throws UsageError for an unknown name.
const entry::ProcedureInfo& findProcedure(std::string_view name);

// "real", "integer vector", ... as `describe` and the metadata file show a kind.
std::string_view kindName(entry::ArgKind kind);

// The unit a user reads for an argument: the declared one; for an argument that
// declares none, "1" for an integer (counts, codes and switches are dimensionless),
// "text" for a text and "unused" for a position the procedure does not read.
std::string unitText(const entry::ArgumentInfo& argument);

// The names of a procedure's inputs (or outputs), joined by ", "; "?" for an unnamed one.
std::string argumentNames(const entry::ProcedureInfo& procedure, bool inputs);

// How many inputs / outputs a procedure has.
int countInputs(const entry::ProcedureInfo& procedure);
int countOutputs(const entry::ProcedureInfo& procedure);

// One procedure / every procedure as the metadata file holds them.
Json describeJson(const entry::ProcedureInfo& procedure);
Json catalogueJson();

// The texts of `xv55 describe NAME` and `xv55 list`.
std::string describeText(const entry::ProcedureInfo& procedure);
std::string listText();

}  // namespace xv55::tools
