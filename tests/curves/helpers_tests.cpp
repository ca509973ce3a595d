// pPSpec, the valve flow coefficient, junction pressure, field units and pump
// efficiency.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "curve_blocks.hpp"

namespace {

using namespace xv55;
using namespace xv55::testing;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

BlockBuilder reals(std::vector<double> inputs, int outputs, std::size_t work = 0) {
  BlockBuilder b;
  for (double v : inputs) b.real(v);
  for (int k = 0; k < outputs; ++k) b.output(-1.0);
  b.work.assign(work, 0.0);
  return b;
}

using Helpers = CurveTest;

// WOUT = W when PMAX - DP > PIN, else (PMAX - PIN) W / DP kept within [0, W]; the
// rows (dW, dPIN, dPMAX, dDP) are those of the formula used, zero where clamped.
TEST_F(Helpers, PowerIsReducedToKeepTheOutletAtItsMaximumWithAWarningPerMarker) {
  const auto reduced = [](const char* to, const char* pmax) {
    return Lines{
        " ", std::string("pPSpec-W-Power has been reduced from 100.0 kW to ") + to + " kW to keep",
        std::string(" outlet pressure below ") + pmax + " bar"};
  };
  const auto row = [](BlockBuilder& b) {
    return std::vector<double>{b.out(1), b.derivative(1, 1), b.derivative(1, 2), b.derivative(1, 3),
                               b.derivative(1, 4)};
  };
  BlockBuilder free = reals({100, 10, 50, 20}, 1, 1);
  EXPECT_EQ(call(free, XV55IF_SPPSPC, 4), Lines{});
  EXPECT_EQ(row(free), (std::vector<double>{100, 1, 0, 0, 0}));
  BlockBuilder b = reals({100, 40, 50, 20}, 1, 1);
  EXPECT_EQ(call(b, XV55IF_SPPSPC, 4), reduced("50.00", "50.00"));
  // 10/20 of W; dPMAX = W/DP, dDP = -(PMAX - PIN) W / DP^2.
  EXPECT_EQ(row(b), (std::vector<double>{50, 0.5, -5, 5, -2.5}));
  EXPECT_EQ(std::vector<double>({b.work[0], static_cast<double>(b.status)}),
            std::vector<double>({options.marker, 2}));
  EXPECT_EQ(call(b, XV55IF_SPPSPC, 0), Lines{});  // same marker
  options.marker = 4.0;
  EXPECT_EQ(call(b, XV55IF_SPPSPC, 3), Lines{});  // derivatives never warn
  EXPECT_EQ(call(b, XV55IF_SPPSPC, 0), reduced("50.00", "50.00"));
  BlockBuilder edge = reals({100, 30, 50, 20}, 1);  // PIN + DP = PMAX; no workspace
  EXPECT_EQ(call(edge, XV55IF_SPPSPC, 0).size(), 3u);
  EXPECT_EQ(call(edge, XV55IF_SPPSPC, 0).size(), 3u);
  EXPECT_EQ(edge.out(1), 100.0);
  // An inlet at or above PMAX leaves no power (not a negative one), also with DP = 0.
  for (const std::vector<double>& in : {std::vector<double>{100, 55, 50, 20}, {100, 50, 50, 0}}) {
    BlockBuilder none = reals(in, 1);
    EXPECT_EQ(call(none, XV55IF_SPPSPC, 4), reduced("0.000", "50.00"));
    EXPECT_EQ(row(none), (std::vector<double>{0, 0, 0, 0, 0}));
  }
  BlockBuilder nan = reals({100, 40, kNaN, 20}, 1, 1);
  EXPECT_EQ(call(nan, XV55IF_SPPSPC, 4), Lines{});
  EXPECT_TRUE(std::isnan(nan.out(1)) && std::isnan(nan.derivative(1, 4)));
}

double valve(std::int64_t n, std::vector<double> pos, std::vector<double> cv, double x,
             std::int64_t bound = 0, std::int64_t* status = nullptr) {
  BlockBuilder b;
  b.integer(n);
  b.reals(pos, {std::ssize(pos)});
  b.reals(cv, {std::ssize(cv)});
  for (double v : {x, 0.0, 0.0}) b.real(v);
  b.integer(bound);
  b.output(-5.0);
  b.call(XV55IF_SPVALVE);
  for (std::size_t k = 0; k < pos.size(); ++k) {
    const double in = b.inputCell(2 + k).real;
    EXPECT_TRUE(in == pos[k] || (std::isnan(in) && std::isnan(pos[k])));
  }
  if (status != nullptr) *status = b.status;
  return b.out(1);
}

TEST_F(Helpers, ValveIsAPointLineParabolaOrTheHostSplineWithClosedValveAndLowerBound) {
  EXPECT_EQ(valve(1, {0.5}, {12}, 0.9), 12.0);
  EXPECT_DOUBLE_EQ(valve(2, {0, 100}, {0, 50}, 150), 75.0);  // extended beyond the table
  for (double x : {25.0, 120.0}) {  // y = 0.004 x^2 through the three points
    EXPECT_NEAR(valve(3, {0, 50, 100}, {0, 10, 40}, x), 0.004 * x * x, 1e-12) << x;
  }
  std::vector<double> pos, cv;  // an equal-percentage characteristic
  for (int k = 0; k <= 60; ++k)
    pos.push_back(k / 60.0), cv.push_back(200 * std::pow(30, k / 60.0 - 1));
  // More points: the host's spline (method 2) evaluated within -R1 .. R1.
  valve(61, pos, cv, 0.77);
  EXPECT_EQ(refhost::lastCall("ZMTH_SPLINE").integers, (std::vector<std::int64_t>{61, 2}));
  EXPECT_EQ(refhost::lastCall("PPPETM_PCINTP").reals, (std::vector<double>{0.77, -1e35, 1e35}));
  refhost::setGlobal(1, 50.0);
  EXPECT_EQ(valve(61, pos, cv, 1.0), 50.0);                  // within the no-value bound
  EXPECT_EQ(valve(3, {0, 1, 2}, {1e35, 1, 2}, 0.5), -5.0);   // unset table: left as it was
  EXPECT_DOUBLE_EQ(valve(40, {0, 1, 2}, {1, 2}, 0.5), 1.5);  // only the declared points
  EXPECT_EQ(valve(2, {-1, 1}, {10, 20}, 0.0, 1), 0.0);       // closed
  EXPECT_TRUE(printer.lines.empty());
  EXPECT_EQ(valve(2, {0, 1}, {0, 1e-6}, 0.5, 1), 1e-6);  // raised to the bound, with a note
  EXPECT_EQ(printer.lines, (Lines{" SPVALVE-I-The Calculated valve flow coeff 5e-07 is ",
                                  "           less than the lower bound of 1e-06.",
                                  "           The valve flow coeff is set to the lower bound."}));
  EXPECT_EQ(printer.severities, (std::vector<std::int32_t>{1}));
  EXPECT_DOUBLE_EQ(valve(2, {0, 1}, {0, 1}, -0.5, 2), -0.5);  // no rule, no bound
}

TEST_F(Helpers, AValveTableWithANonFiniteEntryIsRefusedByNameAndTheOutputKept) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const struct {
    std::vector<double> pos, cv;
    std::string entry;  // as the message names it
  } cases[] = {
      {{0, kNaN}, {1, 2}, "POS(2) of the valve characteristic is nan"},
      {{0, 1, 2}, {-kInf, 1, 2}, "CV(1) of the valve characteristic is -inf"},
      {{0, 1, 2}, {kInf, 1, 2}, "CV(1) of the valve characteristic is inf"},  // not "unset"
      {{0, 1, 2, 3, 4}, {1, 2, 3, kNaN, 5}, "CV(4) of the valve characteristic is nan"},
  };
  for (const auto& c : cases) {
    printer.clear();
    std::int64_t status = 0;
    EXPECT_EQ(valve(std::ssize(c.pos), c.pos, c.cv, 0.5, 1, &status), -5.0) << c.entry;
    EXPECT_EQ(status, 4);
    EXPECT_EQ(printer.lines, (Lines{" SPVALVE-E-Entry " + c.entry + ", not a finite number.",
                                    "           The valve flow coeff is left unchanged."}));
    EXPECT_EQ(printer.severities, (std::vector<std::int32_t>{4}));
  }
  // Entries that are not read are not checked: past N, or behind an unset table.
  std::int64_t status = 0;
  EXPECT_EQ(valve(2, {0, 1, kNaN}, {0, 1, kNaN}, 0.5, 0, &status), 0.5);
  EXPECT_EQ(valve(3, {0, 1, kNaN}, {1e35, 1, kNaN}, 0.5, 0, &status), -5.0);
  EXPECT_EQ(status, 0);
}

