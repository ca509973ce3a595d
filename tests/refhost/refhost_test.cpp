// The reference host: units, data store, error facility, splines and the control interface.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "support/capture_printer.hpp"
#include "xv55/host/data_management.h"
#include "xv55/host/flash_monitors.h"
#include "xv55/host/numerics.h"
#include "xv55/host/property_system.h"
#include "xv55/refhost/control.hpp"

namespace {

namespace rh = xv55::refhost;
using xv55::host::plex;
using Reals = std::vector<double>;
using Lines = std::vector<std::string>;
using UnitService = double (*)(const double*, const std::int64_t*, const std::int64_t*);

// Each unit service with a value in model units (set 1) and one in English units (set 2),
// and what they are in SI (set 3); English factors from 1 ft = 0.3048 m, 1 lb = 0.45359237
// kg, 1 lbf = 1 lb x 9.80665 m/s2, 1 in = 0.0254 m, 1 Btu/lb = 2326 J/kg.
struct UnitCase {
  const char* name;
  UnitService service;
  double model, modelSi, field, fieldSi;
};
const UnitCase kUnits[] = {{"GPTEMP", GPTEMP, 0.0, 273.15, 212.0, 373.15},
                           {"GPPRES", GPPRES, 1.0, 1.0e5, 1.0, 6894.757293168361},
                           {"GPMFLO", GPMFLO, 3600.0, 1.0, 3600.0, 0.45359237},
                           {"GPMASS", GPMASS, 1.0, 1.0, 1.0, 0.45359237},
                           {"GPVOL", GPVOL, 1.0, 1.0, 1.0, 0.028316846592},
                           {"GPLEN", GPLEN, 1.0, 1.0, 1.0, 0.3048},
                           {"GPMRHO", GPMRHO, 1.0, 1.0, 1.0, 16.018463373960138},
                           {"GPRHO", GPRHO, 1.0, 1.0, 1.0, 16.018463373960138},
                           {"GPSPH", GPSPH, 1.0, 1.0e6, 1.0, 2326.0}};

struct Block {
  std::int64_t handle = -1, base = -1;
};
Block allocate(std::int64_t count, bool integer = false) {
  Block b;
  (integer ? DMS_ALLOCI : DMS_ALLOCR)(&count, &b.handle, &b.base);
  return b;
}

using Check = std::pair<std::int64_t, std::int64_t>;  // DMS_IRRCHK: {returned, result}
Check check(std::int64_t severity, std::int64_t number, const char* routine = "PIP     CBR     ") {
  const std::int64_t v1 = 1, v2 = 2, v3 = 3;
  std::int64_t cell = 5, result = -1;
  const std::int64_t r = DMS_IRRCHK(routine, &severity, &number, &cell, &result, &v1, &v2, &v3, 16);
  EXPECT_EQ(cell, 5);
  return {r, result};
}

// A spline through (x, y); the coefficients past the 4 (n - 1) it may write hold -7.
struct Curve {
  Reals x, y, c;
  Curve(Reals knots, Reals values, std::int64_t method)
      : x(std::move(knots)), y(std::move(values)), c(4 * x.size() + 4, -7.0) {
    const auto n = static_cast<std::int64_t>(x.size());
    ZMTH_SPLINE(&n, y.data(), x.data(), c.data(), &method);
  }
  double at(double where, double lower = -1e300, double upper = 1e300) const {
    double r = -99.0;
    const auto n = static_cast<std::int64_t>(x.size());
    PPPETM_PCINTP(x.data(), c.data(), &where, &r, &n, &lower, &upper);
    return r;
  }
};

class Refhost : public ::testing::Test {
 protected:
  void SetUp() override { rh::reset(); }
  static double convert(UnitService f, double v, std::int64_t direction, std::int64_t set) {
    return f(&v, &direction, &set);
  }
  static std::int64_t locate(std::int64_t handle) { return DMS_LOCATR(&handle); }
  static void release(std::int64_t handle) { DMS_ATFREE(&handle); }
  static void write(int i, const char* s) { std::memcpy(DMS_ERROUT[i], s, std::strlen(s)); }
  static void issue(std::int64_t lines) { DMS_ERRPRT(&lines); }
};

TEST_F(Refhost, UnitsRoundTripInEverySetAndMatchKnownValues) {
  for (const UnitCase& u : kUnits) {
    for (std::int64_t set : {1, 2, 3}) {
      for (double v : {-40.0, 0.0, 123.456, 1.0e6}) {
        const double back = convert(u.service, convert(u.service, v, 1, set), 2, set);
        EXPECT_NEAR(back, v, 1e-12 * (1.0 + std::fabs(v))) << u.name << " set " << set;
      }
    }
    EXPECT_EQ(convert(u.service, 42.5, 1, 3), 42.5) << u.name;
    EXPECT_NEAR(convert(u.service, u.model, 1, 1), u.modelSi, 1e-14 * u.modelSi) << u.name;
    EXPECT_NEAR(convert(u.service, u.field, 1, 2), u.fieldSi, 1e-14 * u.fieldSi) << u.name;
  }
  for (int i = 0; i < 2; ++i) EXPECT_EQ(convert(GPTEMP, 12.0, 1, 9), 12.0);
  EXPECT_EQ(rh::reportLines(),
            Lines{" GPTEMP-W-Unknown unit set 9; the value is returned unchanged."});
}

TEST_F(Refhost, StoreAllocatesLocatesFreesAndReuses) {
  const Block keep = allocate(8), a = allocate(100, true);
  EXPECT_EQ(keep.handle, rh::kFirstHandle);
  EXPECT_GE(keep.base, 1);
  EXPECT_GE(a.base, keep.base + 8);
  EXPECT_EQ(DMS_LOCATI(&a.handle), a.base);
  for (std::int64_t k = 1; k <= 8; ++k) plex(keep.base + k).integer = k * 11;
  plex(a.base + 100).real = 9.0;
  release(a.handle);
  const Block b = allocate(100);
  EXPECT_EQ(b.base, a.base);
  EXPECT_NE(b.handle, a.handle);
  EXPECT_EQ(plex(b.base + 100).real, 0.0);
  const std::int64_t id = 7, bead = rh::createBead(id, 20);
  for (std::int64_t round = 0; round < 50; ++round) {  // the bases of keep and bead stay valid
    const Block t = allocate(1 + round * 37);
    for (std::int64_t k = 1; k <= 1 + round * 37; ++k) plex(t.base + k).real = -1.0;
    if (round % 3) release(t.handle);
  }
  EXPECT_EQ(locate(keep.handle), keep.base);
  EXPECT_EQ(DMS_LOCATI(&id), bead);
  for (std::int64_t k = 1; k <= 8; ++k) EXPECT_EQ(plex(keep.base + k).integer, k * 11);
  EXPECT_TRUE(rh::reportLines().empty());
}

TEST_F(Refhost, ErrorsAreCountedOneByOneAndLimited) {
  for (std::int64_t i = 1; i <= 3; ++i) EXPECT_EQ(check(2, 1), (Check{1, i}));
  rh::setErrorReportLimit(1);
  EXPECT_EQ(check(2, 1, "PIP     CBR"), (Check{0, 4}));  // trailing blanks do not count
  EXPECT_EQ(check(2, 2), (Check{1, 1}));                 // another number counts on its own
  EXPECT_EQ(check(2, 2), (Check{0, 2}));
  rh::setErrorReportLimit(0);
  EXPECT_EQ(check(1, 1, "PIP     OTHER   ").first, 0);
  rh::setErrorReportLimit(-1);
  EXPECT_EQ(check(1, 1, "PIP     OTHER   ").first, 1);
}

TEST_F(Refhost, ErrprtIssuesTrimmedLinesAndBlanksTheArea) {
  xv55::testing::ScopedCapture capture;
  const auto& printed = capture.printer;
  check(2, 1);
  write(0, "REYNOLDS NUMBER=-1.0E+00 PASSED TO COLEBROOK");
  write(1, "SINGLE-PHASE FRICTION FACTOR ROUTINE.");
  issue(2);
  EXPECT_EQ(printed.lines, (Lines{"REYNOLDS NUMBER=-1.0E+00 PASSED TO COLEBROOK",
                                  "SINGLE-PHASE FRICTION FACTOR ROUTINE."}));
  EXPECT_EQ(printed.severities, (std::vector<std::int32_t>{2, 2}));
  EXPECT_EQ(std::string(DMS_ERROUT[0], sizeof DMS_ERROUT), std::string(sizeof DMS_ERROUT, ' '));
  write(19, "LAST");
  issue(25);  // 20 lines, severity 0: no error let through since the last issue
  ASSERT_EQ(printed.lines.size(), 22u);
  EXPECT_EQ(printed.lines.back(), "LAST");
  EXPECT_EQ(printed.severities.back(), 0);
  EXPECT_EQ(rh::reportLines(), printed.lines);
}

TEST_F(Refhost, SplineMethod1ReproducesACubic) {
  auto p = [](double v) { return 2.0 - 1.5 * v + 0.75 * v * v - 0.125 * v * v * v; };
  Reals many;
  for (int i = 0; i < 700; ++i) many.push_back(0.01 * i + 0.004 * (i % 3));
  for (const Reals& x : {Reals{-1.0, 0.3, 0.4, 2.0}, {-3.0, -1.0, 0.0, 0.5, 2.5, 7.0, 7.1}, many}) {
    Reals y;
    for (double v : x) y.push_back(p(v));
    const Curve curve(x, y, ZMTH_SPLINE_CUBIC);
    for (double v = x.front() - 1.0; v <= x.back() + 1.0; v += 0.037) {
      EXPECT_NEAR(curve.at(v), p(v), 1e-9 * (1.0 + std::fabs(p(v))))
          << x.size() << " knots, x " << v;
    }
  }
}

TEST_F(Refhost, SplinesOfEveryMethodPassThroughTheirKnots) {
  const Reals x = {0.0, 0.5, 1.7, 2.0, 4.0, 4.5, 9.0}, y = {3.0, -1.0, 2.5, 2.5, 8.0, 0.0, 1.0};
  for (std::int64_t method : {1, 2, 3, 0}) {
    EXPECT_NEAR(Curve({0.0, 0.5}, {3.0, -1.0}, method).at(-1.0), 11.0, 1e-12);  // the line
    for (std::size_t n = 2; n <= x.size(); ++n) {
      const auto end = static_cast<std::ptrdiff_t>(n);
      const Curve curve({x.begin(), x.begin() + end}, {y.begin(), y.begin() + end}, method);
      for (std::size_t i = 0; i < n; ++i) {
        EXPECT_NEAR(curve.at(x[i]), y[i], 1e-12) << "method " << method << ", " << n << " points";
      }
      EXPECT_EQ(curve.c[4 * (n - 1)], -7.0);
      if (method == 3 || method == 0) {  // natural: no curvature at either end
        EXPECT_NEAR(curve.c[2], 0.0, 1e-9);
        EXPECT_NEAR(curve.c[4 * n - 6] + 3.0 * curve.c[4 * n - 5], 0.0, 1e-9);
      }
    }
  }
}

TEST_F(Refhost, SplineEvaluationExtrapolatesTheEndCubicsAndClips) {
  const Curve curve({0.0, 1.0, 2.0}, {0.0, 1.0, 4.0}, ZMTH_SPLINE_CUBIC);  // y = x^2
  EXPECT_NEAR(curve.at(-2.0), 4.0, 1e-12);
  EXPECT_NEAR(curve.at(3.0), 9.0, 1e-12);
  EXPECT_EQ(curve.at(3.0, 0.0, 5.0), 5.0);
  EXPECT_EQ(curve.at(-2.0, 4.5, 8.0), 4.5);
  EXPECT_EQ(Curve({}, {}, 1).at(3.0, -1.0, 2.0), -99.0);       // no points: result untouched
  EXPECT_EQ(Curve({1.0}, {5.0}, 1).at(3.0, -1.0, 2.0), -1.0);  // one point: only clipped
}

}  // namespace
