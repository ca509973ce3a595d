// Typed views of the procedure argument block, as procedure bodies see it.
//
// A body declares its arguments with these types (and plain references for scalar
// cells); the entry mechanics in unpack.hpp build each one from the block.  All
// indices are 1-based and arrays are column-major, as the host lays them out.
// Every view keeps to the extents the host declared: nothing is read or written
// outside the host's arrays.
//
// Bounds.  An index outside a view's extents is a fault of the body.  Builds with
// XV55_CHECKED_VIEWS set to 1 (every build without NDEBUG, and sanitizer builds,
// which define it) check each Vector and Matrix index and each Jacobian::set, and
// stop the program with a line on standard error naming the view, the index and the
// extents.  Other builds do not check Vector and Matrix indices, so that the bodies'
// loops cost nothing more; Jacobian::set drops a write outside the host's matrix
// there, and the clear functions and Jacobian::get keep to the matrix in every build.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "common/text.hpp"
#include "common/units.hpp"
#include "xv55/xv55.h"

#if !defined(XV55_CHECKED_VIEWS)
#if defined(NDEBUG)
#define XV55_CHECKED_VIEWS 0
#else
#define XV55_CHECKED_VIEWS 1
#endif
#endif

namespace xv55 {

namespace detail {
// Stops the program: index (i, j) lies outside the rows x columns of a view.
[[noreturn]] [[gnu::cold]] inline void outsideView(const char* view, std::int64_t i, std::int64_t j,
                                                   std::int64_t rows, std::int64_t columns) {
  std::fprintf(stderr, "xv55: %s index (%lld, %lld) outside its %lld x %lld cells\n", view,
               static_cast<long long>(i), static_cast<long long>(j), static_cast<long long>(rows),
               static_cast<long long>(columns));
  std::abort();
}

// Whether 1 <= i <= rows and 1 <= j <= columns.
constexpr bool inside(std::int64_t i, std::int64_t j, std::int64_t rows, std::int64_t columns) {
  return i >= 1 && i <= rows && j >= 1 && j <= columns;
}
}  // namespace detail

// A 1-dimensional array argument; T is const for inputs.
template <class T>
class Vector {
 public:
  Vector() = default;
  Vector(T* data, std::int64_t extent) : data_(data), extent_(extent) {}

  // Number of cells; a zero or negative declared extent is an empty array.
  std::int64_t size() const { return extent_ > 0 ? extent_ : 0; }
  std::int64_t declaredExtent() const { return extent_; }
  // Cell i, 1 <= i <= size() (checked in checked builds).
  T& operator()(std::int64_t i) const {
    if constexpr (XV55_CHECKED_VIEWS) {
      if (!detail::inside(i, 1, size(), 1)) detail::outsideView("vector", i, 1, size(), 1);
    }
    return data_[i - 1];
  }
  T* data() const { return data_; }

 private:
  T* data_ = nullptr;
  std::int64_t extent_ = 0;
};

// A 2-dimensional array argument, first index fastest.
template <class T>
class Matrix {
 public:
  Matrix() = default;
  Matrix(T* data, std::int64_t rows, std::int64_t columns)
      : data_(data), rows_(rows), columns_(columns) {}

  std::int64_t rows() const { return rows_ > 0 ? rows_ : 0; }
  std::int64_t columns() const { return columns_ > 0 ? columns_ : 0; }
  std::int64_t size() const { return rows() * columns(); }
  // Cell (i, j) is cell (j - 1) * rows + i of the argument.
  static std::int64_t cellOf(std::int64_t i, std::int64_t j, std::int64_t rows) {
    return (j - 1) * rows + i;
  }
  // Cell (i, j) within rows() x columns() (checked in checked builds).
  T& operator()(std::int64_t i, std::int64_t j) const {
    if constexpr (XV55_CHECKED_VIEWS) {
      if (!detail::inside(i, j, rows(), columns())) {
        detail::outsideView("matrix", i, j, rows(), columns());
      }
    }
    return data_[cellOf(i, j, rows_) - 1];
  }
  T* data() const { return data_; }

 private:
  T* data_ = nullptr;
  std::int64_t rows_ = 0;
  std::int64_t columns_ = 0;
};

// A fixed-width text argument: characters from the argument's first cell on, read
// up to its NUL or its declared length, whichever comes first (common/text.hpp); a
// shorter text compares as if blank-padded.  The view keeps the field's address and
// reads the characters when asked, so that a call pays only for what its body reads.
class Text {
 public:
  Text() = default;
  explicit Text(const char* start, std::int64_t declaredLength = units::kTextLength)
      : start_(start), declaredLength_(declaredLength) {}

  // Characters before the NUL (or all of the declared length).
  std::string_view chars() const { return text::read(start_, declaredLength_); }
  std::int64_t declaredLength() const { return declaredLength_; }

  // Character k (1-based) of the blank-padded field.
  char at(std::int64_t k) const { return text::fieldAt(start_, declaredLength_, k); }

  // The keyword rule: the leading characters equal the keyword exactly
  // (case-sensitive, over the keyword's own length); what follows is not examined.
  bool startsWith(std::string_view keyword) const {
    return text::fieldMatchesKeyword(start_, declaredLength_, keyword);
  }

  // The first N characters of the blank-padded field, for a message.
  template <std::size_t N>
  text::Padded<N> padded() const {
    return text::padded<N>(chars());
  }

