// A pumped transfer line between two tanks, solved by KINSOL (steady state) and
// IDA (transient) with residuals and Jacobians taken from the procedures' blocks.
//
//   feed header --(sqrt law)--> tank 1 --pump--> pipe (rises `lift`) --> valve --> tank 2
//   tank 2 --(sqrt law)--> drain
//
// Unknowns: tank 1 level h1 (m), flow Q (m3/h), pump discharge P1 (bar), valve inlet
// P2 (bar), tank 2 level h2 (m).  Residuals, in the same order: tank 1 balance (m3/h),
// pump (bar), pipe (bar), valve (m3/h), tank 2 balance (m3/h).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "xv55/host/objects.hpp"
#include "xv55/testing/block_builder.hpp"

namespace transfer {

enum Unknown { kLevel1, kFlow, kDischarge, kValveInlet, kLevel2, kUnknowns };
constexpr int kN = kUnknowns;
using State = std::array<double, kN>;
using Matrix = std::array<std::array<double, kN>, kN>;  // [row][column]

struct Plant {
  double density = 1000.0;          // kg/m3
  double viscosity = 1.0;           // cP
  double atmosphere = 1.01325;      // bar
  double area1 = 0.5, area2 = 0.8;  // tank cross-sections, m2
  double feedHead = 7.0;            // feed header level above the tank 1 bottom, m
  double feedCoefficient = 40.0;    // feed: Qin = k sqrt(feedHead - h1), m3/h per sqrt(m)
  double drainCoefficient = 30.0;   // drain: Qout = k sqrt(h2), m3/h per sqrt(m)
  double diameter = 0.1;            // pipe inside diameter, m
  double length = 400.0;            // pipe length, m
  double lift = 15.0;               // the pipe's rise from the pump to the valve, m
  double roughness = 4.5e-4;        // relative roughness
  double ratedPower = 45.0;         // driver power at full pressure rise, kW
  double maxDischarge = 9.0;        // the driver is cut back above this discharge, bar
};

// The two handles the operator moves.
struct Settings {
  double speed = 2600.0;  // rpm
  double valve = 80.0;    // % open
};

// Collects the library's messages; `echo` also prints them.
class Printer final : public xv55::XvPrinter {
 public:
  void writeLine(const char* line) override;
  void endMessage(std::int32_t severity) override;
  std::vector<std::string> messages;
  std::vector<int> severities;
  bool echo = false;

 private:
  std::string current_;
};

// Answers option 20 (printing allowed: only on a reporting pass) and option 31 (the
// solver-pass marker).
class Options final : public QSMOptionsHandler {
 public:
  std::int32_t request(std::int32_t code, std::int64_t* intResult, double* valueResult,
                       const char** textResult) override;
  std::int64_t printing = 0;
  double marker = 1.0;
};

// One call site: its own block and workspace, set up once.
struct Site {
  xv55::BlockBuilder block;
  Xv55Entry entry = nullptr;
  // Values and derivatives, the host's derivative elements zero; false on status 4.
  bool call();
  double value(std::int64_t row) { return block.out(row); }
  double slope(std::int64_t row, std::int64_t column) const {
    return block.derivative(row, column);
  }
  void set(std::int64_t column, double v) { block.inputCell(column).real = v; }
};

// The model installs its printer and options handler in the library while it exists;
// one model at a time.
class Model {
 public:
  explicit Model(const Plant& plant = {});
  ~Model();
  Model(const Model&) = delete;
  Model& operator=(const Model&) = delete;

  // F(y, y') with y' the level rates (m/s); zero rates give the steady-state system.
  // False when a procedure failed (status 4): the solvers then try a smaller step.
  bool residual(const State& y, const State& rates, const Settings& u, State& f);
  // dF/dy + cj dF/dy' at y, from the procedures' derivatives.
  bool jacobian(const State& y, const Settings& u, double cj, Matrix& jac);
  // Tank inflow and outflow (m3/h) and whether the driver was cut back, at the last point.
  double inflow() const { return inflow_; }
  double outflow() const { return outflow_; }
  double inflowSlope() const;   // dQin/dh1
  double outflowSlope() const;  // dQout/dh2
  bool limited() const { return limited_; }
  // A reporting pass: the next marker, printing allowed, one evaluation.
  void reportingPass(const State& y, const Settings& u);

  const Plant plant;
  Printer printer;
  Options options;
  long residualCalls = 0;

 private:
  // The blocks of the procedures the model calls, each set up once.
  void setUpRoots();
  void setUpPump();
  void setUpPower();
  void setUpPipe();
  void setUpValve();
  bool evaluate(const State& y, const Settings& u);
  Site feed_, drain_, pump_, power_, pipe_, valve_, root_;
  std::int64_t pumpFlow_ = 0, pumpSpeed_ = 0, valvePosition_ = 0;
  std::int64_t pipeVelocity_ = 0, pipePressure_ = 0;
  std::int64_t powerRated_ = 0, powerInlet_ = 0, powerMax_ = 0, powerRise_ = 0;
  double inflow_ = 0, outflow_ = 0, head_ = 0, rise_ = 0, applied_ = 0, cv_ = 0;
  bool limited_ = false;
};

// KINSOL on the steady-state system.
struct SteadyResult {
  State y{};
  int flag = 0;
  long iterations = 0;
  std::vector<State> iterates;      // the point of every Newton iteration, the start first
  std::vector<double> normHistory;  // scaled residual norm at each of them, then the last
};
SteadyResult solveSteady(Model& model, const Settings& u, const State& start,
                         bool analyticJacobian = true);
State coldStart(const Plant& plant);

// IDA from a steady state: the valve closes from 80 % to 20 % between 10 and 20 s, the
// speed falls from `speed` to `lowSpeed` between 300 and 310 s; one reporting pass per
// output interval.
struct Sample {
  double t, valve, speed, level1, level2, flow, inflow, outflow, discharge, valveInlet;
  double volume;     // change of the two tanks' liquid volume since t = 0, m3
  double exchanged;  // integral of inflow - outflow since t = 0, m3
  bool limited;
};
struct TransientResult {
  std::vector<Sample> samples;
  int flag = 0;
  long steps = 0;
  long passes = 0;
};
Settings schedule(double t, double speed, double lowSpeed);
TransientResult runTransient(Model& model, const State& steady, double speed, double lowSpeed,
                             double end, double interval);

}  // namespace transfer