TEST(JunctionPressure, LowestOrLastInletWithItsDerivativeAndATrace) {
  auto run = [](std::vector<double> pins, double pdriven, std::int64_t mode, std::string* trace) {
    BlockBuilder b;
    b.reals(pins, {std::ssize(pins)});
    b.real(pdriven);
    b.output(-1.0);
    ::testing::internal::CaptureStdout();
    b.call(XV55IF_SPPMIN, mode);
    *trace = ::testing::internal::GetCapturedStdout();
    return b;
  };
  std::string trace;
  BlockBuilder ties = run({5, 3, 3, 7}, 0.0, 4, &trace);
  EXPECT_EQ(trace, "Inputs:\n  pins dimensioned as 4\n   pins = 5 3 3 7\n   pdriven = 0\n" +
                       std::string(53, '=') + "\nOutputs:\n   POUT = 3\n");
  EXPECT_EQ(std::vector<double>({ties.out(1), ties.derivative(1, 1), ties.derivative(1, 2),
                                 ties.derivative(1, 3), ties.derivative(1, 5)}),
            std::vector<double>({3, 0, 1, 0, 0}));           // dPOUT/dpins: the first lowest
  BlockBuilder driven = run({5, 3, 3, 7}, -0.0, 3, &trace);  // only +0.0 takes the lowest
  EXPECT_EQ(std::vector<double>({driven.out(1), driven.derivative(1, 2), driven.derivative(1, 4)}),
            std::vector<double>({-1, 0, 1}));
  EXPECT_NE(trace.find("   POUT = -1\n"), std::string::npos);
  EXPECT_EQ(run({}, 0.0, 4, &trace).out(1), 1e30);
  EXPECT_TRUE(std::isnan(run({5, kNaN, 7}, 0.0, 0, &trace).out(1)));
}

