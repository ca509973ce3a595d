// Host-side assembly of a procedure argument block.
//
// A host (or a test, benchmark or tool) adds the procedure's inputs and outputs in
// argument order; the builder lays out the cells, positions and extents exactly as
// the entry convention wants them, sizes the derivative matrix (one row per output
// element, one column per input element: a scalar or a text is one element, an
// array the product of its extents) and calls an entry point with all fourteen
// arguments.  Each input element keeps its column number, so a caller can change
// one value and call again.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <span>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "xv55/xv55.h"

namespace xv55 {

union Cell {
  double real;
  std::int64_t integer;
  char text[8];
};
static_assert(sizeof(Cell) == 8);

class BlockBuilder {
 public:
  // Derivative elements that the procedure did not write keep this value.
  static constexpr double kUntouched = -7.0e77;
  // Text arguments occupy five cells: 40 characters.
  static constexpr std::int64_t kTextCells = 5;

  // ---- inputs (each returns its first derivative column) ----
  std::int64_t real(double value) {
    Cell c;
    c.real = value;
    return addInput({&c, 1}, {});
  }
  std::int64_t integer(std::int64_t value) {
    Cell c;
    c.integer = value;
    return addInput({&c, 1}, {}, Element::Integer);
  }
  // A text of at most 40 characters, NUL-terminated when shorter.
  std::int64_t text(std::string_view value) {
    Cell cells[kTextCells];
    std::memset(cells, 0, sizeof cells);
    std::memcpy(cells, value.data(), value.size() < sizeof cells ? value.size() : sizeof cells);
    return addInput({cells, kTextCells}, {}, Element::Text);
  }
  // An array of reals with the given extents (first index fastest).
  std::int64_t reals(std::span<const double> values, std::initializer_list<std::int64_t> extents) {
    std::vector<Cell> cells(values.size());
    for (std::size_t k = 0; k < values.size(); ++k) cells[k].real = values[k];
    return addInput(cells, extents);
  }
  std::int64_t reals(std::initializer_list<double> values) {
    return reals(std::span<const double>(values.begin(), values.size()),
                 {static_cast<std::int64_t>(values.size())});
  }
  std::int64_t integers(std::span<const std::int64_t> values,
                        std::initializer_list<std::int64_t> extents) {
    std::vector<Cell> cells(values.size());
    for (std::size_t k = 0; k < values.size(); ++k) cells[k].integer = values[k];
    return addInput(cells, extents, Element::Integer);
  }

  // ---- outputs (each returns the output cell number = its first derivative row) ----
  std::int64_t output(double initial = 0.0) { return addOutput(1, {}, initial); }
  std::int64_t outputs(std::int64_t cells, std::initializer_list<std::int64_t> extents,
                       double initial = 0.0) {
    return addOutput(cells, extents, initial);
  }
  std::int64_t outputs(std::int64_t cells, double initial = 0.0) {
    return addOutput(cells, {cells}, initial);
  }

  // ---- trailing arguments ----
  std::int64_t status = 0;
  std::int64_t hostContext = 0;
  std::int64_t callType = XV55_CALL_VALUES_AND_DERIVATIVES;
  std::vector<double> work;

  // ---- the call ----
  void call(Xv55Entry entry) {
    const std::int64_t rows = outputCells();
    const std::int64_t columns = inputColumns();
    const auto needed = static_cast<std::size_t>(rows * columns);
    if (derivatives_.size() != needed) derivatives_.assign(needed, kUntouched);
    derivativeRows_ = rows;
    derivativeColumns_ = columns;
    workLength_ = static_cast<std::int64_t>(work.size());
    // Empty lists are still passed as valid addresses.
    static const std::int64_t none[1] = {0};
    static Cell noCell[1] = {};
    entry(inputs_.empty() ? noCell : inputs_.data(),
          inputSizes_.empty() ? none : inputSizes_.data(),
          outputs_.empty() ? noCell : outputs_.data(),
          outputSizes_.empty() ? none : outputSizes_.data(),
          inputPositions_.empty() ? none : inputPositions_.data(),
          outputPositions_.empty() ? none : outputPositions_.data(), &status, &hostContext,
          work.data(), &workLength_, derivatives_.data(), &derivativeRows_, &derivativeColumns_,
          &callType);
  }
  void call(Xv55Entry entry, std::int64_t type) {
    callType = type;
    call(entry);
  }

