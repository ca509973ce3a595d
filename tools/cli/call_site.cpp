#include "call_site.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <utility>

#include "common/units.hpp"

namespace xv55::tools {

using entry::ArgKind;

namespace {

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// "a number", "a text", ... for a message about a JSON value of the wrong type.
std::string describe(const Json& v) {
  switch (v.type()) {
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float:
      return "the number " + v.dump();
    case Json::value_t::string: {
      const std::string& s = v.get_ref<const std::string&>();
      return "the text \"" + (s.size() > 20 ? s.substr(0, 20) + "..." : s) + "\"";
    }
    case Json::value_t::array:
      return "a list";
    case Json::value_t::object:
      return "an object";
    case Json::value_t::boolean:
      return v.get<bool>() ? "true" : "false";
    default:
      return "null";
  }
}

// The procedures read texts one byte a character, in Latin-1: a UTF-8 text is
// converted to that.  An empty result names what is wrong.
std::string toLatin1(std::string_view utf8, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    // Two-byte sequences C2 80 .. C3 BF are U+0080 .. U+00FF.
    if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size() &&
        (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
      out +=
          static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F));
      ++i;
      continue;
    }
    if (c >= 0xC4 && c <= 0xF4) return "the text holds a character that is not Latin-1";
    return "the text is not UTF-8";
  }
  return {};
}

class Checker {
 public:
  Checker(const entry::ProcedureInfo& p, const entry::ArgumentInfo& a) : p_(p), a_(a) {}

  [[noreturn]] void fail(const std::string& what) const {
    throw UsageError(std::string(p_.name) + ": " +
                     (entry::isInput(a_.kind) ? "input " : "output ") + a_.name + ": " + what);
  }

  double real(const Json& v) const {
    if (v.is_number()) return v.get<double>();
    if (v.is_string()) {
      const std::string s = lower(v.get_ref<const std::string&>());
      if (s == "nan") return std::numeric_limits<double>::quiet_NaN();
      if (s == "inf" || s == "+inf" || s == "infinity") return HUGE_VAL;
      if (s == "-inf" || s == "-infinity") return -HUGE_VAL;
    }
    fail("expected a real number, got " + describe(v));
  }

  std::int64_t integer(const Json& v) const {
    if (v.is_number_integer() && !v.is_number_unsigned()) return v.get<std::int64_t>();
    if (v.is_number_unsigned()) {
      if (v.get<std::uint64_t>() <= std::uint64_t{std::numeric_limits<std::int64_t>::max()}) {
        return v.get<std::int64_t>();
      }
      fail("the integer " + v.dump() + " is out of range");
    }
    if (v.is_number_float()) {
      const double d = v.get<double>();
      if (d == std::trunc(d) && std::fabs(d) < 9.2e18) return static_cast<std::int64_t>(d);
    }
    fail("expected an integer, got " + describe(v));
  }

  const Json& list(const Json& v, const char* what) const {
    if (!v.is_array()) fail(std::string("expected ") + what + ", got " + describe(v));
    return v;
  }

  // Elements of a vector, or of a matrix given as a list of rows (column-major).
  template <class T, class Convert>
  std::vector<T> elements(const Json& v, bool matrix, std::vector<std::int64_t>& extents,
                          Convert convert) const {
    std::vector<T> out;
    if (!matrix) {
      for (const Json& e : list(v, "a list of values")) out.push_back(convert(e));
      extents = {static_cast<std::int64_t>(out.size())};
      return out;
    }
    const Json& rows = list(v, "a list of rows (a list of lists)");
    const char* shape = "a list of rows (a list of lists)";
    const std::size_t columns = rows.empty() ? 0 : list(rows[0], shape).size();
    for (const Json& row : rows) {
      if (list(row, shape).size() != columns) {
        fail("rows of different lengths (" + std::to_string(columns) + " and " +
             std::to_string(row.size()) + ")");
      }
    }
    for (std::size_t j = 0; j < columns; ++j) {
      for (const Json& row : rows) out.push_back(convert(row[j]));  // first index fastest
    }
    extents = {static_cast<std::int64_t>(rows.size()), static_cast<std::int64_t>(columns)};
    return out;
  }