TEST(FieldUnits, MetricQuantitiesInFieldUnits) {
  BlockBuilder b =
      reals({1, 3.048, 1, 100, 0.3048, 1, 2, 1, 1488, 14.88, 1000, 10, 6894.7573, 459.67}, 11);
  b.call(XV55IF_SPPCONV);
  const std::vector<double> want = {1 / 0.3048, 10,     1, 671.67, 1,       62.428,
                                    124.856,    62.428, 1, 0.01,   22.04634};
  for (std::int64_t k = 1; k <= 11; ++k) EXPECT_DOUBLE_EQ(b.out(k), want[k - 1]) << k;
}

TEST(PumpEfficiency, LogarithmicInFlowBetween20And5000GallonsPerMinute) {
  refhost::reset();
  auto efficiency = [](double m3s) {
    const double l = std::log(m3s) + 9.670945162;
    return -0.31609348 + l * (0.24012299 - 0.011988872 * l);
  };
  auto effp = [](double q, double p) {
    BlockBuilder b = reals({q, 1.0, p}, 1);
    b.call(XV55IF_SPEFFP, 4);
    return b;
  };
  const double q = 100.0 / 3600.0;                           // 100 m3/h in m3/s
  EXPECT_DOUBLE_EQ(effp(100, 413.7).out(1), efficiency(q));  // 4.137e7 Pa: the correlation
  EXPECT_EQ(refhost::lastCall("GPPRES").reals, (std::vector<double>{413.7}));
  for (auto [flow, end] : {std::pair{1.0, 0.001261803933}, std::pair{5000.0, 0.3154509834}}) {
    EXPECT_DOUBLE_EQ(effp(flow, 5).out(1), efficiency(end)) << flow;  // clamped, no slope
    EXPECT_EQ(effp(flow, 5).derivative(1, 1), 0.0) << flow;
  }
  EXPECT_EQ(std::vector<double>({effp(100, 414).out(1), effp(100, 414).derivative(1, 1)}),
            std::vector<double>({0.9, 0}));
  EXPECT_TRUE(std::isnan(effp(kNaN, 5).out(1)) && std::isnan(effp(100, HUGE_VAL).out(1)));
}

}  // namespace
