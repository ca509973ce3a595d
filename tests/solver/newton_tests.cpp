// Newton's method on a pumped line, with a Jacobian built only from the procedures'
// derivative matrices: a pump curve (two speed lines), a pipe section ("Darcy") and
// a control valve whose flow law takes the signed square root.  Unknowns: the flow
// Q (m3/h) and the pressures P1 after the pump and P2 before the valve (bar).
//
//   pump   P1 - P0 - rho g H(Q, N) = 0
//   pipe   P1 - P2 - rho g dz - dP_friction(v, P1) - dP_acceleration(v, P1) = 0,  v = Q/A
//   valve  Q - Cv(x) sqrt((P2 - P3)/SG) = 0                                   (SG = rho/1000)
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <tuple>
#include <utility>
#include <vector>

#include "xv55/refhost/control.hpp"
#include "xv55/testing/block_builder.hpp"
#include "xv55/xv55.h"

namespace {

using xv55::BlockBuilder;
using Vec = std::array<double, 3>;  // Q, P1, P2

constexpr double kG = 9.80665, kP0 = 1.5, kP3 = 1.0;       // m/s2; suction and delivery, bar
constexpr double kD = 0.1, kLength = 500.0, kRise = 10.0;  // m
constexpr double kArea = std::numbers::pi * kD * kD / 4.0;
constexpr double kRoughness = 4.5e-4;
constexpr double kCv = 60.0;  // the valve table (0, 0), (1, 100) at position 0.6, by hand
// Head (m) at 1450 and 2900 rpm: c1 + c2 Q + c3 Q^2 + c4 Q^3, Q in m3/h.
constexpr double kCoef[2][4] = {{15.0, 0.025, -0.004, 0.0}, {60.0, 0.05, -0.004, 0.0}};
constexpr double kSpeed = 2400.0;

// The library derivative left out of the Jacobian (set to 0), if any.
enum class Drop { None, PumpByFlow, PipeByVelocity, RootByArgument };

struct Line {
  double rho, viscosity, cv = 0.0;  // kg/m3, cP; the valve's flow coefficient
  BlockBuilder pump, pipe, root;
  std::int64_t flowColumn = 0, velocityColumn = 0, pressureColumn = 0;

  Line(double density, double centipoise) : rho(density), viscosity(centipoise) {
    pump.text("Polynomials");
    for (std::int64_t n : {2, 2}) pump.integer(n);  // NC, NP
    pump.integers(std::vector<std::int64_t>{0, 0}, {2});
    pump.real(kSpeed);
    pump.reals(std::vector<double>{1450.0, 2900.0}, {2});
    for (int table = 0; table < 2; ++table) pump.reals(std::vector<double>(4, 0.0), {2, 2});
    std::vector<double> coef;  // COEF(curve, k), first index fastest
    for (int k = 0; k < 4; ++k) coef.insert(coef.end(), {kCoef[0][k], kCoef[1][k]});
    pump.reals(coef, {2, 4});
    flowColumn = pump.real(0.0);
    pump.text("Harwell");
    pump.output();
    pump.work.assign(18, 0.0);
    pump.call(XV55IF_SPPUMPCURVE, 1);  // set-up, once
    for (double v : {kD, kLength, 1.0, std::asin(kRise / kLength), kRoughness}) pipe.real(v);
    velocityColumn = pipe.real(0.0);
    pressureColumn = pipe.real(0.0);
    for (double v : {1.0, rho, 1.2, 0.07, viscosity, 0.018}) pipe.real(v);
    for (const char* name : {"none", "Darcy"}) pipe.text(name);
    for (int k = 0; k < 3; ++k) pipe.output();
    root.real(0.0);
    root.output();
    BlockBuilder valve;  // the valve's position stays fixed: one call
    valve.integer(2);
    for (const auto& table : {std::vector<double>{0.0, 1.0}, std::vector<double>{0.0, 100.0}})
      valve.reals(table, {2});
    for (double v : {0.6, 0.0, 0.0}) valve.real(v);  // position, two unused inputs
    valve.integer(0);                                // no closed-valve rule or lower bound
    valve.output();
    valve.call(XV55IF_SPVALVE);
    cv = valve.out(1);
  }