 private:
  const entry::ProcedureInfo& p_;
  const entry::ArgumentInfo& a_;
};

// A list as JSON (ASCII) for a message, cut after 40 characters.
std::string shortDump(const Json& v) {
  const std::string text = v.dump(-1, ' ', true);
  return text.size() > 40 ? text.substr(0, 37) + "..." : text;
}

// A matrix output's shape: [rows, columns] (its contents are a list of lists).
bool isShape(const Json& v) {
  return v.is_array() && v.size() == 2 && v[0].is_number() && v[1].is_number();
}

// One extent of a shape: an integer from 0 to the most cells of an output, else -1.
std::int64_t extentOf(const Json& v) {
  const double d = v.get<double>();
  if (!(d >= 0 && d <= static_cast<double>(CallSite::kMaxOutputCells) && d == std::trunc(d))) {
    return -1;
  }
  return static_cast<std::int64_t>(d);
}

std::vector<std::string> elementLabels(const std::string& name, ArgKind kind,
                                       const std::vector<std::int64_t>& extents) {
  if (entry::extentsOf(kind) == 0) return {name};
  std::vector<std::string> labels;
  const std::int64_t rows = extents.at(0);
  const std::int64_t cells = extents.size() == 2 ? rows * extents[1] : rows;
  for (std::int64_t k = 0; k < cells; ++k) {
    labels.push_back(extents.size() == 2 ? name + "[" + std::to_string(k % rows + 1) + "," +
                                               std::to_string(k / rows + 1) + "]"
                                         : name + "[" + std::to_string(k + 1) + "]");
  }
  return labels;
}

}  // namespace

Json realJson(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  return value;
}

std::int64_t callTypeOf(const Json& value) {
  if (value.is_number_integer()) {
    const auto t = value.get<std::int64_t>();
    if (t >= 0 && t <= 4) return t;
  } else if (value.is_string()) {
    const std::string s = lower(value.get_ref<const std::string&>());
    const std::pair<const char*, std::int64_t> names[] = {
        {"values", XV55_CALL_VALUES},
        {"setup", XV55_CALL_SETUP},
        {"set-up", XV55_CALL_SETUP},
        {"cleanup", XV55_CALL_CLEANUP},
        {"clean-up", XV55_CALL_CLEANUP},
        {"derivatives", XV55_CALL_DERIVATIVES},
        {"both", XV55_CALL_VALUES_AND_DERIVATIVES}};
    for (const auto& [name, code] : names) {
      if (s == name) return code;
    }
    if (s.size() == 1 && s[0] >= '0' && s[0] <= '4') return s[0] - '0';
  }
  throw UsageError("call type " + value.dump() +
                   " is none of 0 values, 1 setup, 2 cleanup, 3 derivatives, 4 both");
}

namespace {

// A text argument: Latin-1, at most the text length, no NUL.
std::string textOf(const Checker& check, const Json& v) {
  if (!v.is_string()) check.fail("expected a text, got " + describe(v));
  std::string text;
  if (const std::string why = toLatin1(v.get_ref<const std::string&>(), text); !why.empty()) {
    check.fail(why);
  }
  if (text.size() > static_cast<std::size_t>(units::kTextLength)) {
    check.fail("the text has " + std::to_string(text.size()) + " characters, more than " +
               std::to_string(units::kTextLength));
  }
  if (text.find('\0') != std::string::npos) check.fail("the text holds a NUL character");
  return text;
}

// A vector output: its number of cells, or its contents before the call.
void vectorOutput(const Checker& check, const Json& v, ArgumentValue& out) {
  if (v.is_array()) {
    out.reals = check.elements<double>(v, false, out.extents,
                                       [&check](const Json& e) { return check.real(e); });
    return;
  }
  const std::int64_t cells = v.is_number() ? check.integer(v) : -1;
  if (cells < 0 || cells > CallSite::kMaxOutputCells) {
    check.fail("expected its number of cells (0 to " + std::to_string(CallSite::kMaxOutputCells) +
               ") or a list of its contents, got " + describe(v));
  }
  out.reals.assign(static_cast<std::size_t>(cells), 0.0);
  out.extents = {cells};
}

// A matrix output: its shape [rows, columns], or its rows before the call.
void matrixOutput(const Checker& check, const Json& v, ArgumentValue& out) {
  if (isShape(v)) {
    const std::int64_t rows = extentOf(v[0]);
    const std::int64_t columns = extentOf(v[1]);
    if (rows < 0 || columns < 0 || rows * columns > CallSite::kMaxOutputCells) {
      check.fail("the shape " + v.dump() +
                 " is not [rows, columns]: two integers of at least 0, at most " +
                 std::to_string(CallSite::kMaxOutputCells) + " cells in all");
    }
    out.reals.assign(static_cast<std::size_t>(rows * columns), 0.0);
    out.extents = {rows, columns};
  } else if (v.is_array() && (v.empty() || v[0].is_array())) {
    out.reals = check.elements<double>(v, true, out.extents,
                                       [&check](const Json& e) { return check.real(e); });
  } else {
    check.fail("expected its shape [rows, columns] or a list of its rows, got " +
               (v.is_array() ? shortDump(v) : describe(v)));
  }
}

}  // namespace

