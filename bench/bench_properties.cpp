// Cost of the reference host's property monitor and flashes on a 5-component natural gas.
// Run: build/bin/xv55_properties_bench --benchmark_min_time=0.5
#include <benchmark/benchmark.h>

#include <cstdint>

#include "xv55/host/flash_monitors.h"
#include "xv55/refhost/properties.hpp"

namespace {

namespace pp = xv55::refhost::properties;

struct Gas {
  double z[5] = {0.85, 0.07, 0.04, 0.03, 0.01};
  std::int64_t indices[5] = {1, 2, 3, 4, 5}, count = 5, options = 1;
  double p = 50e5, beta = 0, split = 0, h = 0;
  double liquid[5], liquid1[5], liquid2[5], vapour[5];
  std::int64_t rc = 0;
  Gas() { pp::setCompanionComponents({"METHANE", "ETHANE", "PROPANE", "N-BUTANE", "N-HEXANE"}); }
  void flash(std::int64_t code, double& t) {
    const std::int64_t phases = 2, sub = 0;
    FLSH_PFLASH(&code, &t, &p, &h, z, &count, indices, &options, &phases, &sub, nullptr, &beta,
                &split, liquid, liquid1, liquid2, vapour, &rc);
  }
};

void VapourMonitor(benchmark::State& state) {
  Gas g;
  const std::int64_t phase = 2, calculation = 3;
  double t = 300, v, dvdt, cp, h;
  std::int64_t status = 0;
  for (auto _ : state) {
    PPMON_VMTHRM(&t, &g.p, g.z, &g.count, g.indices, &g.options, &phase, &calculation, &v, &dvdt,
                 &cp, &h, &status);
    benchmark::DoNotOptimize(cp);
  }
}
BENCHMARK(VapourMonitor);

// Temperature-pressure flash: single-phase gas (320 K) and two phases (250 K).
void FlashTP(benchmark::State& state) {
  Gas g;
  const double t0 = static_cast<double>(state.range(0));
  for (auto _ : state) {
    double t = t0;
    g.flash(2, t);
    benchmark::DoNotOptimize(g.beta);
  }
}
BENCHMARK(FlashTP)->Arg(320)->Arg(250);

void FlashPH(benchmark::State& state) {
  Gas g;
  double t = 250;
  g.flash(2, t);
  const double h = g.h;
  for (auto _ : state) {
    double guess = 300;
    g.h = h;
    g.flash(1, guess);
    benchmark::DoNotOptimize(guess);
  }
}
BENCHMARK(FlashPH);

}  // namespace

BENCHMARK_MAIN();
