// Blocks of the curve procedures as a host lays them out, and a fixture with a
// fresh reference host, a capture printer and a solver-options handler whose
// marker (option 31) and printing switch (option 20) a test sets.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/capture_printer.hpp"
#include "xv55/refhost/control.hpp"
#include "xv55/testing/block_builder.hpp"

namespace xv55::testing {

using Rows = std::vector<std::vector<double>>;
using Lines = std::vector<std::string>;

// Curves as a user enters them.  NP is the longest curve unless given.
struct Curves {
  std::vector<double> speeds = {};
  Rows x = {}, y = {}, coef = {};
  std::int64_t np = 0, ncoef = 4;
};

// TAB(curve, k) of `rows` x `width` cells, column-major, zero where not given.
inline std::vector<double> table(const Rows& r, std::int64_t rows, std::int64_t width) {
  std::vector<double> cells(static_cast<std::size_t>(rows * width), 0.0);
  for (std::int64_t c = 0; c < std::min<std::int64_t>(rows, std::ssize(r)); ++c) {
    const auto& row = r[static_cast<std::size_t>(c)];
    for (std::int64_t k = 0; k < std::min<std::int64_t>(width, std::ssize(row)); ++k) {
      cells[static_cast<std::size_t>(k * rows + c)] = row[static_cast<std::size_t>(k)];
    }
  }
  return cells;
}

// pPumpCurve (option null): type, NC, NP, NPTS, S, SPEED, YTAB, XTAB, COEF, X, method
// -> Y.  pPCurve: type, NC, NP, NPTS, option, N, SPEED, YTAB, XTAB, COEF, QSURGE,
// QSTONE, Q, method -> Y, SURGE%, STONE%.  The flow is the second-last column.
inline BlockBuilder curveBlock(const std::string& type, const Curves& c, std::int64_t work,
                               const char* option = nullptr, std::vector<double> surge = {},
                               std::vector<double> stonewall = {},
                               const std::string& method = "Harwell") {
  const auto nc = std::ssize(c.speeds);
  std::vector<std::int64_t> npts(c.speeds.size(), 0);
  std::int64_t np = std::max<std::int64_t>(c.np, 2);
  for (std::size_t k = 0; k < c.x.size(); ++k) {
    npts[k] = std::ssize(c.x[k]);
    if (c.np == 0) np = std::max(np, npts[k]);
  }
  const auto coefRows = std::max(nc, std::ssize(c.coef));
  BlockBuilder b;
  b.text(type);
  b.integer(nc);
  b.integer(np);
  b.integers(npts, {nc});
  if (option) b.text(option);
  b.real(0.0);
  b.reals(c.speeds, {nc});
  b.reals(table(c.y, nc, np), {nc, np});
  b.reals(table(c.x, nc, np), {nc, np});
  b.reals(table(c.coef, coefRows, c.ncoef), {coefRows, c.ncoef});
  if (option) {
    b.reals(surge, {std::ssize(surge)});
    b.reals(stonewall, {std::ssize(stonewall)});
  }
  b.real(0.0);
  b.text(method);
  for (int k = 0; k < (option ? 3 : 1); ++k) b.output(-1.0);
  b.work.assign(static_cast<std::size_t>(work), 0.0);
  return b;
}

inline std::int64_t flowColumn(const BlockBuilder& b) {
  return b.inputColumns() - 1;
}
inline std::int64_t speedColumn(BlockBuilder& b) {
  return 4 + b.inputCell(2).integer + (b.outputCells() == 3 ? 1 : 0);
}
inline void operateAt(BlockBuilder& b, double speed, double flow) {
  b.inputCell(speedColumn(b)).real = speed;
  b.inputCell(flowColumn(b)).real = flow;
}

class MarkerHandler final : public QSMOptionsHandler {
 public:
  std::int32_t request(std::int32_t code, std::int64_t* integer, double* value,
                       const char**) override {
    if (code == 31) *value = marker;
    if (code == 20) *integer = printing;
    return 0;
  }
  double marker = 1.0;
  std::int64_t printing = 1;
};

class CurveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    refhost::reset();
    const InitBlock block{1, &printer, &options, 0};
    QRInitialize(&block);
  }
  void TearDown() override {
    const InitBlock none{1, nullptr, nullptr, 0};
    QRInitialize(&none);
  }
  // The lines one call prints; the call starts from status 0.
  Lines call(BlockBuilder& b, Xv55Entry entry, std::int64_t mode) {
    printer.clear();
    b.status = 0;
    b.call(entry, mode);
    return printer.lines;
  }
  Lines at(BlockBuilder& b, Xv55Entry entry, double speed, double flow, std::int64_t mode = 4) {
    operateAt(b, speed, flow);
    return call(b, entry, mode);
  }

  CapturePrinter printer;
  MarkerHandler options;
};

}  // namespace xv55::testing