  // Residuals r and Jacobian J (row-major) at u.
  std::pair<Vec, std::array<Vec, 3>> evaluate(const Vec& u, Drop drop) {
    const double toBar = rho * kG * 1e-5, sg = rho / 1000.0, dvdQ = 1.0 / (3600.0 * kArea);
    pump.inputCell(flowColumn).real = u[0];
    pump.call(XV55IF_SPPUMPCURVE, 4);
    pipe.inputCell(velocityColumn).real = u[0] * dvdQ;
    pipe.inputCell(pressureColumn).real = u[1];
    pipe.call(XV55IF_SPPINT, 4);
    root.inputCell(1).real = (u[2] - kP3) / sg;
    root.call(XV55IF_SPSQRT, 4);
    const auto d = [drop](const BlockBuilder& b, Drop which, std::int64_t i, std::int64_t j) {
      return drop == which ? 0.0 : b.derivative(i, j);
    };
    const double dHdQ = d(pump, Drop::PumpByFlow, 1, flowColumn);
    const double dLossdv =
        d(pipe, Drop::PipeByVelocity, 2, velocityColumn) + pipe.derivative(3, velocityColumn);
    const double dLossdP = pipe.derivative(2, pressureColumn) + pipe.derivative(3, pressureColumn);
    const double dSdx = d(root, Drop::RootByArgument, 1, 1);
    const Vec r{u[1] - kP0 - toBar * pump.out(1),
                u[1] - u[2] - toBar * kRise - pipe.out(2) - pipe.out(3), u[0] - cv * root.out(1)};
    return {r,
            {Vec{-toBar * dHdQ, 1.0, 0.0}, Vec{-dLossdv * dvdQ, 1.0 - dLossdP, -1.0},
             Vec{1.0, 0.0, -cv * dSdx / sg}}};
  }
};

double det(const std::array<Vec, 3>& a) {
  return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
         a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
         a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
}

Vec solve3(const std::array<Vec, 3>& a, const Vec& b) {  // Cramer's rule
  Vec x{};
  for (int j = 0; j < 3; ++j) {
    std::array<Vec, 3> m = a;
    for (int i = 0; i < 3; ++i) m[i][j] = b[i];
    x[j] = det(m) / det(a);
  }
  return x;
}

// Newton iterates from the cold start: a trickle of flow, both pressures at suction.
std::vector<Vec> newton(Line& line, Drop drop, int steps = 40) {
  std::vector<Vec> u{{1.0, kP0, kP0}};
  for (int k = 0; k < steps; ++k) {
    const auto [r, J] = line.evaluate(u.back(), drop);
    const Vec step = solve3(J, r);
    Vec next = u.back();
    for (int i = 0; i < 3; ++i) next[i] -= step[i];
    u.push_back(next);
  }
  return u;
}

// Distance of each iterate to the solution: the sum of the relative differences.
std::vector<double> errors(const std::vector<Vec>& u, const Vec& solution) {
  std::vector<double> e;
  for (const Vec& x : u) {
    double sum = 0.0;
    for (int i = 0; i < 3; ++i) sum += std::fabs(x[i] - solution[i]) / solution[i];
    e.push_back(std::isnan(sum) ? HUGE_VAL : sum);
  }
  return e;
}

// Converged, and each error below C times the previous squared once within 5 % (down
// to rounding), over at least two steps.
bool quadratic(const std::vector<double>& e, double c = 20.0) {
  int checked = 0;
  for (std::size_t k = 0; k + 1 < e.size(); ++k) {
    if (e[k] > 5e-2 || e[k + 1] < 1e-13) continue;
    if (e[k + 1] > c * e[k] * e[k]) return false;
    ++checked;
  }
  return e.back() < 1e-13 && checked >= 2;
}

// Darcy-Weisbach, bar, with f = 64/Re or the root of Colebrook's equation (bisection).
// The library stops Colebrook at a step of 1 % (0.5 % allowed here) and works in field
// units (2e-4 allowed in laminar flow).
double handPipeLoss(double q, double rho, double centipoise) {
  const double v = q / 3600.0 / kArea, re = rho * v * kD / (centipoise * 1e-3);
  double lo = 1e-3, hi = 1e3;  // x = 1/sqrt(f)
  for (int i = 0; i < 200; ++i) {
    const double x = 0.5 * (lo + hi);
    (x > 1.74 - 2.0 * std::log10(2.0 * kRoughness + 18.7 * x / re) ? hi : lo) = x;
  }
  const double f = re <= 2500.0 ? 64.0 / re : 4.0 / ((lo + hi) * (lo + hi));
  return f * kLength / kD * rho * v * v / 2.0 * 1e-5;
}

TEST(Newton, PumpedLineConvergesQuadraticallyOnTheLibrarysDerivativesAlone) {
  // Density, viscosity (cP) and the allowance of the pipe loss by hand.
  for (const auto& [name, rho, centipoise, allowance] :
       {std::tuple{"water, turbulent", 998.0, 1.0, 5e-3},
        std::tuple{"oil, laminar", 900.0, 500.0, 2e-4}}) {
    SCOPED_TRACE(name);
    xv55::refhost::reset();
    Line line(rho, centipoise);
    const std::vector<Vec> u = newton(line, Drop::None);
    const Vec x = u.back();
    for (double r : line.evaluate(x, Drop::None).first) EXPECT_LT(std::fabs(r), 1e-12);
    EXPECT_TRUE(quadratic(errors(u, x)));
    // The operating point by hand: the head interpolated in speed, Darcy-Weisbach.
    const auto head = [&](int c) {
      return ((kCoef[c][3] * x[0] + kCoef[c][2]) * x[0] + kCoef[c][1]) * x[0] + kCoef[c][0];
    };
    const double h = head(0) + (kSpeed - 1450.0) / 1450.0 * (head(1) - head(0));
    EXPECT_NEAR(x[1] - kP0, rho * kG * h * 1e-5, 1e-10);
    const double loss = x[1] - x[2] - rho * kG * kRise * 1e-5;
    const double hand = handPipeLoss(x[0], rho, centipoise);
    EXPECT_NEAR(loss, hand, allowance * hand);
    EXPECT_DOUBLE_EQ(line.cv, kCv);
    EXPECT_NEAR(x[0], kCv * std::sqrt((x[2] - kP3) * 1000.0 / rho), 1e-10);
    for (Drop drop : {Drop::PumpByFlow, Drop::PipeByVelocity, Drop::RootByArgument})
      EXPECT_FALSE(quadratic(errors(newton(line, drop), x))) << static_cast<int>(drop);
  }
}

}  // namespace
