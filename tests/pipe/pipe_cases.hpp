// Blocks of the pipe procedures, built from one description of a pipe section.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "xv55/block_builder.hpp"
#include "xv55/refhost.hpp"
#include "xv55/xv55.h"

namespace xv55::testing {

enum class Proc { Sppint, Sppint3, Spdpdzfr, Sppmom, Spdpconst, Sphld };
inline constexpr Proc kAllProcs[] = {Proc::Sppint, Proc::Sppint3,   Proc::Spdpdzfr,
                                     Proc::Sppmom, Proc::Spdpconst, Proc::Sphld};
inline constexpr Proc kProcsWithDrop[] = {Proc::Sppint, Proc::Sppint3, Proc::Spdpdzfr, Proc::Sppmom,
                                          Proc::Spdpconst};

inline const char* nameOf(Proc p) {
  switch (p) {
    case Proc::Sppint:
      return "SPPINT";
    case Proc::Sppint3:
      return "SPPINT3";
    case Proc::Spdpdzfr:
      return "SPDPDZFR";
    case Proc::Sppmom:
      return "SPPMOM";
    case Proc::Spdpconst:
      return "SPDPCONST";
    case Proc::Sphld:
      break;
  }
  return "SPHLD";
}

inline Xv55Entry entryOf(Proc p) {
  switch (p) {
    case Proc::Sppint:
      return XV55IF_SPPINT;
    case Proc::Sppint3:
      return XV55IF_SPPINT3;
    case Proc::Spdpdzfr:
      return XV55IF_SPDPDZFR;
    case Proc::Sppmom:
      return XV55IF_SPPMOM;
    case Proc::Spdpconst:
      return XV55IF_SPDPCONST;
    case Proc::Sphld:
      break;
  }
  return XV55IF_SPHLD;
}

// One pipe section in model units: an oil-gas mixture in a 4-inch line.
struct Case {
  double diameter = 0.1;      // m
  double length = 100.0;      // m
  double factor = 1.0;        // friction multiplier (SPPINT, SPPMOM) or divisor (SPPINT3)
  double angle = 0.05;        // rad
  double roughness = 4.5e-4;  // relative
  double bedA = 0.4, bedB = 0.8, bedC = 0.003;
  double sign = -1.0;         // SPDPDZFR, SPDPCONST
  double divisor = 1.0;       // SPDPCONST
  double velocity = 2.5;      // m/s
  double massFlow = 20000.0;  // kg/h
  double quality = 0.05;
  double pressure = 20.0;  // bar
  double liquidFraction = 0.3;
  double liquidDensity = 800.0;  // kg/m3
  double gasDensity = 20.0;      // kg/m3
  double surfaceTension = 0.02;  // N/m
  double liquidViscosity = 1.5;  // cP
  double gasViscosity = 0.012;   // cP
  std::string holdup = "Beggs-Brill";
  std::string drop = "Beggs-Brill";
};

inline constexpr double kSentinel = 777.0;

// The block of procedure p for section c, inputs in the procedure's order, every
// output cell holding kSentinel.
inline BlockBuilder blockOf(Proc p, const Case& c) {
  BlockBuilder b;
  const auto reals = [&b](std::initializer_list<double> values) {
    for (double v : values) b.real(v);
  };
  const std::initializer_list<double> fluids = {c.liquidFraction,  c.liquidDensity,
                                                c.gasDensity,      c.surfaceTension,
                                                c.liquidViscosity, c.gasViscosity};
  switch (p) {
    case Proc::Sppint:
      reals({c.diameter, c.length, c.factor, c.angle, c.roughness, c.velocity, c.pressure});
      reals(fluids);
      break;
    case Proc::Sppint3:
      reals({c.diameter, c.length, c.factor, c.angle, c.roughness, c.bedA, c.bedB, c.bedC,
             c.velocity, c.pressure});
      reals(fluids);
      break;
    case Proc::Spdpdzfr:
    case Proc::Spdpconst:
      reals({c.diameter, c.angle, c.roughness, c.bedA, c.bedB, c.bedC, c.sign, c.velocity,
             c.massFlow, c.quality, c.pressure});
      reals(fluids);
      if (p == Proc::Spdpconst) b.real(c.divisor);
      break;
    case Proc::Sppmom:
      reals({c.diameter, c.length, c.factor, c.angle, c.roughness, c.velocity, c.massFlow,
             c.quality, c.pressure});
      reals(fluids);
      break;
    case Proc::Sphld:
      reals({c.diameter, c.angle, c.velocity, c.massFlow, c.quality, c.pressure});
      reals(fluids);
      break;
  }
  b.text(c.holdup);
  if (p != Proc::Sphld) b.text(c.drop);
  const std::int64_t outputs = p == Proc::Sppint || p == Proc::Sppint3 ? 3
                               : p == Proc::Sppmom                     ? 2
                                                                       : 1;
  for (std::int64_t k = 0; k < outputs; ++k) b.output(kSentinel);
  b.callType = 0;
  return b;
}

// Input columns of the mass flow, quality and packed-bed inputs.
inline std::vector<std::int64_t> optionalColumns(Proc p) {
  switch (p) {
    case Proc::Sppint3:
      return {6, 7, 8};
    case Proc::Spdpdzfr:
    case Proc::Spdpconst:
      return {4, 5, 6, 9, 10};
    case Proc::Sppmom:
      return {7, 8};
    case Proc::Sphld:
      return {4, 5};
    case Proc::Sppint:
      break;
  }
  return {};
}

inline std::vector<double> outputsOf(BlockBuilder& b) {
  std::vector<double> out;
  for (std::int64_t i = 1; i <= b.outputCells(); ++i) out.push_back(b.out(i));
  return out;
}

// Calls procedure p for section c; its outputs.
inline std::vector<double> run(Proc p, const Case& c) {
  BlockBuilder b = blockOf(p, c);
  b.call(entryOf(p));
  return outputsOf(b);
}

// The output holding the frictional result: SPPINT, SPPINT3, SPPMOM output 2, else 1.
inline double frictionOf(Proc p, const std::vector<double>& out) {
  return p == Proc::Sppint || p == Proc::Sppint3 || p == Proc::Sppmom ? out.at(1) : out.at(0);
}

inline std::int64_t callsOf(const char* service) {
  return refhost::lastCall(service).calls;
}

class PipeTest : public ::testing::Test {
 protected:
  void SetUp() override { refhost::reset(); }
  void TearDown() override { refhost::reset(); }
};

// Model units to the pipe library's field units, written out for the tests.
inline constexpr double kFt = 0.3048;  // m/ft
inline constexpr double kPsiPerBar = 1e5 / 6894.7573;
inline constexpr double kLbFt3 = 0.062428;  // lb/ft3 per kg/m3
inline constexpr double kGc = 32.174;       // the reference host's g_c

}  // namespace xv55::testing
