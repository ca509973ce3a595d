// Cost of the pipe procedures through their entry points, of the reference host's
// routines alone with the same arguments (the library's own share of a call is the
// difference), and of the Beggs-Brill section body without the entry point.
// Run: build/bin/xv55_bench --benchmark_filter='Pipe' --benchmark_min_time=0.5
#include <benchmark/benchmark.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "common/units.hpp"
#include "entry/views.hpp"
#include "pipe/pipe_flow.hpp"
#include "xv55/host/pipe_correlations.h"
#include "xv55/testing/block_builder.hpp"
#include "xv55/xv55.h"

namespace {

using xv55::BlockBuilder;

// A block of scalar inputs and texts laid out once, as the host keeps it between
// calls, asking for values only.
BlockBuilder block(std::initializer_list<double> reals,
                   std::initializer_list<std::string_view> texts, int outputs) {
  BlockBuilder b;
  for (double v : reals) b.real(v);
  for (std::string_view t : texts) b.text(t);
  for (int k = 0; k < outputs; ++k) b.output();
  b.callType = XV55_CALL_VALUES;
  return b;
}

void timeCalls(benchmark::State& state, BlockBuilder& b, Xv55Entry entry) {
  for (auto _ : state) {
    b.call(entry);
    benchmark::DoNotOptimize(b.outputCell(1).real);
    benchmark::ClobberMemory();
  }
}

// A 4-inch oil-gas section: D, L, multiplier, angle, roughness, velocity, pressure,
// lambda, densities, surface tension, viscosities.
BlockBuilder section(std::string_view holdup, std::string_view drop) {
  return block({0.1, 100.0, 1.0, 0.05, 4.5e-4, 2.5, 20.0, 0.3, 800.0, 20.0, 0.02, 1.5, 0.012},
               {holdup, drop}, 3);
}

void PipeColebrook(benchmark::State& state) {
  static constexpr double kReynolds[] = {0.05, 1000.0, 3000.0, 1e4, 1e5, 1e7};
  BlockBuilder b = block({kReynolds[state.range(0)], 4.5e-4}, {}, 1);
  timeCalls(state, b, XV55IF_SPPCBR);
  state.SetLabel("Re " + std::to_string(kReynolds[state.range(0)]));
}
BENCHMARK(PipeColebrook)->DenseRange(0, 5);

void PipeSectionDarcy(benchmark::State& state) {
  BlockBuilder b = section("none", "Darcy");
  timeCalls(state, b, XV55IF_SPPINT);
}
BENCHMARK(PipeSectionDarcy);

void PipeSectionBeggsBrill(benchmark::State& state) {
  BlockBuilder b = section("Beggs-Brill", "Beggs-Brill");
  timeCalls(state, b, XV55IF_SPPINT);
}
BENCHMARK(PipeSectionBeggsBrill);

// The host's part of the Beggs-Brill section above: the initialisers and both
// routines with the arguments SPPINT passes them (field units).
void PipeSectionBeggsBrillHostOnly(benchmark::State& state) {
  using namespace xv55::units;
  const double ft = kMetresPerFoot, lbft3 = kPoundsPerCubicFootPerKgPerCubicMetre,
               cp = kCentipoisePerPoundPerFootSecond;
  const double lambda = 0.3, d = 0.1 / ft, vm = 2.5 / ft, theta = 0.05, r = 4.5e-4;
  const double rhoL = 800 * lbft3, rhoG = 20 * lbft3,
               sigma = 0.02 * kPipeSurfaceTensionPerModelUnit;
  const double rhoNs = lambda * rhoL + (1 - lambda) * rhoG;
  const double muNs = (lambda * 1.5 + (1 - lambda) * 0.012) / cp;
  double holdup = 0, regime = 0, f = 0;
  std::int64_t e1 = 0, e2 = 0;
  for (auto _ : state) {
    PIP_PIPBL1();
    PIP_PIPBL2();
    PIP_PIPFFC();
    PIP_PIPBBH(&lambda, &d, &rhoNs, &rhoL, &vm, &sigma, &theta, &holdup, &regime, &e1);
    PIP_PIPBBF(&lambda, &vm, &muNs, &rhoNs, &d, &r, &f, &holdup, &e2);
    benchmark::DoNotOptimize(f);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(PipeSectionBeggsBrillHostOnly);

// The same section through the body alone, without the entry point's unpacking.
void PipeSectionBeggsBrillBodyOnly(benchmark::State& state) {
  using namespace xv55;
  const double in[] = {0.1, 100.0, 1.0,  0.05, 4.5e-4, 2.5,  20.0,
                       0.3, 800.0, 20.0, 0.02, 1.5,    0.012};
  const char holdup[40] = "Beggs-Brill", drop[40] = "Beggs-Brill";
  double out[3] = {};
  std::int64_t status = 0;
  const pipe::SectionArguments args{in[0],
                                    in[1],
                                    in[2],
                                    in[3],
                                    in[4],
                                    in[5],
                                    {in[6], in[7], in[8], in[9], in[10], in[11], in[12]},
                                    {Text(holdup), Text(drop)},
                                    {out[0], out[1], out[2]},
                                    {}};
  for (auto _ : state) {
    pipe::SPPINT(args, Status(&status), Jacobian(nullptr, 0, 0), CallMode(CallMode::kValues));
    benchmark::DoNotOptimize(out);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(PipeSectionBeggsBrillBodyOnly);

// D, angle, roughness, packed bed a b c, sign, velocity, mass flow, quality, pressure,
// lambda, densities, surface tension, viscosities.
BlockBuilder gradient(std::string_view drop) {
  return block({0.05, 0.0, 4.5e-4, 0.4, 0.8, 0.003, -1.0, 2.5, 1000.0, 0.1, 20.0, 1.0 / 6.0, 900.0,
                20.0, 0.02, 0.5, 0.015},
               {"none", drop}, 1);
}

void PipeGradientFriedel(benchmark::State& state) {
  BlockBuilder b = gradient("Friedel");
  timeCalls(state, b, XV55IF_SPDPDZFR);
}
BENCHMARK(PipeGradientFriedel);

void PipeGradientLockhartMartinelli(benchmark::State& state) {
  BlockBuilder b = gradient("Lockhart-Martinelli");
  timeCalls(state, b, XV55IF_SPDPDZFR);
}
BENCHMARK(PipeGradientLockhartMartinelli);

}  // namespace
