// Cost of the heat capacity ratio and sonic velocity procedures on a 5-component natural gas
// (CH4 0.85, C2H6 0.07, C3H8 0.04, nC4 0.03, nC6 0.01) at 50 bar: single-phase at 320 K,
// two-phase at 250 K.  Each procedure is timed through its entry point and against the same
// host calls made directly, so that the difference is the library's own share.
// Run: build/bin/xv55_bench --benchmark_filter='Ratio|Sonic' --benchmark_min_time=0.5
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "xv55/host/data_management.h"
#include "xv55/host/flash_monitors.h"
#include "xv55/host/property_system.h"
#include "xv55/refhost/control.hpp"
#include "xv55/refhost/properties.hpp"
#include "xv55/testing/block_builder.hpp"
#include "xv55/xv55.h"

namespace {

namespace pp = xv55::refhost::properties;

constexpr std::int64_t kContext = 3;
constexpr std::int64_t kComponents = 5;
const std::vector<double> kGas = {0.85, 0.07, 0.04, 0.03, 0.01};
constexpr double kMolecularWeight = 19.35;  // kg/kmol of the gas
constexpr double kPressure = 50.0;          // bar

void useGas() {
  xv55::refhost::reset();
  pp::setCompanionComponents({"METHANE", "ETHANE", "PROPANE", "N-BUTANE", "N-HEXANE"});
}

double celsius(const benchmark::State& state) {
  return static_cast<double>(state.range(0)) - 273.15;
}

// The stream set-up and packing every procedure does, made directly.
struct HostStream {
  std::int64_t loc[SAISST_LOCATIONS] = {}, status = 0, n = kComponents, ncomp = kComponents,
               limit = 0, count = 0;
  double t = 0, p = 0;
  double* x = nullptr;
  double* companion = nullptr;
  double* packed = nullptr;
  std::int64_t* indices = nullptr;
  const std::int64_t* options = nullptr;

  void setUp(double temperatureCelsius) {
    const std::int64_t to = 1, unit = 1;
    SAISST(&kContext, loc, &status);
    t = GPTEMP(&temperatureCelsius, &to, &unit);
    p = GPPRES(&kPressure, &to, &unit);
    const std::int64_t w = DMS_PLEX[loc[SAISST_COUNTS - 1] + 2].integer;
    limit = w;
    auto vector = [&](int k) { return loc[SAISST_WORK - 1] + (k - 1) * w; };
    x = &DMS_PLEX[vector(1)].real;
    companion = &DMS_PLEX[vector(2)].real;
    indices = &DMS_PLEX[vector(3)].integer;
    packed = &DMS_PLEX[vector(4)].real;
    options = &DMS_PLEX[loc[SAISST_OPTIONS - 1]].integer;
    SAIF2X(&n, kGas.data(), x, &status);
    SAISAO(&n, &DMS_PLEX[loc[SAISST_MAPPING - 1]].integer, x, companion);
    SACHMBPX(&ncomp, companion, &limit, indices, packed, &count, &status);
  }
};

// T, P, the gas's flows, (with `sonic` its molecular weight,) unit set 1 -> one output.
xv55::BlockBuilder block(double t, bool sonic) {
  xv55::BlockBuilder b;
  b.real(t);
  b.real(kPressure);
  b.reals(kGas, {kComponents});
  if (sonic) b.real(kMolecularWeight);
  b.integer(1);
  b.output();
  b.hostContext = kContext;
  return b;
}

// Calls of the procedure at the state's temperature; its result as a counter.
void timeCalls(benchmark::State& state, Xv55Entry entry, bool sonic, const char* counter) {
  useGas();
  xv55::BlockBuilder b = block(celsius(state), sonic);
  for (auto _ : state) {
    b.call(entry);
    benchmark::DoNotOptimize(b.out(1));
  }
  state.counters[counter] = b.out(1);
}

void HeatCapacityRatio(benchmark::State& state) {
  timeCalls(state, XV55IF_SPFKCAL, false, "factor");
}
BENCHMARK(HeatCapacityRatio)->Arg(320)->Arg(250);

void HeatCapacityRatioHostCalls(benchmark::State& state) {
  useGas();
  const double t = celsius(state);
  const std::int64_t beside = 2, alone = 1, everything = 3;
  for (auto _ : state) {
    HostStream s;
    s.setUp(t);
    double v = 0, dvdt = 0, cp = 0, h = 0, v2 = 0;
    const double p2 = 1.001 * s.p;
    SAIPEH("SPFKCAL", 7);
    PPMON_VMTHRM(&s.t, &s.p, s.packed, &s.count, s.indices, s.options, &beside, &everything, &v,
                 &dvdt, &cp, &h, &s.status);
    SAIPEH("SPFKCAL/PPMON_VMTHRM", 20);
    SAIPEH("SPFKCAL", 7);
    PPMON_VOLV(&s.t, &p2, s.packed, &s.count, s.indices, s.options, &alone, &v2, &s.status);
    SAIPEH("SPFKCAL/PPMON_VOLV", 18);
    benchmark::DoNotOptimize(v2);
  }
}
BENCHMARK(HeatCapacityRatioHostCalls)->Arg(320)->Arg(250);

void SonicVelocity(benchmark::State& state) {
  timeCalls(state, XV55IF_SPPSON, true, "m/s");
}
BENCHMARK(SonicVelocity)->Arg(320)->Arg(250);

void SonicVelocityHostCalls(benchmark::State& state) {
  useGas();
  const double t = celsius(state);
  const std::int64_t tp = 2, phases = 3, sub = 0, beside = 2, everything = 3;
  std::vector<double> liquid(kComponents), liquid1(kComponents), liquid2(kComponents),
      vapour(kComponents);
  for (auto _ : state) {
    HostStream s;
    s.setUp(t);
    std::int64_t route = 0, count = 0, rc = 0, length = 0;
    SAIRTU(&DMS_PLEX[s.loc[SAISST_DESCRIPTOR - 1]].integer, nullptr, &length, &route, &count,
           &s.status);
    double h = 0, beta = 0, split = 0;
    const double tolerance = 1e-8;
    SAIPEH("SPPSON", 6);
    FLSH_PFLASH(&tp, &s.t, &s.p, &h, s.packed, &s.count, s.indices, s.options, &phases, &sub,
                &tolerance, &beta, &split, liquid.data(), liquid1.data(), liquid2.data(),
                vapour.data(), &rc);
    double v = 0, dvdt = 0, cp = 0, hv = 0;
    PPMON_VMTHRM(&s.t, &s.p, vapour.data(), &s.count, s.indices, s.options, &beside, &everything,
                 &v, &dvdt, &cp, &hv, &s.status);
    benchmark::DoNotOptimize(PPUTL_AVEMW(&s.count, s.indices, liquid.data()));
  }
}
BENCHMARK(SonicVelocityHostCalls)->Arg(320)->Arg(250);

}  // namespace
