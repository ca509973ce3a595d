#include "transfer_line.hpp"

#include <ida/ida.h>
#include <kinsol/kinsol.h>
#include <nvector/nvector_serial.h>
#include <sunlinsol/sunlinsol_dense.h>
#include <sunmatrix/sunmatrix_dense.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <stdexcept>

#include "xv55/xv55.h"

namespace transfer {

namespace {

constexpr double kGravity = 9.80665;  // m/s2
constexpr double kPascalPerBar = 1.0e5;
constexpr double kSecondsPerHour = 3600.0;

// The feed pump's shipped curves (tools/scenarios/pump-curve.json): head (m) against
// flow (m3/h) at 1450 and 2900 rpm.
constexpr double kCurveSpeeds[2] = {1450.0, 2900.0};
constexpr double kCurveHead[2][5] = {{25.0, 24.2, 22.0, 18.3, 13.0},
                                     {100.0, 96.8, 88.0, 73.2, 52.0}};
constexpr double kCurveFlow[2][5] = {{0, 20, 40, 60, 80}, {0, 40, 80, 120, 160}};

// The control valve's characteristic: flow coefficient (m3/h at 1 bar of water)
// against opening (%).
constexpr double kValveOpening[5] = {0.0, 25.0, 50.0, 75.0, 100.0};
constexpr double kValveCoefficient[5] = {0.0, 5.0, 12.0, 28.0, 60.0};

void require(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(what);
}

}  // namespace

void Printer::writeLine(const char* line) {
  if (!current_.empty()) current_ += '\n';
  current_ += line;
}

void Printer::endMessage(std::int32_t severity) {
  if (echo) std::printf("  library (severity %d): %s\n", severity, current_.c_str());
  messages.push_back(current_);
  severities.push_back(severity);
  current_.clear();
}

std::int32_t Options::request(std::int32_t code, std::int64_t* intResult, double* valueResult,
                              const char** /*textResult*/) {
  if (code == 20) {
    *intResult = printing;
    return 0;
  }
  if (code == 31) {
    *valueResult = marker;
    return 0;
  }
  return -1;  // not answered
}

bool Site::call() {
  block.status = 0;
  block.resetDerivatives(0.0);
  block.call(entry, 4);
  return block.status != 4;
}

Model::Model(const Plant& p) : plant(p) {
  const InitBlock init{1, &printer, &options, 0};
  require(QRInitialize(&init) == 1, "QRInitialize refused the host objects");
  setUpRoots();
  setUpPump();
  setUpPower();
  setUpPipe();
  setUpValve();

  // The first evaluation sizes every block; later calls allocate nothing.
  State y{1.0, 10.0, plant.atmosphere, plant.atmosphere, 1.0};
  require(evaluate(y, Settings{}), "a procedure failed at the first evaluation");
}

// Square roots: of the heads that drive the feed and the drain flows, and of the
// valve's pressure drop.
void Model::setUpRoots() {
  for (Site* s : {&feed_, &drain_, &root_}) {
    s->entry = XV55IF_SPSQRT;
    s->block.real(1.0);
    s->block.output();
  }
}

// The pump: two tabulated curves at two speeds, interpolated by Hermite splines.
void Model::setUpPump() {
  auto& pump = pump_.block;
  pump_.entry = XV55IF_SPPUMPCURVE;
  pump.text("Tabular data");
  pump.integer(2);
  pump.integer(5);
  const std::int64_t points[2] = {5, 5};
  pump.integers(points, {2});
  pumpSpeed_ = pump.real(2900.0);
  pump.reals(kCurveSpeeds, {2});
  double head[10], flow[10];  // (curve, point), curve index fastest
  for (int c = 0; c < 2; ++c) {
    for (int k = 0; k < 5; ++k) {
      head[c + 2 * k] = kCurveHead[c][k];
      flow[c + 2 * k] = kCurveFlow[c][k];
    }
  }
  pump.reals(head, {2, 5});
  pump.reals(flow, {2, 5});
  const double coefficients[8] = {};
  pump.reals(coefficients, {2, 4});
  pumpFlow_ = pump.real(0.0);
  pump.text("Hermite");
  pump.output();
  pump.work.assign(100, 0.0);
  pump.call(pump_.entry, 1);
  require(pump.status != 4, "the pump curves were refused at set-up");
}

// The pump's power from its rated power, its inlet pressure, the highest discharge
// pressure and the pressure rise.
void Model::setUpPower() {
  auto& power = power_.block;
  power_.entry = XV55IF_SPPSPC;
  powerRated_ = power.real(plant.ratedPower);
  powerInlet_ = power.real(plant.atmosphere);
  powerMax_ = power.real(plant.maxDischarge);
  powerRise_ = power.real(1.0);
  power.output();
  power.work.assign(1, 0.0);
}

// The transfer pipe: liquid only, its inclination from the lift.
void Model::setUpPipe() {
  auto& pipe = pipe_.block;
  pipe_.entry = XV55IF_SPPINT;
  pipe.real(plant.diameter);
  pipe.real(plant.length);
  pipe.real(1.0);                                   // friction multiplier
  pipe.real(std::asin(plant.lift / plant.length));  // inclination, rad
  pipe.real(plant.roughness);
  pipeVelocity_ = pipe.real(1.0);
  pipePressure_ = pipe.real(plant.atmosphere);
  pipe.real(1.0);  // liquid only
  pipe.real(plant.density);
  pipe.real(1.2);    // gas density, kg/m3 (no gas flows)
  pipe.real(0.072);  // surface tension, N/m
  pipe.real(plant.viscosity);
  pipe.real(0.018);  // gas viscosity, cP
  pipe.text("Beggs-Brill");
  pipe.text("Darcy");
  for (int k = 0; k < 3; ++k) pipe.output();  // holdup, friction, acceleration
}

// The control valve's characteristic, closed at 0 %.
void Model::setUpValve() {
  auto& valve = valve_.block;
  valve_.entry = XV55IF_SPVALVE;
  valve.integer(5);
  valve.reals(kValveOpening, {5});
  valve.reals(kValveCoefficient, {5});
  valvePosition_ = valve.real(50.0);
  valve.real(0.0);   // not used
  valve.real(0.0);   // not used
  valve.integer(1);  // closed at 0 %, lower bound on the coefficient
  valve.output();
}

// The clean-up call (type 2) to every site that takes a call type, then the library
// goes back to standard output.
Model::~Model() {
  for (Site* s : {&feed_, &drain_, &root_, &pump_, &power_}) s->block.call(s->entry, 2);
  const InitBlock none{1, nullptr, nullptr, 0};
  QRInitialize(&none);
}

bool Model::evaluate(const State& y, const Settings& u) {
  const double hydro = plant.density * kGravity / kPascalPerBar;  // bar per m
  bool ok = true;
  feed_.set(1, plant.feedHead - y[kLevel1]);
  ok = feed_.call() && ok;
  drain_.set(1, y[kLevel2]);
  ok = drain_.call() && ok;
  inflow_ = plant.feedCoefficient * feed_.value(1);
  outflow_ = plant.drainCoefficient * drain_.value(1);

  pump_.set(pumpSpeed_, u.speed);
  pump_.set(pumpFlow_, y[kFlow]);
  ok = pump_.call() && ok;
  head_ = pump_.value(1);
  rise_ = hydro * head_;

  power_.set(powerInlet_, plant.atmosphere + hydro * y[kLevel1]);
  power_.set(powerRise_, rise_);
  ok = power_.call() && ok;
  applied_ = power_.value(1);
  limited_ = applied_ < plant.ratedPower;

  const double section = std::numbers::pi / 4.0 * plant.diameter * plant.diameter;
  pipe_.set(pipeVelocity_, y[kFlow] / kSecondsPerHour / section);
  pipe_.set(pipePressure_, y[kDischarge]);
  ok = pipe_.call() && ok;

  valve_.set(valvePosition_, u.valve);
  ok = valve_.call() && ok;
  cv_ = valve_.value(1);
  const double outlet = plant.atmosphere + hydro * y[kLevel2];
  root_.set(1, (y[kValveInlet] - outlet) * 1000.0 / plant.density);
  ok = root_.call() && ok;
  return ok;
}

bool Model::residual(const State& y, const State& rates, const Settings& u, State& f) {
  ++residualCalls;
  if (!evaluate(y, u)) return false;
  const double hydro = plant.density * kGravity / kPascalPerBar;
  const double suction = plant.atmosphere + hydro * y[kLevel1];
  f[0] = kSecondsPerHour * plant.area1 * rates[kLevel1] - (inflow_ - y[kFlow]);
  f[1] = y[kDischarge] - suction - rise_ * applied_ / plant.ratedPower;
  f[2] = y[kDischarge] - y[kValveInlet] - pipe_.value(2) - pipe_.value(3) - hydro * plant.lift;
  f[3] = y[kFlow] - cv_ * root_.value(1);
  f[4] = kSecondsPerHour * plant.area2 * rates[kLevel2] - (y[kFlow] - outflow_);
  return true;
}

bool Model::jacobian(const State& y, const Settings& u, double cj, Matrix& jac) {
  if (!evaluate(y, u)) return false;
  const double hydro = plant.density * kGravity / kPascalPerBar;
  const double rated = plant.ratedPower;
  for (auto& row : jac) row.fill(0.0);

  // Tank 1: 3600 A1 h1' - Qin(h1) + Q, Qin = k sqrt(feedHead - h1).
  jac[0][kLevel1] = kSecondsPerHour * plant.area1 * cj - inflowSlope();  // dF/dh1
  jac[0][kFlow] = 1.0;                                                   // dF/dQ

  // Pump: P1 - Ps(h1) - R, R = rise(Q) WOUT / W, with dWOUT/dPIN and dWOUT/dDP from the
  // power limit's own derivative row.
  const double dOutdInlet = power_.slope(1, powerInlet_);
  const double dOutdRise = power_.slope(1, powerRise_);
  const double dRdInlet = rise_ / rated * dOutdInlet;
  const double dRdRise = applied_ / rated + rise_ / rated * dOutdRise;
  const double dRisedQ = hydro * pump_.slope(1, pumpFlow_);
  jac[1][kDischarge] = 1.0;                     // dF/dP1
  jac[1][kLevel1] = -hydro - dRdInlet * hydro;  // dF/dh1 (suction and the limit)
  jac[1][kFlow] = -dRdRise * dRisedQ;           // dF/dQ (dH/dQ from the curves)

  // Pipe: P1 - P2 - friction(v, P1) - acceleration(v, P1) - rho g lift.
  const double dvdQ =
      1.0 / (kSecondsPerHour * std::numbers::pi / 4.0 * plant.diameter * plant.diameter);
  jac[2][kFlow] = -(pipe_.slope(2, pipeVelocity_) + pipe_.slope(3, pipeVelocity_)) * dvdQ;  // dF/dQ
  jac[2][kDischarge] =
      1.0 - (pipe_.slope(2, pipePressure_) + pipe_.slope(3, pipePressure_));  // dF/dP1
  jac[2][kValveInlet] = -1.0;                                                 // dF/dP2

  // Valve: Q - Cv sqrt((P2 - P3(h2)) / (rho / 1000)); Cv depends on the opening only.
  const double dsdP = root_.slope(1, 1) * 1000.0 / plant.density;
  jac[3][kFlow] = 1.0;                   // dF/dQ
  jac[3][kValveInlet] = -cv_ * dsdP;     // dF/dP2
  jac[3][kLevel2] = cv_ * dsdP * hydro;  // dF/dh2

  // Tank 2: 3600 A2 h2' - Q + Qout(h2), Qout = k sqrt(h2).
  jac[4][kLevel2] = kSecondsPerHour * plant.area2 * cj + outflowSlope();  // dF/dh2
  jac[4][kFlow] = -1.0;                                                   // dF/dQ
  return true;
}

// dQin/dh1 = k ds/dx dx/dh1 with x = feedHead - h1.
double Model::inflowSlope() const {
  return -plant.feedCoefficient * feed_.slope(1, 1);
}

// dQout/dh2 = k ds/dx with x = h2.
double Model::outflowSlope() const {
  return plant.drainCoefficient * drain_.slope(1, 1);
}

void Model::reportingPass(const State& y, const Settings& u) {
  options.marker += 1.0;
  options.printing = 1;
  evaluate(y, u);
  options.printing = 0;
}

// ---------------------------------------------------------------- KINSOL

namespace {

struct SteadyData {
  Model* model;
  Settings u;
  SteadyResult* result;
};

// The model's unknowns: the first kN elements.
State toState(N_Vector v) {
  State s;
  const double* p = N_VGetArrayPointer(v);
  for (int i = 0; i < kN; ++i) s[i] = p[i];
  return s;
}

void store(const State& f, N_Vector v) {
  for (int i = 0; i < kN; ++i) NV_Ith_S(v, i) = f[i];
}

void store(const Matrix& m, SUNMatrix jac) {
  for (int i = 0; i < kN; ++i) {
    for (int j = 0; j < kN; ++j) SM_ELEMENT_D(jac, i, j) = m[i][j];
  }
}

int steadyResidual(N_Vector uu, N_Vector fval, void* data) {
  auto* d = static_cast<SteadyData*>(data);
  State f;
  if (!d->model->residual(toState(uu), State{}, d->u, f)) return 1;
  store(f, fval);
  return 0;
}

int steadyJacobian(N_Vector uu, N_Vector fu, SUNMatrix jac, void* data, N_Vector, N_Vector) {
  auto* d = static_cast<SteadyData*>(data);
  const State y = toState(uu);
  double norm = 0.0;
  for (double v : toState(fu)) norm = std::fmax(norm, std::fabs(v));
  d->result->iterates.push_back(y);
  d->result->normHistory.push_back(norm);
  Matrix m;
  if (!d->model->jacobian(y, d->u, 0.0, m)) return 1;
  store(m, jac);
  return 0;
}

}  // namespace

State coldStart(const Plant& plant) {
  return State{1.0, 10.0, plant.atmosphere, plant.atmosphere, 1.0};
}

SteadyResult solveSteady(Model& model, const Settings& u, const State& start,
                         bool analyticJacobian) {
  SteadyResult result;
  result.iterates.reserve(64);
  result.normHistory.reserve(64);
  SteadyData data{&model, u, &result};
  SUNContext ctx = nullptr;
  require(SUNContext_Create(nullptr, &ctx) == 0, "SUNContext_Create failed");
  N_Vector y = N_VNew_Serial(kN, ctx);
  N_Vector scale = N_VNew_Serial(kN, ctx);
  store(start, y);
  N_VConst(1.0, scale);
  SUNMatrix jac = SUNDenseMatrix(kN, kN, ctx);
  SUNLinearSolver solver = SUNLinSol_Dense(y, jac, ctx);
  void* mem = KINCreate(ctx);
  KINInit(mem, steadyResidual, y);
  KINSetUserData(mem, &data);
  KINSetLinearSolver(mem, solver, jac);
  if (analyticJacobian) KINSetJacFn(mem, steadyJacobian);
  KINSetMaxSetupCalls(mem, 1);  // a fresh Jacobian at every iteration: full Newton
  KINSetFuncNormTol(mem, 1e-11);
  KINSetScaledStepTol(mem, 1e-15);
  KINSetNumMaxIters(mem, 50);
  result.flag = KINSol(mem, y, KIN_LINESEARCH, scale, scale);
  KINGetNumNonlinSolvIters(mem, &result.iterations);
  double last = 0.0;
  KINGetFuncNorm(mem, &last);
  result.normHistory.push_back(last);
  result.y = toState(y);
  KINFree(&mem);
  SUNLinSolFree(solver);
  SUNMatDestroy(jac);
  N_VDestroy(scale);
  N_VDestroy(y);
  SUNContext_Free(&ctx);
  return result;
}

// ---------------------------------------------------------------- IDA

namespace {

struct TransientData {
  Model* model;
  double speed, lowSpeed;
};

// IDA integrates the model's five unknowns and, as a sixth, the liquid exchanged with
// the outside (m3): 3600 dV/dt = Qin - Qout.
constexpr int kExchanged = kN;

int transientResidual(double t, N_Vector yy, N_Vector yp, N_Vector rr, void* data) {
  auto* d = static_cast<TransientData*>(data);
  State f;
  if (!d->model->residual(toState(yy), toState(yp), schedule(t, d->speed, d->lowSpeed), f)) {
    return 1;
  }
  store(f, rr);
  NV_Ith_S(rr, kExchanged) =
      kSecondsPerHour * NV_Ith_S(yp, kExchanged) - (d->model->inflow() - d->model->outflow());
  return 0;
}

int transientJacobian(double t, double cj, N_Vector yy, N_Vector, N_Vector, SUNMatrix jac,
                      void* data, N_Vector, N_Vector, N_Vector) {
  auto* d = static_cast<TransientData*>(data);
  Matrix m;
  if (!d->model->jacobian(toState(yy), schedule(t, d->speed, d->lowSpeed), cj, m)) return 1;
  SUNMatZero(jac);
  store(m, jac);
  SM_ELEMENT_D(jac, kExchanged, kExchanged) = kSecondsPerHour * cj;   // dF/dV'
  SM_ELEMENT_D(jac, kExchanged, kLevel1) = -d->model->inflowSlope();  // dF/dh1
  SM_ELEMENT_D(jac, kExchanged, kLevel2) = d->model->outflowSlope();  // dF/dh2
  return 0;
}

double ramp(double t, double t0, double t1, double from, double to) {
  if (t <= t0) return from;
  if (t >= t1) return to;
  return from + (to - from) * (t - t0) / (t1 - t0);
}

}  // namespace

Settings schedule(double t, double speed, double lowSpeed) {
  return Settings{ramp(t, 300.0, 310.0, speed, lowSpeed), ramp(t, 10.0, 20.0, 80.0, 20.0)};
}

TransientResult runTransient(Model& model, const State& steady, double speed, double lowSpeed,
                             double end, double interval) {
  TransientResult result;
  TransientData data{&model, speed, lowSpeed};
  SUNContext ctx = nullptr;
  require(SUNContext_Create(nullptr, &ctx) == 0, "SUNContext_Create failed");
  N_Vector y = N_VNew_Serial(kN + 1, ctx);
  N_Vector yp = N_VNew_Serial(kN + 1, ctx);
  N_Vector id = N_VNew_Serial(kN + 1, ctx);
  N_VConst(0.0, y);
  store(steady, y);
  N_VConst(0.0, yp);  // a steady state: consistent with zero rates
  N_VConst(0.0, id);
  NV_Ith_S(id, kLevel1) = 1.0;
  NV_Ith_S(id, kLevel2) = 1.0;
  NV_Ith_S(id, kExchanged) = 1.0;
  SUNMatrix jac = SUNDenseMatrix(kN + 1, kN + 1, ctx);
  SUNLinearSolver solver = SUNLinSol_Dense(y, jac, ctx);
  void* mem = IDACreate(ctx);
  IDAInit(mem, transientResidual, 0.0, y, yp);
  IDASStolerances(mem, 1e-8, 1e-8);
  IDASetUserData(mem, &data);
  IDASetId(mem, id);
  IDASetLinearSolver(mem, solver, jac);
  IDASetJacFn(mem, transientJacobian);
  IDASetMaxNumSteps(mem, 20000);

  const double volume0 = model.plant.area1 * steady[kLevel1] + model.plant.area2 * steady[kLevel2];
  auto sample = [&](double t) {
    const State s = toState(y);
    const Settings u = schedule(t, speed, lowSpeed);
    model.reportingPass(s, u);
    ++result.passes;
    result.samples.push_back(
        Sample{t, u.valve, u.speed, s[kLevel1], s[kLevel2], s[kFlow], model.inflow(),
               model.outflow(), s[kDischarge], s[kValveInlet],
               model.plant.area1 * s[kLevel1] + model.plant.area2 * s[kLevel2] - volume0,
               NV_Ith_S(y, kExchanged), model.limited()});
  };
  sample(0.0);
  const long outputs = std::lround(end / interval);
  for (long k = 1; k <= outputs && result.flag >= 0; ++k) {
    const double tout = static_cast<double>(k) * interval;
    double t = 0.0;
    IDASetStopTime(mem, tout);  // the schedule's corners fall on output times
    result.flag = IDASolve(mem, tout, &t, y, yp, IDA_NORMAL);
    if (result.flag < 0) break;
    sample(t);
  }
  IDAGetNumSteps(mem, &result.steps);
  IDAFree(&mem);
  SUNLinSolFree(solver);
  SUNMatDestroy(jac);
  N_VDestroy(id);
  N_VDestroy(yp);
  N_VDestroy(y);
  SUNContext_Free(&ctx);
  return result;
}

}  // namespace transfer