  // ---- reading and changing cells ----
  // The input cell of a derivative column (the first cell of a text).
  Cell& inputCell(std::int64_t column) {
    return inputs_.at(
        static_cast<std::size_t>(columnCell_.at(static_cast<std::size_t>(column - 1))));
  }
  // Whether a column holds a real (as opposed to an integer or a text).
  bool isRealColumn(std::int64_t column) const {
    return columnElement_.at(static_cast<std::size_t>(column - 1)) == Element::Real;
  }
  Cell& outputCell(std::int64_t row) { return outputs_.at(static_cast<std::size_t>(row - 1)); }
  double out(std::int64_t row) { return outputCell(row).real; }
  double derivative(std::int64_t row, std::int64_t column) const {
    return derivatives_.at(static_cast<std::size_t>((row - 1) + (column - 1) * derivativeRows_));
  }
  void resetDerivatives(double value = kUntouched) {
    derivatives_.assign(static_cast<std::size_t>(outputCells() * inputColumns()), value);
  }
  std::int64_t inputCells() const { return static_cast<std::int64_t>(inputs_.size()); }
  std::int64_t inputColumns() const { return static_cast<std::int64_t>(columnCell_.size()); }
  std::int64_t outputCells() const { return static_cast<std::int64_t>(outputs_.size()); }
  std::int64_t inputArguments() const { return static_cast<std::int64_t>(inputPositions_.size()); }

  // The host copies of the scalars that the library must not change.
  std::int64_t derivativeRowsSeen() const { return derivativeRows_; }
  std::int64_t derivativeColumnsSeen() const { return derivativeColumns_; }
  std::int64_t workLengthSeen() const { return workLength_; }

 private:
  enum class Element : std::uint8_t { Real, Integer, Text };

  std::int64_t addInput(std::span<const Cell> cells, std::initializer_list<std::int64_t> extents,
                        Element element = Element::Real) {
    const auto first = static_cast<std::int64_t>(inputs_.size());
    const auto column = static_cast<std::int64_t>(columnCell_.size()) + 1;
    inputPositions_.push_back(first + 1);
    inputs_.insert(inputs_.end(), cells.begin(), cells.end());
    inputSizes_.insert(inputSizes_.end(), extents);
    const std::size_t elements = element == Element::Text ? 1 : cells.size();
    for (std::size_t k = 0; k < elements; ++k) {
      columnCell_.push_back(first + static_cast<std::int64_t>(k));
      columnElement_.push_back(element);
    }
    return column;
  }
  std::int64_t addOutput(std::int64_t cells, std::initializer_list<std::int64_t> extents,
                         double initial) {
    if (cells < 0) throw std::invalid_argument("negative output size");
    const auto first = static_cast<std::int64_t>(outputs_.size()) + 1;
    outputPositions_.push_back(first);
    Cell c;
    c.real = initial;
    outputs_.insert(outputs_.end(), static_cast<std::size_t>(cells), c);
    outputSizes_.insert(outputSizes_.end(), extents);
    return first;
  }

  std::vector<Cell> inputs_;
  std::vector<Cell> outputs_;
  std::vector<std::int64_t> inputSizes_;
  std::vector<std::int64_t> outputSizes_;
  std::vector<std::int64_t> inputPositions_;
  std::vector<std::int64_t> outputPositions_;
  std::vector<std::int64_t> columnCell_;  // 0-based input cell of each column
  std::vector<Element> columnElement_;
  std::vector<double> derivatives_;
  std::int64_t derivativeRows_ = 0;
  std::int64_t derivativeColumns_ = 0;
  std::int64_t workLength_ = 0;
};

}  // namespace xv55
