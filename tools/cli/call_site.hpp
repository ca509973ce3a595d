// One call site of a procedure, as a host keeps it: the inputs by name, the block
// laid out from them, the workspace and the output cells that persist from one call
// to the next.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "metadata.hpp"
#include "session.hpp"
#include "xv55/testing/block_builder.hpp"

namespace xv55::tools {

// A value given for one argument, checked against its kind.
struct ArgumentValue {
  std::vector<double> reals;
  std::vector<std::int64_t> integers;
  std::string text;
  std::vector<std::int64_t> extents;  // of an array, output arrays included
};

// Checks a JSON value against an argument's kind (throws UsageError naming the
// procedure and the argument).  Inputs: a number (or "nan", "inf", "-inf") for a
// real, an integer for an integer, a text of at most 40 characters, a list for a
// vector, a list of rows for a matrix; anything for an unused input.  Outputs: a
// number (the cell's content before the call) for a real; a list (the contents) or
// a cell count for a vector; a list of rows (the contents) or the shape [rows,
// columns] for a matrix.
ArgumentValue checkValue(const entry::ProcedureInfo& procedure, const entry::ArgumentInfo& argument,
                         const Json& value);

// A value written on the command line as name=value: JSON where it reads as JSON,
// otherwise the text itself; for a text argument always the text (unless quoted).
Json commandLineValue(const entry::ArgumentInfo& argument, std::string_view text);

// Non-finite reals are written as "nan", "inf" and "-inf".
Json realJson(double value);

// Call types by number (0 to 4) or name: values, setup, cleanup, derivatives, both.
std::int64_t callTypeOf(const Json& value);

struct CallResult {
  std::int64_t callType = 0;
  std::int64_t status = 0;  // 0: the procedure wrote none
  std::vector<double> outputs;
  // Column-major, rows = output cells; elements the procedure did not write are the
  // host's zeros.  Empty when the procedure wrote no element.
  std::vector<double> derivatives;
  std::vector<Message> messages;
};

class CallSite {
 public:
  // Largest derivative matrix a call site lays out, in elements.
  static constexpr std::int64_t kMaxMatrixElements = std::int64_t{1} << 24;
  // Most cells of one vector or matrix output.
  static constexpr std::int64_t kMaxOutputCells = std::int64_t{1} << 22;

  CallSite(const entry::ProcedureInfo& procedure, std::int64_t workLength);

  const entry::ProcedureInfo& procedure() const { return *procedure_; }
  // The argument of that name; throws UsageError listing them all when there is none.
  const entry::ArgumentInfo& argument(std::string_view name) const {
    return procedure_->arguments[argumentIndex(name)];
  }

  // Values by argument name, checked at once; they replace those given before.
  void set(std::string_view name, const Json& value);
  void set(const Json& named);  // a JSON object of name: value
  // Lays out the block from the values given; throws UsageError for a missing one.
  // The workspace and, where their number is unchanged, the output cells are kept.
  void prepare();
  bool prepared() const { return prepared_; }

  // One call of the prepared block (status starts at 0).
  CallResult call(Session& session, std::int64_t callType);

  BlockBuilder& block() { return block_; }
  const std::vector<std::string>& columnLabels() const { return columnLabels_; }
  const std::vector<std::string>& rowLabels() const { return rowLabels_; }
  // The derivative column of an input element: "x", "v[2]", "a[1,2]".
  std::int64_t column(std::string_view label) const;
  // Whether a column holds a real that a derivative is taken for (not an integer, a
  // text or an unused input).
  bool isDifferentiable(std::int64_t column) const;
  bool isInteger(std::int64_t column) const;
  // Reads / changes the value of a real or integer input element in the block.
  double value(std::int64_t column);
  void setValue(std::int64_t column, double value);

  Json outputsJson(const CallResult& result) const;
  Json derivativesJson(const CallResult& result) const;
  Json resultJson(const CallResult& result) const;

 private:
  std::size_t argumentIndex(std::string_view name) const;

  const entry::ProcedureInfo* procedure_;
  std::vector<std::optional<ArgumentValue>> values_;  // by positional argument
  BlockBuilder block_;
  std::vector<bool> fresh_;  // given since the last layout
  bool prepared_ = false;
  std::vector<std::string> columnLabels_;
  std::vector<std::string> rowLabels_;
  std::vector<entry::ArgKind> columnKinds_;
  std::vector<std::pair<std::size_t, std::size_t>> columnArguments_;  // argument, element
};

Json messagesJson(const std::vector<Message>& messages);

}  // namespace xv55::tools
