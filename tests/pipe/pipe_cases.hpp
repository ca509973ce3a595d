// Blocks of the pipe procedures, built from one description of a pipe section, and
// the exact Colebrook root the tests compare against.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "pipe/dispatch.hpp"
#include "xv55/refhost/control.hpp"
#include "xv55/testing/block_builder.hpp"
#include "xv55/xv55.h"

namespace xv55::testing {

enum class Proc { Sppint, Sppint3, Spdpdzfr, Sppmom, Spdpconst, Sphld };
inline constexpr Proc kAllProcs[] = {Proc::Sppint, Proc::Sppint3,   Proc::Spdpdzfr,
                                     Proc::Sppmom, Proc::Spdpconst, Proc::Sphld};
inline constexpr Proc kProcsWithDrop[] = {Proc::Sppint, Proc::Sppint3, Proc::Spdpdzfr, Proc::Sppmom,
                                          Proc::Spdpconst};

struct ProcInfo {
  const char* name;
  Xv55Entry entry;
  int frictionOutput;                  // 1-based
  double centipoisePerFieldUnit;       // cP per lb/(ft s)
  std::vector<std::int64_t> optional;  // columns of mass flow, quality, packed bed
};
inline const ProcInfo& info(Proc p) {
  static const ProcInfo table[] = {{"SPPINT", XV55IF_SPPINT, 2, 1488.0, {}},
                                   {"SPPINT3", XV55IF_SPPINT3, 2, 1488.0, {6, 7, 8}},
                                   {"SPDPDZFR", XV55IF_SPDPDZFR, 1, 1488.2, {4, 5, 6, 9, 10}},
                                   {"SPPMOM", XV55IF_SPPMOM, 2, 1488.2, {7, 8}},
                                   {"SPDPCONST", XV55IF_SPDPCONST, 1, 1488.2, {4, 5, 6, 9, 10}},
                                   {"SPHLD", XV55IF_SPHLD, 0, 1488.2, {4, 5}}};
  return table[static_cast<int>(p)];
}

// One pipe section in model units: an oil-gas mixture in a 4-inch line.
struct Case {
  double diameter = 0.1, length = 100.0;  // m
  double factor = 1.0;                    // multiplier (SPPINT, SPPMOM), divisor (SPPINT3)
  double angle = 0.05, roughness = 4.5e-4;
  double bedVoidFraction = 0.4, particleSphericity = 0.8, particleDiameter = 0.003;
  double sign = -1.0, divisor = 1.0;  // SPDPDZFR, SPDPCONST
  double velocity = 2.5, massFlow = 20000.0, quality = 0.05, pressure = 20.0;
  double liquidFraction = 0.3, liquidDensity = 800.0, gasDensity = 20.0;
  double surfaceTension = 0.02, liquidViscosity = 1.5, gasViscosity = 0.012;
  std::string holdup = "Beggs-Brill", drop = "Beggs-Brill";
};

inline constexpr double kSentinel = 777.0;

// The block of procedure p for section c, every output cell holding kSentinel.
inline BlockBuilder blockOf(Proc p, const Case& c) {
  BlockBuilder b;
  const auto reals = [&b](std::initializer_list<double> values) {
    for (double v : values) b.real(v);
  };
  const bool packed = p == Proc::Sppint3 || p == Proc::Spdpdzfr || p == Proc::Spdpconst;
  if (p == Proc::Sppint || p == Proc::Sppint3 || p == Proc::Sppmom) {
    reals({c.diameter, c.length, c.factor, c.angle, c.roughness});
    if (packed) reals({c.bedVoidFraction, c.particleSphericity, c.particleDiameter});
    b.real(c.velocity);
    if (p == Proc::Sppmom) reals({c.massFlow, c.quality});
  } else if (packed) {
    reals({c.diameter, c.angle, c.roughness, c.bedVoidFraction, c.particleSphericity,
           c.particleDiameter, c.sign, c.velocity, c.massFlow, c.quality});
  } else {
    reals({c.diameter, c.angle, c.velocity, c.massFlow, c.quality});
  }
  reals({c.pressure, c.liquidFraction, c.liquidDensity, c.gasDensity, c.surfaceTension,
         c.liquidViscosity, c.gasViscosity});
  if (p == Proc::Spdpconst) b.real(c.divisor);
  b.text(c.holdup);
  if (p != Proc::Sphld) b.text(c.drop);
  const int outputs = p == Proc::Sppint || p == Proc::Sppint3 ? 3 : p == Proc::Sppmom ? 2 : 1;
  for (int k = 0; k < outputs; ++k) b.output(kSentinel);
  b.callType = 0;
  return b;
}

inline std::vector<double> outputsOf(BlockBuilder& b) {
  std::vector<double> out;
  for (std::int64_t i = 1; i <= b.outputCells(); ++i) out.push_back(b.out(i));
  return out;
}

// Calls procedure p for section c; its outputs.
inline std::vector<double> run(Proc p, const Case& c) {
  BlockBuilder b = blockOf(p, c);
  b.call(info(p).entry);
  return outputsOf(b);
}

inline std::int64_t callsOf(const char* service) {
  return refhost::lastCall(service).calls;
}

class PipeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    refhost::reset();
    pipe::forgetUnknownNames();  // each test's call sites warn afresh
  }
  void TearDown() override { refhost::reset(); }
};