ArgumentValue checkValue(const entry::ProcedureInfo& procedure, const entry::ArgumentInfo& argument,
                         const Json& v) {
  const Checker check(procedure, argument);
  const auto real = [&check](const Json& e) { return check.real(e); };
  const auto integer = [&check](const Json& e) { return check.integer(e); };
  ArgumentValue out;
  switch (argument.kind) {
    case ArgKind::RealIn:
    case ArgKind::RealOut:
      out.reals = {check.real(v)};
      break;
    case ArgKind::IntegerIn:
      out.integers = {check.integer(v)};
      break;
    case ArgKind::TextIn:
      out.text = textOf(check, v);
      break;
    case ArgKind::UnusedIn:
      break;
    case ArgKind::RealVectorIn:
    case ArgKind::RealMatrixIn:
      out.reals =
          check.elements<double>(v, argument.kind == ArgKind::RealMatrixIn, out.extents, real);
      break;
    case ArgKind::IntegerVectorIn:
    case ArgKind::IntegerMatrixIn:
      out.integers = check.elements<std::int64_t>(v, argument.kind == ArgKind::IntegerMatrixIn,
                                                  out.extents, integer);
      break;
    case ArgKind::RealVectorOut:
      vectorOutput(check, v, out);
      break;
    case ArgKind::RealMatrixOut:
      matrixOutput(check, v, out);
      break;
    case ArgKind::Trailing:
      check.fail("not an argument");
  }
  return out;
}

Json commandLineValue(const entry::ArgumentInfo& argument, std::string_view text) {
  Json parsed = Json::parse(text.begin(), text.end(), nullptr, false);
  if (argument.kind == ArgKind::TextIn && !parsed.is_string()) return std::string(text);
  if (parsed.is_discarded()) return std::string(text);
  return parsed;
}

CallSite::CallSite(const entry::ProcedureInfo& procedure, std::int64_t workLength)
    : procedure_(&procedure),
      values_(procedure.arguments.size()),
      fresh_(procedure.arguments.size(), true) {
  if (workLength < 0 || workLength > kMaxMatrixElements) {
    throw UsageError("workspace length " + std::to_string(workLength) + " is not between 0 and " +
                     std::to_string(kMaxMatrixElements));
  }
  block_.work.assign(static_cast<std::size_t>(workLength), 0.0);
}

std::size_t CallSite::argumentIndex(std::string_view name) const {
  const auto& args = procedure_->arguments;
  for (std::size_t k = 0; k < args.size(); ++k) {
    if (args[k].name && name == args[k].name) return k;
  }
  const std::string ins = argumentNames(*procedure_, true);
  const std::string outs = argumentNames(*procedure_, false);
  throw UsageError(std::string(procedure_->name) + " has no argument '" + std::string(name) +
                   "' (inputs: " + (ins.empty() ? "none" : ins) +
                   "; outputs: " + (outs.empty() ? "none" : outs) + ")");
}

