// One evaluation of the stirred-tank kinetics procedure (XV55IF_SPRKUSR) with the example
// kinetics routine: 5 components, 2 reactions, a vapour-liquid flash at 300 degC and
// 10 bar, the routine loaded from the example flowsheet's user library.  Beside it, the
// flash alone, which is most of the host's share.
//   build/bin/xv55_bench --benchmark_filter=Kinetics --benchmark_min_time=0.5
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "xv55/host/flash_monitors.h"
#include "xv55/refhost/companion.hpp"
#include "xv55/refhost/control.hpp"
#include "xv55/refhost/properties.hpp"
#include "xv55/testing/block_builder.hpp"
#include "xv55/xv55.h"

namespace {

using namespace xv55;
namespace cp = refhost::companion;
namespace pp = refhost::properties;

const std::vector<double> kComposition = {0.5, 0.2, 0.15, 0.1, 0.05};

bool loadExample() {
  refhost::reset();
  if (!pp::setCompanionComponents({"METHANE", "ETHANE", "PROPANE", "N-BUTANE", "N-HEXANE"})) {
    return false;
  }
  const cp::LoadResult loaded = cp::loadFlowsheetFile(XV55_EXAMPLE_FLOWSHEET);
  if (!loaded) std::fprintf(stderr, "%s\n", loaded.message.c_str());
  return static_cast<bool>(loaded);
}

// The 25 inputs of the procedure, in order, and its rate output.
BlockBuilder stirredTank() {
  BlockBuilder b;
  b.text("PLANT.LOOP.CSTR1");
  b.text("CRACK");
  b.real(2.0);    // volume, m3
  b.real(0.0);    // second reactor value
  b.real(300.0);  // degC
  b.real(10.0);   // bar
  b.reals(kComposition, {5});
  b.real(360.0);  // kmol/h
  const std::vector<double> nu = {0, 2, 0, -1, 0, 1, 0, -1, 0, 0};
  b.reals(nu, {5, 2});
  b.reals(std::vector<double>{}, {0});  // integer parameters
  const std::vector<double> arrhenius = {2.0e3, 6.0e7, 5.0e2, 5.5e7};
  b.reals(arrhenius, {4});
  b.integer(0);
  b.integer(0);
  b.integer(0);                         // user values
  b.reals(std::vector<double>{}, {0});  // reaction paragraph's parameters
  b.reals(std::vector<double>{}, {0});
  b.integer(0);
  b.integer(0);
  b.integer(2);  // vapour-liquid flash
  for (int k = 0; k < 5; ++k) b.real(0.0);
  b.integer(1);  // the model's units
  b.outputs(5);
  b.work.assign(8, 0.0);
  return b;
}

void KineticsStirredTank(benchmark::State& state) {
  if (!loadExample()) return state.SkipWithError("the example flowsheet does not load");
  BlockBuilder b = stirredTank();
  b.call(XV55IF_SPRKUSR, XV55_CALL_VALUES);  // the call site's areas are made here
  for (auto _ : state) {
    b.call(XV55IF_SPRKUSR, XV55_CALL_VALUES);
    benchmark::DoNotOptimize(b.out(1));
  }
  if (b.status == XV55_STATUS_ERROR) state.SkipWithError("the evaluation failed");
  b.call(XV55IF_SPRKUSR, XV55_CALL_CLEANUP);
  refhost::reset();
}
BENCHMARK(KineticsStirredTank);

void KineticsFlashAlone(benchmark::State& state) {
  if (!loadExample()) return state.SkipWithError("the example flowsheet does not load");
  const std::int64_t code = 2, count = 5, phase = 2, sub = 0, options[6] = {1, 0, 0, 0, 1, 0};
  const std::int64_t indices[5] = {1, 2, 3, 4, 5};
  const double tolerance = 1e-8, p = 1.0e6;
  double liquid[5], liquid1[5], liquid2[5], vapour[5];
  for (auto _ : state) {
    double t = 573.15, h = 0, beta = 0, split = 0;
    std::int64_t rc = 0;
    FLSH_PFLASH(&code, &t, &p, &h, kComposition.data(), &count, indices, options, &phase, &sub,
                &tolerance, &beta, &split, liquid, liquid1, liquid2, vapour, &rc);
    benchmark::DoNotOptimize(beta);
  }
  refhost::reset();
}
BENCHMARK(KineticsFlashAlone);

}  // namespace
