// Every procedure that supplies derivatives, swept over its inputs: at least 200
// evaluated points each, drawn with a fixed seed from the ranges below and from the
// neighbourhoods of every branch (curve knots and ends, speed lines, clip limits,
// surge and stonewall flows, x = 1), every analytic derivative against central
// differences.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <string>
#include <type_traits>
#include <vector>

#include "curves/curve_blocks.hpp"
#include "entry/tables/curves.hpp"
#include "entry/tables/equilibrium.hpp"
#include "entry/tables/hydraulics.hpp"
#include "entry/tables/kinetics.hpp"
#include "entry/tables/numerics.hpp"
#include "entry/tables/pipe.hpp"
#include "entry/tables/properties.hpp"
#include "sweep/sweep.hpp"

namespace {

using namespace xv55;
using namespace xv55::sweep;
using xv55::testing::Curves;

// A block of real scalars and one output.
BlockBuilder scalars(std::initializer_list<double> values, int outputs = 1) {
  BlockBuilder b;
  for (double v : values) b.real(v);
  for (int k = 0; k < outputs; ++k) b.output();
  b.work.assign(2, 0.0);
  return b;
}

// Linear in speed through the values at the two bracketing speed lines (the end pair
// outside), as a performance value between curves is; speeds ascending.
double acrossSpeeds(const std::vector<double>& speeds, const std::vector<double>& v, double n) {
  std::size_t i = 0;
  while (i + 2 < speeds.size() && n > speeds[i + 1]) ++i;
  if (speeds.size() == 1) return v[0];
  return v[i] + (n - speeds[i]) * (v[i + 1] - v[i]) / (speeds[i + 1] - speeds[i]);
}

// Curves after the affinity laws: flows q0 n / n0 and values h0 (n / n0)^2 - k q^2.
Curves affinity(std::vector<double> speeds, double n0, std::vector<double> q0, double h0,
                double k) {
  Curves c;
  for (double n : speeds) {
    c.speeds.push_back(n);
    c.x.emplace_back();
    c.y.emplace_back();
    for (double q : q0) {
      c.x.back().push_back(q * n / n0);
      c.y.back().push_back(h0 * (n / n0) * (n / n0) - k * (q * n / n0) * (q * n / n0));
    }
  }
  return c;
}

// Branches at every knot of every curve (for the flow input) and every speed line.
void curveBranches(Procedure& p, const Curves& c, std::size_t speed, std::size_t flow) {
  for (const auto& knots : c.x) {
    for (double q : knots) p.branches.push_back({flow, [q](const Point&) { return q; }});
  }
  for (double n : c.speeds) p.branches.push_back({speed, [n](const Point&) { return n; }});
}

Procedure pump(const std::string& name, const std::string& type, const Curves& c,
               const std::string& method, std::uint64_t seed) {
  const auto nc = std::ssize(c.speeds);
  const std::int64_t np = c.x.empty() ? 0 : std::ssize(c.x[0]);
  const std::int64_t work = type == "Polynomials" ? (c.ncoef + 5) * nc : 5 * np * nc;
  Procedure p{name, XV55IF_SPPUMPCURVE, seed, [=] {
                BlockBuilder b = xv55::testing::curveBlock(type, c, work, nullptr, {}, {}, method);
                b.call(XV55IF_SPPUMPCURVE, 1);
                return b;
              }};
  BlockBuilder shape = xv55::testing::curveBlock(type, c, work);
  const auto [slow, fast] = std::minmax_element(c.speeds.begin(), c.speeds.end());
  p.inputs = {{"S", xv55::testing::speedColumn(shape), 0.6 * *slow, 1.4 * *fast},
              {"X", xv55::testing::flowColumn(shape), -10.0, 110.0}};
  curveBranches(p, c, 0, 1);
  return p;
}

Procedure compressor(const std::string& name, const std::string& type, const Curves& c,
                     const char* option, std::vector<double> surge, std::vector<double> stone,
                     std::uint64_t seed) {
  const auto nc = std::ssize(c.speeds);
  const std::int64_t work = 12;
  Procedure p{name, XV55IF_SPPCURVE, seed, [=] {
                BlockBuilder b = xv55::testing::curveBlock(type, c, work, option, surge, stone);
                b.call(XV55IF_SPPCURVE, 1);
                return b;
              }};
  BlockBuilder shape = xv55::testing::curveBlock(type, c, work, option, surge, stone);
  const auto [slow, fast] = std::minmax_element(c.speeds.begin(), c.speeds.end());
  p.inputs = {{"N", 5 + nc, 0.6 * *slow, 1.4 * *fast},
              {"Q", xv55::testing::flowColumn(shape), -5.0, 190.0}};
  curveBranches(p, c, 0, 1);
  const std::vector<double> speeds = c.speeds;
  p.branches.push_back({1, [=](const Point& x) { return acrossSpeeds(speeds, surge, x[0]); }});
  p.branches.push_back({1, [=](const Point& x) { return acrossSpeeds(speeds, stone, x[0]); }});
  // Far below surge the margin is clipped at -100000 %.
  p.branches.push_back(
      {1, [=](const Point& x) { return -999.0 * acrossSpeeds(speeds, surge, x[0]); }});
  p.cleanUp = true;
  return p;
}

// The mixture velocity (m/s) at which a section's Reynolds number reaches `re`, from
// the no-slip density and viscosity in SI units (within 1e-4 of the field-unit form).
double velocityAtReynolds(const Point& x, double re) {
  const double lambda = x[5];
  const double rho = lambda * x[6] + (1 - lambda) * x[7];
  const double mu = (lambda * x[8] + (1 - lambda) * x[9]) * 1e-3;  // cP -> Pa s
  return re * mu / (rho * x[0]);
}

// A "Darcy" section over liquid, gas and mixtures, laminar to fully rough, both ways.
Procedure section() {
  Procedure p{"SPPINT_Darcy", XV55IF_SPPINT, 41, [] {
                BlockBuilder b;
                for (double v :
                     {0.1, 100.0, 1.0, 0.1, 1e-4, 2.0, 10.0, 1.0, 900.0, 10.0, 30.0, 1.0, 0.02}) {
                  b.real(v);
                }
                b.text("");
                b.text("Darcy");
                for (int k = 0; k < 3; ++k) b.output();
                return b;
              }};
  p.inputs = {{"D", 1, 0.01, 0.5, Spread::Log},
              {"L", 2, 1, 1000, Spread::Log},
              {"multiplier", 3, 0.5, 2},
              {"theta", 4, -1.5, 1.5},
              {"v", 6, 1e-4, 30, Spread::SignedLog},
              {"lambda", 8, 0, 1},
              {"rhoL", 9, 500, 1200},
              {"rhoG", 10, 0.5, 50, Spread::Log},
              {"muL", 12, 0.1, 100, Spread::Log},
              {"muG", 13, 0.005, 0.05},
              {"r", 5, 1e-5, 0.05, Spread::Log},
              {"P", 7, 1, 100, Spread::Log}};
  for (double re : {0.1, 2500.0, 3500.0}) {
    for (double sign : {-1.0, 1.0}) {
      p.branches.push_back({4, [=](const Point& x) { return sign * velocityAtReynolds(x, re); }});
    }
  }
  p.branches.push_back({4, [](const Point&) { return 0.0; }});
  // The gas-only switch at lambda = 1e-6 lies within one difference step (1e-6) of 0:
  // central differences cannot resolve its neighbourhood, so it is not a branch here.
  p.branches.push_back({5, [](const Point&) { return 1.0; }});
  return p;
}

std::vector<Procedure> describeAll() {
  std::vector<Procedure> all;
  const auto ramp = [&](const char* name, double y1lo, double y1hi, double y2lo, double y2hi) {
    Procedure p{name, XV55IF_SPRAMP, 11, [] { return scalars({0, 0, 0, 0, 0}); }};
    p.inputs = {{"x", 1, -5, 15},
                {"x1", 2, 0, 4},
                {"x2", 3, 6, 10},
                {"y1", 4, y1lo, y1hi},
                {"y2", 5, y2lo, y2hi}};
    p.branches = {{0, [](const Point& x) { return x[1]; }},
                  {0, [](const Point& x) { return x[2]; }}};
    all.push_back(p);
  };
  ramp("SPRAMP_rising", -10, 0, 1, 20);
  ramp("SPRAMP_falling", 1, 20, -10, 0);

  Procedure root{"SPSQRT", XV55IF_SPSQRT, 12, [] { return scalars({0}); }};
  root.inputs = {{"x", 1, 1e-3, 1e8, Spread::SignedLog}};
  root.branches = {{0, [](const Point&) { return 0.0; }}};
  all.push_back(root);

  Procedure band{"SPLIM_ABS", XV55IF_SPLIM_ABS, 13, [] { return scalars({0, 0, 0}); }};
  band.inputs = {{"x", 1, -10, 10}, {"lo", 2, -1, 3}, {"hi", 3, 4, 8}};
  for (std::size_t limit : {1, 2}) {
    for (double sign : {-1.0, 1.0}) {
      band.branches.push_back({0, [=](const Point& x) { return sign * x[limit]; }});
    }
  }
  band.branches.push_back({0, [](const Point&) { return 0.0; }});
  all.push_back(band);

  Procedure fraction{"SPQUAL", XV55IF_SPQUAL, 14, [] { return scalars({0, 0, 0, 0, 0}); }};
  fraction.inputs = {
      {"x", 1, -3, 6}, {"c", 2, -2, 0}, {"d", 3, 1, 3}, {"a", 4, -1, 1}, {"b", 5, 2, 4}};
  fraction.branches = {{0, [](const Point& x) { return x[3]; }},
                       {0, [](const Point& x) { return x[4]; }}};
  all.push_back(fraction);

  // x^(N+1) is cut off where |(N + 1) ln x| reaches 82.893.
  const auto series = [&](const char* name, std::int64_t n, double lo, double hi) {
    Procedure p{name, XV55IF_SPRECV, 15, [n] {
                  BlockBuilder b;
                  b.reals({0.5, 0.5, 0.5, 0.5});
                  b.integer(n);
                  b.outputs(4);
                  return b;
                }};
    const double cut = std::exp(82.893 / static_cast<double>(n + 1));
    for (std::int64_t k = 1; k <= 4; ++k) {
      p.inputs.push_back({std::string("x").append(std::to_string(k)), k, lo, hi, Spread::Log});
      const auto i = static_cast<std::size_t>(k - 1);
      for (double t : {1.0, cut, 1.0 / cut}) {
        if (t >= lo && t <= hi) p.branches.push_back({i, [t](const Point&) { return t; }});
      }
    }
    all.push_back(p);
  };
  series("SPRECV_n3", 3, 1e-4, 1e6);
  series("SPRECV_n40", 40, 0.05, 20);

  Procedure product{"SPMATR", XV55IF_SPMATR, 16, [] {
                      BlockBuilder b;
                      b.reals(std::vector<double>(6, 1.0), {2, 3});
                      b.reals({1, 1, 1});
                      b.outputs(2);
                      return b;
                    }};
  for (std::int64_t k = 1; k <= 9; ++k)
    product.inputs.push_back({std::string("m").append(std::to_string(k)), k, -5, 5});
  all.push_back(product);

  for (double pdriven : {0.0, 1.0}) {
    Procedure p{pdriven == 0.0 ? "SPPMIN_lowest" : "SPPMIN_driven", XV55IF_SPPMIN, 17, [=] {
                  BlockBuilder b;
                  b.reals({10, 20, 30});
                  b.real(pdriven);
                  b.output();
                  return b;
                }};
    p.inputs = {{"p1", 1, 1, 100}, {"p2", 2, 1, 100}, {"p3", 3, 1, 100}};
    p.branches = {{1, [](const Point& x) { return x[0]; }},
                  {2, [](const Point& x) { return x[0]; }},
                  {2, [](const Point& x) { return x[1]; }}};
    p.switches = {4};
    all.push_back(p);
  }

  // 20 and 5000 US gallons (3.785411784 l) per minute in m3/h; 4.137e7 Pa in bar.
  Procedure efficiency{"SPEFFP", XV55IF_SPEFFP, 18, [] { return scalars({0, 0, 0}); }};
  efficiency.inputs = {
      {"Q", 1, 0.5, 5000, Spread::Log}, {"P2", 2, 1, 100}, {"P", 3, 1, 2000, Spread::Log}};
  for (double gpm : {20.0, 5000.0}) {
    efficiency.branches.push_back({0, [gpm](const Point&) { return gpm * 3.785411784e-3 * 60; }});
  }
  efficiency.branches.push_back({2, [](const Point&) { return 413.7; }});
  all.push_back(efficiency);

  Procedure power{"SPPSPC", XV55IF_SPPSPC, 19, [] { return scalars({0, 0, 0, 0}); }};
  power.inputs = {{"W", 1, 10, 500}, {"PIN", 2, 1, 60}, {"PMAX", 3, 40, 100}, {"DP", 4, 5, 50}};
  power.branches = {{1, [](const Point& x) { return x[2] - x[3]; }}};
  all.push_back(power);

  const Curves pumps = affinity({1200, 800, 1000}, 1000, {80, 60, 40, 20, 0}, 100, 0.01);
  all.push_back(pump("SPPUMPCURVE_Harwell", "Tabular data", pumps, "Harwell", 21));
  all.push_back(pump("SPPUMPCURVE_Hermite", "Tabular data", pumps, "Hermite", 22));
  const Curves one = affinity({1000}, 1000, {0, 30, 45, 70, 90}, 100, 0.01);
  all.push_back(pump("SPPUMPCURVE_natural_one", "Tabular data", one, "Natural", 23));
  Curves cubic{{2000, 1000, 1500},
               {},
               {},
               {{120, 0.5, -0.02, 1e-4}, {30, 0.2, -0.01, 0}, {70, 0.3, -0.015, 5e-5}}};
  all.push_back(pump("SPPUMPCURVE_polynomials", "Polynomials", cubic, "", 24));

  const Curves machine = affinity({8000, 10000, 12000}, 10000, {20, 40, 60, 80, 100}, 50, 0.002);
  const std::vector<double> surge = {15, 20, 25}, stone = {90, 110, 130};
  all.push_back(compressor("SPPCURVE_tabular_No", "Tabular data", machine, "No", surge, stone, 31));
  all.push_back(
      compressor("SPPCURVE_tabular_Yes", "Tabular data", machine, "Yes", surge, stone, 32));
  const Curves single = affinity({10000}, 10000, {20, 50, 80, 100}, 50, 0.002);
  Procedure lone =
      compressor("SPPCURVE_tabular_one", "Tabular data", single, "Yes", {20}, {110}, 33);
  // Beyond the last point the value falls with slope -1 to 0: at 100 + (50 - 20).
  lone.branches.push_back({1, [](const Point&) { return 130.0; }});
  all.push_back(lone);
  all.push_back(
      compressor("SPPCURVE_polynomials_No", "Polynomials", cubic, "No", surge, stone, 34));
  Curves extended{{10000}, {}, {}, {{10, 2e-3, 1e-7, 0.3, -4e-3, 5e3, -2e3, -1e-8}}};
  extended.ncoef = 8;
  all.push_back(
      compressor("SPPCURVE_extended_No", "Extended Polynomials", extended, "No", {20}, {0}, 35));
  all.push_back(section());
  return all;
}

const std::vector<Procedure>& swept() {
  static const std::vector<Procedure> all = describeAll();
  return all;
}

class Sweep : public ::testing::TestWithParam<std::size_t> {
 protected:
  void SetUp() override {
    refhost::reset();
    options.printing = 0;
    const InitBlock block{1, &printer, &options, 0};
    QRInitialize(&block);
  }
  void TearDown() override {
    const InitBlock none{1, nullptr, nullptr, 0};
    QRInitialize(&none);
  }
  xv55::testing::CapturePrinter printer;
  xv55::testing::MarkerHandler options;
};

TEST_P(Sweep, AnalyticDerivativesAgreeWithCentralDifferences) {
  const Procedure& p = swept()[GetParam()];
  ::testing::internal::CaptureStdout();  // SPPMIN traces every call
  const Tally t = run(p);
  ::testing::internal::GetCapturedStdout();
  EXPECT_GE(t.valid, 200) << t.refused << " points refused";
  EXPECT_LT(static_cast<double>(t.kinks), 0.05 * static_cast<double>(t.elements))
      << "too many kinks to be kinks";
  EXPECT_EQ(refhost::liveBlocks(), 0);
  std::string shown;
  for (std::size_t k = 0; k < std::min<std::size_t>(t.failures.size(), 8); ++k) {
    shown += t.failures[k] + "\n";
  }
  std::cout << p.name << ": " << t.valid << " points, " << t.refused << " refused, " << t.kinks
            << " kinks, " << t.singular << " singular, " << t.failures.size() << " failures\n";
  EXPECT_TRUE(t.failures.empty()) << t.failures.size() << " failures, first:\n" << shown;
}

INSTANTIATE_TEST_SUITE_P(Procedures, Sweep, ::testing::Range<std::size_t>(0, swept().size()),
                         [](const auto& info) { return swept()[info.param].name; });

// Whether a body takes the derivative matrix.
template <class F>
struct TakesJacobian;
template <class R, class... A>
struct TakesJacobian<R(A...)> {
  static constexpr bool value = (std::is_same_v<std::remove_cvref_t<A>, Jacobian> || ...);
};

TEST(SweepCoverage, EveryProcedureThatTakesTheDerivativeMatrixIsSwept) {
#define XV55_SWEEP_ROW(NAME, BODY, AFTER) {#NAME, TakesJacobian<decltype(xv55::BODY)>::value},
  const std::pair<std::string, bool> rows[] = {
      XV55_NUMERICS_PROCEDURES(XV55_SWEEP_ROW) XV55_CURVES_PROCEDURES(XV55_SWEEP_ROW)
          XV55_PROPERTIES_PROCEDURES(XV55_SWEEP_ROW) XV55_PIPE_PROCEDURES(XV55_SWEEP_ROW)
              XV55_HYDRAULICS_PROCEDURES(XV55_SWEEP_ROW) XV55_KINETICS_PROCEDURES(XV55_SWEEP_ROW)
                  XV55_EQUILIBRIUM_PROCEDURES(XV55_SWEEP_ROW)};
#undef XV55_SWEEP_ROW
  for (const auto& row : rows) {
    const std::string& name = row.first;
    const bool described = std::any_of(swept().begin(), swept().end(), [&](auto& p) {
      return p.name == name || p.name.rfind(name + "_", 0) == 0;
    });
    EXPECT_EQ(described, row.second) << name;
  }
}

}  // namespace