void CallSite::set(std::string_view name, const Json& value) {
  const std::size_t k = argumentIndex(name);
  values_[k] = checkValue(*procedure_, procedure_->arguments[k], value);
  fresh_[k] = true;
  prepared_ = false;
}

void CallSite::set(const Json& named) {
  if (!named.is_object()) {
    throw UsageError("inputs of " + std::string(procedure_->name) +
                     " are a JSON object of name: value, not " + describe(named));
  }
  for (const auto& [name, value] : named.items()) set(name, value);
}

namespace {

using Values = std::vector<std::optional<ArgumentValue>>;

// Every value is there: an unused input and a real output not given take their
// defaults, anything else missing is a mistake.
void completeValues(const entry::ProcedureInfo& procedure, Values& values) {
  const auto& args = procedure.arguments;
  for (std::size_t k = 0; k < args.size(); ++k) {
    const entry::ArgumentInfo& a = args[k];
    if (values[k]) continue;
    if (a.kind == ArgKind::UnusedIn) {
      values[k] = ArgumentValue{};
    } else if (a.kind == ArgKind::RealOut) {
      values[k] = ArgumentValue{{0.0}, {}, {}, {}};
    } else if (a.kind == ArgKind::RealVectorOut) {
      throw UsageError(std::string(procedure.name) + ": output " + a.name +
                       " needs its number of cells (" + a.name + "=N or a list)");
    } else if (a.kind == ArgKind::RealMatrixOut) {
      throw UsageError(std::string(procedure.name) + ": output " + a.name + " needs its shape (" +
                       a.name + "=[rows,columns] or a list of rows)");
    } else {
      throw UsageError(std::string(procedure.name) + ": missing input " + a.name);
    }
  }
}

// The derivative matrix of the values is not too large to lay out.
void requireMatrixFits(const entry::ProcedureInfo& procedure, const Values& values) {
  double rowCount = 0, columnCount = 0;
  for (std::size_t k = 0; k < values.size(); ++k) {
    double elements = 1;
    for (std::int64_t e : values[k]->extents) elements *= static_cast<double>(e);
    (entry::isInput(procedure.arguments[k].kind) ? columnCount : rowCount) += elements;
  }
  if (rowCount * columnCount > static_cast<double>(CallSite::kMaxMatrixElements)) {
    throw UsageError(std::string(procedure.name) + ": the derivative matrix would have " +
                     std::to_string(static_cast<std::int64_t>(rowCount)) + " x " +
                     std::to_string(static_cast<std::int64_t>(columnCount)) +
                     " elements, more than " + std::to_string(CallSite::kMaxMatrixElements));
  }
}

// Adds one argument's value to the block; returns its first derivative column (an
// input) or row (an output).
std::int64_t place(BlockBuilder& b, ArgKind kind, const ArgumentValue& v) {
  switch (kind) {
    case ArgKind::RealIn:
      return b.real(v.reals[0]);
    case ArgKind::IntegerIn:
      return b.integer(v.integers[0]);
    case ArgKind::TextIn:
      return b.text(v.text);
    case ArgKind::UnusedIn:
      return b.real(0.0);
    case ArgKind::RealVectorIn:
      return b.reals(v.reals, {v.extents[0]});
    case ArgKind::RealMatrixIn:
      return b.reals(v.reals, {v.extents[0], v.extents[1]});
    case ArgKind::IntegerVectorIn:
      return b.integers(v.integers, {v.extents[0]});
    case ArgKind::IntegerMatrixIn:
      return b.integers(v.integers, {v.extents[0], v.extents[1]});
    case ArgKind::RealOut:
      return b.output(v.reals[0]);
    case ArgKind::RealVectorOut:
    case ArgKind::RealMatrixOut: {
      const std::int64_t first =
          v.extents.size() == 2
              ? b.outputs(static_cast<std::int64_t>(v.reals.size()), {v.extents[0], v.extents[1]})
              : b.outputs(v.extents[0], {v.extents[0]});
      for (std::size_t c = 0; c < v.reals.size(); ++c) {
        b.outputCell(first + static_cast<std::int64_t>(c)).real = v.reals[c];
      }
      return first;
    }
    case ArgKind::Trailing:
      break;
  }
  return 0;
}

}  // namespace