 private:
  const char* start_ = nullptr;
  std::int64_t declaredLength_ = units::kTextLength;
};

// An input argument that the body does not read; it still takes its position.
struct Unused {};

// The host's completion code.  Bodies set it before they print a message.
class Status {
 public:
  explicit Status(std::int64_t* cell) : cell_(cell) {}
  std::int64_t value() const { return *cell_; }
  Status& operator=(std::int64_t code) {
    *cell_ = code;
    return *this;
  }
  std::int64_t* address() const { return cell_; }

 private:
  std::int64_t* cell_;
};

// The host's opaque context value, copied; services receive the copy's address.
class HostContext {
 public:
  explicit HostContext(std::int64_t value) : value_(value) {}
  const std::int64_t* address() const { return &value_; }

 private:
  std::int64_t value_;
};

// The real workspace the host keeps for this call site, with its (copied) length.
class Workspace {
 public:
  Workspace(double* data, std::int64_t length) : data_(data), length_(length) {}
  std::int64_t length() const { return data_ && length_ > 0 ? length_ : 0; }
  bool has(std::int64_t slot) const { return slot >= 1 && slot <= length(); }
  // Slot k (1-based); callers check has(k) or the length first.
  double& operator[](std::int64_t slot) const { return data_[slot - 1]; }
  double* data() const { return data_; }

 private:
  double* data_;
  std::int64_t length_;
};

// The column-major derivative matrix: row i is output cell i, column j input cell j.
// Elements outside rows x columns are never touched: set outside them stops a checked
// build and is dropped otherwise; get outside them reads 0.
//
// The view is two words, so that a body receives it in registers: the extents are
// held as 32-bit counts.  A zero or negative extent is an empty matrix.  A matrix of
// more than 2^32 - 1 rows is taken as its first column alone (a second column would
// lie 32 GiB past the first), and more than 2^32 - 1 columns as that many.
class Jacobian {
 public:
  Jacobian(double* data, std::int64_t rows, std::int64_t columns) : data_(data) {
    if (static_cast<std::uint64_t>(rows) <= kLargestExtent &&
        static_cast<std::uint64_t>(columns) <= kLargestExtent) [[likely]] {
      rows_ = static_cast<std::uint32_t>(rows);
      columns_ = static_cast<std::uint32_t>(columns);
    } else {
      rows_ = extentOf(rows);
      columns_ =
          rows > kLargestExtent ? std::min<std::uint32_t>(extentOf(columns), 1) : extentOf(columns);
    }
  }

  std::int64_t rows() const { return data_ ? rows_ : 0; }
  std::int64_t columns() const { return data_ ? columns_ : 0; }

  void set(std::int64_t i, std::int64_t j, double value) const {
    if (detail::inside(i, j, rows(), columns())) {
      data_[offsetOf(i, j)] = value;
    } else if constexpr (XV55_CHECKED_VIEWS) {
      detail::outsideView("derivative matrix", i, j, rows(), columns());
    }
  }
  double get(std::int64_t i, std::int64_t j) const {
    return detail::inside(i, j, rows(), columns()) ? data_[offsetOf(i, j)] : 0.0;
  }
  // Row i over all columns.
  void clearRow(std::int64_t i) const {
    for (std::int64_t j = 1; j <= columns(); ++j) set(i, j, 0.0);
  }
  // Rows first..last, columns 1..lastColumn (bounded by the matrix).
  void clearBlock(std::int64_t lastRow, std::int64_t lastColumn) const {
    const std::int64_t r = std::min(lastRow, rows());
    const std::int64_t c = std::min(lastColumn, columns());
    if (r <= 0 || c <= 0) return;
    if (r == rows()) {  // whole columns lie back to back: one stretch
      std::fill_n(data_, r * c, 0.0);
      return;
    }
    for (std::int64_t j = 1; j <= c; ++j) std::fill_n(data_ + offsetOf(1, j), r, 0.0);
  }
  void clear() const { clearBlock(rows(), columns()); }

 private:
  static constexpr std::int64_t kLargestExtent = 0xFFFFFFFF;
  static std::uint32_t extentOf(std::int64_t extent) {
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(extent, 0, kLargestExtent));
  }
  std::int64_t offsetOf(std::int64_t i, std::int64_t j) const {
    return (i - 1) + (j - 1) * static_cast<std::int64_t>(rows_);
  }

  double* data_;
  std::uint32_t rows_ = 0;
  std::uint32_t columns_ = 0;
};

// What the host asks of this call.
class CallMode {
 public:
  static constexpr std::int64_t kValues = XV55_CALL_VALUES;
  static constexpr std::int64_t kSetUp = XV55_CALL_SETUP;
  static constexpr std::int64_t kCleanUp = XV55_CALL_CLEANUP;
  static constexpr std::int64_t kDerivatives = XV55_CALL_DERIVATIVES;
  static constexpr std::int64_t kValuesAndDerivatives = XV55_CALL_VALUES_AND_DERIVATIVES;

  explicit CallMode(std::int64_t code) : code_(code) {}
  std::int64_t code() const { return code_; }
  bool wantsValues() const { return code_ == kValues || code_ == kValuesAndDerivatives; }
  bool wantsDerivatives() const { return code_ == kDerivatives || code_ == kValuesAndDerivatives; }
  bool isSetUp() const { return code_ == kSetUp; }
  bool isCleanUp() const { return code_ == kCleanUp; }

 private:
  std::int64_t code_;
};

}  // namespace xv55