// Colebrook, C.F. (1939), J. Inst. Civil Eng. 11, 133: 1/sqrt(f) = 1.74 - 2 log10(2 r +
// 18.7/(Re sqrt(f))), solved to rounding by bisection on x = 1/sqrt(f).
inline double exactColebrook(double re, double r) {
  double lo = 1e-3, hi = 1e3;
  for (int i = 0; i < 200; ++i) {
    const double x = 0.5 * (lo + hi);
    (x > 1.74 - 2.0 * std::log10(2.0 * r + 18.7 * x / re) ? hi : lo) = x;
  }
  return 4.0 / ((lo + hi) * (lo + hi));
}

// The same equation iterated as the library documents it: from 0.0056 + 0.5 Re^-0.32 until
// a step is at most 1 % of f, with its single-precision constants, blended with 64/2500
// up to Re 3500.
inline double iteratedColebrook(double re, double r) {
  double f = 0.0056f + 0.5 / std::pow(re, 0.32f);
  for (int i = 0; i < 50; ++i) {
    const double x = 1.74f - 2.0 * std::log10(2.0 * r + 18.7f / (re * std::sqrt(f)));
    const bool done = std::fabs(f - 1.0 / (x * x)) <= 0.01f * f;
    f = 1.0 / (x * x);
    if (done) break;
  }
  const double w = std::min((re - 2500.0) / 1000.0, 1.0);
  return w * f + (1.0 - w) * 64.0 / 2500.0;
}

// Model units to the pipe library's field units, written out for the tests.
inline constexpr double kFt = 0.3048;  // m/ft
inline constexpr double kPsiPerBar = 1e5 / 6894.7573;
inline constexpr double kLbFt3 = 0.062428;  // lb/ft3 per kg/m3

// A section's working values in field units as procedure p forms them (SPHLD has no
// roughness and passes 0.001 in single precision), and the SI no-slip density and
// viscosity (Pa s) of the packed-bed routine.
struct Field {
  double d, vm, p, lambda, rhoL, rhoG, sigma, muL, muG, theta, r, vsL, vsG, rhoNs, muNs, w;
  double rhoNsSi, muNsSi;
};
inline Field fieldOf(const Case& c, Proc procedure) {
  const double centipoisePerFieldUnit = info(procedure).centipoisePerFieldUnit;
  Field f{};
  f.d = c.diameter / kFt;
  f.vm = std::max(std::fabs(c.velocity), 1e-5) / kFt;
  f.p = c.pressure * kPsiPerBar;
  f.lambda = std::max(c.liquidFraction, 1e-8);
  f.rhoL = c.liquidDensity * kLbFt3;
  f.rhoG = c.gasDensity * kLbFt3;
  f.sigma = std::max(c.surfaceTension * 2.204634, 1e-5);
  f.muL = c.liquidViscosity / centipoisePerFieldUnit;
  f.muG = c.gasViscosity / centipoisePerFieldUnit;
  f.theta = c.angle;
  f.r = procedure == Proc::Sphld ? 0.0010000000474974513 : c.roughness;
  f.vsL = f.lambda * f.vm;
  f.vsG = (1 - f.lambda) * f.vm;
  f.rhoNs = f.lambda * f.rhoL + (1 - f.lambda) * f.rhoG;
  f.muNs = f.lambda * f.muL + (1 - f.lambda) * f.muG;
  f.w = c.massFlow * 0.000612395;  // lb/s
  f.rhoNsSi = f.lambda * c.liquidDensity + (1 - f.lambda) * c.gasDensity;
  f.muNsSi = (f.lambda * c.liquidViscosity + (1 - f.lambda) * c.gasViscosity) * 1e-3;
  return f;
}

}  // namespace xv55::testing