void CallSite::prepare() {
  const auto& args = procedure_->arguments;
  completeValues(*procedure_, values_);
  requireMatrixFits(*procedure_, values_);

  BlockBuilder b;
  std::vector<std::string> columns, rows;
  std::vector<ArgKind> kinds;
  std::vector<std::pair<std::size_t, std::size_t>> arguments;
  std::vector<std::pair<std::int64_t, std::int64_t>> kept;  // output rows to keep: first, cells
  for (std::size_t k = 0; k < args.size(); ++k) {
    const entry::ArgumentInfo& a = args[k];
    const ArgumentValue& v = *values_[k];
    const std::vector<std::string> labels = elementLabels(a.name, a.kind, v.extents);
    const std::int64_t first = place(b, a.kind, v);
    if (entry::isOutput(a.kind) && !fresh_[k]) {
      kept.emplace_back(first, static_cast<std::int64_t>(labels.size()));
    }
    fresh_[k] = false;
    auto& target = entry::isInput(a.kind) ? columns : rows;
    target.insert(target.end(), labels.begin(), labels.end());
    if (entry::isInput(a.kind)) {
      kinds.insert(kinds.end(), labels.size(), a.kind);
      for (std::size_t e = 0; e < labels.size(); ++e) arguments.emplace_back(k, e);
    }
  }
  // A host keeps the workspace, and output cells the procedure did not reach.
  b.work = std::move(block_.work);
  if (block_.outputCells() == b.outputCells()) {
    for (const auto& [first, cells] : kept) {
      for (std::int64_t i = first; i < first + cells; ++i) b.outputCell(i) = block_.outputCell(i);
    }
  }
  block_ = std::move(b);
  columnLabels_ = std::move(columns);
  rowLabels_ = std::move(rows);
  columnKinds_ = std::move(kinds);
  columnArguments_ = std::move(arguments);
  prepared_ = true;
}

CallResult CallSite::call(Session& session, std::int64_t callType) {
  if (!prepared_) prepare();
  (void)session.takeMessages();  // anything printed outside a call is not this call's
  session.beginCall(callType);
  block_.status = 0;
  block_.resetDerivatives(BlockBuilder::kUntouched);
  block_.call(procedure_->entry, callType);

  CallResult r;
  r.callType = callType;
  r.status = block_.status;
  for (std::int64_t i = 1; i <= block_.outputCells(); ++i) r.outputs.push_back(block_.out(i));
  bool written = false;
  std::vector<double> d;
  for (std::int64_t j = 1; j <= block_.inputColumns(); ++j) {
    for (std::int64_t i = 1; i <= block_.outputCells(); ++i) {
      const double e = block_.derivative(i, j);
      written = written || e != BlockBuilder::kUntouched;
      d.push_back(e == BlockBuilder::kUntouched ? 0.0 : e);
    }
  }
  if (written) r.derivatives = std::move(d);
  r.messages = session.takeMessages();
  return r;
}

std::int64_t CallSite::column(std::string_view label) const {
  const auto at = std::find(columnLabels_.begin(), columnLabels_.end(), label);
  if (at != columnLabels_.end()) return at - columnLabels_.begin() + 1;
  const std::size_t k = argumentIndex(label.substr(0, label.find('[')));
  const entry::ArgumentInfo& a = procedure_->arguments[k];
  if (!entry::isInput(a.kind)) {
    throw UsageError(std::string(procedure_->name) + ": " + a.name + " is an output");
  }
  if (entry::extentsOf(a.kind) > 0) {
    throw UsageError(std::string(procedure_->name) + ": input " + a.name +
                     " is an array with no element '" + std::string(label) + "' (elements are " +
                     a.name + (entry::extentsOf(a.kind) == 2 ? "[i,j])" : "[i])"));
  }
  throw UsageError(std::string(procedure_->name) + ": input " + a.name + " has no element '" +
                   std::string(label) + "'");
}

bool CallSite::isDifferentiable(std::int64_t column) const {
  const ArgKind k = columnKinds_.at(static_cast<std::size_t>(column - 1));
  return k == ArgKind::RealIn || k == ArgKind::RealVectorIn || k == ArgKind::RealMatrixIn;
}

bool CallSite::isInteger(std::int64_t column) const {
  const ArgKind k = columnKinds_.at(static_cast<std::size_t>(column - 1));
  return k == ArgKind::IntegerIn || k == ArgKind::IntegerVectorIn || k == ArgKind::IntegerMatrixIn;
}

double CallSite::value(std::int64_t column) {
  const Cell& cell = block_.inputCell(column);
  return isInteger(column) ? static_cast<double>(cell.integer) : cell.real;
}

void CallSite::setValue(std::int64_t column, double value) {
  const std::string& label = columnLabels_.at(static_cast<std::size_t>(column - 1));
  if (!isInteger(column) && !isDifferentiable(column)) {
    throw UsageError(std::string(procedure_->name) + ": input " + label + " takes no number");
  }
  if (isInteger(column) && !(value == std::trunc(value) && std::fabs(value) < 9.2e18)) {
    throw UsageError(std::string(procedure_->name) + ": input " + label + " is an integer, not " +
                     realJson(value).dump());
  }
  // The block's cell, and the value given, which stays when the block is laid out again.
  Cell& cell = block_.inputCell(column);
  const auto& [k, element] = columnArguments_[static_cast<std::size_t>(column - 1)];
  if (isInteger(column)) {
    cell.integer = static_cast<std::int64_t>(value);
    values_[k]->integers.at(element) = cell.integer;
  } else {
    cell.real = value;
    values_[k]->reals.at(element) = value;
  }
}

Json CallSite::outputsJson(const CallResult& result) const {
  Json out = Json::object();
  std::size_t row = 0;
  for (const entry::ArgumentInfo& a : procedure_->arguments) {
    if (!entry::isOutput(a.kind)) continue;
    if (a.kind == ArgKind::RealOut) {
      out[a.name] = realJson(result.outputs.at(row++));
      continue;
    }
    const std::vector<std::int64_t>& extents =
        values_[static_cast<std::size_t>(&a - procedure_->arguments.data())]->extents;
    Json cells = Json::array();
    if (extents.size() == 1) {
      for (std::int64_t c = 0; c < extents[0]; ++c) {
        cells.push_back(realJson(result.outputs.at(row++)));
      }
    } else {  // a list of rows; cell (i, j) is stored at (j - 1) * rows + i
      const std::int64_t rows = extents[0];
      const std::int64_t columns = extents[1];
      for (std::int64_t i = 0; i < rows; ++i) {
        Json line = Json::array();
        for (std::int64_t j = 0; j < columns; ++j) {
          line.push_back(realJson(result.outputs.at(row + static_cast<std::size_t>(j * rows + i))));
        }
        cells.push_back(std::move(line));
      }
      row += static_cast<std::size_t>(rows * columns);
    }
    out[a.name] = std::move(cells);
  }
  return out;
}

Json CallSite::derivativesJson(const CallResult& result) const {
  if (result.derivatives.empty()) return nullptr;
  Json matrix = Json::array();
  const std::size_t rows = rowLabels_.size();
  for (std::size_t i = 0; i < rows; ++i) {
    Json row = Json::array();
    for (std::size_t j = 0; j < columnLabels_.size(); ++j) {
      row.push_back(realJson(result.derivatives[i + j * rows]));
    }
    matrix.push_back(std::move(row));
  }
  return {{"rows", rowLabels_}, {"columns", columnLabels_}, {"matrix", std::move(matrix)}};
}

Json messagesJson(const std::vector<Message>& messages) {
  Json out = Json::array();
  for (const Message& m : messages) {
    out.push_back({{"severity", m.severity}, {"callType", m.callType}, {"text", m.text}});
  }
  return out;
}

Json CallSite::resultJson(const CallResult& result) const {
  return {{"procedure", procedure_->name},
          {"callType", result.callType},
          {"status", result.status},
          {"outputs", outputsJson(result)},
          {"derivatives", derivativesJson(result)},
          {"messages", messagesJson(result.messages)}};
}

}  // namespace xv55::tools
